#include "core/meeting_record.h"
#include "whiteboard/board_recording.h"

#include "core/message_box.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>
#include <semaphore>
#include <thread>
#include <vector>

namespace {

std::vector<int32_t> words(const std::string& body, size_t count)
{
    std::vector<int32_t> w(count);
    std::memcpy(w.data(), body.data(), std::min(count * 4, body.size()));
    return w;
}

record_system_time fixed_time()
{
    record_system_time t;
    t.year = 2026;
    t.month = 12;
    t.day_of_week = 4;
    t.day = 10;
    t.hour = 9;
    t.minute = 30;
    t.second = 15;
    t.millisecond = 250;
    return t;
}

class MeetingRecord : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        path = home.root() + "/meeting.mrd";
        set_record_time_source(fixed_time);
    }
    void TearDown() override
    {
        recorder().stop();
        set_record_time_source(nullptr);
    }
    TempHome home;
    ScriptedMessageBoxes boxes;
    std::string path;
};

board_action sample_action(int32_t kind)
{
    board_action a;
    a.kind = kind;
    a.set_gesture_end(1);
    for (size_t i = 0; i < a.data.size(); ++i)
        a.data[i] = static_cast<int32_t>(i * 11 + 1);
    return a;
}

TEST_F(MeetingRecord, WritesHeadAndEveryWhiteboardRecordFlushedOneByOne)
{
    ASSERT_EQ(recorder().start(path), 0);
    EXPECT_EQ(g_record_on.load(), 1);
    board_action line = sample_action(ACTION_LINE);
    board_action text = sample_action(ACTION_TEXT);
    std::string bmp_file = home.root() + "/z_bitmap";
    std::string bmp_bytes(5000, '\0');
    for (size_t i = 0; i < bmp_bytes.size(); ++i)
        bmp_bytes[i] = static_cast<char>(i * 7);
    std::ofstream(bmp_file, std::ios::binary) << bmp_bytes;

    EXPECT_EQ(record_general_action(line, 3), 0);
    EXPECT_EQ(read_records(path).size(), 1u);  // on disk before the next record
    EXPECT_EQ(record_text(text, 4, "hello", 5), 0);
    EXPECT_EQ(record_board_bmp(2, 7, bmp_file.c_str()), 0);
    EXPECT_EQ(record_board_bmp_pos(2, 7, 30, 40), 0);
    EXPECT_EQ(record_board_bmp_z_order(2, 7, -5), 0);
    EXPECT_EQ(record_board_bmp_delete(2, 7), 0);
    EXPECT_EQ(record_board_op(board_op_redo, 6), 0);
    EXPECT_EQ(record_ui_event_2(1, 200, 300), 0);
    EXPECT_EQ(record_ui_event_simple(record_ui_full_screen_on), 0);
    recorder().stop();
    EXPECT_EQ(g_record_on.load(), 0);

    std::string head;
    std::vector<ReadRecord> records = read_records(path, &head);
    ASSERT_EQ(head.size(), 60u);
    EXPECT_EQ(std::memcmp(head.data(), "MR101^~\0", 8), 0);
    EXPECT_EQ(words(head.substr(8), 3), (std::vector<int32_t> { 0, 1, 0 }));
    EXPECT_EQ(head.substr(20), std::string(40, '\0'));

    ASSERT_EQ(records.size(), 9u);
    struct Want { uint32_t type; uint32_t length; };
    const Want want[] = { { 4, 52 }, { 5, 57 }, { 7, 12 + 5000 }, { 8, 16 }, { 9, 12 }, { 10, 8 },
                          { 18, 24 }, { 20, 24 }, { 20, 24 } };
    record_system_time t = fixed_time();
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].head.type, want[i].type) << i;
        EXPECT_EQ(records[i].head.length, want[i].length) << i;
        EXPECT_EQ(std::memcmp(&records[i].head.time, &t, sizeof t), 0) << i;
    }

    EXPECT_EQ(words(records[0].body, 2), (std::vector<int32_t> { 0, 3 }));
    EXPECT_EQ(std::memcmp(records[0].body.data() + 8, &line, 44), 0);
    EXPECT_EQ(words(records[1].body, 2), (std::vector<int32_t> { 5, 4 }));
    EXPECT_EQ(std::memcmp(records[1].body.data() + 8, &text, 44), 0);
    EXPECT_EQ(records[1].body.substr(52), "hello");
    EXPECT_EQ(words(records[2].body, 3), (std::vector<int32_t> { 2, 7, 5000 }));
    EXPECT_EQ(records[2].body.substr(12), bmp_bytes);
    EXPECT_EQ(words(records[3].body, 4), (std::vector<int32_t> { 2, 7, 30, 40 }));
    EXPECT_EQ(words(records[4].body, 3), (std::vector<int32_t> { 2, 7, -5 }));
    EXPECT_EQ(words(records[5].body, 2), (std::vector<int32_t> { 2, 7 }));
    EXPECT_EQ(words(records[6].body, 6), (std::vector<int32_t> { 3, 6, 0, 0, 0, 0 }));
    EXPECT_EQ(words(records[7].body, 6), (std::vector<int32_t> { 2, 1, 200, 300, 0, 0 }));
    EXPECT_EQ(words(records[8].body, 6), (std::vector<int32_t> { 5, 0, 0, 0, 0, 0 }));
}

TEST_F(MeetingRecord, NothingIsWrittenWhileOffOrPausedAndStartResumes)
{
    board_action a = sample_action(ACTION_POINT);
    EXPECT_EQ(record_general_action(a, 0), 0);  // off: accepted, nothing to write
    ASSERT_EQ(recorder().start(path), 0);
    recorder().toggle_pause();
    EXPECT_EQ(g_record_paused.load(), 1);
    EXPECT_EQ(record_general_action(a, 0), 0);
    EXPECT_EQ(recorder().start(path), 0);  // resumes into the same file, no new head
    EXPECT_EQ(g_record_paused.load(), 0);
    EXPECT_EQ(record_general_action(a, 1), 0);
    recorder().stop();
    EXPECT_EQ(record_general_action(a, 2), 0);
    std::vector<ReadRecord> records = read_records(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(words(records[0].body, 2), (std::vector<int32_t> { 0, 1 }));
}

TEST_F(MeetingRecord, CommandRulesFollowTheState)
{
    struct State { bool start, stop, pause, checked; };
    auto state = [] { return State { record_start_enabled(), record_stop_enabled(), record_pause_enabled(), record_pause_checked() }; };
    auto same = [](State a, State b) { return a.start == b.start && a.stop == b.stop && a.pause == b.pause && a.checked == b.checked; };
    EXPECT_TRUE(same(state(), { true, false, false, false }));
    ASSERT_EQ(recorder().start(path), 0);
    EXPECT_TRUE(same(state(), { false, true, true, false }));
    recorder().toggle_pause();
    EXPECT_TRUE(same(state(), { true, true, true, true }));
    recorder().stop();
    EXPECT_TRUE(same(state(), { true, false, false, false }));
}

TEST_F(MeetingRecord, HeadOnlyFileHoldsNoRecords)
{
    ASSERT_EQ(recorder().start(path), 0);
    recorder().stop();
    EXPECT_EQ(read_file(path).size(), record_file_head_len);
    EXPECT_TRUE(read_records(path).empty());
}

TEST_F(MeetingRecord, RefusedArgumentsWriteNothingAndLog)
{
    ASSERT_EQ(recorder().start(path), 0);
    LogCapture log;
    board_action a = sample_action(ACTION_LINE);
    struct Case { std::function<int()> write; const char* line; };
    const Case cases[] = {
        { [&] { return record_general_action(a, 10); }, "board_num 10 out of range 0-10-1 in record_general_action.\n" },
        { [&] { return record_text(a, -1, "x", 1); }, "board_num -1 out of range 0-10-1 in record_text.\n" },
        { [&] { return record_board_bmp(0, 10, "x"); }, "record_board_bmp parameter out of range:board_num:0, bmp_index:10\n" },
        { [&] { return record_board_bmp(0, 1, nullptr); }, "record_board_bmp z_file_path is null\n" },
        { [&] { return record_board_bmp_pos(10, 0, 1, 1); }, "record_board_bmp_pos parameter out of range:board_num:10, bmp_index:0\n" },
        { [&] { return record_board_bmp_z_order(0, -1, 1); }, "record_board_bmp_z_order parameter out of range:board_num:0, bmp_index:-1\n" },
        { [&] { return record_board_bmp_delete(11, 3); }, "record_board_bmp_delete parameter out of range:board_num:11, bmp_index:3\n" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.write(), -1) << c.line;
        EXPECT_TRUE(log.contains(c.line)) << c.line;
    }
    // A bitmap file that cannot be opened writes nothing at all.
    EXPECT_EQ(record_board_bmp(0, 1, (home.root() + "/missing").c_str()), -1);
    recorder().stop();
    EXPECT_TRUE(read_records(path).empty());
}

TEST_F(MeetingRecord, LockTimeOutDropsTheRecordAndLogs)
{
    ASSERT_EQ(recorder().start(path), 0);
    LogCapture log;
    std::binary_semaphore held { 0 };
    std::binary_semaphore release { 0 };
    std::thread holder([&] {
        std::lock_guard<platform::TimedMutex> guard(g_record_file_lock);
        held.release();
        release.acquire();
    });
    held.acquire();
    EXPECT_EQ(record_board_op(board_op_clear, 0), 0);
    release.release();
    holder.join();
    EXPECT_TRUE(log.contains("record_board_op: record lock not obtained in 200 ms, record dropped\n"));
    EXPECT_EQ(record_board_op(board_op_undo, 0), 0);
    recorder().stop();
    std::vector<ReadRecord> records = read_records(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(words(records[0].body, 1)[0], board_op_undo);
}

TEST_F(MeetingRecord, FileThatGivesLessThanItsSizeIsPaddedSoRecordsStayInStep)
{
    std::string file = home.root() + "/shrunk";
    std::ofstream(file, std::ios::binary) << std::string(3000, 'z');
    ASSERT_EQ(recorder().start(path), 0);
    std::array<int32_t, 3> sub { 0, 0, 5000 };
    long copied = 0;
    EXPECT_EQ(recorder().append_file(record_type_board_bmp, sub.data(), sizeof sub, file, 5000, "test", &copied), 0);
    EXPECT_EQ(copied, 3000);
    EXPECT_EQ(record_board_op(board_op_clear, 1), 0);
    recorder().stop();
    std::vector<ReadRecord> records = read_records(path);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].head.length, 12u + 5000u);
    EXPECT_EQ(records[0].body.substr(12, 3000), std::string(3000, 'z'));
    EXPECT_EQ(records[0].body.substr(3012), std::string(2000, '\0'));
    EXPECT_EQ(records[1].head.type, record_type_board_op);
}

TEST_F(MeetingRecord, StopWaitsForTheWriterThatHoldsTheFile)
{
    ASSERT_EQ(recorder().start(path), 0);
    std::binary_semaphore held { 0 };
    std::atomic<bool> released { false };
    std::thread writer([&] {
        std::lock_guard<platform::TimedMutex> guard(g_record_file_lock);
        held.release();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        released = true;
    });
    held.acquire();
    recorder().stop();
    EXPECT_TRUE(released.load());
    EXPECT_FALSE(recorder().file_open());
    writer.join();
}

// True while a descriptor of this process still names path.
bool descriptor_open_on(const std::string& path)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec) == path)
            return true;
    }
    return false;
}

// A writer copying from a pipe that stalls holds the record lock for as long
// as the pipe stays silent; Stop gives up waiting after 3000 ms and the
// writer closes the file once its record is whole.
TEST_F(MeetingRecord, StopWaitsAtMostThreeSecondsAndTheStuckWriterClosesTheFile)
{
    LogCapture log;
    std::string pipe_path = home.root() + "/stalled";
    ASSERT_EQ(::mkfifo(pipe_path.c_str(), 0600), 0);
    ASSERT_EQ(recorder().start(path), 0);
    std::thread writer([&] {
        std::array<int32_t, 3> sub { 0, 0, 100 };
        long copied = 0;
        recorder().append_file(record_type_board_bmp, sub.data(), sizeof sub, pipe_path, 100, "test", &copied);
    });
    int feed = ::open(pipe_path.c_str(), O_WRONLY);  // meets the writer's open
    ASSERT_GE(feed, 0);
    ASSERT_EQ(::write(feed, std::string(10, 'p').data(), 10), 10);
    while (g_record_file_lock.try_lock()) {  // until the writer holds the lock
        g_record_file_lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::future<void> stopping = std::async(std::launch::async, [] { recorder().stop(); });
    bool stop_returned = stopping.wait_for(std::chrono::seconds(6)) == std::future_status::ready;
    EXPECT_TRUE(descriptor_open_on(path)) << "closed under the writer";
    ASSERT_EQ(::write(feed, std::string(90, 'p').data(), 90), 90);
    ::close(feed);
    writer.join();
    stopping.wait();
    EXPECT_TRUE(stop_returned) << "Stop waited for the writer";
    EXPECT_TRUE(log.contains("Recorder::stop: record lock held beyond 3000 ms, the writer closes the file\n"));
    EXPECT_FALSE(recorder().file_open());
    EXPECT_FALSE(descriptor_open_on(path));
    std::vector<ReadRecord> records = read_records(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].body.substr(12), std::string(100, 'p'));
    // A writer that comes after the stop writes nothing.
    EXPECT_EQ(record_board_op(board_op_clear, 0), 0);
    EXPECT_EQ(read_records(path).size(), 1u);
}

TEST_F(MeetingRecord, StartFailureTellsUserAndStaysOff)
{
    EXPECT_EQ(recorder().start(home.root() + "/no/such/folder/x.mrd"), -1);
    EXPECT_EQ(g_record_on.load(), 0);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Failed to open file to write");
}

TEST_F(MeetingRecord, RecordsOfManyThreadsNeverInterleave)
{
    ASSERT_EQ(recorder().start(path), 0);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t] {
            board_action a = sample_action(ACTION_TEXT);
            std::string text(100 + t * 50, static_cast<char>('a' + t));
            for (int i = 0; i < 200; ++i)
                record_text(a, t, text.c_str(), static_cast<int>(text.size()));
        });
    for (std::thread& w : writers)
        w.join();
    recorder().stop();
    std::vector<ReadRecord> records = read_records(path);
    ASSERT_EQ(records.size(), 800u);
    for (const ReadRecord& r : records) {
        int32_t board = words(r.body, 2)[1];
        EXPECT_EQ(r.body.substr(52), std::string(100 + board * 50, static_cast<char>('a' + board)));
    }
}

} // namespace
