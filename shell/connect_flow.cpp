#include "shell/connect_flow.h"

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/messages.h"
#include "core/receive_threads.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/title_status.h"
#include "core/ui_text.h"
#include "core/wire_builders.h"
#include "platform/sys/clock.h"
#include "platform/sys/threads.h"

#include <memory>

AtomicInt g_server_list_refreshing { 0 };

namespace {

constexpr size_t auto_connect_text_limit = 63;

// Waits in steps until done() holds, cancel is set or max_ms have passed.
template <class Done>
bool wait_until(Done done, int step_ms, int max_ms, const std::atomic<bool>& cancel)
{
    for (int waited_ms = 0;; waited_ms += step_ms) {
        if (done())
            return true;
        if (cancel || waited_ms >= max_ms)
            return false;
        platform::sleep_ms(static_cast<uint32_t>(step_ms));
    }
}

} // namespace

int start_connection_threads()
{
    g_connected_to_server = 1;
    g_main_connection_lost = 0;
    g_my_customer_id = -1;
    bool started = start_receive_thread(ReceiveConnection::main);
    started = start_receive_thread(ReceiveConnection::voice) && started;
    started = start_receive_thread(ReceiveConnection::app) && started;
    started = start_receive_thread(ReceiveConnection::file) && started;
    started = start_keep_alive_thread() && started;
    started = start_connection_watchdog() && started;
    return started ? 0 : -1;
}

int connect_to_current_server()
{
    // A new connection ends the session there is: the server drops this
    // client when its main connection goes, so no login or room is kept.
    if (g_connected_to_server == 1 || g_main_sock.m_sock != 0)
        disconnect_server();
    // A login of the last connection must not make this one's quiet, and a
    // Reconnect that never reached its server must not log this one in.
    g_login_pending = 0;
    g_join_pending = 0;
    g_auto_login = 0;
    return start_connection_threads();
}

int auto_connect_server()
{
    std::string host;
    std::string show_name;
    int port = server_default_port;
    reg_read("general", "auto_connect_server", host, auto_connect_text_limit + 1);
    reg_read_int_or_default("general", "auto_connect_port", port, server_default_port);
    reg_read("general", "auto_connect_server_show_name", show_name, auto_connect_text_limit + 1);
    g_server_host.set(host);
    g_server_port = port;
    g_server_display_name.set(show_name);
    return connect_to_current_server();
}

int disconnect_server()
{
    // The link goes first: the watchdog must not take the connections closed
    // below for lost ones and open them again.
    g_connected_to_server = 0;
    g_main_sock.close_socket();
    g_share_app_sock.close_socket();
    g_voice_sock.close_socket();
    g_file_sock.close_socket();
    g_is_chairman = 0;
    g_is_presenter = 0;
    g_talk_allowed = 0;
    g_remote_controlling = 0;
    platform::sleep_ms(disconnect_wait_ms);
    g_my_customer_id = -1;
    g_connected_to_server = 0;
    g_logged_in = 0;
    g_room_number = -1;
    g_meeting_started = 0;
    g_current_room_name.clear();
    set_title_printf("Tamblo");
    return 0;
}

int reconnect_server()
{
    disconnect_server();
    g_connected_to_server = 1;
    g_auto_login = 1;
    g_my_customer_id = -1;
    return start_connection_threads();
}

StartUpConnection start_up_connection()
{
    StartUpConnection actions;
    if (g_auto_connect_allowed == 1) {
        int auto_connect = 0;
        reg_read_int("general", "auto_connect", auto_connect);
        actions.auto_connect = auto_connect == 1;
    }
    actions.reconnect = g_launch_params_given == 1;
    // A refused or ignored launcher argument still leaves the user a way in;
    // a recording to play needs no server.
    actions.open_connect_dialog = !actions.auto_connect && !actions.reconnect && g_start_play_record == 0;
    return actions;
}

AfterConnected after_connected()
{
    if (g_server_list_refreshing)
        return AfterConnected::ignore;
    g_launch_params_given = 0;
    if (g_logged_in)
        return AfterConnected::nothing;
    // The main receive thread sent the login itself (launcher, Reconnect):
    // a launcher argument without a name or code still gets the dialog.
    if (g_login_pending)
        return AfterConnected::nothing;
    return AfterConnected::open_login_dialog;
}

std::string connected_caption()
{
    return format_text(tr_text("Connected: %s").c_str(), g_server_display_name.get().c_str());
}

ServerListRefresh refresh_server_list(const std::atomic<bool>& cancel)
{
    g_server_list_refreshing = 1;
    struct ClearRefreshing {
        ~ClearRefreshing() { g_server_list_refreshing = 0; }
    } clear_refreshing;

    const int saves_before = g_server_list_saves;
    // In a session the server is asked on the connection there is; opening
    // another main connection would end that session.
    const bool own_connection = !(g_connected_to_server && g_main_sock.m_sock != 0 && g_main_sock.connected);
    auto thread_ended = std::make_shared<std::atomic<bool>>(false);
    if (own_connection) {
        g_my_customer_id = -1;
        g_auto_login = 0; // the question needs no login
        if (!platform::start_thread("refresh_recv", [thread_ended] {
                g_recv_thread();
                *thread_ended = true;
            }))
            return ServerListRefresh::no_connection;
        const bool connected = wait_until([&] { return g_main_sock.connected != 0 || *thread_ended; },
                                          refresh_connect_step_ms, refresh_connect_step_ms * refresh_connect_steps,
                                          cancel);
        if (!connected || g_main_sock.connected == 0) {
            g_main_sock.close_socket();
            return cancel ? ServerListRefresh::cancelled : ServerListRefresh::no_connection;
        }
    }
    send_cmd(MSG_SERVER_LIST_REQUEST);
    const bool saved = wait_until([&] { return g_server_list_saves != saves_before || (own_connection && *thread_ended); },
                                  50, refresh_answer_wait_ms, cancel)
                       && g_server_list_saves != saves_before;
    if (own_connection) {
        g_main_sock.close_socket();
        platform::sleep_ms(refresh_close_wait_ms);
        g_my_customer_id = -1;
    }
    if (saved)
        return ServerListRefresh::saved;
    if (cancel)
        return ServerListRefresh::cancelled;
    dbg_log("no server list from %s:%d in refresh_server_list.\n", g_server_host.get().c_str(), g_server_port.load());
    return ServerListRefresh::no_answer;
}
