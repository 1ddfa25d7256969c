#include "core/connections.h"
#include "core/global_state.h"
#include "core/server_notices.h"
#include "core/settings.h"
#include "core/window_messages.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The report endpoint on this machine: UDP 127.0.0.1:8999.
class ReportEndpoint {
public:
    ReportEndpoint()
    {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(report_port);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~ReportEndpoint() { ::close(fd_); }
    bool bound() const { return bound_; }
    // The next datagram that starts with prefix, as it came; empty after
    // wait_ms. Clients of other tests running meanwhile report to this port
    // too, each with its own server port in the text.
    std::string next(const std::string& prefix, int wait_ms = 2000)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            pollfd p { fd_, POLLIN, 0 };
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1)
                return {};
            char buffer[4096];
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            std::string got = n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
            if (got.rfind(prefix, 0) == 0)
                return got;
        }
    }

private:
    int fd_ = -1;
    bool bound_ = false;
};

class Frame : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        if (msg == WM_MY_MSG_CONNECTED)
            greeting.assign(reinterpret_cast<const char*>(wparam), static_cast<size_t>(lparam));
        return 0;
    }
    std::string greeting;
};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(endpoint_.bound());
        g_main_sock.host.set("127.0.0.1");
        g_main_sock.port = listener_.port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        peer_ = listener_.accept_one();
        prefix_ = g_main_sock.local_address.get() + ":127.0.0.1:" + std::to_string(listener_.port());
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        ::close(peer_);
    }
    TempHome home_;
    ReportEndpoint endpoint_;
    LoopbackListener listener_;
    int peer_ = -1;
    std::string prefix_;
};

} // namespace

TEST_F(ReportTest, GreetingIsKeptReportedAndShown)
{
    EXPECT_EQ(g_main_sock.local_address.get(), "127.0.0.1");
    Frame frame;
    WindowSlotBinding binding(WindowSlot::main_frame, &frame);
    std::string greeting = "Welcome to the test server";
    do_server_hello_from_server(greeting.data(), static_cast<int>(greeting.size()));
    EXPECT_EQ(g_server_greeting.get(), greeting);
    EXPECT_EQ(frame.greeting, greeting);
    EXPECT_EQ(endpoint_.next(prefix_), prefix_ + std::string(1, '\0'));

    std::string long_greeting(3000, 'g');
    do_server_hello_from_server(long_greeting.data(), static_cast<int>(long_greeting.size()));
    EXPECT_EQ(frame.greeting.size(), 2047u);
}

TEST_F(ReportTest, ServerVersionTextIsStoredThenReported)
{
    std::string version = "       1:       9:       4";
    do_server_version_from_server(version.data(), static_cast<int>(version.size()));
    std::string text = "tamblo-server 1.9.4";
    do_server_version_text_from_server(text.data(), static_cast<int>(text.size()));
    std::string stored;
    reg_read("general", "server_version_str", stored, 241);
    EXPECT_EQ(stored, text);
    EXPECT_EQ(endpoint_.next(prefix_), prefix_ + ":       1.       9.       4:tamblo-server 1.9.4" + std::string(1, '\0'));
}
