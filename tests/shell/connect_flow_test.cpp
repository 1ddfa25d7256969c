// Connecting, disconnecting, reconnecting, the watchdog and the server-list
// refresh against the real tamblo-server, with headless peers beside the
// program's own connections. No windows: posted messages go nowhere.

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"
#include "core/wire_head.h"
#include "tests/core/loopback.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds wait = 20s)
{
    auto until = std::chrono::steady_clock::now() + wait;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

bool all_four_open()
{
    for (Cwf_socket* s : { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock })
        if (s->m_sock == 0)
            return false;
    return true;
}

class ConnectFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        reset_receive_handlers();
        install_control_handlers();
        load_default_servers();
        g_my_customer_id = -1;
        g_connected_to_server = 0;
        g_logged_in = 0;
        g_auto_login = 0;
        g_login_pending = 0;
        g_join_pending = 0;
        g_room_number = -1;
        g_room_name.clear();
        g_room_password.clear();
        g_server_host.set("127.0.0.1");
        g_server_display_name.set("Test server");
    }
    void TearDown() override
    {
        disconnect_server();
        stop_connection_watchdog();
        wait_for([] {
            return receive_threads_running(ReceiveConnection::main) + receive_threads_running(ReceiveConnection::app)
                       + receive_threads_running(ReceiveConnection::voice) + receive_threads_running(ReceiveConnection::file)
                   == 0;
        });
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
    }

    // Connects to the server and logs in as name, then enters room.
    void meet(ServerProcess& server, const std::string& name, const std::string& room)
    {
        g_server_port = server.port();
        ASSERT_EQ(connect_to_current_server(), 0);
        ASSERT_TRUE(wait_for([] { return g_my_customer_id >= 0 && all_four_open(); }));
        ASSERT_TRUE(server.wait_for_log(format_text("client %d: file connection", g_my_customer_id.load())));
        ASSERT_EQ(send_login_from_dialog(name, "code"), 0);
        ASSERT_TRUE(wait_for([] { return g_logged_in == 1; }));
        ASSERT_EQ(join_room(room, "", false), 0);
        ASSERT_TRUE(wait_for([] { return g_room_number >= 0; }));
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    LogCapture log_;
};

} // namespace

TEST_F(ConnectFlow, ConnectOpensAndIdentifiesEveryConnectionAndStartsOneWatchdog)
{
    ServerProcess server;
    g_server_port = server.port();
    ASSERT_EQ(connect_to_current_server(), 0);
    EXPECT_EQ(g_connected_to_server, 1);
    ASSERT_TRUE(wait_for([] { return g_my_customer_id >= 0; }));
    const int id = g_my_customer_id;
    for (const char* kind : { "voice", "app", "file" })
        EXPECT_TRUE(server.wait_for_log(format_text("client %d: %s connection", id, kind))) << kind;
    // Waited for, not only checked: were the started one not running yet, the
    // call below would itself become the watchdog and never return.
    ASSERT_TRUE(wait_for([] { return connection_watchdog_running(); }));
    // The connect flow starts a watchdog every time; only one runs.
    EXPECT_EQ(connection_watchdog_thread(), 0);
    EXPECT_TRUE(all_four_open());
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ConnectFlow, DisconnectEndsTheSessionAndTheWatchdogLeavesItClosed)
{
    ServerProcess server;
    meet(server, "ann", "Lobby");
    const int restarts = connection_watchdog_restarts(ReceiveConnection::voice);
    disconnect_server();
    EXPECT_EQ(g_connected_to_server, 0);
    EXPECT_EQ(g_logged_in, 0);
    EXPECT_EQ(g_room_number, -1);
    EXPECT_EQ(g_my_customer_id, -1);
    EXPECT_TRUE(g_current_room_name.empty());
    // The stored login and room stay for a Reconnect.
    EXPECT_EQ(g_login_name.get(), "ann");
    EXPECT_EQ(g_room_name.get(), "Lobby");
    std::this_thread::sleep_for(300ms);
    for (Cwf_socket* s : { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock })
        EXPECT_EQ(s->m_sock, 0) << s->name.get();
    EXPECT_EQ(connection_watchdog_restarts(ReceiveConnection::voice), restarts);
    EXPECT_EQ(occurrences(server.log_text(), "main connection from"), 1u);
}

TEST_F(ConnectFlow, ReconnectLogsInAndJoinsTheStoredRoomByItself)
{
    ServerProcess server;
    meet(server, "ann", "Lobby");
    const int first_id = g_my_customer_id;
    ASSERT_EQ(reconnect_server(), 0);
    ASSERT_TRUE(wait_for([&] { return g_my_customer_id >= 0 && g_my_customer_id != first_id; }));
    ASSERT_TRUE(wait_for([] { return g_logged_in == 1 && g_room_number >= 0; }));
    EXPECT_TRUE(server.wait_for_log(format_text("ann (%d) entered room", g_my_customer_id.load())));
    // The main receive thread did both: the frame stays quiet and opens no room dialog.
    EXPECT_EQ(after_connected(), AfterConnected::nothing);
    LoginSuccess success = after_login_success();
    EXPECT_FALSE(success.show_success);
    EXPECT_TRUE(success.stop);
    EXPECT_TRUE(wait_for(all_four_open));
}

TEST_F(ConnectFlow, WatchdogBringsBackAVoiceConnectionTheServerClosedAndTheMeetingGoesOn)
{
    ServerProcess server;
    HeadlessPeer peer("bob");
    ASSERT_EQ(peer.connect("127.0.0.1", server.port()), 0);
    ASSERT_GE(peer.join_room("Lobby"), 0);
    meet(server, "ann", "Lobby");
    const int id = g_my_customer_id;

    std::atomic<int> talk_blocks { 0 };
    set_voice_handler(MSG_TALK_SILENCE, [&](const char*, int, int) { ++talk_blocks; });
    ASSERT_EQ(peer.send(PeerChannel::voice, MSG_TALK_SILENCE, 0, "silence"), 0);
    ASSERT_TRUE(wait_for([&] { return talk_blocks == 1; }));

    // Another connection naming our id takes the voice slot: the server
    // closes ours, as it does for any replaced connection.
    HeadlessPeer intruder("intruder");
    ASSERT_EQ(intruder.open_only(PeerChannel::voice, "127.0.0.1", server.port()), 0);
    ASSERT_EQ(intruder.send(PeerChannel::voice, MSG_HELLO_VOICE, 0, format_text("%6d", id)), 0);
    ASSERT_TRUE(wait_for([] { return connection_watchdog_restarts(ReceiveConnection::voice) >= 1; }));
    EXPECT_TRUE(log_.contains("g_voice_sock.m_sock recv<0, g_voice_thread exiting.\n"));
    // Ours identified again and took the slot back from the intruder.
    EXPECT_TRUE(intruder.await_closed(PeerChannel::voice));
    // The server may close the intruder before its log line is written.
    const std::string replaced = format_text("client %d: voice connection replaced", id);
    EXPECT_TRUE(wait_for([&] { return occurrences(server.log_text(), replaced) == 2u; }))
        << occurrences(server.log_text(), replaced);
    EXPECT_EQ(g_my_customer_id, id);
    EXPECT_EQ(g_room_number >= 0, true);

    ASSERT_EQ(peer.send(PeerChannel::voice, MSG_TALK_SILENCE, 0, "silence"), 0);
    EXPECT_TRUE(wait_for([&] { return talk_blocks == 2; }));
    // The other connections were left alone.
    EXPECT_EQ(connection_watchdog_restarts(ReceiveConnection::app), 0);
    EXPECT_EQ(connection_watchdog_restarts(ReceiveConnection::file), 0);
}

TEST_F(ConnectFlow, ServerStoppedMidMeetingEndsTheLinkAndReconnectBringsTheMeetingBack)
{
    auto server = std::make_unique<ServerProcess>();
    const uint16_t port = server->port();
    meet(*server, "ann", "Lobby");
    const int restarts_before = connection_watchdog_restarts(ReceiveConnection::app)
                                + connection_watchdog_restarts(ReceiveConnection::voice)
                                + connection_watchdog_restarts(ReceiveConnection::file);
    server->stop();
    ASSERT_TRUE(wait_for([] { return g_main_connection_lost == 1; }));
    // The link stays until the user disconnects or reconnects: the status light shows the loss.
    EXPECT_EQ(g_connected_to_server, 1);
    EXPECT_EQ(g_logged_in, 0);
    EXPECT_EQ(g_room_number, -1);
    EXPECT_EQ(g_status_text.get(), "Connection to server lost, please reconnect.");
    EXPECT_EQ(g_title_text.get(), "Tamblo");
    // No reconnecting of the other connections into a server that is gone.
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(connection_watchdog_restarts(ReceiveConnection::app) + connection_watchdog_restarts(ReceiveConnection::voice)
                  + connection_watchdog_restarts(ReceiveConnection::file),
              restarts_before);

    server = std::make_unique<ServerProcess>(std::vector<std::string> { "--listen", format_text("127.0.0.1:%d", port) });
    ASSERT_EQ(server->port(), port);
    ASSERT_EQ(reconnect_server(), 0);
    ASSERT_TRUE(wait_for([] { return g_logged_in == 1 && g_room_number >= 0; }));
    EXPECT_TRUE(server->wait_for_log("ann (1000) entered room"));
    EXPECT_TRUE(wait_for(all_four_open));
}

TEST_F(ConnectFlow, AutoConnectTakesTheStoredServer)
{
    ServerProcess server;
    reg_write("general", "auto_connect_server", "127.0.0.1");
    reg_write_int("general", "auto_connect_port", server.port());
    reg_write("general", "auto_connect_server_show_name", "Stored");
    g_server_port = 1;
    ASSERT_EQ(auto_connect_server(), 0);
    EXPECT_EQ(g_server_port, server.port());
    EXPECT_EQ(g_server_display_name.get(), "Stored");
    EXPECT_EQ(connected_caption(), "Connected: Stored");
    EXPECT_TRUE(server.wait_for_log("client 1000: file connection"));
}

TEST_F(ConnectFlow, AnUnresolvableHostIsSaidOnceAndNothingRetries)
{
    g_server_host.set("no-such-host.invalid");
    g_server_port = 9081;
    ASSERT_EQ(connect_to_current_server(), 0);
    ASSERT_TRUE(wait_for([] { return g_connected_to_server == 0 && receive_threads_running(ReceiveConnection::main) == 0; }, 20s));
    ASSERT_TRUE(wait_for([&] { return boxes_.texts().size() >= 2; }));
    std::vector<std::string> texts = boxes_.texts();
    EXPECT_EQ(texts, (std::vector<std::string> { "error resolving hostname..", "failed to connect." }));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(boxes_.texts().size(), 2u);
}

TEST_F(ConnectFlow, RefreshAsksTheServerForItsListAndSavesIt)
{
    std::string config = home_.root() + "/server.ini";
    std::ofstream(config) << "[servers]\nserver = Second:127.0.0.1:9095\nserver = Third:127.0.0.1:9096\n";
    ServerProcess server({ "--config", config });
    g_server_port = server.port();
    std::atomic<bool> cancel { false };
    EXPECT_EQ(refresh_server_list(cancel), ServerListRefresh::saved);
    EXPECT_EQ(server_entry_copy(4).show_name.data(), std::string("Second"));
    EXPECT_EQ(server_entry_copy(5).port, 9096);
    // The question's connection is closed again and no login was asked for.
    EXPECT_EQ(g_main_sock.m_sock, 0);
    EXPECT_EQ(g_server_list_refreshing, 0);
    EXPECT_EQ(server.log_text().find("login"), std::string::npos);
}

TEST_F(ConnectFlow, RefreshInASessionAsksOnItsOwnConnection)
{
    ServerProcess server;
    meet(server, "ann", "Lobby");
    std::atomic<bool> cancel { false };
    // The server has no list to hand out; its end of list still comes.
    EXPECT_EQ(refresh_server_list(cancel), ServerListRefresh::saved);
    EXPECT_NE(g_main_sock.m_sock, 0);
    EXPECT_GE(g_room_number, 0);
    EXPECT_EQ(occurrences(server.log_text(), "main connection from"), 1u);
}

TEST_F(ConnectFlow, RefreshWithoutAServerSaysSoAndEnds)
{
    {
        ServerProcess gone;
        g_server_port = gone.port();
    }
    std::atomic<bool> cancel { false };
    EXPECT_EQ(refresh_server_list(cancel), ServerListRefresh::no_connection);
    EXPECT_EQ(g_server_list_refreshing, 0);
}

// A server that is not a tamblo-server: it accepts the four connections and
// does what the test says on the main one (the one that speaks first).
class OddServer : public ConnectFlow {
protected:
    int accept_main()
    {
        g_server_port = listener_.port();
        if (connect_to_current_server() != 0)
            return -1;
        for (int i = 0; i < 4; ++i) {
            int fd = listener_.accept_one();
            if (fd < 0)
                return -1;
            accepted_.push_back(fd);
        }
        std::vector<pollfd> polled;
        for (int fd : accepted_)
            polled.push_back({ fd, POLLIN, 0 });
        if (::poll(polled.data(), polled.size(), 5000) <= 0)
            return -1;
        for (const pollfd& p : polled)
            if ((p.revents & POLLIN) && read_bytes(p.fd, wire_head_len).size() == wire_head_len)
                return p.fd;
        return -1;
    }
    void TearDown() override
    {
        ConnectFlow::TearDown();
        for (int fd : accepted_)
            ::close(fd);
    }
    static bool threads_ended()
    {
        return receive_threads_running(ReceiveConnection::main) + receive_threads_running(ReceiveConnection::app)
                   + receive_threads_running(ReceiveConnection::voice) + receive_threads_running(ReceiveConnection::file)
               == 0;
    }

    LoopbackListener listener_;
    std::vector<int> accepted_;
};

TEST_F(OddServer, ClosingDuringTheGreetingEndsTheLinkAndEveryThread)
{
    int main = accept_main();
    ASSERT_GE(main, 0);
    write_bytes(main, scrambled_message(WireHead { 0, 0, MSG_HELLO_MAIN, 4 }, "1000").substr(0, 22));
    ::shutdown(main, SHUT_RDWR);
    ASSERT_TRUE(wait_for([] { return g_main_connection_lost == 1; }));
    EXPECT_EQ(g_status_text.get(), "Connection to server lost, please reconnect.");
    // The others were waiting for an id that never comes: they give up.
    EXPECT_TRUE(wait_for(threads_ended));
    for (Cwf_socket* s : { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock })
        EXPECT_EQ(s->m_sock, 0) << s->name.get();
    EXPECT_TRUE(log_.contains("g_recv_thread receive first 20 byte failed.\n"));
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(OddServer, GarbageIsLoggedAndSkippedAndDisconnectStillEndsIt)
{
    int main = accept_main();
    ASSERT_GE(main, 0);
    std::string garbage;
    for (int i = 0; i < 4000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 251));
    ASSERT_TRUE(write_bytes(main, garbage));
    ASSERT_TRUE(wait_for([&] {
        for (const std::string& line : log_.lines())
            if (line.find("g_recv_thread command format error at:") != std::string::npos)
                return true;
        return false;
    }));
    EXPECT_EQ(g_connected_to_server, 1);
    EXPECT_EQ(g_my_customer_id, -1);
    disconnect_server();
    EXPECT_TRUE(wait_for(threads_ended));
}

TEST_F(OddServer, ASilentServerKeepsNothingWaitingOnceTheUserDisconnects)
{
    ASSERT_GE(accept_main(), 0);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(g_my_customer_id, -1);
    EXPECT_EQ(receive_threads_running(ReceiveConnection::voice), 1);
    auto before = std::chrono::steady_clock::now();
    disconnect_server();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_TRUE(wait_for(threads_ended));
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ConnectFlow, ConnectingAgainEndsTheSessionThereIs)
{
    ServerProcess server;
    meet(server, "ann", "Lobby");
    const int first_id = g_my_customer_id;
    ASSERT_EQ(connect_to_current_server(), 0);
    // Not logged in and in no room: the server dropped the old client.
    EXPECT_EQ(g_logged_in, 0);
    EXPECT_EQ(g_room_number, -1);
    ASSERT_TRUE(wait_for([&] { return g_my_customer_id >= 0 && g_my_customer_id != first_id; }));
    EXPECT_TRUE(server.wait_for_log(format_text("ann (%d) left room", first_id)));
    EXPECT_TRUE(wait_for(all_four_open));
}
