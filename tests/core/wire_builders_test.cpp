#include "core/wire_builders.h"

#include "core/connections.h"
#include "core/message_box.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class WireBuildersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        for (auto [sock, peer] : { std::pair { &g_main_sock, &main_peer_ }, std::pair { &g_share_app_sock, &app_peer_ } }) {
            sock->host.set("127.0.0.1");
            sock->port = listener_.port();
            ASSERT_EQ(sock->connect_server(), 0);
            *peer = listener_.accept_one();
            ASSERT_GE(*peer, 0);
        }
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        g_share_app_sock.close_socket();
        ::close(main_peer_);
        ::close(app_peer_);
        set_message_box_presenter(nullptr);
    }
    // The head as text and the unscrambled body of the next message at fd.
    static std::pair<std::string, std::string> next_message(int fd) { return next_wire_message(fd); }

    TempHome home_;
    LogCapture log_;
    ScriptedMessageBoxes boxes_;
    LoopbackListener listener_;
    int main_peer_ = -1;
    int app_peer_ = -1;
};

std::string repeated(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST_F(WireBuildersTest, EachBuilderFormatsItsHeadAndBodyOnItsConnection)
{
    struct Case {
        std::function<int()> build;
        bool app_sock;
        const char* head;
        std::string body;
    } cases[] = {
        { [] { return send_cmd(1000); }, false, "   0:   0:1000:   0:", "" },
        { [] { return send_cmd_data(120, "room one:pw"); }, false, "   0:   0: 120:  11:", "room one:pw" },
        { [] { return send_cmd_to_all(41); }, false, "   0: 999:  41:   0:", "" },
        { [] { return send_cmd_data_to_all(42, "hi all"); }, false, "   0: 999:  42:   6:", "hi all" },
        { [] { return send_app_sock_cmd(250, 17, 3); }, true, "   3:  17: 250:   0:", "" },
        { [] { return send_app_sock_cmd_data(251, 999, -1, std::string("a\0b", 3)); }, true, "  -1: 999: 251:   3:",
          std::string("a\0b", 3) },
        { [] { return send_cmd_to_user(77, 1234); }, false, "   0:1234:  77:   0:", "" },
        { [] { return send_cmd_data_to_all(43, std::string(1500, 'x')); }, false, "   0: 999:  43:1024:",
          std::string(1024, 'x') },
        // A text cut at 1024 bytes keeps whole characters: 341 of three bytes.
        { [] { return send_cmd_data_to_all(44, repeated("\xe4\xbc\x9a", 400)); }, false, "   0: 999:  44:1023:",
          repeated("\xe4\xbc\x9a", 341) },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.build(), 0) << c.head;
        auto [head, body] = next_message(c.app_sock ? app_peer_ : main_peer_);
        EXPECT_EQ(head, c.head);
        EXPECT_EQ(body, c.body) << c.head;
    }
    EXPECT_TRUE(log_.lines().empty()) << "nothing to report";
}

TEST_F(WireBuildersTest, OverlongBodyIsCutAndLoggedWhereTheCallerShouldNotPassOne)
{
    send_cmd_data(120, std::string(2000, 'y'));
    auto [head, body] = next_message(main_peer_);
    EXPECT_EQ(head, "   0:   0: 120:1024:");
    EXPECT_EQ(body, std::string(1024, 'y'));
    EXPECT_TRUE(log_.contains("send_cmd_data: body of 2000 bytes cut to 1024.\n"));
}

TEST_F(WireBuildersTest, HeadFieldOutOfRangeSendsNothing)
{
    EXPECT_EQ(send_app_sock_cmd(250, 0, 10000), 0);
    EXPECT_TRUE(log_.contains("send_message: head 10000:0:250:0 does not fit, not sent.\n"));
    send_app_sock_cmd(251, 0, 0);
    EXPECT_EQ(next_message(app_peer_).first, "   0:   0: 251:   0:");
}

TEST_F(WireBuildersTest, BuildersReturnZeroWithoutAConnection)
{
    g_main_sock.close_socket();
    EXPECT_EQ(send_cmd(1000), 0);
    EXPECT_EQ(send_cmd_data(120, "x"), 0);
    EXPECT_TRUE(boxes_.texts().empty());
}

} // namespace
