#pragma once
// The meeting state: one set of statics for the whole process. Receive
// threads write it, the UI thread reads it. Words that cross threads are
// atomic; texts are SharedText. Window pointers are the slots of
// window_messages.h.

#include "core/shared_text.h"
#include "platform/sys/timed_lock.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

using AtomicInt = std::atomic<int32_t>;

// Identity and session.
extern AtomicInt g_my_customer_id;        // -1 until the server's 80
extern AtomicInt g_room_number;           // -1: in no room
extern AtomicInt g_logged_in;
extern AtomicInt g_connected_to_server;
extern AtomicInt g_auto_login;
extern AtomicInt g_login_pending;
extern AtomicInt g_join_pending;
extern SharedText<127> g_login_name;
extern SharedText<127> g_access_code;
extern SharedText<255> g_room_name;
extern SharedText<255> g_room_password;
extern SharedText<64> g_current_room_name; // from message 105
extern SharedText<127> g_server_host;
extern SharedText<127> g_server_display_name;
extern AtomicInt g_server_port;

// Roles.
extern AtomicInt g_is_chairman;
extern AtomicInt g_is_presenter;
extern AtomicInt g_chairman_control_mode;
extern AtomicInt g_talk_allowed;
extern AtomicInt g_remote_controlling;

// Boards.
inline constexpr int board_page_count = 10;
extern AtomicInt g_current_board;   // 0..9
extern AtomicInt g_board_count;     // 1..10
extern AtomicInt g_board_sync;
extern AtomicInt g_board_repaint;

// The sharer's cursor (message 279).
extern AtomicInt g_share_cursor_prev_x, g_share_cursor_prev_y, g_share_cursor_x, g_share_cursor_y;

// Sharer texts.
extern SharedText<127> g_ppt_sharer;
extern SharedText<127> g_excel_sharer;
extern SharedText<127> g_word_sharer;
extern SharedText<127> g_presenter_applicant;
extern SharedText<511> g_clipboard_file_name;
extern SharedText<255> g_browser_sender;
extern SharedText<2047> g_browser_url;

// Server texts.
extern SharedText<127> g_server_version_text;
extern SharedText<127> g_server_text_792;
extern SharedText<255> g_company_logo_path;       // "/home/company_logo/<name>" on the web host
extern SharedText<63> g_company_logo_file_name;   // "company_logo" + extension, in "bmp/logo/"

// Title and status line.
extern SharedText<1000> g_title_text;
extern SharedText<1000> g_status_text;

// Start-up.
extern AtomicInt g_auto_connect_allowed;
extern AtomicInt g_launch_params_given;
extern AtomicInt g_start_open_board;
extern AtomicInt g_start_play_record;
extern SharedText<255> g_start_file_path;
extern AtomicInt g_global_state_ready;

// Video settings, kept checked.
extern AtomicInt g_video_speed;
extern AtomicInt g_video_size_index;
extern AtomicInt g_video_width;
extern AtomicInt g_video_height;
extern AtomicInt g_video_quality;
extern AtomicInt g_video_frame_rate;  // 10 minus the stored value
extern AtomicInt g_desktop_share_quality;
extern AtomicInt g_audio_quality;

// Attendees.
inline constexpr int customer_count = 100;
struct customer_info_record {
    int32_t customer_id = 0;
    std::array<char, 128> name {}; // at most 63 used
    int32_t picture_number = 0;    // set by message 350
    int32_t spare_word = 1;
    int32_t in_use = 0;
    int32_t flags = 0;
};
struct customer_view_record {
    int32_t customer_id = 0;
    int32_t show_video = 1;
    int32_t in_use = 0;
    std::array<char, 64> name {};
};
extern std::array<customer_info_record, customer_count> customer_info;
extern std::array<customer_view_record, customer_count> customer_view;

// Meeting rooms.
inline constexpr int room_count = 100;
struct room_entry_record {
    int32_t in_use = 0;
    std::array<char, 128> name {};
};
extern std::array<room_entry_record, room_count> room_entry;

// The nine video windows: which attendee each shows (-1: none).
inline constexpr int video_slot_count = 9;
extern std::array<AtomicInt, video_slot_count> g_video_slot_customer_id;

// Locks for files shared between threads, created once at start.
extern std::array<std::array<platform::TimedMutex, 5>, 5> g_app_tile_locks;
extern std::array<std::array<platform::TimedMutex, 6>, 6> g_desk_tile_locks;
extern platform::TimedMutex g_app_tile_end_lock;
extern platform::TimedMutex g_desk_tile_end_lock;
extern platform::TimedMutex g_pictures_lock;
extern platform::TimedMutex g_jpeg_lock;
extern platform::TimedMutex g_video_send_lock;
extern platform::TimedMutex g_record_file_lock;
extern platform::TimedMutex g_sound_lock;
extern platform::TimedMutex g_share_file_lock;

// The set-up and release steps that other subsystems own, run by
// init_global_state and free_global_resources in their places. Each
// subsystem fills its own when it is linked into the program.
struct GlobalStateSteps {
    std::function<void()> clear_boards;           // set-up step 1
    std::function<void()> clear_app_sharing;      // set-up step 4
    std::function<void()> load_default_servers;   // set-up step 6
    std::function<void()> init_sound_queue;       // set-up step 8
    std::function<void()> read_speaker_volume;    // set-up step 9
    std::function<void()> init_office_sharing;    // set-up step 9
    std::function<void()> init_skin;              // set-up step 10
    std::function<void()> free_boards;            // release
    std::function<void()> free_sharing_buffers;   // release
    std::function<void()> destroy_floating_windows; // release
    std::function<void()> release_office_sharing; // release
    std::function<void()> close_recording;        // release
    std::function<void()> remove_share_hooks;     // program exit, first
    std::function<void()> stop_talking;           // program exit: recorder and players
};
GlobalStateSteps& global_state_steps();

int init_global_state();
void free_global_resources();

int reset_user_slot(int index);
void room_list_clear();
int room_list_add(const std::string& name);
int select_board(int index);
void set_board_sync(int on);
void set_board_repaint(int on);
// The board view listens while it exists (UI thread only).
void set_board_repaint_listener(std::function<void(int)> listener);
void set_video_size_by_index();
void read_video_settings();
// The stored video values' ranges; anything else reads as the default.
inline int video_quality_or_default(int v) { return v >= 50 && v <= 100 && v % 10 == 0 ? v : 50; }
inline int video_frame_rate_or_default(int v) { return v >= 2 && v <= 9 ? v : 6; }
inline int audio_quality_or_default(int v) { return v >= 0 && v <= 2 ? v : 0; }
int make_sure_customer_id_exist(int customer_id);
int get_file_name_from_path(const std::string& path, std::string& out, size_t limit);

// Copies text into a fixed record field, cut to limit characters and terminated.
template <size_t N>
void copy_to_field(std::array<char, N>& field, std::string_view text, size_t limit = N - 1)
{
    size_t n = std::min({ text.size(), limit, N - 1 });
    std::copy_n(text.data(), n, field.data());
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), '\0');
}

// Server notices: the greeting (999) and the newest version announced (991).
extern SharedText<2047> g_server_greeting;
extern AtomicInt g_newest_version_major;
extern AtomicInt g_newest_version_minor;
extern AtomicInt g_newest_version_build;

// Control messages: own hand, who took a role, the zoomed attendee, the
// room's full-screen-after-join option.
extern AtomicInt g_hand_raised;
extern SharedText<127> g_new_presenter_name;   // 597
extern SharedText<127> g_new_chairman_name;    // 598
extern AtomicInt g_zoomed_customer_id;         // -1: none
extern AtomicInt g_enter_full_screen;          // 784

// Set by the frame's close button before the frame closes; the level graphs stop drawing.
extern AtomicInt g_closing;

// The frame of a co-browsed page (message 731), beside g_browser_sender and g_browser_url.
extern SharedText<100> g_browser_frame_name;

// The room's meeting: set by the server's 120, cleared by its 122 and when
// the session ends.
extern AtomicInt g_meeting_started;
// The presenter's view, tab, zoom and full-screen changes go to every attendee.
extern AtomicInt g_push_mode;
// The upper view shown: 1 whiteboard, 2 video, 3 shared screen, 4 playback.
inline constexpr int upper_view_board = 1;
inline constexpr int upper_view_video = 2;
inline constexpr int upper_view_share = 3;
inline constexpr int upper_view_playback = 4;
extern AtomicInt g_current_view;

// Meeting playback: on while the playback thread runs, paused while the user
// holds it, and the recording it reads (null when none).
extern AtomicInt g_play_on;
extern AtomicInt g_play_paused;
extern std::atomic<std::FILE*> g_play_file;
// While a recording plays this client's views follow the recording, so the
// presenter's push messages (411-417) and the overlay repaints (226, 266)
// are not sent to the room: true (and one log line) for those numbers then.
bool held_while_playing(int number);
