#pragma once
// The meeting recording: one ".mrd" file that every receiver of a recorded
// event appends to through the one Recorder, record by record, under one
// lock. A 60-byte file head, then records, each an 18-byte separator, a
// 24-byte record head (type, body length, local time) and the body.
// All integers are 32-bit little-endian.

#include "core/global_state.h"
#include "platform/sys/timed_lock.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

inline constexpr size_t record_file_head_len = 60;
inline constexpr char record_magic[] = "MR101^~";  // and its NUL: 8 bytes
inline constexpr char record_separator[] = "\r\n+++---***^^^\r\n\r\n";
inline constexpr size_t record_separator_len = sizeof record_separator - 1;
inline constexpr size_t record_head_len = 24;
inline constexpr int record_lock_wait_ms = 200;
inline constexpr int record_stop_wait_ms = 3000;
inline constexpr size_t record_copy_piece = 2048;
inline constexpr size_t record_path_limit = 255;
static_assert(record_separator_len == 18);

enum RecordType : uint32_t {
    record_type_lpc10_talk = 1,
    record_type_picture = 2,
    record_type_chat = 3,
    record_type_general_action = 4,
    record_type_text = 5,
    record_type_compressed_talk = 6,
    record_type_board_bmp = 7,
    record_type_board_bmp_pos = 8,
    record_type_board_bmp_z_order = 9,
    record_type_board_bmp_delete = 10,
    record_type_video = 11,
    record_type_word_doc = 12,
    record_type_excel_doc = 13,
    record_type_ppt_doc = 14,
    record_type_word_event = 15,
    record_type_excel_event = 16,
    record_type_ppt_event = 17,
    record_type_board_op = 18,
    // A font a member uploaded: the 60-byte font. The number is one the
    // format left free, so a reader that does not know it passes it by.
    record_type_board_font = 19,
    record_type_ui_event = 20,
    record_type_id_action = 21,
    record_type_share_app_tile = 22,
    record_type_share_window_rect = 23,
    record_type_share_desk_tile = 24,
    record_type_share_desktop_size = 25,
    record_type_transform_talk = 26,
};

// Interface events (type 20).
inline constexpr int32_t record_ui_board_number = 1;
inline constexpr int32_t record_ui_board_select = 2;
inline constexpr int32_t record_ui_zoom_on = 3;
inline constexpr int32_t record_ui_zoom_off = 4;
inline constexpr int32_t record_ui_full_screen_on = 5;
inline constexpr int32_t record_ui_full_screen_off = 6;
inline constexpr int32_t record_ui_upper_view = 7;
inline constexpr int32_t record_ui_left_tab = 8;

// The Windows SYSTEMTIME of a record head.
struct record_system_time {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t day_of_week = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t millisecond = 0;
};
static_assert(sizeof(record_system_time) == 16);

struct record_head {
    uint32_t type = 0;
    uint32_t length = 0;       // bytes from the end of this head to the next separator
    record_system_time time {};
};
static_assert(sizeof(record_head) == record_head_len);

// Recording state. The flags are set on the UI thread and read by writers
// on every thread.
extern AtomicInt g_record_on;
extern AtomicInt g_record_paused;

// One piece of a record body.
struct RecordPiece {
    const void* bytes = nullptr;
    size_t length = 0;
};

class Recorder {
public:
    // Start command: resumes when paused; otherwise closes any open file and
    // creates path (cut to 255 characters) with its head. -1 with the message
    // box "Failed to open file to write" when it cannot be created.
    int start(const std::string& path);
    void toggle_pause();
    // Waits up to 3000 ms for a writer that is appending, so a file is never
    // closed under it; a writer still busy then closes the file when done.
    void stop();
    bool file_open() const;
    // True when a writer should append now (on, not paused).
    bool recording() const;

    // Appends one record of the pieces. writer names the caller in log lines.
    // 0 when written or when not recording or the lock could not be had
    // within wait_ms.
    int append(uint32_t type, std::initializer_list<RecordPiece> pieces, const char* writer,
               int wait_ms = record_lock_wait_ms);
    // Appends a record whose body is fixed followed by file_size bytes of the
    // file at path, copied in pieces of 2048 bytes. A file that cannot be
    // opened writes nothing (-1). When the file gives fewer bytes than
    // file_size the rest is written as zeros, so the length in the head still
    // leads to the next separator; *copied_len tells how many came from the
    // file (file_size when complete or when nothing was to be written).
    int append_file(uint32_t type, const void* fixed, size_t fixed_len, const std::string& path, uint32_t file_size,
                    const char* writer, long* copied_len);

private:
    int write_head(uint32_t type, size_t body_len);
    // Under the record lock with the file open; else logs why the record is dropped.
    bool can_write(const platform::TimedLockWait& wait, const char* writer, int wait_ms);
    // With the lock held: closes the file when a stop came meanwhile.
    void close_if_stopped();
    // Runs close_if_stopped as a writer lets go of the lock.
    struct CloseIfStopped {
        CloseIfStopped(Recorder& recorder, const platform::TimedLockWait& wait) : recorder_(recorder), wait_(wait) {}
        ~CloseIfStopped()
        {
            if (wait_)
                recorder_.close_if_stopped();
        }
        Recorder& recorder_;
        const platform::TimedLockWait& wait_;
    };

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;  // g_record_file, touched only under the lock
    std::atomic<bool> close_pending_ { false };
};

Recorder& recorder();

// Update rules of the frame's Start, Pause and Stop recording commands.
bool record_start_enabled();   // unless recording is on and not paused
bool record_stop_enabled();    // while recording is on
bool record_pause_enabled();   // while recording is on
bool record_pause_checked();   // while paused

// The local time of a record; tests may fix it (null restores the clock).
record_system_time record_local_time();
void set_record_time_source(std::function<record_system_time()> source);

// Fills close_recording of the global-state release steps.
void install_meeting_record();

// Interface events (type 20): event, value, three further values, 0.
int record_ui_event(int32_t event, int32_t value, int32_t v2 = 0, int32_t v3 = 0, int32_t v4 = 0);
int record_ui_event_1(int32_t board);
int record_ui_event_2(int32_t board, int32_t scroll_x, int32_t scroll_y);
int record_ui_event_simple(int32_t event);

// Browser addresses (type 21): a 24-byte sub-head {kind, four zeros, length}, then the text.
inline constexpr int32_t record_id_shared_browser_url = 1;
inline constexpr int32_t record_id_shared_browser_frame_url = 2;
inline constexpr int32_t record_id_own_browser_url = 3;
inline constexpr int32_t record_id_own_browser_frame_url = 4;
inline constexpr int record_id_text_limit = 4095;
// -1 and a log line for a length outside 0..4095.
int record_id_action(int32_t kind, const char* text, int len);
