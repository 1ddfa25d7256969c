#include "core/connections.h"
#include "core/global_state.h"
#include "core/server_notices.h"
#include "core/settings.h"
#include "core/window_messages.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool in_private_network() { return std::getenv("TAMBLO_NETNS") && std::string(std::getenv("TAMBLO_NETNS")) == "1"; }

// A report endpoint: UDP port 8999 of one loopback address.
class ReportEndpoint {
public:
    explicit ReportEndpoint(const char* address = "127.0.0.1")
    {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        ::inet_pton(AF_INET, address, &addr.sin_addr);
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

// Port 8999 is fixed: outside the private network namespace of make test
// anything on this machine may hold it, so the tests run only inside it.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!in_private_network())
            GTEST_SKIP() << "binds UDP port 8999: runs only inside the private network namespace of make test";
        endpoint_ = std::make_unique<ReportEndpoint>();
        ASSERT_TRUE(endpoint_->bound());
        connect_main_to("127.0.0.1");
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        if (peer_ >= 0)
            ::close(peer_);
    }
    // The main connection to a server at address; prefix_ is how its reports begin.
    void connect_main_to(const char* address)
    {
        g_main_sock.close_socket();
        if (peer_ >= 0)
            ::close(peer_);
        listener_ = std::make_unique<LoopbackListener>(address);
        g_main_sock.host.set(address);
        g_main_sock.port = listener_->port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        peer_ = listener_->accept_one();
        prefix_ = g_main_sock.local_address.get() + ":" + address + ":" + std::to_string(listener_->port());
    }
    TempHome home_;
    std::unique_ptr<ReportEndpoint> endpoint_;
    std::unique_ptr<LoopbackListener> listener_;
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
    EXPECT_EQ(endpoint_->next(prefix_), prefix_ + std::string(1, '\0'));

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
    EXPECT_EQ(endpoint_->next(prefix_), prefix_ + ":       1.       9.       4:tamblo-server 1.9.4" + std::string(1, '\0'));
}

// A client of a server on another machine reports to that machine, where the
// service listens, unless the settings name another host.
TEST_F(ReportTest, ReportsGoToTheConnectedServersHostUnlessTheSettingNamesAnother)
{
    ReportEndpoint at_server("127.0.0.2");
    ReportEndpoint at_setting("127.0.0.3");
    ASSERT_TRUE(at_server.bound() && at_setting.bound());
    connect_main_to("127.0.0.2");
    std::string greeting = "hello";
    do_server_hello_from_server(greeting.data(), static_cast<int>(greeting.size()));
    EXPECT_EQ(at_server.next(prefix_), prefix_ + std::string(1, '\0'));

    reg_write("general", "report_host", "127.0.0.3");
    do_server_hello_from_server(greeting.data(), static_cast<int>(greeting.size()));
    EXPECT_EQ(at_setting.next(prefix_), prefix_ + std::string(1, '\0'));
}
