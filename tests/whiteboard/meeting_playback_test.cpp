#include "whiteboard/meeting_playback.h"

#include "core/chat_receive.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/window_messages.h"
#include "media/play_sound.h"
#include "media/video_frame_codec.h"
#include "media/video_send.h"
#include "media/video_transport.h"
#include "media/video_windows.h"
#include "media/voice_audio.h"
#include "media/voice_codec.h"
#include "platform/camera/capture_source.h"
#include "platform/sys/clock.h"
#include "sharing/co_browse.h"
#include "sharing/share_recording.h"
#include "sharing/share_state.h"
#include "sharing/share_viewer.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_recording.h"
#include "whiteboard/playback_pictures.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// ---- a sound backend whose players finish every buffer at once ----

struct PlayedBlock {
    std::string player;
    std::vector<uint8_t> samples;
    uint32_t tick = 0;
};

struct PlayedLog {
    std::mutex lock;
    std::vector<PlayedBlock> blocks;
    std::vector<PlayedBlock> taken()
    {
        std::lock_guard<std::mutex> hold(lock);
        return blocks;
    }
    void clear()
    {
        std::lock_guard<std::mutex> hold(lock);
        blocks.clear();
    }
};

PlayedLog& played()
{
    static auto* log = new PlayedLog;
    return *log;
}

class InstantPlayback : public platform::PlaybackDevice {
public:
    explicit InstantPlayback(std::string name) : name_(std::move(name)) {}
    int open(Done done) override
    {
        done_ = std::move(done);
        return 0;
    }
    int write(platform::WaveHeaderPtr header) override
    {
        {
            std::lock_guard<std::mutex> hold(played().lock);
            played().blocks.push_back({ name_, header->data, platform::tick_count() });
        }
        done_(std::move(header));
        return 0;
    }
    int reset() override { return 0; }
    int close() override { return 0; }
    int set_volume(uint32_t) override { return 0; }

private:
    std::string name_;
    Done done_;
};

class InstantBackend : public platform::AudioBackend {
public:
    std::unique_ptr<platform::CaptureDevice> make_capture() override { return platform::make_audio_backend("null")->make_capture(); }
    std::unique_ptr<platform::PlaybackDevice> make_playback(const std::string& name) override
    {
        return std::make_unique<InstantPlayback>(name);
    }
    std::string error_text(int) override { return "instant"; }
};

// The players keep the backend they first opened: installed once per process.
void use_instant_backend()
{
    static bool installed = [] {
        use_voice_audio_backend(std::make_unique<InstantBackend>());
        return true;
    }();
    (void)installed;
}

// A clock that moves only when the test moves it. Other threads' sleeps
// (a player closing its device) take real time and leave it alone.
class PaceClock : public platform::ManualClock {
public:
    PaceClock() : ManualClock(1000) {}
    void sleep_ms(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// ---- the windows the playback talks to ----

struct Got {
    WindowSlot slot;
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    std::string text;  // a chat line's text
};

class Windows {
public:
    class Window : public WindowTarget {
    public:
        Window(Windows& all, WindowSlot slot) : all_(all), slot_(slot) { register_window(slot, this); }
        ~Window() override { unregister_window(slot_, this); }
        intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
        {
            Got g { slot_, msg, wparam, lparam, {} };
            if (msg == WM_MY_MSG_CHAT_APPEND)
                g.text = reinterpret_cast<const ChatLine*>(wparam)->text;
            std::lock_guard<std::mutex> hold(all_.lock);
            all_.got.push_back(g);
            return 0;
        }

    private:
        Windows& all_;
        WindowSlot slot_;
    };

    std::vector<Got> of(WindowSlot slot, uint32_t msg = 0)
    {
        std::lock_guard<std::mutex> hold(lock);
        std::vector<Got> out;
        for (const Got& g : got)
            if (g.slot == slot && (msg == 0 || g.msg == msg))
                out.push_back(g);
        return out;
    }
    std::vector<uint32_t> messages_to(WindowSlot slot)
    {
        std::vector<uint32_t> out;
        for (const Got& g : of(slot))
            if (g.msg != WM_MY_MSG_REPAINT)
                out.push_back(g.msg);
        return out;
    }

    std::mutex lock;
    std::vector<Got> got;
    Window main_frame { *this, WindowSlot::main_frame };
    Window files_page { *this, WindowSlot::files_page };
    Window left_tab { *this, WindowSlot::left_tab };
    Window share_view { *this, WindowSlot::share_view };
    Window board_view { *this, WindowSlot::board_view };
    Window chat_view { *this, WindowSlot::chat_view };
    Window playback_view { *this, WindowSlot::playback_view };
    Window full_screen { *this, WindowSlot::full_screen };
};

// ---- building recordings ----

std::string bytes_of(std::initializer_list<int32_t> words)
{
    std::string out(words.size() * 4, '\0');
    size_t at = 0;
    for (int32_t w : words) {
        std::memcpy(out.data() + at, &w, 4);
        at += 4;
    }
    return out;
}

int append(uint32_t type, const std::string& body)
{
    return recorder().append(type, { { body.data(), body.size() } }, "test");
}

// The recorder's clock: a day in a month, moved by the test.
struct RecordClock {
    int64_t offset_ms = 0;
    record_system_time at(int64_t ms) const
    {
        return record_time(2026, 3, ((10LL * 24 + 9) * 60 + 30) * 60000 + 15250 + ms);  // the 10th, 09:30:15.250
    }
};

std::string write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// A gzip file of the bytes, as the senders compress what they record.
std::string gz_file(const std::string& dir, const std::string& name, const std::string& bytes)
{
    std::string plain = write_file(dir + "/" + name + ".plain", bytes);
    std::string z = dir + "/" + name;
    EXPECT_EQ(z_compress_file(plain, z), 0);
    return z;
}

// A picture record's body: the data's length, the name in 80 bytes, the data.
std::string picture_body(const std::string& name, const std::string& data)
{
    std::string sub(84, '\0');
    int32_t len = static_cast<int32_t>(data.size());
    std::memcpy(sub.data(), &len, 4);
    std::memcpy(sub.data() + 4, name.data(), std::min<size_t>(name.size(), 80));
    return sub + data;
}

board_action sample_action(int32_t kind, int seed)
{
    board_action a;
    a.kind = kind;
    a.set_gesture_end(1);
    for (size_t i = 0; i < a.data.size(); ++i)
        a.data[i] = static_cast<int32_t>(seed * 100 + i);
    return a;
}

class MeetingPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_instant_backend();
        board_model_setup();
        set_message_box_presenter(&boxes);
        create_work_folders();
        path = home.root() + "/meeting.mrd";
        set_record_time_source([this] { return clock.at(clock.offset_ms); });
        ASSERT_EQ(recorder().start(path), 0);
        played().clear();
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    void TearDown() override
    {
        playback_stop();
        EXPECT_TRUE(playback_wait_ended(10000));
        set_playback_observer(nullptr);
        platform::set_clock(nullptr);
        recorder().stop();
        set_record_time_source(nullptr);
        playback_office_hooks() = {};
        set_message_box_presenter(nullptr);
        video_windows_reset();
        clear_share_viewer();
        playback_pictures().clear();
        g_current_board = 0;
        board_model_free();
    }
    // Record at ms after the first record.
    void at(int64_t ms) { clock.offset_ms = ms; }
    void chat_at(int64_t ms, const std::string& text)
    {
        at(ms);
        std::string line = text + std::string("\0\x10\x20\x30\x0c\x01", 6);
        append(record_type_chat, bytes_of({ static_cast<int32_t>(line.size()) }) + line);
    }
    // Plays the recording to its end; the records' waits move the pace clock when one is installed.
    void play(int wait_ms = 30000)
    {
        recorder().stop();
        std::FILE* f = nullptr;
        ASSERT_EQ(playback_open_file(path, &f), 0);
        ASSERT_EQ(start_meeting_playback(f), 0);
        ASSERT_TRUE(playback_wait_ended(wait_ms));
    }
    void use_pace_clock()
    {
        platform::set_clock(&pace);
        set_playback_observer([this](const PlaybackStep& step) {
            std::lock_guard<std::mutex> hold(steps_lock);
            steps.push_back(step);
            if (step.kind == PlaybackStep::wait)
                pace.advance(step.wait_ms);
        });
    }
    std::vector<PlaybackStep> taken_steps()
    {
        std::lock_guard<std::mutex> hold(steps_lock);
        return steps;
    }
    std::vector<uint32_t> waits()
    {
        std::vector<uint32_t> out;
        for (const PlaybackStep& s : taken_steps())
            if (s.kind == PlaybackStep::wait)
                out.push_back(s.wait_ms);
        return out;
    }
    size_t records_played()
    {
        size_t n = 0;
        for (const PlaybackStep& s : taken_steps())
            n += s.kind == PlaybackStep::record ? 1 : 0;
        return n;
    }

    TempHome home;
    LogCapture log;
    ScriptedMessageBoxes boxes;
    Windows windows;
    RecordClock clock;
    PaceClock pace;
    std::string path;
    std::mutex steps_lock;
    std::vector<PlaybackStep> steps;
};

// ---- pace ----

TEST(PlaybackPace, SleepsByTheGapLessTheTimeSinceTheLastRecord)
{
    struct Case {
        int64_t gap_ms;
        uint32_t elapsed_ms;
        bool after_lpc10;
        uint32_t want_ms;
    };
    const Case cases[] = {
        { 30000, 0, false, 10000 },  // capped
        { 10001, 0, false, 10000 },
        { 10000, 0, false, 10000 },
        { 5000, 1000, false, 4000 },
        { 201, 0, false, 201 },
        { 200, 0, false, 0 },  // 200 ms or less: no sleep
        { 150, 0, false, 0 },
        { 5000, 4850, false, 0 },
        { 5000, 5000, false, 0 },  // handled late already
        { 5000, 9000, false, 0 },
        { 5000, 0, true, 0 },  // nothing waits after LPC-10 talk
        { -2591999000, 0, false, 0 },  // a month's end: the day goes back
    };
    for (const Case& c : cases)
        EXPECT_EQ(playback_sleep_ms(c.gap_ms, c.elapsed_ms, c.after_lpc10), c.want_ms) << c.gap_ms << " " << c.elapsed_ms;
}

TEST(PlaybackPace, GapCountsDayToMillisecondButNotMonthOrYear)
{
    RecordClock clock;
    EXPECT_EQ(record_time_gap_ms(clock.at(0), clock.at(30000)), 30000);
    EXPECT_EQ(record_time_gap_ms(clock.at(0), clock.at(86400000 + 1)), 86400001);
    record_system_time end_of_month = clock.at(0);
    end_of_month.day = 31;
    end_of_month.hour = 23;
    record_system_time next_month = end_of_month;
    next_month.month = 4;
    next_month.day = 1;
    next_month.hour = 0;
    EXPECT_LT(record_time_gap_ms(end_of_month, next_month), 0);
    record_system_time next_year = clock.at(5);
    next_year.year = 2027;
    EXPECT_EQ(record_time_gap_ms(clock.at(0), next_year), 5);
}

TEST_F(MeetingPlayback, RecordsPlayAtTheirRecordedGapsCappedAndWithoutShortSleeps)
{
    use_pace_clock();
    chat_at(0, "one");
    chat_at(30000, "thirty seconds later");
    chat_at(30150, "150 ms later");
    chat_at(31000, "850 ms later");
    chat_at(31200, "200 ms later");
    play();
    EXPECT_EQ(waits(), (std::vector<uint32_t> { 10000, 850 }));
    ASSERT_EQ(records_played(), 5u);
    std::vector<PlaybackStep> s = taken_steps();
    // The second record comes 10 s after the first on the play clock.
    EXPECT_EQ(s[2].play_tick - s[0].play_tick, 10000u);
    EXPECT_EQ(std::string(chat_history().text()), "onethirty seconds later150 ms later850 ms later200 ms later");
    EXPECT_EQ(windows.of(WindowSlot::chat_view, WM_MY_MSG_CHAT_APPEND).size(), 5u);
}

TEST_F(MeetingPlayback, RecordAfterAMonthsEndPlaysAtOnce)
{
    use_pace_clock();
    std::vector<record_system_time> times { clock.at(0), clock.at(0) };
    times[0].day = 31;
    times[0].hour = 23;
    times[0].minute = 59;
    times[1].month = 4;
    times[1].day = 1;
    times[1].hour = 0;
    times[1].minute = 0;
    size_t next = 0;
    set_record_time_source([&] { return times[std::min(next++, times.size() - 1)]; });
    for (int i = 0; i < 2; ++i)
        append(record_type_chat, bytes_of({ 1 }) + "x");
    play();
    EXPECT_TRUE(waits().empty());
    EXPECT_EQ(records_played(), 2u);
}

TEST_F(MeetingPlayback, HeadOnlyPlaysNothingAndEnds)
{
    use_pace_clock();
    play();
    EXPECT_EQ(records_played(), 0u);
    EXPECT_EQ(g_play_on.load(), 0);
    EXPECT_EQ(g_play_file.load(), nullptr);
}

TEST_F(MeetingPlayback, AMinutesPauseNeitherDelaysNorHurriesTheNextRecord)
{
    use_pace_clock();
    chat_at(0, "before");
    chat_at(5000, "after");
    std::atomic<bool> paused { false };
    set_playback_observer([&](const PlaybackStep& step) {
        {
            std::lock_guard<std::mutex> hold(steps_lock);
            steps.push_back(step);
        }
        if (step.kind == PlaybackStep::wait)
            pace.advance(step.wait_ms);
        if (step.kind == PlaybackStep::record && !paused.exchange(true))
            playback_toggle_pause();
    });
    recorder().stop();
    std::FILE* f = nullptr;
    ASSERT_EQ(playback_open_file(path, &f), 0);
    ASSERT_EQ(start_meeting_playback(f), 0);
    for (int i = 0; i < 500 && records_played() < 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(g_play_paused.load(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(records_played(), 1u);
    pace.advance(60000);
    playback_resume();
    ASSERT_TRUE(playback_wait_ended(10000));
    EXPECT_EQ(waits(), (std::vector<uint32_t> { 5000 }));
    EXPECT_EQ(records_played(), 2u);
}

TEST_F(MeetingPlayback, StopEndsALongWaitAtOnce)
{
    chat_at(0, "first");
    chat_at(30000, "never");
    std::atomic<bool> waiting { false };
    set_playback_observer([&](const PlaybackStep& step) {
        if (step.kind == PlaybackStep::wait)
            waiting = true;
        std::lock_guard<std::mutex> hold(steps_lock);
        steps.push_back(step);
    });
    recorder().stop();
    std::FILE* f = nullptr;
    ASSERT_EQ(playback_open_file(path, &f), 0);
    ASSERT_EQ(start_meeting_playback(f), 0);
    EXPECT_EQ(g_play_on.load(), 1);
    for (int i = 0; i < 500 && !waiting; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(waiting);
    // The wait is 10 s; the thread must be gone well before it would end.
    playback_stop();
    EXPECT_TRUE(playback_wait_ended(8000));
    EXPECT_EQ(records_played(), 1u);
    EXPECT_EQ(g_play_on.load(), 0);
}

TEST_F(MeetingPlayback, PauseDuringAWaitHoldsTheNextRecordUntilResumed)
{
    chat_at(0, "first");
    chat_at(1500, "second");
    set_playback_observer([&](const PlaybackStep& step) {
        if (step.kind == PlaybackStep::wait)
            playback_toggle_pause();
        std::lock_guard<std::mutex> hold(steps_lock);
        steps.push_back(step);
    });
    recorder().stop();
    std::FILE* f = nullptr;
    ASSERT_EQ(playback_open_file(path, &f), 0);
    ASSERT_EQ(start_meeting_playback(f), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(records_played(), 1u);
    EXPECT_EQ(g_play_paused.load(), 1);
    playback_toggle_pause();
    EXPECT_TRUE(playback_wait_ended(10000));
    EXPECT_EQ(records_played(), 2u);
}

TEST_F(MeetingPlayback, AnotherPlayWaitsForTheThreadBeforeStarting)
{
    use_pace_clock();
    chat_at(0, "a");
    chat_at(60000, "b");
    recorder().stop();
    std::FILE* first = nullptr;
    ASSERT_EQ(playback_open_file(path, &first), 0);
    // The observer holds the first playback in its wait until the test lets it go.
    std::mutex gate;
    std::unique_lock<std::mutex> closed(gate);
    set_playback_observer([&](const PlaybackStep& step) {
        if (step.kind == PlaybackStep::wait)
            std::lock_guard<std::mutex> pass(gate);
    });
    ASSERT_EQ(start_meeting_playback(first), 0);
    std::FILE* second = nullptr;
    ASSERT_EQ(playback_open_file(path, &second), 0);
    EXPECT_EQ(start_meeting_playback(second), -1);  // refused; the file is closed
    playback_stop();
    closed.unlock();
    ASSERT_TRUE(playback_wait_ended(10000));
    ASSERT_EQ(playback_open_file(path, &second), 0);
    set_playback_observer([&](const PlaybackStep& step) {
        if (step.kind == PlaybackStep::wait)
            pace.advance(step.wait_ms);
    });
    EXPECT_EQ(start_meeting_playback(second), 0);
    EXPECT_TRUE(playback_wait_ended(10000));
}

// ---- every record to its receiver ----

TEST_F(MeetingPlayback, EachRecordReachesTheReceiverThatHandledItLive)
{
    use_pace_clock();
    const std::string dir = home.root();
    std::vector<std::pair<uint32_t, std::string>> names;
    playback_office_hooks().document_arrived = [&](uint32_t type, const std::string& name) { names.emplace_back(type, name); };
    std::vector<std::pair<int, int>> cells;
    playback_office_hooks().excel_cell = [&](int column, int row) { cells.emplace_back(column, row); };

    // The whiteboard: an action on page 2, a text on page 3, a step undone and redone, page 4 cleared.
    board_action line = sample_action(ACTION_LINE, 1);
    record_general_action(line, 2);
    record_general_action(sample_action(ACTION_RECT, 2), 2);
    board_action text = sample_action(ACTION_TEXT, 3);
    record_text(text, 3, "hello page", 10);
    record_board_op(board_op_undo, 2);
    record_board_op(board_op_redo, 2);
    record_general_action(sample_action(ACTION_LINE, 4), 4);
    record_board_op(board_op_clear, 4);
    // A picture on page 2, slot 4, moved, stacked; slot 5 taken away again.
    std::string bitmap = "BM a bitmap's bytes";
    record_board_bmp(2, 4, gz_file(dir, "slot", bitmap).c_str());
    record_board_bmp_pos(2, 4, 120, 80);
    record_board_bmp_z_order(2, 4, 3);
    record_board_bmp(2, 5, gz_file(dir, "slot5", "other").c_str());
    record_board_bmp_delete(2, 5);
    chat_at(0, "a chat line");
    // Interface events.
    record_ui_event(record_ui_zoom_on, 2);
    record_ui_event(record_ui_full_screen_on, 0);
    record_ui_event(record_ui_full_screen_off, 0);
    record_ui_event(record_ui_left_tab, 2);
    record_ui_event(record_ui_upper_view, 3);
    record_ui_event_1(2);
    record_ui_event_2(2, 10, 20);
    // The browsers.
    std::string shared_url = "http://127.0.0.1/shared";
    std::string own_url = "page1:http://127.0.0.1/own";
    record_id_action(record_id_shared_browser_url, shared_url.data(), static_cast<int>(shared_url.size()));
    record_id_action(record_id_own_browser_url, own_url.data(), static_cast<int>(own_url.size()));
    // An office document and its events.
    std::string document = "the shared document";
    std::string doc_z = gz_file(dir, "doc.z", document);
    std::string sub(132, '\0');
    std::memcpy(sub.data(), "1234_notes.odt", 14);
    uint32_t doc_size = static_cast<uint32_t>(std::filesystem::file_size(doc_z));
    std::memcpy(sub.data() + 128, &doc_size, 4);
    append(record_type_word_doc, sub + read_file(doc_z));
    append(record_type_word_event, bytes_of({ 1, 77, 0, 0, 0, 0 }));
    append(record_type_word_event, bytes_of({ 2, 0, 0, 0, 0, 0 }));
    append(record_type_excel_event, bytes_of({ 1, 3, 4, 5, 0, 0 }));
    append(record_type_excel_event, bytes_of({ 2, 6, 0, 0, 0, 0 }));
    append(record_type_excel_event, bytes_of({ 3, 0, 0, 0, 0, 0 }));
    append(record_type_ppt_event, bytes_of({ 1, 2, 1, 0, 0, 0 }));
    append(record_type_ppt_event, bytes_of({ 2, 0, 0, 0, 0, 0 }));
    // The shared screen: a window tile and its rectangle, a desktop tile and the screen size.
    std::string app_tile = "an application tile";
    std::string desk_tile = "a desktop tile";
    record_share_window_rect(10, 20, 500, 400);
    record_share_app_action(gz_file(dir, "app_tile", app_tile).c_str(), 1, 2);
    record_share_desk_action(gz_file(dir, "desk_tile", desk_tile).c_str(), 0, 3);
    record_share_desktop_size(1920, 1080);
    // A member's picture.
    std::string picture = "a member's picture";
    append(record_type_picture, picture_body("alice", read_file(gz_file(dir, "picture", picture))));
    // A video frame of member 1001.
    platform::SyntheticCaptureSource camera;
    ASSERT_EQ(camera.start(160, 120), 0);
    std::vector<uint8_t> rgb(160 * 120 * 3);
    ASSERT_EQ(camera.grab(rgb), 0);
    VideoFrameEncoder encoder;
    CodedVideoFrame coded;
    ASSERT_EQ(encoder.encode(0, 70, rgb, coded), 0);
    VideoSendBuffers buffers;
    VideoStreamPacker packer;
    ASSERT_EQ(packer.pack(coded, buffers.streams), 0);
    buffers.frame_kind = coded.frame_kind;
    buffers.quality = coded.quality;
    std::vector<uint8_t> frame;
    ASSERT_GT(build_video_frame(buffers, frame), 0);
    record_video(frame, 1001, 1, 1);
    // A font a member uploaded.
    board_logfont font {};
    font[0] = 22;
    std::memcpy(font.data() + 28, "Serif", 5);
    record_board_font(font);
    // Talk is in its own test; a record of a kind not played is passed by.
    append(27, "nothing to play");

    // Everything the recording will bring back starts empty.
    board_model_free();
    board_model_setup();
    play();

    // Whiteboard.
    const board_record& page2 = g_board[2];
    ASSERT_EQ(page2.visible_count, 2);
    EXPECT_EQ(*board_action_at(2, 0), line);
    const board_record& page3 = g_board[3];
    ASSERT_EQ(page3.visible_count, 1);
    EXPECT_EQ(board_action_text(*board_action_at(3, 0)), "hello page");
    EXPECT_EQ(g_board[4].visible_count, 0);
    EXPECT_EQ(page2.bitmaps[4].used, 1u);
    EXPECT_EQ(page2.bitmaps[4].x, 120);
    EXPECT_EQ(page2.bitmaps[4].y, 80);
    EXPECT_EQ(page2.bitmaps[4].z_order, 3);
    EXPECT_EQ(read_file(page2.bitmaps[4].path.data()), bitmap);
    EXPECT_EQ(page2.bitmaps[5].used, 0u);
    EXPECT_FALSE(windows.of(WindowSlot::board_view, WM_MY_MSG_BOARD_ACTIONS_ADDED).empty());
    bool font_added = false;
    for (const board_font_entry& f : g_board_font)
        font_added = font_added || (f.used == 1 && f.logfont == font);
    EXPECT_TRUE(font_added);
    // The desktop size makes the annotation page current at the end.
    EXPECT_EQ(g_current_board.load(), 9);

    // Chat.
    EXPECT_EQ(std::string(chat_history().text()), "a chat line");
    auto lines = windows.of(WindowSlot::chat_view, WM_MY_MSG_CHAT_APPEND);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "a chat line");

    // The frame, the tab, the files page.
    auto zoom = windows.of(WindowSlot::main_frame, WM_MY_MSG_BOARD_ZOOM_ON);
    ASSERT_EQ(zoom.size(), 1u);
    EXPECT_EQ(zoom[0].wparam, 2u);
    EXPECT_EQ(windows.messages_to(WindowSlot::main_frame),
              (std::vector<uint32_t> { WM_MY_MSG_CHAT_TEXT, WM_MY_MSG_BOARD_ZOOM_ON, WM_MY_MSG_FULL_SCREEN, WM_MY_MSG_EXIT_FULL_SCREEN,
                                       WM_MY_MSG_OPEN_SHARED_BROWSER }));
    auto tab = windows.of(WindowSlot::left_tab, WM_MY_MSG_BOARD_NOTICE);
    ASSERT_EQ(tab.size(), 1u);
    EXPECT_EQ(tab[0].wparam, 2u);
    EXPECT_EQ(g_auto_ie_url.get(), shared_url);
    EXPECT_EQ(g_browser_url.get(), "http://127.0.0.1/own");
    EXPECT_EQ(windows.messages_to(WindowSlot::files_page),
              (std::vector<uint32_t> { WM_MY_MSG_AUTO_IE_OPEN_URL, WM_MY_MSG_WORD_OPEN, WM_MY_MSG_WORD_POSITION,
                                       WM_MY_MSG_WORD_CLOSE, WM_MY_MSG_EXCEL_SHEET, WM_MY_MSG_EXCEL_CHART,
                                       WM_MY_MSG_EXCEL_CLOSE, WM_MY_MSG_PPT_SHOW, WM_MY_MSG_PPT_CLOSE }));
    EXPECT_EQ(windows.of(WindowSlot::files_page, WM_MY_MSG_WORD_POSITION)[0].wparam, 77u);
    EXPECT_EQ(windows.of(WindowSlot::files_page, WM_MY_MSG_EXCEL_SHEET)[0].wparam, 3u);
    EXPECT_EQ(windows.of(WindowSlot::files_page, WM_MY_MSG_EXCEL_CHART)[0].wparam, 6u);
    EXPECT_EQ(windows.of(WindowSlot::files_page, WM_MY_MSG_PPT_SHOW)[0].wparam, 2u);
    EXPECT_EQ(windows.of(WindowSlot::files_page, WM_MY_MSG_PPT_SHOW)[0].lparam, 1);
    EXPECT_EQ(names, (std::vector<std::pair<uint32_t, std::string>> { { record_type_word_doc, "1234_notes.odt" } }));
    EXPECT_EQ(cells, (std::vector<std::pair<int, int>> { { 4, 5 } }));
    EXPECT_EQ(read_file(home.user_folder() + "share/1234_notes.odt"), document);

    // The shared screen.
    EXPECT_EQ(g_view_share_left.load(), 10);
    EXPECT_EQ(g_view_share_width.load(), 500);
    EXPECT_EQ(g_view_desk_width.load(), 1920);
    EXPECT_EQ(g_view_desk_height.load(), 1080);
    EXPECT_EQ(read_file(tile_picture_path(ShareGrid::app, 1, 2)), app_tile);
    EXPECT_EQ(read_file(tile_picture_path(ShareGrid::desk, 0, 3)), desk_tile);
    EXPECT_EQ(tile_of(ShareGrid::app, 1, 2).fresh.load(), 1);
    EXPECT_EQ(g_desktop_mode.load(), 1);
    // Nothing the viewer would tell the server was set off.
    EXPECT_EQ(g_viewing_app.load(), 0);
    EXPECT_EQ(g_viewing_desk.load(), 0);

    // The picture and the video.
    EXPECT_EQ(playback_pictures().find("alice"), 0);
    EXPECT_EQ(read_file(home.user_folder() + "play_back/alice.jpg"), picture);
    EXPECT_FALSE(windows.of(WindowSlot::playback_view, WM_MY_MSG_REPAINT).empty());
    std::vector<int> showing = video_windows_showing(1001);
    ASSERT_FALSE(showing.empty());
    ASSERT_NE(video_window_state(showing[0]).picture, nullptr);
    EXPECT_EQ(video_window_state(showing[0]).picture->width, 160);
}

TEST_F(MeetingPlayback, APictureTakesOneSlotByNameAndThe101stIsWrittenButNotShown)
{
    use_pace_clock();
    auto picture_record = [&](const std::string& name, const std::string& bytes) {
        append(record_type_picture, picture_body(name, read_file(gz_file(home.root(), "p", bytes))));
    };
    picture_record("bob", "first picture");
    picture_record("bob", "second picture");
    for (int i = 0; i < playback_picture_count; ++i)
        picture_record("member" + std::to_string(i), "picture " + std::to_string(i));
    // A name longer than a slot holds is cut for the slot and the file alike.
    picture_record(std::string(70, 'n'), "long name");
    play();
    EXPECT_EQ(playback_pictures().count(), playback_picture_count);
    EXPECT_EQ(playback_pictures().find("bob"), 0);
    EXPECT_EQ(read_file(home.user_folder() + "play_back/bob.jpg"), "second picture");
    EXPECT_EQ(playback_pictures().find("member98"), 99);
    EXPECT_EQ(playback_pictures().find("member99"), -1);
    EXPECT_EQ(read_file(home.user_folder() + "play_back/member99.jpg"), "picture 99");
    EXPECT_TRUE(file_exists(home.user_folder() + "play_back/" + std::string(63, 'n') + ".jpg"));
    EXPECT_TRUE(log.contains("g_meeting_record_play_thread: 100 pictures shown, member99 is not.\n"));
}

// ---- talk ----

// A transform-coded talk block of n samples of a tone, as the sender records it.
std::string transform_block(int n, int tone)
{
    std::vector<uint8_t> samples(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        samples[static_cast<size_t>(i)] = static_cast<uint8_t>(128 + ((i / tone) % 2 ? 60 : -60));
    std::vector<uint8_t> coded(static_cast<size_t>(2 * n + 128));
    int coded_len = 0;
    audio_encode_block(samples.data(), coded.data(), n, &coded_len, 0);
    std::vector<uint8_t> z(talk_z_buffer_bytes);
    int z_len = z_compress_talk_data(coded.data(), static_cast<size_t>(coded_len), z.data(), z.size());
    return std::string(reinterpret_cast<const char*>(z.data()), static_cast<size_t>(z_len));
}

TEST_F(MeetingPlayback, EachTalkBlockPlaysOnceOnItsTalkersPlayerAtItsPace)
{
    const int blocks_per_talker = 4;
    for (int i = 0; i < blocks_per_talker; ++i) {
        for (int talker : { 501, 502 }) {
            at(i * 120);
            std::string data = transform_block(talk_block_samples, talker == 501 ? 8 : 20);
            append(record_type_transform_talk,
                   bytes_of({ static_cast<int32_t>(data.size()), talker, 8000, 0, 0, 0 }) + data);
        }
    }
    // A compressed block of plain samples, and one that does not inflate.
    std::string plain(800, '\x90');
    std::vector<uint8_t> z(talk_z_buffer_bytes);
    int z_len = z_compress_talk_data(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), z.data(), z.size());
    append(record_type_compressed_talk,
           bytes_of({ z_len, 503, 8000 }) + std::string(reinterpret_cast<const char*>(z.data()), static_cast<size_t>(z_len)));
    append(record_type_compressed_talk, bytes_of({ 5, 503, 8000 }) + "junk!");
    play();
    // The players write on threads of their own: the last block may still be on its way.
    const size_t want = static_cast<size_t>(2 * blocks_per_talker + 1);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (played().taken().size() < want && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::vector<PlayedBlock> blocks = played().taken();
    ASSERT_EQ(blocks.size(), want);
    std::map<std::string, std::vector<PlayedBlock>> by_player;
    for (const PlayedBlock& b : blocks)
        by_player[b.player].push_back(b);
    // Each talker keeps one player; the third talker takes the third.
    ASSERT_EQ(by_player.size(), 3u);
    for (auto& [player, list] : by_player) {
        if (list.size() == 1) {
            EXPECT_EQ(list[0].samples, std::vector<uint8_t>(plain.begin(), plain.end()));
            continue;
        }
        ASSERT_EQ(list.size(), static_cast<size_t>(blocks_per_talker)) << player;
        for (const PlayedBlock& b : list)
            EXPECT_EQ(b.samples.size(), static_cast<size_t>(talk_block_samples));
    }
    EXPECT_TRUE(log.contains("g_meeting_record_play_thread: record type 6 of 17 bytes skipped: the sound does not decode.\n"));
}

// ---- bad input ----

TEST_F(MeetingPlayback, AForeignOrCutFileIsRefusedWithItsText)
{
    recorder().stop();
    std::FILE* f = nullptr;
    std::string foreign = write_file(home.root() + "/foreign.mrd", std::string(200, 'x'));
    EXPECT_EQ(playback_open_file(foreign, &f), -2);
    std::string cut = write_file(home.root() + "/cut.mrd", std::string("MR101^~\0", 8) + std::string(20, '\0'));
    EXPECT_EQ(playback_open_file(cut, &f), -2);
    EXPECT_EQ(playback_open_file(home.root() + "/missing.mrd", &f), -1);
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Not a meeting record file.", "Not a meeting record file.",
                                                         "Failed to open file to read" }));
    // The thread itself reads no foreign file either.
    g_play_on = 1;
    g_play_file = std::fopen(foreign.c_str(), "rb");
    g_meeting_record_play_thread();
    EXPECT_EQ(g_play_on.load(), 0);
    EXPECT_TRUE(log.contains("the file has no meeting record head (60 bytes read): nothing played.\n"));
}

// Bytes of a record as the writer lays them out.
std::string raw_record(uint32_t type, const std::string& body, uint32_t length)
{
    std::string out(record_separator, record_separator_len);
    record_head head;
    head.type = type;
    head.length = length;
    head.time = RecordClock().at(0);
    out.append(reinterpret_cast<const char*>(&head), sizeof head);
    return out + body;
}

std::string raw_record(uint32_t type, const std::string& body)
{
    return raw_record(type, body, static_cast<uint32_t>(body.size()));
}

std::string chat_body(const std::string& text) { return bytes_of({ static_cast<int32_t>(text.size()) }) + text; }

TEST_F(MeetingPlayback, BadRecordsAreSkippedOrEndPlaybackAndNothingIsWrittenOutsideItsFolders)
{
    use_pace_clock();
    recorder().stop();
    std::string file_head = read_file(path).substr(0, record_file_head_len);
    std::string gz = read_file(gz_file(home.root(), "gz", "picture"));
    std::string not_gz = std::string("\x1f\x8b\x08\x00", 4) + std::string(30, '\x55');
    auto document = [&](const std::string& name) {
        std::string sub(132, '\0');
        std::memcpy(sub.data(), name.data(), std::min<size_t>(name.size(), 128));
        uint32_t size = static_cast<uint32_t>(gz.size());
        std::memcpy(sub.data() + 128, &size, 4);
        return sub + gz;
    };
    auto tile = [&](int row, int column) { return bytes_of({ 0, row, column, 0, 0, static_cast<int32_t>(gz.size()) }) + gz; };
    board_action a = sample_action(ACTION_LINE, 7);
    std::string action(reinterpret_cast<const char*>(&a), sizeof a);

    struct Case {
        const char* what;
        std::string records;   // after the file head
        bool ends;             // playback ends before the last chat line
        const char* log_line;  // a line the log must hold
    };
    const std::string last = raw_record(record_type_chat, chat_body("last"));
    const Case cases[] = {
        { "garbage between records", raw_record(record_type_chat, chat_body("one")) + "garbage\r\n+++---" + last, false,
          "no record separator at 109 of the meeting record: looking for the next one.\n" },
        { "a body cut short", raw_record(record_type_chat, chat_body("one"), 400), true, nullptr },
        { "a length over 64 MiB", raw_record(record_type_chat, "", playback_body_limit + 1), true,
          "record type 3 of 67108865 bytes is longer than 67108864: playback ends.\n" },
        { "talk longer than 10240", raw_record(record_type_transform_talk, bytes_of({ 10241, 1, 8000, 0, 0, 0 })), true,
          "g_meeting_record_play_thread: record type 26 holds a length of 10241: playback ends.\n" },
        { "a picture over 102300", raw_record(record_type_picture, picture_body("big", std::string(102301, 'p'))), true,
          "g_meeting_record_play_thread: record type 2 holds a length of 102301: playback ends.\n" },
        { "a video frame over 102400", raw_record(record_type_video, bytes_of({ 102401, 1, 1, 1, 0, 0, 0, 0, 0, 0 })),
          true, "g_meeting_record_play_thread: record type 11 holds a length of 102401: playback ends.\n" },
        { "a browser text of 4096", raw_record(record_type_id_action, bytes_of({ 1, 0, 0, 0, 0, 4096 })), true,
          "IE_SET_URL len:4096 out of range 0-4095\n" },
        { "a browser kind 5", raw_record(record_type_id_action, bytes_of({ 5, 0, 0, 0, 0, 1 }) + "x"), false,
          "g_meeting_record_play_thread: record type 21 of 25 bytes skipped: browser kind out of range 1-4.\n" },
        { "a picture name with '/'", raw_record(record_type_picture, picture_body("../../escape", gz)), false,
          "skipped: the picture's name is no plain file name.\n" },
        { "a picture named '..'", raw_record(record_type_picture, picture_body("..", gz)), false,
          "skipped: the picture's name is no plain file name.\n" },
        { "a picture name with a NUL before '/..'", raw_record(record_type_picture, picture_body(std::string("nul\0/../x", 9), gz)),
          false, nullptr },
        { "a document name with '/'", raw_record(record_type_word_doc, document("../outside.txt")), false,
          "skipped: the document's name is no plain file name.\n" },
        { "a bitmap on page 10", raw_record(record_type_board_bmp, bytes_of({ 10, 0, static_cast<int32_t>(gz.size()) }) + gz),
          false, "record board_num:10 index:0 out of range:9, 9\n" },
        { "a bitmap in slot -1", raw_record(record_type_board_bmp, bytes_of({ 0, -1, static_cast<int32_t>(gz.size()) }) + gz),
          false, "record board_num:0 index:-1 out of range:9, 9\n" },
        { "a window tile in row 5", raw_record(record_type_share_app_tile, tile(5, 0)), false,
          "skipped: tile outside the grid.\n" },
        { "a desktop tile in column -1", raw_record(record_type_share_desk_tile, tile(0, -1)), false,
          "skipped: tile outside the grid.\n" },
        { "an action on page 10", raw_record(record_type_general_action, bytes_of({ 0, 10 }) + action), false,
          "skipped: board out of range.\n" },
        { "a text of 4000", raw_record(record_type_text, bytes_of({ 4000, 1 }) + action + std::string(4000, 't')), false,
          "skipped: text length out of range 1-3999.\n" },
        { "a chat of 8173", raw_record(record_type_chat, chat_body(std::string(8173, 'c'))), false,
          "skipped: chat longer than a chat message.\n" },
        { "a picture that does not inflate", raw_record(record_type_picture, picture_body("carol", not_gz)), false,
          "skipped: the picture does not unpack.\n" },
        { "a sub-head longer than its body", raw_record(record_type_video, bytes_of({ 500, 1, 1, 1, 0, 0, 0, 0, 0, 0 })),
          false, "skipped: frame longer than the body.\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        steps.clear();
        {
            std::lock_guard<std::mutex> hold(chat_history_lock());
            chat_history().clear();
        }
        write_file(path, file_head + c.records + last);
        play();
        bool last_played = std::string(chat_history().text()).find("last") != std::string::npos;
        EXPECT_EQ(last_played, !c.ends);
        if (c.log_line) {
            bool found = false;
            for (const std::string& line : log.lines())
                found = found || line.find(c.log_line) != std::string::npos;
            EXPECT_TRUE(found) << c.log_line;
        }
    }
    // Nothing outside the user folder's own places, and no page folder 10.
    EXPECT_FALSE(file_exists(home.root() + "/data/kelo/escape"));
    EXPECT_FALSE(file_exists(home.root() + "/data/kelo/escape.jpg"));
    EXPECT_FALSE(file_exists(home.user_folder() + "outside.txt"));
    // A name ends at its NUL: what follows it names nothing.
    EXPECT_TRUE(file_exists(home.user_folder() + "play_back/nul.jpg"));
    EXPECT_FALSE(file_exists(home.user_folder() + "x"));
    EXPECT_FALSE(file_exists(home.user_folder() + "x.jpg"));
    EXPECT_FALSE(file_exists(home.user_folder() + "bmp/10"));
    EXPECT_EQ(playback_pictures().count(), 0);
}

// The reader reads the file in large pieces: a record, a separator or a run of
// garbage that crosses the end of one piece must come out as if read byte by byte.
TEST_F(MeetingPlayback, RecordsCrossingTheReadersPiecesComeOutWhole)
{
    recorder().stop();
    const std::string file_head = read_file(path).substr(0, record_file_head_len);
    const size_t piece = record_read_piece;
    const size_t before_first = record_file_head_len + record_separator_len + record_head_len;
    const std::string last = raw_record(record_type_chat, chat_body("last"));
    struct Case {
        const char* what;
        std::string records;
        std::vector<std::pair<uint32_t, size_t>> want;  // type and body length of each record read
        int misplaced;
    };
    const Case cases[] = {
        { "a body longer than a piece", raw_record(19, std::string(piece + 1000, 'b')) + last,
          { { 19, piece + 1000 }, { record_type_chat, 8 } }, 0 },
        { "a body ending one byte short of a piece's end", raw_record(19, std::string(piece - before_first - 1, 'b')) + last,
          { { 19, piece - before_first - 1 }, { record_type_chat, 8 } }, 0 },
        { "a record head across a piece's end", raw_record(19, std::string(piece - before_first - record_separator_len - 10, 'b')) + last,
          { { 19, piece - before_first - record_separator_len - 10 }, { record_type_chat, 8 } }, 0 },
        { "a separator across a piece's end after garbage", std::string(piece - record_file_head_len - 7, 'g') + last,
          { { record_type_chat, 8 } }, 1 },
        { "garbage longer than a piece", std::string(2 * piece + 3, 'g') + last, { { record_type_chat, 8 } }, 1 },
        { "a cut separator at the end", last + std::string(record_separator, 10), { { record_type_chat, 8 } }, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(path, file_head + c.records);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        RecordReader reader(f);
        ASSERT_TRUE(reader.read_file_head());
        std::vector<std::pair<uint32_t, size_t>> got;
        record_head head {};
        std::span<const uint8_t> body;
        std::string last_body;
        while (reader.next(head, body) == RecordRead::record) {
            got.emplace_back(head.type, body.size());
            last_body.assign(body.begin(), body.end());
        }
        std::fclose(f);
        EXPECT_EQ(got, c.want);
        EXPECT_EQ(last_body, chat_body("last"));
        EXPECT_EQ(reader.misplaced_separators(), c.misplaced);
    }
}

// What Play clears before it starts, so that nothing of an earlier meeting stays.
TEST_F(MeetingPlayback, PlayClearsWhatAnEarlierMeetingLeft)
{
    recorder().stop();
    std::string line = std::string("an earlier line") + std::string("\0\x10\x20\x30\x0c\x01", 6);
    receive_chat_text(line.data(), line.size(), 1);
    ASSERT_EQ(board_append_action(3, sample_action(ACTION_LINE, 1)), 0);
    for (ShareGrid grid : { ShareGrid::app, ShareGrid::desk }) {
        write_file(tile_picture_path(grid, 1, 2), "an earlier tile");
        write_file(tile_z_path(grid, 1, 2), "its packed file");
    }
    video_wnd_set_user(0, 1001);
    ASSERT_FALSE(video_windows_showing(1001).empty());

    clear_meeting_for_playback();
    EXPECT_EQ(std::string(chat_history().text()), "");
    EXPECT_EQ(g_board[3].visible_count, 0);
    for (ShareGrid grid : { ShareGrid::app, ShareGrid::desk }) {
        EXPECT_FALSE(file_exists(tile_picture_path(grid, 1, 2)));
        EXPECT_FALSE(file_exists(tile_z_path(grid, 1, 2)));
    }
    EXPECT_TRUE(video_windows_showing(1001).empty());
    EXPECT_FALSE(windows.of(WindowSlot::share_view, WM_MY_MSG_REPAINT).empty());
}

// ---- update rules ----

TEST(PlaybackCommands, PushMessagesAreHeldOnlyWhilePlaying)
{
    for (int number : { 411, 412, 413, 414, 415, 416, 417, 226, 266, 410, 418, 225, 41 }) {
        bool push = (number >= 411 && number <= 417) || number == 226 || number == 266;
        g_play_on = 0;
        EXPECT_FALSE(held_while_playing(number)) << number;
        g_play_on = 1;
        EXPECT_EQ(held_while_playing(number), push) << number;
    }
    g_play_on = 0;
}

} // namespace
