// The speed test without its window: the ten messages it sends, the result
// from the time between the first and the last answer, and no sending
// without a server.

#include "core/connections.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "dialogs/net_speed.h"
#include "platform/sys/clock.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

struct ResultCase {
    int sent_ok;
    int failed;
    uint32_t elapsed_ms;
    const char* text;
};

TEST(NetSpeed, ResultTellsTheTimeAndTheBytesASecondOfBothWays)
{
    const ResultCase cases[] = {
        { 10, 0, 250, "Result: success send:10, failed send:0, total time used:250 millisecond.\n Network speed is:80000 byte/s" },
        { 9, 1, 1, "Result: success send:9, failed send:1, total time used:1 millisecond.\n Network speed is:20000000 byte/s" },
        { 10, 0, 30000, "Result: success send:10, failed send:0, total time used:30000 millisecond.\n Network speed is:666 byte/s" },
        { 10, 0, 0, "Your network speed is extremely fast!" },
    };
    for (const ResultCase& c : cases)
        EXPECT_EQ(net_speed_result_text(c.sent_ok, c.failed, c.elapsed_ms), c.text) << c.elapsed_ms;
}

TEST(NetSpeed, TenMessagesOfAThousandBytesGoOnTheFileConnectionAndTheAnswersTimeThem)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    LoopbackListener listener;
    g_file_sock.host.set("127.0.0.1");
    g_file_sock.port = listener.port();
    ASSERT_EQ(g_file_sock.connect_server(), 0);
    int server = listener.accept_one();
    ASSERT_GE(server, 0);
    g_connected_to_server = 1;
    platform::ManualClock clock(5000);
    platform::set_clock(&clock);

    NetSpeedTest test;
    ASSERT_EQ(test.start(), 0);
    EXPECT_EQ(test.sent_ok(), 10);
    EXPECT_EQ(test.send_failed(), 0);
    const std::string body(1000, '\x01');
    for (int i = 0; i < 10; ++i) {
        auto [head, got] = next_wire_message(server);
        int number = i == 0 ? 670 : i == 9 ? 672 : 671;
        EXPECT_EQ(head, format_wire_head(WireHead { 0, 0, number, 1000 })) << i;
        EXPECT_EQ(got, body) << i;
    }
    clock.set(7000);
    EXPECT_EQ(test.on_first_answer(), 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(test.on_answer(), 2 + i);
    clock.set(7250);
    EXPECT_EQ(test.on_result(),
              "Result: success send:10, failed send:0, total time used:250 millisecond.\n Network speed is:80000 byte/s");
    EXPECT_EQ(test.answers(), 10);
    EXPECT_TRUE(boxes.texts().empty());

    // The server gone and the connection with it: nothing is sent, the user is told.
    ::close(server);
    g_file_sock.close_socket();
    EXPECT_EQ(test.start(), -1);
    g_connected_to_server = 0;
    EXPECT_EQ(test.start(), -1);
    EXPECT_EQ(test.sent_ok() + test.send_failed(), 0);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Must connect to server before testing net speed.",
                                                         "Must connect to server before testing net speed." }));
    platform::set_clock(nullptr);
}

} // namespace
