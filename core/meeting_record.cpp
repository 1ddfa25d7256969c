#include "core/meeting_record.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/text_util.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <mutex>

AtomicInt g_record_on { 0 };
AtomicInt g_record_paused { 0 };

namespace {

std::atomic<bool> g_record_file_open { false };
std::mutex g_time_source_lock;
std::function<record_system_time()> g_time_source;

record_system_time clock_local_time()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm t {};
    localtime_r(&now.tv_sec, &t);
    record_system_time st;
    st.year = static_cast<uint16_t>(t.tm_year + 1900);
    st.month = static_cast<uint16_t>(t.tm_mon + 1);
    st.day_of_week = static_cast<uint16_t>(t.tm_wday);
    st.day = static_cast<uint16_t>(t.tm_mday);
    st.hour = static_cast<uint16_t>(t.tm_hour);
    st.minute = static_cast<uint16_t>(t.tm_min);
    st.second = static_cast<uint16_t>(t.tm_sec);
    st.millisecond = static_cast<uint16_t>(now.tv_nsec / 1000000);
    return st;
}

} // namespace

record_system_time record_local_time()
{
    std::lock_guard<std::mutex> guard(g_time_source_lock);
    return g_time_source ? g_time_source() : clock_local_time();
}

void set_record_time_source(std::function<record_system_time()> source)
{
    std::lock_guard<std::mutex> guard(g_time_source_lock);
    g_time_source = std::move(source);
}

Recorder& recorder()
{
    static Recorder r;
    return r;
}

bool record_start_enabled() { return !(g_record_on == 1 && g_record_paused == 0); }
bool record_stop_enabled() { return g_record_on == 1; }
bool record_pause_enabled() { return g_record_on == 1; }
bool record_pause_checked() { return g_record_paused == 1; }

bool Recorder::file_open() const { return g_record_file_open.load(); }

bool Recorder::recording() const { return g_record_on == 1 && g_record_paused == 0 && file_open(); }

int Recorder::start(const std::string& path)
{
    if (g_record_on == 1 && g_record_paused == 1) {
        g_record_paused = 0;
        return 0;
    }
    std::string file_path = cut_copy(path, record_path_limit);
    std::lock_guard<platform::TimedMutex> guard(g_record_file_lock);
    file_.reset();
    close_pending_ = false;
    g_record_file_open = false;
    g_record_on = 0;
    g_record_paused = 0;
    std::FILE* f = std::fopen(file_path.c_str(), "wb");
    if (!f) {
        message_box_printf("Failed to open file to write");
        return -1;
    }
    file_.reset(f);
    std::array<uint8_t, record_file_head_len> head {};
    std::memcpy(head.data(), record_magic, sizeof record_magic);
    head[12] = 1;
    if (std::fwrite(head.data(), 1, head.size(), f) != head.size() || std::fflush(f) != 0) {
        dbg_log("Recorder::start failed to write the file head\n");
        file_.reset();
        message_box_printf("Failed to open file to write");
        return -1;
    }
    g_record_file_open = true;
    g_record_on = 1;
    g_record_paused = 0;
    return 0;
}

void Recorder::toggle_pause() { g_record_paused = g_record_paused == 0 ? 1 : 0; }

void Recorder::stop()
{
    g_record_on = 0;
    g_record_paused = 0;
    // Writers that have not taken the lock yet give up; the one holding it
    // closes the file itself when it is done, should the wait below end first.
    g_record_file_open = false;
    close_pending_ = true;
    platform::TimedLockWait wait(g_record_file_lock, record_stop_wait_ms);
    if (!wait) {
        dbg_log("Recorder::stop: record lock held beyond %d ms, the writer closes the file\n", record_stop_wait_ms);
        return;
    }
    close_if_stopped();
}

void Recorder::close_if_stopped()
{
    if (!close_pending_)
        return;
    file_.reset();
    close_pending_ = false;
}

int Recorder::write_head(uint32_t type, size_t body_len)
{
    record_head head;
    head.type = type;
    head.length = static_cast<uint32_t>(body_len);
    head.time = record_local_time();
    if (std::fwrite(record_separator, 1, record_separator_len, file_.get()) != record_separator_len)
        return -1;
    if (std::fwrite(&head, 1, sizeof head, file_.get()) != sizeof head)
        return -1;
    return 0;
}

bool Recorder::can_write(const platform::TimedLockWait& wait, const char* writer, int wait_ms)
{
    if (!wait) {
        dbg_log("%s: record lock not obtained in %d ms, record dropped\n", writer, wait_ms);
        return false;
    }
    close_if_stopped();
    if (!file_) {
        dbg_log("%s: recording file closed, record dropped\n", writer);
        return false;
    }
    return true;
}

int Recorder::append(uint32_t type, std::initializer_list<RecordPiece> pieces, const char* writer, int wait_ms)
{
    if (!recording())
        return 0;
    platform::TimedLockWait wait(g_record_file_lock, wait_ms);
    CloseIfStopped closer(*this, wait);
    if (!can_write(wait, writer, wait_ms))
        return 0;
    size_t body_len = 0;
    for (const RecordPiece& p : pieces)
        body_len += p.length;
    bool ok = write_head(type, body_len) == 0;
    for (const RecordPiece& p : pieces)
        if (ok && p.length > 0)
            ok = std::fwrite(p.bytes, 1, p.length, file_.get()) == p.length;
    // One record at a time reaches the disk, so a crash loses at most this one.
    if (std::fflush(file_.get()) != 0)
        ok = false;
    if (!ok) {
        dbg_log("%s: write to the recording file failed\n", writer);
        return -1;
    }
    return 0;
}

int Recorder::append_file(uint32_t type, const void* fixed, size_t fixed_len, const std::string& path,
                          uint32_t file_size, const char* writer, long* copied_len)
{
    *copied_len = static_cast<long>(file_size);
    if (!recording())
        return 0;
    struct InCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, InCloser> in(std::fopen(path.c_str(), "rb"));
    if (!in) {
        dbg_log("%s: cannot open %s\n", writer, path.c_str());
        *copied_len = -1;
        return -1;
    }
    platform::TimedLockWait wait(g_record_file_lock, record_lock_wait_ms);
    CloseIfStopped closer(*this, wait);
    if (!can_write(wait, writer, record_lock_wait_ms))
        return 0;
    bool ok = write_head(type, fixed_len + file_size) == 0;
    if (ok && fixed_len > 0)
        ok = std::fwrite(fixed, 1, fixed_len, file_.get()) == fixed_len;
    std::array<char, record_copy_piece> piece {};
    size_t left = file_size;
    size_t copied = 0;
    while (ok && left > 0) {
        size_t want = std::min(left, piece.size());
        size_t got = std::fread(piece.data(), 1, want, in.get());
        if (got == 0)
            break;
        ok = std::fwrite(piece.data(), 1, got, file_.get()) == got;
        copied += got;
        left -= got;
    }
    *copied_len = static_cast<long>(copied);
    // A file that shrank is padded, so the next separator is where the head says.
    piece.fill(0);
    while (ok && left > 0) {
        size_t n = std::min(left, piece.size());
        ok = std::fwrite(piece.data(), 1, n, file_.get()) == n;
        left -= n;
    }
    if (std::fflush(file_.get()) != 0)
        ok = false;
    if (!ok) {
        dbg_log("%s: write to the recording file failed\n", writer);
        return -1;
    }
    return 0;
}

void install_meeting_record()
{
    global_state_steps().close_recording = [] { recorder().stop(); };
}

int record_ui_event(int32_t event, int32_t value, int32_t v2, int32_t v3, int32_t v4)
{
    std::array<int32_t, 6> body { event, value, v2, v3, v4, 0 };
    return recorder().append(record_type_ui_event, { { body.data(), sizeof body } }, "record_ui_event");
}

int record_ui_event_1(int32_t board) { return record_ui_event(record_ui_board_number, board); }

int record_ui_event_2(int32_t board, int32_t scroll_x, int32_t scroll_y)
{
    return record_ui_event(record_ui_board_select, board, scroll_x, scroll_y);
}

int record_ui_event_simple(int32_t event) { return record_ui_event(event, 0); }

int record_id_action(int32_t kind, const char* text, int len)
{
    if (len < 0 || len > record_id_text_limit || (len > 0 && text == nullptr)) {
        dbg_log("len:%d out of range of 1-4095 in record_id_action", len);
        return -1;
    }
    std::array<int32_t, 6> head { kind, 0, 0, 0, 0, len };
    return recorder().append(record_type_id_action, { { head.data(), sizeof head }, { text, static_cast<size_t>(len) } },
                             "record_id_action");
}
