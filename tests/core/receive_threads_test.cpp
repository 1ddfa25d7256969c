// The four receive threads against the real tamblo-server, and the main
// thread against a scripted server on loopback for what a real server
// never sends.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "sharing/sharing_messages.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "core/wire_head.h"
#include "tests/core/loopback.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <poll.h>
#include <regex>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

Cwf_socket* const all_sockets[] = { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock };

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class ReceiveThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        reset_receive_handlers();
        // The id arrives in the server's 80; the login messages' handler stores it.
        set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
        g_my_customer_id = -1;
        g_auto_login = 0;
        g_connected_to_server = 1;
        g_main_connection_lost = 0;
        g_server_host.set("127.0.0.1");
    }
    void TearDown() override
    {
        for (Cwf_socket* socket : all_sockets)
            socket->close_socket();
        for (auto& thread : threads_)
            thread.wait();
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
        g_my_customer_id = -1;
    }

    std::shared_future<int> start(int (*thread)())
    {
        threads_.push_back(std::async(std::launch::async, thread).share());
        return threads_.back();
    }

    static bool ends_within(const std::shared_future<int>& thread, std::chrono::milliseconds wait = 5s)
    {
        return thread.wait_for(wait) == std::future_status::ready;
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    LogCapture log_;
    std::vector<std::shared_future<int>> threads_;
};

TEST_F(ReceiveThreads, FourConnectionsIdentifyAnswerEachQueryOnceAndEndWithZeroWhenClosed)
{
    ServerProcess server;
    g_server_port = server.port();
    auto main = start(g_recv_thread);
    auto voice = start(g_voice_thread);
    auto app = start(g_share_app_thread);
    auto file = start(g_file_thread);

    ASSERT_TRUE(server.wait_for_log("client 1000: voice connection"));
    ASSERT_TRUE(server.wait_for_log("client 1000: app connection"));
    ASSERT_TRUE(server.wait_for_log("client 1000: file connection"));
    ASSERT_TRUE(server.wait_for_log("client 1000: identity 127.0.0.1"));
    EXPECT_EQ(g_my_customer_id, 1000);
    EXPECT_EQ(g_main_sock.name.get(), "main_sock");
    EXPECT_EQ(g_share_app_sock.name.get(), "app sock");
    EXPECT_EQ(g_voice_sock.name.get(), "voice sock");
    EXPECT_EQ(g_file_sock.name.get(), "file sock");
    ASSERT_TRUE(server.wait_for_log("client 1000: answer 646"));
    std::this_thread::sleep_for(50ms);
    for (const char* answer : { "answer 622", "answer 628", "answer 636", "answer 646" })
        EXPECT_EQ(occurrences(server.log_text(), answer), 1u) << answer;

    // Main last: losing it makes the server close the other three itself.
    for (Cwf_socket* socket : { &g_file_sock, &g_voice_sock, &g_share_app_sock, &g_main_sock })
        socket->close_socket();
    for (auto* thread : { &main, &voice, &app, &file }) {
        ASSERT_TRUE(ends_within(*thread));
        EXPECT_EQ(thread->get(), 0);
    }
    EXPECT_FALSE(log_.contains("g_recv_thread receive first 20 byte failed.\n"));
}

TEST_F(ReceiveThreads, OtherConnectionsWaitForTheIdBeforeIdentifying)
{
    ServerProcess server;
    g_server_port = server.port();
    auto voice = start(g_voice_thread);
    auto file = start(g_file_thread);
    ASSERT_TRUE(server.wait_for_log("connection from 127.0.0.1"));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(server.log_text().find("voice connection"), std::string::npos);
    EXPECT_EQ(server.log_text().find("identification"), std::string::npos);

    start(g_recv_thread);
    EXPECT_TRUE(server.wait_for_log("client 1000: voice connection"));
    EXPECT_TRUE(server.wait_for_log("client 1000: file connection"));
}

TEST_F(ReceiveThreads, ServerGoingAwayEndsEachThreadWithMinusOneAndItsLine)
{
    ServerProcess server;
    g_server_port = server.port();
    auto main = start(g_recv_thread);
    auto voice = start(g_voice_thread);
    auto app = start(g_share_app_thread);
    auto file = start(g_file_thread);
    ASSERT_TRUE(server.wait_for_log("client 1000: file connection"));
    ASSERT_TRUE(server.wait_for_log("client 1000: app connection"));
    ASSERT_TRUE(server.wait_for_log("client 1000: voice connection"));
    server.stop();
    for (auto* thread : { &main, &voice, &app, &file }) {
        ASSERT_TRUE(ends_within(*thread));
        EXPECT_EQ(thread->get(), -1);
    }
    EXPECT_TRUE(log_.contains("g_recv_thread receive first 20 byte failed.\n"));
    EXPECT_TRUE(log_.contains("g_voice_sock.m_sock recv<0, g_voice_thread exiting.\n"));
    EXPECT_TRUE(log_.contains("g_share_app_sock.m_sock recv<0, g_share_app_thread exiting.\n"));
    EXPECT_TRUE(log_.contains("g_file_sock.m_sock recv<0, g_file_thread exiting!!!!...\n"));
    for (Cwf_socket* socket : all_sockets)
        EXPECT_EQ(socket->m_sock, 0);
}

TEST_F(ReceiveThreads, NoServerEndsWith999AndOnlyMainSaysSo)
{
    g_server_port = unused_loopback_port();
    auto main = start(g_recv_thread);
    ASSERT_TRUE(ends_within(main));
    EXPECT_EQ(main.get(), 999);
    EXPECT_EQ(g_connected_to_server, 0);
    auto texts = boxes_.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "failed to connect."), texts.end());

    boxes_.clear();
    for (int (*thread)() : { g_voice_thread, g_share_app_thread, g_file_thread }) {
        auto other = start(thread);
        ASSERT_TRUE(ends_within(other));
        EXPECT_EQ(other.get(), 999);
    }
    EXPECT_TRUE(boxes_.texts().empty());
}

// Remote input both ways between the program's core and a headless peer,
// through the real server: the relay rewrites field 2 to the sender.
class RecordingShareView : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        std::lock_guard lock(lock_);
        received_.push_back({ msg, static_cast<int>(static_cast<intptr_t>(wparam)), static_cast<int>(lparam) });
        return 0;
    }
    std::vector<std::array<int, 3>> received()
    {
        std::lock_guard lock(lock_);
        std::vector<std::array<int, 3>> out;
        for (const auto& r : received_)
            out.push_back({ static_cast<int>(r.msg), r.x, r.y });
        return out;
    }

private:
    struct Entry {
        uint32_t msg;
        int x;
        int y;
    };
    std::mutex lock_;
    std::vector<Entry> received_;
};

TEST_F(ReceiveThreads, RemoteInputTravelsBetweenTheProgramAndAPeerInTheSameRoom)
{
    ServerProcess server;
    g_server_port = server.port();
    install_sharing_handlers();
    set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
    g_login_name.set("sharer");
    g_access_code.set("any");
    g_room_name.set("Lobby");
    g_room_password.set("");
    g_room_number = -1;
    g_auto_login = 1;
    RecordingShareView view;
    WindowSlotBinding binding(WindowSlot::share_view, &view);
    start(g_recv_thread);
    for (int i = 0; i < 1000 && g_room_number < 0; ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_GE(g_room_number, 0);

    HeadlessPeer viewer("viewer");
    ASSERT_EQ(viewer.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GT(viewer.join_room("Lobby"), 0);
    // Input reaches the program only while it shares and lets this viewer steer.
    ASSERT_EQ(viewer.send(PeerChannel::main, MSG_REMOTE_APP_LBUTTON_DOWN, g_my_customer_id, "   1:   1"), 0);
    ASSERT_EQ(send_share_app_allow_control(g_my_customer_id), 0);
    ASSERT_EQ(send_share_app_start(g_my_customer_id), 0);
    ASSERT_TRUE(server.wait_for_log("shares an application"));
    ASSERT_EQ(viewer.send(PeerChannel::main, MSG_REQUEST_APP_CONTROL, g_my_customer_id), 0);
    ASSERT_TRUE(viewer.await_number(MSG_APP_CONTROL_ALLOWED));
    ASSERT_EQ(viewer.send(PeerChannel::main, MSG_REMOTE_APP_LBUTTON_DOWN, g_my_customer_id, "  30:  40"), 0);
    for (int i = 0; i < 1000 && view.received().empty(); ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(view.received().size(), 1u);
    EXPECT_EQ(view.received()[0], (std::array<int, 3> { static_cast<int>(WM_MY_MSG_REMOTE_APP_LBUTTON_DOWN), 30, 40 }));

    // The sharer itself steers nothing: its input goes nowhere.
    ASSERT_EQ(send_app_mouse_move(viewer.customer_id(), 7, -8), 0);
    EXPECT_TRUE(server.wait_for_log("remote input 62 from " + std::to_string(g_my_customer_id.load())));
    EXPECT_EQ(viewer.count(MSG_REMOTE_APP_MOUSE_MOVE), 0u);
}

// A scripted server: the test reads what the main thread sends and writes
// what it likes.
class ScriptedServer : public ReceiveThreads {
protected:
    void SetUp() override
    {
        ReceiveThreads::SetUp();
        g_server_port = listener_.port();
    }

    int accept_main()
    {
        main_ = start(g_recv_thread);
        peer_ = listener_.accept_one();
        return peer_;
    }
    void TearDown() override
    {
        ReceiveThreads::TearDown();
        if (peer_ >= 0)
            ::close(peer_);
    }

    // One message from the client; the body unscrambled.
    std::pair<WireHead, std::string> read_message(int wait_ms = 5000)
    {
        std::string head = read_bytes(peer_, wire_head_len, wait_ms);
        WireHead parsed { -1, -1, -1, -1 };
        if (head.size() != wire_head_len || !parse_wire_head(head.data(), parsed))
            return { parsed, {} };
        std::string body = read_bytes(peer_, static_cast<size_t>(parsed.length), wait_ms);
        scramble_message_body(body.data(), static_cast<int>(body.size()));
        return { parsed, body };
    }

    bool nothing_more(int wait_ms = 200)
    {
        pollfd p { peer_, POLLIN, 0 };
        return ::poll(&p, 1, wait_ms) == 0;
    }

    LoopbackListener listener_;
    int peer_ = -1;
    std::shared_future<int> main_;
};

TEST_F(ScriptedServer, OpensWith80And84ThenTheFirstConnectionNoticesOnce)
{
    g_first_connect_notices_sent = 0;
    for (int round = 0; round < 2; ++round) {
        ASSERT_GE(accept_main(), 0);
        auto [hello, hello_body] = read_message();
        EXPECT_EQ(hello.number, MSG_HELLO_MAIN);
        EXPECT_EQ(hello.length, 0);
        auto [identity, identity_body] = read_message();
        EXPECT_EQ(identity.number, MSG_CLIENT_IDENTITY);
        EXPECT_EQ(identity_body, "127.0.0.1");
        if (round == 0) {
            EXPECT_EQ(read_message().first.number, MSG_990);
            EXPECT_EQ(read_message().first.number, MSG_SERVER_VERSION_REQUEST);
        }
        EXPECT_TRUE(nothing_more());
        g_main_sock.close_socket();
        ASSERT_TRUE(ends_within(main_));
        EXPECT_EQ(main_.get(), 0);
        ::close(peer_);
        peer_ = -1;
    }
}

TEST_F(ScriptedServer, IdentificationHeadCountsTheIdItCarries)
{
    const struct {
        int id;
        std::string body;
    } cases[] = { { 1001, "  1001" }, { 1234567, "1234567" } };
    for (const auto& c : cases) {
        g_my_customer_id = c.id;
        auto voice = start(g_voice_thread);
        peer_ = listener_.accept_one();
        ASSERT_GE(peer_, 0);
        auto [hello, body] = read_message();
        EXPECT_EQ(hello.number, MSG_HELLO_VOICE) << c.id;
        EXPECT_EQ(hello.length, static_cast<int>(c.body.size())) << c.id;
        EXPECT_EQ(body, c.body) << c.id;
        EXPECT_TRUE(nothing_more()) << c.id << ": nothing behind the body the head announced";
        g_voice_sock.close_socket();
        ASSERT_TRUE(ends_within(voice));
        EXPECT_EQ(voice.get(), 0);
        ::close(peer_);
        peer_ = -1;
    }
}

TEST_F(ScriptedServer, AHandlerThatThrowsIsLoggedAndTheLoopGoesOn)
{
    g_first_connect_notices_sent = 1;
    set_main_handler(MSG_CHAT_TEXT, [](const char*, int, int) { throw std::runtime_error("handler failed"); });
    ASSERT_GE(accept_main(), 0);
    read_message();
    read_message();
    ASSERT_TRUE(write_bytes(peer_, scrambled_message(WireHead { 0, 0, MSG_CHAT_TEXT, 2 }, "hi")
                                       + scrambled_message(WireHead { 0, 0, MSG_QUERY_621, 0 }, "")));
    EXPECT_EQ(read_message().first.number, MSG_ANSWER_622);
    EXPECT_TRUE(log_.contains("exception in g_recv_thread handling message 41\n"));
    EXPECT_EQ(main_.wait_for(0ms), std::future_status::timeout) << "still receiving";
}

// A send that fails (the keep-alive, say) closes the connection before the
// reading thread hears of it: the session is still lost, not closed by the user.
TEST_F(ScriptedServer, ASendThatFailsFirstStillEndsTheSessionAsLost)
{
    g_first_connect_notices_sent = 1;
    ASSERT_GE(accept_main(), 0);
    read_message();
    read_message();
    // Our side of the link can no longer send; reading is untouched.
    ASSERT_EQ(::shutdown(g_main_sock.m_sock, SHUT_WR), 0);
    send_cmd(MSG_KEEP_ALIVE);
    ASSERT_TRUE(ends_within(main_));
    EXPECT_EQ(main_.get(), -1);
    EXPECT_EQ(g_main_connection_lost, 1);
    EXPECT_TRUE(log_.contains("g_recv_thread receive first 20 byte failed.\n"));
}

TEST_F(ScriptedServer, AutoLoginSendsLoginAndJoinOnce)
{
    g_first_connect_notices_sent = 1;
    g_auto_login = 1;
    g_login_name.set("anna");
    g_access_code.set("secret");
    g_room_name.set("room one");
    g_room_password.set("pw");
    g_login_pending = 0;
    g_join_pending = 0;
    ASSERT_GE(accept_main(), 0);
    read_message();
    read_message();
    auto [login, login_body] = read_message();
    EXPECT_EQ(login.number, MSG_LOGIN);
    EXPECT_EQ(login_body, "anna:secret");
    auto [join, join_body] = read_message();
    EXPECT_EQ(join.number, MSG_ROOM_JOIN);
    EXPECT_EQ(join_body, "room one:pw");
    EXPECT_EQ(g_auto_login, 0);
    EXPECT_EQ(g_login_pending, 1);
    EXPECT_EQ(g_join_pending, 1);
}

TEST_F(ScriptedServer, AutoLoginWithoutAnAccessCodeStillLogsIn)
{
    g_first_connect_notices_sent = 1;
    g_auto_login = 1;
    g_login_name.set("anna");
    g_access_code.clear();
    g_room_name.clear();
    g_login_pending = 0;
    ASSERT_GE(accept_main(), 0);
    read_message();
    read_message();
    auto [login, login_body] = read_message();
    EXPECT_EQ(login.number, MSG_LOGIN);
    EXPECT_EQ(login_body, "anna:");
    EXPECT_EQ(g_login_pending, 1);
    // No room stored: no join.
    EXPECT_TRUE(nothing_more());
}

TEST_F(ScriptedServer, MalformedTrafficIsSkippedAndTheStreamStaysInStep)
{
    g_first_connect_notices_sent = 1;
    ASSERT_GE(accept_main(), 0);
    read_message();
    read_message();

    // A bad head is followed by one discarding read; let it take only its junk.
    ASSERT_TRUE(write_bytes(peer_, "   0;   0:  35:   0:junk after the head"));
    std::this_thread::sleep_for(300ms);
    std::string script;
    script += scrambled_message(WireHead { 0, 0, MSG_MODE_CHAIRMAN, 9000 }, std::string(9000, 'x'));  // too long: skipped whole
    script += "   0:   0:  35:  -4:";                                                                // negative: nothing to read
    script += scrambled_message(WireHead { 0, 0, 130, 10 }, "0123456789");                           // in a range, no case
    script += scrambled_message(WireHead { 0, 0, MSG_PRIVATE_VOICE_85, 3 }, "abc");                  // no case at all
    script += scrambled_message(WireHead { 0, 0, MSG_QUERY_621, 0 }, "");
    script += scrambled_message(WireHead { 0, 0, MSG_MODE_CHAIRMAN, 0 }, "");
    g_chairman_control_mode = 0;
    ASSERT_TRUE(write_bytes(peer_, script));

    auto [answer, answer_body] = read_message();
    EXPECT_EQ(answer.number, MSG_ANSWER_622);
    EXPECT_EQ(answer.length, 0);
    EXPECT_TRUE(nothing_more());
    for (int i = 0; i < 200 && g_chairman_control_mode == 0; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(g_chairman_control_mode, 1);
    EXPECT_TRUE(log_.contains("g_recv_thread command format error at:4.\n"));
    EXPECT_TRUE(log_.contains("content is:   0;   0:  35:   0:.\n"));
    EXPECT_TRUE(log_.contains("g_recv_thread skipped a body of 9000 bytes.\n"));
    EXPECT_TRUE(log_.contains("g_recv_thread skipped a body of -4 bytes.\n"));
    EXPECT_EQ(main_.wait_for(0ms), std::future_status::timeout) << "still connected";
}

TEST_F(ScriptedServer, TextBodiesAreFollowedByAZeroByte)
{
    g_first_connect_notices_sent = 1;
    std::promise<std::string> seen;
    set_main_handler(MSG_CHAT_TEXT, [&seen](const char* body, int len, int) {
        seen.set_value(std::string(body, static_cast<size_t>(len)) + (body[len] == '\0' ? "|zero" : "|no zero"));
    });
    ASSERT_GE(accept_main(), 0);
    read_message();
    read_message();
    // A long message first fills the buffer; the short one after must still end in a zero.
    std::string script = scrambled_message(WireHead { 0, 0, MSG_SERVER_TEXT_792, 8172 }, std::string(8172, 'y'))
                       + scrambled_message(WireHead { 0, 0, MSG_CHAT_TEXT, 5 }, "hello");
    ASSERT_TRUE(write_bytes(peer_, script));
    auto got = seen.get_future();
    ASSERT_EQ(got.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(got.get(), "hello|zero");
}

} // namespace
