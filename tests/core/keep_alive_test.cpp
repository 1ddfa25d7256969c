// The keep-alive thread on four loopback connections with a clock whose
// 6000 ms sleeps the test releases one round at a time.

#include "core/connections.h"
#include "core/messages.h"
#include "core/receive_threads.h"
#include "core/wire_head.h"
#include "platform/sys/clock.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Sleeps of the keep-alive's length wait for the test; any other sleep
// (a socket's short pauses) just moves the clock.
class RoundClock : public platform::Clock {
public:
    explicit RoundClock(uint32_t start_ms) : now_ms_(start_ms) {}
    uint32_t tick_ms() override { return now_ms_; }
    void sleep_ms(uint32_t ms) override
    {
        if (ms != static_cast<uint32_t>(keep_alive_interval_ms)) {
            now_ms_ += ms;
            return;
        }
        std::unique_lock lock(lock_);
        ++sleeping_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_ > 0; });
        --released_;
        --sleeping_;
        now_ms_ += ms;
    }
    // Waits until the thread sleeps (its round's sends are done).
    bool wait_sleeping()
    {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, 5s, [this] { return sleeping_ > 0 && released_ == 0; });
    }
    // Time passing while the thread sleeps (its round's tick stays behind).
    void advance(uint32_t ms) { now_ms_ += ms; }
    void release_round()
    {
        std::lock_guard lock(lock_);
        ++released_;
        changed_.notify_all();
    }

private:
    std::atomic<uint32_t> now_ms_;
    std::mutex lock_;
    std::condition_variable changed_;
    int sleeping_ = 0;
    int released_ = 0;
};

Cwf_socket* const sockets[] = { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock };
const std::string keep_alive_message = "   0:   0:1000:   0:";

class KeepAlive : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::set_clock(&clock_);
        for (size_t i = 0; i < 4; ++i) {
            sockets[i]->host.set("127.0.0.1");
            sockets[i]->port = listener_.port();
            sockets[i]->show_errors = 0;
            ASSERT_EQ(sockets[i]->connect_server(), 0);
            peers_[i] = listener_.accept_one();
            ASSERT_GE(peers_[i], 0);
            sockets[i]->last_send_tick = 0;
        }
    }
    void TearDown() override
    {
        for (Cwf_socket* socket : sockets)
            socket->close_socket();
        if (thread_.valid()) {
            clock_.release_round();
            thread_.wait_for(5s);
        }
        platform::set_clock(nullptr);
        for (int fd : peers_)
            ::close(fd);
    }

    // What arrived on each connection since the last look.
    std::array<std::string, 4> arrived()
    {
        std::array<std::string, 4> out;
        for (size_t i = 0; i < 4; ++i) {
            pollfd p { peers_[i], POLLIN, 0 };
            while (::poll(&p, 1, 0) > 0) {
                char piece[256];
                ssize_t n = ::recv(peers_[i], piece, sizeof piece, 0);
                if (n <= 0)
                    break;
                out[i].append(piece, static_cast<size_t>(n));
            }
        }
        return out;
    }

    void run_round()
    {
        clock_.release_round();
        ASSERT_TRUE(clock_.wait_sleeping());
    }

    TempHome home_;
    RoundClock clock_ { 0xFFFFE000u };  // the rounds cross the tick's wrap
    LoopbackListener listener_;
    std::array<int, 4> peers_ { -1, -1, -1, -1 };
    std::future<int> thread_;
};

TEST_F(KeepAlive, IdleConnectionsGetOneAndBusyOnesNoneUsingTheUnsignedDifference)
{
    thread_ = std::async(std::launch::async, keep_alive_thread);
    ASSERT_TRUE(clock_.wait_sleeping());
    // The voice connection sends now, at the tick the round started with.
    std::string talk = format_wire_head(WireHead { 0, 0, MSG_TALK_DCT_Z, 0 });
    ASSERT_EQ(g_voice_sock.my_send_fixed_len(talk.data(), static_cast<int>(talk.size())), 20);
    arrived();

    run_round();  // round 1: main, app and file idle since tick 0
    auto got = arrived();
    EXPECT_EQ(got[0], keep_alive_message);
    EXPECT_EQ(got[1], keep_alive_message);
    EXPECT_EQ(got[2], "") << "voice sent within 6000 ms";
    EXPECT_EQ(got[3], keep_alive_message);

    run_round();  // round 2: voice idle exactly 6000 ms, the rest just sent
    got = arrived();
    for (const std::string& g : got)
        EXPECT_EQ(g, "");

    run_round();  // round 3, across the wrap: voice idle 12000 ms
    got = arrived();
    EXPECT_EQ(got[0], "");
    EXPECT_EQ(got[2], keep_alive_message);

    run_round();  // round 4: the others again
    got = arrived();
    EXPECT_EQ(got[0], keep_alive_message);
    EXPECT_EQ(got[1], keep_alive_message);
    EXPECT_EQ(got[2], "");
    EXPECT_EQ(got[3], keep_alive_message);
}

TEST_F(KeepAlive, ASendDuringTheSleepCountsAsRecentAcrossTheWrap)
{
    thread_ = std::async(std::launch::async, keep_alive_thread);
    ASSERT_TRUE(clock_.wait_sleeping());
    run_round();  // round 1: every connection idle since tick 0
    arrived();

    // Round 2 starts at 0xFFFFF770; 3000 ms into its sleep (past the wrap)
    // the voice connection talks.
    clock_.advance(3000);
    std::string talk = format_wire_head(WireHead { 0, 0, MSG_TALK_DCT_Z, 0 });
    ASSERT_EQ(g_voice_sock.my_send_fixed_len(talk.data(), static_cast<int>(talk.size())), 20);
    arrived();
    run_round();
    auto got = arrived();
    EXPECT_EQ(got[2], "") << "voice sent 6000 ms ago at most";
    EXPECT_EQ(got[0], "") << "main sent as the round began";
}

TEST_F(KeepAlive, OnlyOneRunsAndItEndsWhenTheMainConnectionCloses)
{
    thread_ = std::async(std::launch::async, keep_alive_thread);
    ASSERT_TRUE(clock_.wait_sleeping());
    auto second = std::async(std::launch::async, keep_alive_thread);
    ASSERT_EQ(second.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(second.get(), 0);

    g_main_sock.close_socket();
    clock_.release_round();
    ASSERT_EQ(thread_.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(thread_.get(), 0);
    EXPECT_EQ(arrived()[1], "") << "the round that finds main closed sends nothing";

    // Free again: a new one starts and runs.
    ASSERT_EQ(g_main_sock.connect_server(), 0);
    ::close(peers_[0]);
    peers_[0] = listener_.accept_one();
    thread_ = std::async(std::launch::async, keep_alive_thread);
    EXPECT_TRUE(clock_.wait_sleeping());
}

TEST_F(KeepAlive, NothingIsSentWhileMainIsNotConnected)
{
    g_main_sock.connected = 0;
    thread_ = std::async(std::launch::async, keep_alive_thread);
    ASSERT_TRUE(clock_.wait_sleeping());
    run_round();
    for (const std::string& g : arrived())
        EXPECT_EQ(g, "");
}

} // namespace
