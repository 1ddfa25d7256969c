#include "core/head_reader.h"

#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <array>
#include <gtest/gtest.h>
#include <thread>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const HeadReaderLines main_lines { "g_recv_thread", "g_recv_thread command format error at:%d.\n", "content is:%s.\n" };

class HeadReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0); }
    void TearDown() override
    {
        for (int& fd : fds_) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    void send_to_reader(const std::string& bytes) { ASSERT_TRUE(write_bytes(fds_[0], bytes)); }
    void close_sender()
    {
        ::close(fds_[0]);
        fds_[0] = -1;
    }
    HeadReadResult read_one()
    {
        FdByteSource source(fds_[1]);
        return read_wire_message(source, buffer_.data(), buffer_.size(), main_lines, head_);
    }
    std::string body() const { return std::string(buffer_.data() + wire_head_len, static_cast<size_t>(head_.length)); }

    int fds_[2] = { -1, -1 };
    std::array<char, wire_recv_buffer_len> buffer_ {};
    WireHead head_;
    LogCapture log_;
};

TEST_F(HeadReaderTest, ReadsHeadAndUnscramblesTheBody)
{
    std::string text = "a body longer than the 23-character key, twice over: 0123456789";
    send_to_reader(scrambled_message({ 0, 17, 41, 0 }, text));
    send_to_reader(format_wire_head({ 0, 0, 1000, 0 }));
    ASSERT_EQ(read_one(), HeadReadResult::message);
    EXPECT_EQ(head_.address, 17);
    EXPECT_EQ(head_.number, 41);
    EXPECT_EQ(body(), text);
    EXPECT_EQ(buffer_[wire_head_len + text.size()], '\0');

    ASSERT_EQ(read_one(), HeadReadResult::message);
    EXPECT_EQ(head_.number, 1000);
    EXPECT_EQ(head_.length, 0);
    EXPECT_EQ(buffer_[wire_head_len], '\0') << "the previous body is cleared";
}

TEST_F(HeadReaderTest, MalformedHeadIsLoggedWithItsPositionAndSkippedWithOneRead)
{
    struct Case {
        const char* head;
        int position;
    } cases[] = {
        { "  80;   0:  80:   6:", 4 },
        { "   0:   0:  41;  10:", 14 },
        { "   0:   0:  41:20000", 19 }, // a length that does not fit its field
    };
    for (const Case& c : cases) {
        send_to_reader(std::string(c.head) + std::string(30, 'j'));
        EXPECT_EQ(read_one(), HeadReadResult::skipped) << c.head;
        EXPECT_TRUE(log_.contains("g_recv_thread command format error at:" + std::to_string(c.position) + ".\n"))
            << c.head;
        EXPECT_TRUE(log_.contains(std::string("content is:") + c.head + ".\n")) << c.head;

        send_to_reader(scrambled_message({ 0, 0, 105, 0 }, "room"));
        ASSERT_EQ(read_one(), HeadReadResult::message) << c.head;
        EXPECT_EQ(head_.number, 105);
        EXPECT_EQ(body(), "room");
    }
}

TEST_F(HeadReaderTest, DiscardAfterMalformedHeadTakesAtMost2048Bytes)
{
    send_to_reader("xxxxxxxxxxxxxxxxxxxx" + std::string(3000, 'j'));
    FdByteSource source(fds_[1]);
    EXPECT_EQ(read_wire_message(source, buffer_.data(), buffer_.size(), main_lines, head_), HeadReadResult::skipped);
    EXPECT_EQ(source.reads(), 2);
    EXPECT_EQ(read_bytes(fds_[1], 3000, 200).size(), 3000u - 2048u);
}

TEST_F(HeadReaderTest, BodyTooLongOrNegativeIsSkippedAndTheStreamStaysInStep)
{
    struct Case {
        int length;
        HeadReadResult want;
    } cases[] = {
        { 9000, HeadReadResult::skipped },
        { 8173, HeadReadResult::skipped },
        { 8172, HeadReadResult::message },
        { -5, HeadReadResult::skipped },
    };
    for (const Case& c : cases) {
        std::string head = format_wire_head({ 0, 3, 500, c.length });
        send_to_reader(head + std::string(static_cast<size_t>(std::max(c.length, 0)), 'b'));
        send_to_reader(scrambled_message({ 0, 0, 106, 0 }, "next"));
        EXPECT_EQ(read_one(), c.want) << c.length;
        if (c.want == HeadReadResult::skipped)
            EXPECT_TRUE(log_.contains("g_recv_thread skipped a body of " + std::to_string(c.length) + " bytes.\n"));
        else
            EXPECT_EQ(head_.length, c.length);
        ASSERT_EQ(read_one(), HeadReadResult::message) << c.length;
        EXPECT_EQ(head_.number, 106) << c.length;
        EXPECT_EQ(body(), "next");
    }
}

TEST_F(HeadReaderTest, SmallerBufferHasLessRoomBehindTheHead)
{
    std::array<char, 64> small {};
    send_to_reader(scrambled_message({ 0, 0, 41, 0 }, std::string(45, 'x')));
    send_to_reader(scrambled_message({ 0, 0, 42, 0 }, std::string(44, 'y')));
    FdByteSource source(fds_[1]);
    EXPECT_EQ(read_wire_message(source, small.data(), small.size(), main_lines, head_), HeadReadResult::skipped);
    ASSERT_EQ(read_wire_message(source, small.data(), small.size(), main_lines, head_), HeadReadResult::message);
    EXPECT_EQ(std::string(small.data() + 20, 44), std::string(44, 'y'));
}

TEST_F(HeadReaderTest, PeerClosingMidHeadOrMidBodyEndsTheLoop)
{
    for (const std::string& partial : { std::string("   0:   0:"), format_wire_head({ 0, 0, 41, 100 }) + "only part",
                                        format_wire_head({ 0, 0, 41, 5000 }) + std::string(100, 'z'),
                                        std::string("   0;   0:  41:   0:") }) {
        TearDown();
        SetUp();
        send_to_reader(partial);
        close_sender();
        EXPECT_EQ(read_one(), HeadReadResult::failed) << partial;
    }
}

} // namespace

namespace {

TEST_F(HeadReaderTest, BufferedSourceServesManyMessagesFromFewReads)
{
    std::string stream;
    for (int i = 0; i < 50; ++i)
        stream += scrambled_message({ 0, i, 41, 0 }, std::string(static_cast<size_t>(i * 37), static_cast<char>('a' + i % 26)));
    // Malformed: the one discard takes at most 2048 of the bytes read ahead.
    stream += "   0;   0:  41:   0:" + std::string(wire_discard_read_len, 'j');
    stream += scrambled_message({ 0, 0, 42, 0 }, "last");
    send_to_reader(stream);
    close_sender();

    FdByteSource fd_source(fds_[1]);
    BufferedByteSource source(fd_source);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(read_wire_message(source, buffer_.data(), buffer_.size(), main_lines, head_), HeadReadResult::message);
        EXPECT_EQ(head_.address, i);
        EXPECT_EQ(body(), std::string(static_cast<size_t>(i * 37), static_cast<char>('a' + i % 26)));
    }
    EXPECT_EQ(read_wire_message(source, buffer_.data(), buffer_.size(), main_lines, head_), HeadReadResult::skipped);
    EXPECT_TRUE(log_.contains("g_recv_thread command format error at:4.\n"));
    ASSERT_EQ(read_wire_message(source, buffer_.data(), buffer_.size(), main_lines, head_), HeadReadResult::message);
    EXPECT_EQ(body(), "last");
    EXPECT_EQ(read_wire_message(source, buffer_.data(), buffer_.size(), main_lines, head_), HeadReadResult::failed);
    EXPECT_LT(fd_source.reads(), 10);
}

TEST_F(HeadReaderTest, BufferedSourceReadsLongRunsAndReportsAShortStream)
{
    std::string big(BufferedByteSource::capacity + 5000, 'q');
    big[0] = 'a';
    big.back() = 'z';
    std::thread writer([&] {
        write_bytes(fds_[0], "xy" + big + "tail");
        close_sender();
    });
    FdByteSource fd_source(fds_[1]);
    BufferedByteSource source(fd_source);
    char two[2];
    ASSERT_EQ(source.read_exact(two, 2), 2);
    std::string got(big.size(), '\0');
    ASSERT_EQ(source.read_exact(got.data(), static_cast<int>(got.size())), static_cast<int>(got.size()));
    EXPECT_EQ(got, big);
    char rest[8];
    EXPECT_EQ(source.read_exact(rest, 8), -1) << "four bytes, then the end";
    EXPECT_EQ(source.read_exact(rest, -1), -1);
    writer.join();
}

} // namespace
