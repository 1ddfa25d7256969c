#pragma once
// Playing a meeting recording back: a thread of its own reads the ".mrd"
// file record by record and hands each record to the receiver that handled
// the event live (whiteboard, chat, video, shared-screen tiles, the files
// page, the frame), and the recorded talk to the four meeting players, at
// the pace the records were written. The views treat the recording like a
// live meeting; nothing replayed is sent to the server.
//
// The pace: before each record that is not talk, the thread waits for the
// recorded gap to the record before it (day to millisecond), less the time
// since that record was handled; at most 10000 ms, and not at all for 200 ms
// or less or after an LPC-10 talk record. Talk is paced by the players. The
// clock stands still while the user pauses, so a pause never makes the next
// record early or late. Every wait (sleeps, pauses, players) is on the voice
// semaphores' condition, so Pause and Stop act at once.

#include "core/meeting_record.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

inline constexpr uint32_t playback_body_limit = 64u * 1024 * 1024;
inline constexpr size_t record_read_piece = 1024 * 1024;
inline constexpr int playback_talk_limit = 10240;
inline constexpr int playback_picture_limit = 102300;
inline constexpr int playback_video_limit = 102400;
inline constexpr int playback_text_limit = 3999;   // the long-text pool of a page
inline constexpr int playback_chat_limit = 8172;   // what a live chat body can hold
inline constexpr long long playback_document_limit = 256LL << 20;
inline constexpr uint32_t playback_wait_cap_ms = 10000;
inline constexpr uint32_t playback_no_sleep_ms = 200;
inline constexpr int playback_pause_look_ms = 500;
inline constexpr int playback_player_wait_ms = 10;
inline constexpr uint32_t playback_compressed_talk_interval_ms = 250;
inline constexpr uint32_t playback_transform_talk_interval_ms = 120;

// True when the 60 bytes begin with the recording's magic "MR101^~" and its NUL.
bool record_file_head_valid(const void* head, size_t len);

// Reads records from a file positioned at its head, through a buffer of its
// own, so that a record costs no more than its bytes. A separator that is
// not where it should be is logged and the reader moves on to the next one,
// so bytes that are no record are never read as one.
enum class RecordRead { record, end, refused };
class RecordReader {
public:
    explicit RecordReader(std::FILE* file) : file_(file) {}
    // The 60-byte head; false (one log line) when it is short or lacks the magic.
    bool read_file_head();
    // The next record's head and its whole body, which stays valid until the
    // next call. end at the end of the file or a short read; refused (logged)
    // for a length over 64 MiB.
    RecordRead next(record_head& head, std::span<const uint8_t>& body);
    int misplaced_separators() const { return misplaced_; }

private:
    // At least n bytes from pos_ on; false when the file ends before.
    bool fill(size_t n);
    bool find_separator();
    std::FILE* file_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    long long offset_ = 0;  // of buffer_[0] in the file
    int misplaced_ = 0;
};

// The recorded gap in milliseconds by day, hour, minute, second and
// millisecond; month and year are left out, so a gap across a month's end
// comes out negative.
int64_t record_time_gap_ms(const record_system_time& from, const record_system_time& to);
// The sleep before a record, given the gap to the record before it, the
// time since that one was handled and whether it was LPC-10 talk (type 1).
uint32_t playback_sleep_ms(int64_t gap_ms, uint32_t elapsed_ms, bool after_lpc10);

// Hands one record to its receiver as the thread does, without its wait:
// 0, or -1 when its length is refused and playback would end.
int playback_handle_record(const record_head& head, std::span<const uint8_t> body);

// Opens a recording for playing: 0 and *out; -1 with the box "Failed to
// open file to read" when it cannot be opened, -2 with "Not a meeting record
// file." when it has not the recording's head.
int playback_open_file(const std::string& path, std::FILE** out);

// Starts the thread on an opened recording (it owns the file from then on):
// g_play_file, g_play_on, then the thread. A thread that has ended is joined
// first; -1 (the file closed) while one still runs.
int start_meeting_playback(std::FILE* file);
// The thread's procedure: reads g_play_file until its end, a refused length
// or Stop; then closes the players, clears g_play_on and closes the file.
int g_meeting_record_play_thread();
// Pause toggles; resume only clears the pause; stop ends the thread at once.
void playback_toggle_pause();
void playback_resume();
void playback_stop();
// True from start until the thread has left its procedure.
bool playback_thread_running();
// Joins the thread once it has ended; step (when given) runs between looks
// so that a UI thread keeps handling what the thread sends it. False when it
// had not ended within wait_ms (it is then left to end by itself).
bool playback_wait_ended(int wait_ms, const std::function<void()>& step = {});

// What a new playback clears so that nothing of an earlier meeting stays:
// the chat history, every page, the tiles of both grids with their files,
// and the video windows.
void clear_meeting_for_playback();

// What the thread did, in order, for tests and measurements (called on the
// playback thread): a wait before a record, a record handed on.
struct PlaybackStep {
    enum Kind { wait, record } kind = record;
    uint32_t type = 0;
    uint32_t wait_ms = 0;
    uint32_t play_tick = 0;   // the clock without the paused time
    record_system_time time {};
};
void set_playback_observer(std::function<void(const PlaybackStep&)> observer);
// The clock the pace is kept by: the tick less the time spent paused.
uint32_t playback_play_tick();

// Office documents played back: the office sharing plugs in what it takes
// (the document's local name before its open message, type 12 text, 13
// spreadsheet, 14 presentation; the scroll cell before a sheet message).
struct PlaybackOfficeHooks {
    std::function<void(uint32_t type, const std::string& name)> document_arrived;
    std::function<void(int column, int row)> excel_cell;
};
PlaybackOfficeHooks& playback_office_hooks();
