#include "core/wf_socket.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "platform/sys/clock.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

class WfSocketTest : public ::testing::Test {
protected:
    WfSocketTest() { set_message_box_presenter(&boxes_); }
    ~WfSocketTest() override
    {
        sock_.close_socket();
        if (peer_ >= 0)
            ::close(peer_);
        set_message_box_presenter(nullptr);
        platform::set_clock(nullptr);
    }
    // Connects sock_ directly to the listener and takes the far end.
    void connect_to_listener()
    {
        sock_.name.set("main_sock");
        sock_.host.set("127.0.0.1");
        sock_.port = listener_.port();
        ASSERT_EQ(sock_.connect_server(), 0);
        peer_ = listener_.accept_one();
        ASSERT_GE(peer_, 0);
    }
    int log_count_starting(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& line : log_.lines())
            n += line.rfind(prefix, 0) == 0;
        return n;
    }

    TempHome home_;
    LogCapture log_;
    ScriptedMessageBoxes boxes_;
    LoopbackListener listener_;
    Cwf_socket sock_;
    int peer_ = -1;
};

TEST_F(WfSocketTest, ConstructedUnconnectedWithDefaults)
{
    Cwf_socket s;
    EXPECT_EQ(s.name.get(), "noname");
    EXPECT_EQ(s.show_errors, 1);
    EXPECT_EQ(s.retry, 1);
    EXPECT_EQ(s.retry_count, 0);
    EXPECT_EQ(s.failure_count, 0);
    EXPECT_EQ(s.connected, 0);
    EXPECT_EQ(s.last_send_tick, 0u);
    EXPECT_EQ(s.m_sock, 0);
    EXPECT_TRUE(s.local_address.empty());
    EXPECT_EQ(s.use_proxy, 0);
    EXPECT_EQ(Cwf_socket::start_winsock(), 0);
    char byte = 0;
    EXPECT_EQ(s.my_send_fixed_len(&byte, 1), -1);
    EXPECT_EQ(s.my_send_fixed_len_raw(&byte, 1), -1);
    EXPECT_EQ(s.my_recv_fixed_len(&byte, 1), -1);
    EXPECT_EQ(s.close_socket(), 0);
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(WfSocketTest, DirectConnectSetsBuffersAndLocalAddress)
{
    connect_to_listener();
    EXPECT_EQ(sock_.connected, 1);
    EXPECT_NE(sock_.m_sock, 0);
    EXPECT_EQ(sock_.local_address.get(), "127.0.0.1");
    for (int option : { SO_RCVBUF, SO_SNDBUF }) {
        int bytes = 0;
        socklen_t len = sizeof bytes;
        ASSERT_EQ(::getsockopt(sock_.m_sock, SOL_SOCKET, option, &bytes, &len), 0);
        EXPECT_GE(bytes, socket_buffer_bytes);
    }
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(WfSocketTest, SendScramblesTheBodyOnceAndLeavesTheHead)
{
    connect_to_listener();
    platform::ManualClock clock(5000);
    platform::set_clock(&clock);
    std::string body = "hello over the wire, longer than the key";
    std::string message = format_wire_head({ 0, 999, 41, static_cast<int>(body.size()) }) + body;
    std::string sent_copy = message;
    EXPECT_EQ(sock_.my_send_fixed_len(message.data(), static_cast<int>(message.size())),
              static_cast<int>(message.size()));
    EXPECT_EQ(sock_.last_send_tick, 5000u);

    std::string got = read_bytes(peer_, sent_copy.size());
    ASSERT_EQ(got.size(), sent_copy.size());
    EXPECT_EQ(got.substr(0, 20), sent_copy.substr(0, 20));
    EXPECT_EQ(got, message) << "the caller's buffer holds what went out";
    std::string received_body = got.substr(20);
    scramble_message_body(received_body.data(), static_cast<int>(received_body.size()));
    EXPECT_EQ(received_body, body);

    // A head-only message and the raw send go out unchanged.
    std::string head_only = format_wire_head({ 0, 0, 1000, 0 });
    EXPECT_EQ(sock_.my_send_fixed_len(head_only.data(), 20), 20);
    std::string raw = "CONNECT a:1 HTTP/1.0\r\n\r\n";
    EXPECT_EQ(sock_.my_send_fixed_len_raw(raw.data(), static_cast<int>(raw.size())), static_cast<int>(raw.size()));
    EXPECT_EQ(read_bytes(peer_, 20 + raw.size()), format_wire_head({ 0, 0, 1000, 0 }) + raw);
}

TEST_F(WfSocketTest, LengthsOfZeroOrLessAreProgrammingFaults)
{
    connect_to_listener();
    char byte = 0;
    EXPECT_EQ(sock_.my_send_fixed_len(&byte, 0), -1);
    EXPECT_EQ(sock_.my_send_fixed_len_raw(&byte, -3), -1);
    EXPECT_EQ(sock_.my_recv(&byte, 0), -1);
    EXPECT_EQ(sock_.my_recv_fixed_len(&byte, -1), -1);
    EXPECT_EQ(sock_.my_recv_fixed_len(&byte, 0), 0);
    EXPECT_EQ(boxes_.texts(),
              (std::vector<std::string> { "send len<=0 at Cwf_socket::my_send!",
                                          "send len<=0 at Cwf_socket::my_send_fixed_len_raw!",
                                          "recv max_len<=0 at Cwf_socket::my_recv!" }));
    EXPECT_EQ(sock_.connected, 1) << "a programming fault leaves the connection alone";
}

TEST_F(WfSocketTest, ExactReadAssemblesPiecesAndFailsWhenThePeerCloses)
{
    connect_to_listener();
    std::thread writer([&] {
        for (const char* piece : { "abc", "defg", "hij" }) {
            write_bytes(peer_, piece);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        write_bytes(peer_, "kl");
        ::shutdown(peer_, SHUT_WR);
    });
    char buffer[16] = {};
    EXPECT_EQ(sock_.my_recv_fixed_len(buffer, 10), 10);
    EXPECT_EQ(std::string(buffer, 10), "abcdefghij");
    EXPECT_EQ(sock_.my_recv_fixed_len(buffer, 5), -1) << "two bytes, then the peer closed";
    writer.join();
    EXPECT_EQ(sock_.my_recv(buffer, 16), 0);
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(WfSocketTest, OneReadReturnsWhatArrived)
{
    connect_to_listener();
    write_bytes(peer_, "12345");
    char buffer[64] = {};
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(sock_.my_recv(buffer, 3), 3);
    EXPECT_EQ(sock_.my_recv(buffer, 64), 2);
    EXPECT_EQ(std::string(buffer, 2), "45");
}

TEST_F(WfSocketTest, FailedReadShowsItsMessageOnlyInMyRecv)
{
    connect_to_listener();
    close_with_reset(peer_);
    peer_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    char buffer[8];
    EXPECT_EQ(sock_.my_recv_some(buffer, 8), -1);
    EXPECT_TRUE(boxes_.texts().empty());
    ASSERT_EQ(sock_.connect_server(), 0);
    peer_ = listener_.accept_one();
    close_with_reset(peer_);
    peer_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(sock_.my_recv(buffer, 8), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Receiving data from server failed, may need reconnect." });
}

TEST_F(WfSocketTest, FullSendBufferWaitsLogsTheTimeOutAndThenCompletes)
{
    connect_to_listener();
    constexpr int messages = 200;
    constexpr int body_len = 8000;
    std::atomic<int> sent { 0 };
    std::thread sender([&] {
        for (int i = 0; i < messages; ++i) {
            std::string message = format_wire_head({ 0, i, 41, body_len }) + std::string(body_len, static_cast<char>(i));
            if (sock_.my_send_fixed_len(message.data(), static_cast<int>(message.size())) == static_cast<int>(message.size()))
                ++sent;
        }
    });
    for (int i = 0; i < 1000 && !log_.contains("wait time out in Cwf_socket::my_send_fixed_len!!!!!!\n"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(log_.contains("wait time out in Cwf_socket::my_send_fixed_len!!!!!!\n"));
    EXPECT_LT(sent.load(), messages) << "the far end has not read yet";

    FdByteSource fd_source(peer_);
    BufferedByteSource source(fd_source);
    std::vector<char> buffer(wire_recv_buffer_len);
    const HeadReaderLines lines { "test", "test format error at:%d.\n", "content is:%s.\n" };
    for (int i = 0; i < messages; ++i) {
        WireHead head;
        ASSERT_EQ(read_wire_message(source, buffer.data(), buffer.size(), lines, head), HeadReadResult::message);
        ASSERT_EQ(head.address, i);
        ASSERT_EQ(std::string(buffer.data() + 20, body_len), std::string(body_len, static_cast<char>(i)));
    }
    sender.join();
    EXPECT_EQ(sent.load(), messages);
    EXPECT_EQ(sock_.connected, 1);
}

TEST_F(WfSocketTest, CloseFromAnotherThreadEndsASendBlockedOnAFullBuffer)
{
    connect_to_listener();
    std::atomic<int> last_result { 1 };
    std::atomic<int> sent { 0 };
    std::thread sender([&] {
        for (int i = 0; i < 1000; ++i) {
            std::string message = format_wire_head({ 0, 0, 41, 8000 }) + std::string(8000, 'f');
            int result = sock_.my_send_fixed_len(message.data(), static_cast<int>(message.size()));
            last_result = result;
            if (result < 0)
                return;
            ++sent;
        }
    });
    int seen = -1;
    while (sent.load() != seen) { // the far end never reads: wait until the sends stop moving
        seen = sent.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ASSERT_LT(seen, 1000);
    auto start = std::chrono::steady_clock::now();
    sock_.close_socket();
    sender.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(last_result, -1);
    EXPECT_EQ(g_status_text.get(), "trying to send data through null socket at main_sock");
}

TEST_F(WfSocketTest, CloseFromAnotherThreadWakesABlockedReader)
{
    connect_to_listener();
    int result = 1;
    std::thread reader([&] {
        char buffer[20];
        result = sock_.my_recv_fixed_len(buffer, 20);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sock_.retry_count = 4;
    EXPECT_EQ(sock_.close_socket(), 0);
    reader.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(sock_.m_sock, 0);
    EXPECT_EQ(sock_.connected, 0);
    EXPECT_EQ(sock_.retry_count, 0);
    EXPECT_EQ(read_bytes(peer_, 1, 1000), "") << "the far end sees the close";
}

TEST_F(WfSocketTest, SendErrorsAreRetriedFifteenTimesThenTheConnectionCloses)
{
    connect_to_listener();
    platform::ManualClock clock(1000);
    platform::set_clock(&clock);
    close_with_reset(peer_);
    peer_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    std::string message = format_wire_head({ 0, 0, 41, 3 }) + "abc";
    EXPECT_EQ(sock_.my_send_fixed_len(message.data(), static_cast<int>(message.size())), -1);
    for (int i = 1; i <= send_retry_limit; ++i)
        EXPECT_TRUE(log_.contains("sleep in my_send_fixed_len, tried_times:" + std::to_string(i) + " (main_sock)\n")) << i;
    EXPECT_EQ(log_count_starting("sleep in my_send_fixed_len"), send_retry_limit);
    EXPECT_TRUE(log_.contains("tried too many times in send_fixed_len(main_sock), closing\n"));
    EXPECT_TRUE(log_.contains("Sending data to server failed in main_sock, may need reconnect.\n"));
    EXPECT_EQ(g_status_text.get(), "Sending data to server failed in main_sock, may need reconnect.");
    EXPECT_EQ(clock.tick_ms(), 1000u + send_retry_limit * send_retry_sleep_ms);
    EXPECT_EQ(sock_.m_sock, 0);
    EXPECT_EQ(sock_.connected, 0);
    EXPECT_EQ(sock_.retry_count, 0);
    EXPECT_EQ(sock_.failure_count, send_retry_limit);
    EXPECT_TRUE(boxes_.texts().empty()) << "a lost connection is no message box";
}

TEST_F(WfSocketTest, WithoutRetryTheFirstSendErrorCloses)
{
    connect_to_listener();
    sock_.retry = 0;
    close_with_reset(peer_);
    peer_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string message = format_wire_head({ 0, 0, 41, 0 });
    EXPECT_LT(sock_.my_send_fixed_len(message.data(), 20), 1);
    EXPECT_EQ(log_count_starting("sleep in my_send_fixed_len"), 0);
    EXPECT_TRUE(log_.contains("Sending data to server failed in main_sock, may need reconnect.\n"));
    EXPECT_EQ(sock_.m_sock, 0);
}

TEST_F(WfSocketTest, RawSendNeverRetriesNeverScramblesAndLeavesTheTick)
{
    connect_to_listener();
    const std::string request = format_wire_head({ 0, 0, 41, 5 }) + "hello";
    sock_.last_send_tick = 77;
    EXPECT_EQ(sock_.my_send_fixed_len_raw(request.data(), static_cast<int>(request.size())),
              static_cast<int>(request.size()));
    std::string got(request.size(), '\0');
    ASSERT_EQ(::recv(peer_, got.data(), got.size(), MSG_WAITALL), static_cast<ssize_t>(got.size()));
    EXPECT_EQ(got, request) << "sent as given";
    EXPECT_EQ(sock_.last_send_tick, 77u);

    // retry is 1, yet the first error closes.
    close_with_reset(peer_);
    peer_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(sock_.my_send_fixed_len_raw(request.data(), static_cast<int>(request.size())), -1);
    EXPECT_EQ(log_count_starting("sleep in my_send_fixed_len"), 0);
    EXPECT_EQ(sock_.retry_count, 0);
    EXPECT_EQ(sock_.failure_count, 0);
    EXPECT_TRUE(log_.contains("Sending data to server failed in main_sock, may need reconnect.\n"));
    EXPECT_EQ(sock_.m_sock, 0);
    EXPECT_EQ(sock_.connected, 0);
}

TEST_F(WfSocketTest, SuccessResetsBothCounters)
{
    connect_to_listener();
    sock_.retry_count = 7;
    sock_.failure_count = 9;
    std::string message = format_wire_head({ 0, 0, 1000, 0 });
    EXPECT_EQ(sock_.my_send_fixed_len(message.data(), 20), 20);
    EXPECT_EQ(sock_.retry_count, 0);
    EXPECT_EQ(sock_.failure_count, 0);
}

TEST_F(WfSocketTest, SendLockTimeOutFailsTheSendAndKeepsTheConnection)
{
    connect_to_listener();
    std::atomic<bool> held { false };
    std::atomic<bool> release { false };
    std::thread holder([&] {
        sock_.send_lock.lock();
        held = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sock_.send_lock.unlock();
    });
    while (!held)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::string message = format_wire_head({ 0, 0, 41, 5 }) + "plain";
    const std::string given = message;
    EXPECT_EQ(sock_.my_send_fixed_len(message.data(), 25), -1);
    EXPECT_EQ(message, given) << "a send that never began leaves the body unscrambled";
    std::string raw = "raw";
    EXPECT_EQ(sock_.my_send_fixed_len_raw(raw.data(), 3), -1);
    release = true;
    holder.join();
    EXPECT_EQ(log_count_starting("wait failed in my_send."), 2);
    EXPECT_EQ(sock_.connected, 1);
    EXPECT_NE(sock_.m_sock, 0);
    EXPECT_EQ(read_bytes(peer_, 1, 100), "") << "nothing went out";
    EXPECT_EQ(sock_.my_send_fixed_len(message.data(), 25), 25);
}

TEST_F(WfSocketTest, ConcurrentSendersNeverInterleave)
{
    connect_to_listener();
    constexpr int senders = 4;
    constexpr int messages_each = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < senders; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < messages_each; ++i) {
                std::string body(4000, static_cast<char>('a' + t));
                std::string message = format_wire_head({ 0, 0, 41 + t, 4000 }) + body;
                sock_.my_send_fixed_len(message.data(), static_cast<int>(message.size()));
            }
        });
    }
    FdByteSource source(peer_);
    std::vector<char> buffer(wire_recv_buffer_len);
    const HeadReaderLines lines { "test", "test format error at:%d.\n", "content is:%s.\n" };
    for (int n = 0; n < senders * messages_each; ++n) {
        WireHead head;
        ASSERT_EQ(read_wire_message(source, buffer.data(), buffer.size(), lines, head), HeadReadResult::message);
        char want = static_cast<char>('a' + head.number - 41);
        ASSERT_EQ(std::string(buffer.data() + 20, 4000), std::string(4000, want));
    }
    for (std::thread& t : threads)
        t.join();
}

TEST_F(WfSocketTest, DescriptorZeroIsNeverTakenForNoConnection)
{
    int saved_stdin = ::dup(0);
    ASSERT_GE(saved_stdin, 0);
    ::close(0);
    sock_.host.set("127.0.0.1");
    sock_.port = listener_.port();
    int result = sock_.connect_server();
    ::dup2(saved_stdin, 0);
    ::close(saved_stdin);
    ASSERT_EQ(result, 0);
    EXPECT_GT(sock_.m_sock, 0);
    peer_ = listener_.accept_one();
    std::string message = format_wire_head({ 0, 0, 1000, 0 });
    EXPECT_EQ(sock_.my_send_fixed_len(message.data(), 20), 20);
    EXPECT_EQ(read_bytes(peer_, 20), message);
}

TEST_F(WfSocketTest, ConnectFailures)
{
    sock_.name.set("main_sock");
    sock_.port = unused_loopback_port();
    sock_.host.set("127.0.0.1");
    EXPECT_EQ(sock_.connect_server(), -1) << "refused";
    EXPECT_TRUE(boxes_.texts().empty()) << "the caller reports a refused connect";
    EXPECT_EQ(sock_.m_sock, 0);
    EXPECT_EQ(sock_.connected, 0);

    sock_.host.set("");
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "error resolving hostname.." });
    sock_.show_errors = 0;
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_EQ(boxes_.texts().size(), 1u) << "show errors 0 keeps the box back";
    EXPECT_EQ(sock_.m_sock, 0);

    // A name that needs a resolver: only where no packet can leave the machine.
    if (const char* netns = std::getenv("TAMBLO_NETNS"); netns && std::string(netns) == "1") {
        sock_.show_errors = 1;
        sock_.host.set("no-such-host.invalid");
        EXPECT_EQ(sock_.connect_server(), -1);
        EXPECT_EQ(boxes_.texts().size(), 2u);
    }
}

TEST_F(WfSocketTest, ConnectReplacesThePreviousConnection)
{
    connect_to_listener();
    ASSERT_EQ(sock_.connect_server(), 0);
    int second = listener_.accept_one();
    ASSERT_GE(second, 0);
    EXPECT_EQ(read_bytes(peer_, 1, 1000), "") << "the first connection was closed";
    std::string message = format_wire_head({ 0, 0, 1000, 0 });
    EXPECT_EQ(sock_.my_send_fixed_len(message.data(), 20), 20);
    EXPECT_EQ(read_bytes(second, 20), message);
    ::close(second);
}

TEST_F(WfSocketTest, ProxySettingsAreReloadedAtEveryConnect)
{
    // The proxy is off: its address is only formatted, never connected to. A
    // first byte above 127 makes the stored integer negative.
    reg_write_int("proxy", "use_proxy", 0);
    reg_write_int("proxy", "proxy_ip", static_cast<int>((192u << 24) | (168u << 16) | (1u << 8) | 20u));
    reg_write_int("proxy", "proxy_port", 3128);
    reg_write_int("proxy", "proxy_type", 2);
    reg_write("proxy", "proxy_user_name", std::string(200, 'u'));
    reg_write("proxy", "proxy_password", "secret");
    connect_to_listener();
    EXPECT_EQ(sock_.proxy_host, "192.168.1.20");
    EXPECT_EQ(sock_.proxy_port, 3128);
    EXPECT_EQ(sock_.proxy_type, 2);
    EXPECT_EQ(sock_.use_proxy, 0);
    EXPECT_EQ(sock_.proxy_user_name, std::string(127, 'u'));
    EXPECT_EQ(sock_.proxy_password, "secret");

    reg_write_int("proxy", "proxy_ip", static_cast<int>((127u << 24) | 1u));
    ASSERT_EQ(sock_.connect_server(), 0);
    EXPECT_EQ(sock_.proxy_host, "127.0.0.1");
}

TEST(SocketErrorText, NamesTheErrorAndTheConnection)
{
    struct Case {
        int error;
        const char* line;
    } cases[] = {
        { EBADF, "WSAENOTSOCK in main_sock sock\n" },
        { ENOTSOCK, "WSAENOTSOCK in main_sock sock\n" },
        { EINVAL, "WSAEINVAL in main_sock sock\n" },
        { EINTR, "WSAEINTR in main_sock sock\n" },
        { EINPROGRESS, "WSAEINPROGRESS in main_sock sock\n" },
        { ENETDOWN, "Net work down in main_sock sock.\n" },
        { ENOMEM, "Unable to allocate resource in main_sock sock\n" },
        { ENOBUFS, "Unable to allocate resource in main_sock sock\n" },
        { ECONNRESET, "Unknown socket error in main_sock sock\n" },
    };
    Cwf_socket s;
    s.name.set("main_sock");
    for (const Case& c : cases) {
        LogCapture log;
        set_last_socket_error(c.error);
        s.socket_error_text();
        EXPECT_EQ(log.lines(), std::vector<std::string> { c.line }) << c.error;
    }
}

} // namespace
