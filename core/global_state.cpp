#include "core/global_state.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/window_messages.h"
#include "platform/sys/clock.h"

#include <algorithm>

std::mutex& shared_text_lock()
{
    static std::mutex lock;
    return lock;
}

AtomicInt g_my_customer_id { -1 };
AtomicInt g_room_number { -1 };
AtomicInt g_logged_in { 0 };
AtomicInt g_connected_to_server { 0 };
AtomicInt g_auto_login { 0 };
AtomicInt g_login_pending { 0 };
AtomicInt g_join_pending { 0 };
SharedText<127> g_login_name;
SharedText<127> g_access_code;
SharedText<255> g_room_name;
SharedText<255> g_room_password;
SharedText<64> g_current_room_name;
SharedText<127> g_server_host;
SharedText<127> g_server_display_name;
AtomicInt g_server_port { 0 };

AtomicInt g_is_chairman { 0 };
AtomicInt g_is_presenter { 0 };
AtomicInt g_chairman_control_mode { 0 };
AtomicInt g_talk_allowed { 0 };
AtomicInt g_remote_controlling { 0 };

AtomicInt g_current_board { 0 };
AtomicInt g_board_count { 1 };
AtomicInt g_board_sync { 1 };
AtomicInt g_board_repaint { 0 };

AtomicInt g_share_cursor_prev_x { 20 }, g_share_cursor_prev_y { 20 }, g_share_cursor_x { 20 }, g_share_cursor_y { 20 };

SharedText<127> g_ppt_sharer;
SharedText<127> g_excel_sharer;
SharedText<127> g_word_sharer;
SharedText<127> g_presenter_applicant;
SharedText<511> g_clipboard_file_name;
SharedText<255> g_browser_sender;
SharedText<2047> g_browser_url;

SharedText<127> g_server_version_text;
SharedText<127> g_server_text_792;
SharedText<255> g_company_logo_path;
SharedText<63> g_company_logo_file_name;

SharedText<1000> g_title_text;
SharedText<1000> g_status_text;

AtomicInt g_auto_connect_allowed { 1 };
AtomicInt g_launch_params_given { 0 };
AtomicInt g_start_open_board { 0 };
AtomicInt g_start_play_record { 0 };
SharedText<255> g_start_file_path;
AtomicInt g_global_state_ready { 0 };

AtomicInt g_video_speed { 5 };
AtomicInt g_video_size_index { 0 };
AtomicInt g_video_width { 160 };
AtomicInt g_video_height { 120 };
AtomicInt g_video_quality { 50 };
AtomicInt g_video_frame_rate { 4 };
AtomicInt g_desktop_share_quality { 50 };
AtomicInt g_audio_quality { 0 };

std::array<customer_info_record, customer_count> customer_info;
std::array<customer_view_record, customer_count> customer_view;
std::array<room_entry_record, room_count> room_entry;
std::array<AtomicInt, video_slot_count> g_video_slot_customer_id;

std::array<std::array<platform::TimedMutex, 5>, 5> g_app_tile_locks;
std::array<std::array<platform::TimedMutex, 6>, 6> g_desk_tile_locks;
platform::TimedMutex g_app_tile_end_lock;
platform::TimedMutex g_desk_tile_end_lock;
platform::TimedMutex g_pictures_lock;
platform::TimedMutex g_jpeg_lock;
platform::TimedMutex g_video_send_lock;
platform::TimedMutex g_record_file_lock;
platform::TimedMutex g_sound_lock;
platform::TimedMutex g_share_file_lock;

namespace {

AtomicInt g_video_slot_rotation { 1 };
std::function<void(int)> g_board_repaint_listener;

void run(const std::function<void()>& step)
{
    if (step)
        step();
}

void clear_session_flags()
{
    for (AtomicInt* flag : { &g_logged_in, &g_connected_to_server, &g_auto_login, &g_login_pending, &g_join_pending,
                             &g_is_chairman, &g_is_presenter, &g_chairman_control_mode, &g_talk_allowed,
                             &g_remote_controlling, &g_meeting_started, &g_push_mode })
        flag->store(0);
    g_login_name.clear();
    g_access_code.clear();
    g_room_name.clear();
    g_room_password.clear();
    for (int i = 0; i < static_cast<int>(WindowSlot::count); ++i) {
        auto slot = static_cast<WindowSlot>(i);
        unregister_window(slot, window_in_slot(slot));
    }
}

void clear_sharer_texts()
{
    g_ppt_sharer.clear();
    g_excel_sharer.clear();
    g_word_sharer.clear();
    g_presenter_applicant.clear();
    g_clipboard_file_name.clear();
    g_browser_sender.clear();
    g_browser_url.clear();
    g_server_version_text.clear();
    g_server_text_792.clear();
    g_company_logo_path.clear();
    g_company_logo_file_name.clear();
}

} // namespace

GlobalStateSteps& global_state_steps()
{
    static GlobalStateSteps steps;
    return steps;
}

int init_global_state()
{
    GlobalStateSteps& steps = global_state_steps();
    run(steps.clear_boards);

    g_current_board = 0;
    g_room_number = -1;
    g_current_room_name.clear();
    g_board_count = 1;
    g_current_view = upper_view_video;

    clear_session_flags();

    run(steps.clear_app_sharing);
    g_my_customer_id = -1;

    g_share_cursor_prev_x = 20;
    g_share_cursor_prev_y = 20;
    g_share_cursor_x = 20;
    g_share_cursor_y = 20;

    set_board_sync(1);
    // The built-in default server until the settings, the launcher or the
    // connect dialog choose another: the local server's usual address.
    g_server_host.set("127.0.0.1");
    g_server_port = 9081;
    g_server_display_name.set("US Default");
    run(steps.load_default_servers);
    read_video_settings();

    for (int i = 0; i < customer_count; ++i) {
        reset_user_slot(i);
        customer_view[static_cast<size_t>(i)] = customer_view_record {};
    }
    room_list_clear();
    for (AtomicInt& id : g_video_slot_customer_id)
        id = -1;
    g_video_slot_rotation = 1;

    run(steps.init_sound_queue);
    run(steps.read_speaker_volume);
    run(steps.init_office_sharing);

    clear_sharer_texts();
    run(steps.init_skin);

    rotate_dbg_log();
    create_work_folders();
    return 0;
}

void free_global_resources()
{
    GlobalStateSteps& steps = global_state_steps();
    run(steps.free_boards);
    run(steps.free_sharing_buffers);
    run(steps.destroy_floating_windows);
    run(steps.release_office_sharing);
    run(steps.close_recording);
    for (int i = 0; i < static_cast<int>(WindowSlot::count); ++i) {
        auto slot = static_cast<WindowSlot>(i);
        unregister_window(slot, window_in_slot(slot));
    }
    g_main_sock.close_socket();
    g_voice_sock.close_socket();
    g_share_app_sock.close_socket();
    g_file_sock.close_socket();
    close_dbg_logs();
}

int reset_user_slot(int index)
{
    if (index < 0 || index >= customer_count)
        return -1;
    customer_info_record& r = customer_info[static_cast<size_t>(index)];
    r.name.fill('\0');
    r.picture_number = 0;
    r.spare_word = 1;
    r.in_use = 0;
    r.flags = 0;
    return 0;
}

void room_list_clear()
{
    for (room_entry_record& r : room_entry)
        r = room_entry_record {};
}

int room_list_add(const std::string& name)
{
    for (room_entry_record& r : room_entry) {
        if (r.in_use == 0) {
            copy_to_field(r.name, name, 127);
            r.in_use = 1;
            return 0;
        }
    }
    return -1;
}

int select_board(int index)
{
    if (index < 0 || index >= board_page_count) {
        dbg_log("board_num:%d out of range:0-%d\n", index, board_page_count - 1);
        return -1;
    }
    g_current_board = index;
    return 0;
}

void set_board_sync(int on) { g_board_sync = on != 0 ? 1 : 0; }

void set_board_repaint(int on)
{
    g_board_repaint = on;
    // The board view keeps its own copy and repaints at once.
    if (g_board_repaint_listener)
        g_board_repaint_listener(on);
}

void set_board_repaint_listener(std::function<void(int)> listener) { g_board_repaint_listener = std::move(listener); }

void set_video_size_by_index()
{
    switch (g_video_size_index.load()) {
    case 1: g_video_width = 320; g_video_height = 240; break;
    case 2: g_video_width = 640; g_video_height = 480; break;
    default: g_video_width = 160; g_video_height = 120; break;
    }
}

void read_video_settings()
{
    int v = 0;
    reg_read_int("video", "video_speed", v);
    g_video_speed = v < 1 ? 5 : std::min(v, 50);

    reg_read_int("video", "video_size", v);
    g_video_size_index = (v >= 0 && v <= 2) ? v : 0;
    set_video_size_by_index();

    reg_read_int("video", "video_quality", v);
    g_video_quality = video_quality_or_default(v);

    // The options page offers 2..9; reading the same range keeps a saved 9.
    reg_read_int("video", "video_frame_rate", v);
    g_video_frame_rate = 10 - video_frame_rate_or_default(v);

    reg_read_int("video", "desktop_share_quality", v);
    g_desktop_share_quality = video_quality_or_default(v);

    reg_read_int("video", "audio_quality", v);
    g_audio_quality = audio_quality_or_default(v);
}

int make_sure_customer_id_exist(int customer_id)
{
    if (customer_id < 0) {
        dbg_log("customer_id:%d <0 in make_sure_customer_id_exist\n", customer_id);
        return -1;
    }
    for (AtomicInt& id : g_video_slot_customer_id) {
        if (id == customer_id)
            return 0;
    }
    for (AtomicInt& id : g_video_slot_customer_id) {
        if (id == -1) {
            id = customer_id;
            return 0;
        }
    }
    int slot = g_video_slot_rotation;
    g_video_slot_customer_id[static_cast<size_t>(slot)] = customer_id;
    g_video_slot_rotation = slot + 1 >= video_slot_count ? 1 : slot + 1;
    return 0;
}

int get_file_name_from_path(const std::string& path, std::string& out, size_t limit)
{
    out.clear();
    if (path.empty())
        return -1;
    size_t cut = path.find_last_of("\\:/");
    out = cut_copy(cut == std::string::npos ? std::string_view(path) : std::string_view(path).substr(cut + 1), limit);
    return 0;
}

SharedText<2047> g_server_greeting;
AtomicInt g_newest_version_major { 0 };
AtomicInt g_newest_version_minor { 0 };
AtomicInt g_newest_version_build { 0 };

AtomicInt g_hand_raised { 0 };
SharedText<127> g_new_presenter_name;
SharedText<127> g_new_chairman_name;
AtomicInt g_zoomed_customer_id { -1 };
AtomicInt g_enter_full_screen { 0 };

AtomicInt g_closing { 0 };

SharedText<100> g_browser_frame_name;

AtomicInt g_meeting_started { 0 };
AtomicInt g_push_mode { 0 };
AtomicInt g_current_view { upper_view_video };

AtomicInt g_play_on { 0 };
AtomicInt g_play_paused { 0 };
std::atomic<std::FILE*> g_play_file { nullptr };

bool held_while_playing(int number)
{
    if (g_play_on == 0)
        return false;
    bool push = (number >= MSG_BOARD_SELECT && number <= MSG_BOARD_NOTICE) || number == MSG_APP_OVERLAY_REPAINT
        || number == MSG_DESK_OVERLAY_REPAINT;
    if (push)
        dbg_log("message %d not sent while a meeting record plays.\n", number);
    return push;
}
