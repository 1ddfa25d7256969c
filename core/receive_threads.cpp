#include "core/receive_threads.h"

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/dbg_log.h"
#include "core/head_reader.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/peer_links.h"
#include "core/receive_dispatch.h"
#include "core/text_util.h"
#include "core/title_status.h"
#include "core/ui_text.h"
#include "core/wire_builders.h"
#include "core/window_messages.h"
#include "platform/sys/clock.h"

#include <array>
#include <atomic>
#include <optional>

AtomicInt g_first_connect_notices_sent { 0 };
AtomicInt g_main_connection_lost { 0 };

namespace {

std::atomic<bool> keep_alive_busy { false };

struct ReceiveLoop {
    Cwf_socket& socket;
    ReceiveConnection connection;
    HeadReaderLines lines;
    const char* receive_failed_line;
};

void copy_chosen_server(Cwf_socket& socket, const char* name)
{
    socket.name.set(name);
    socket.host.set(g_server_host.get());
    socket.port = static_cast<uint16_t>(g_server_port.load());
}

int read_until_ended(const ReceiveLoop& loop);

int run_receive_loop(const ReceiveLoop& loop)
{
    int result = read_until_ended(loop);
    try {
        dispatch_connection_ended(loop.connection);
    } catch (...) {
        dbg_log("exception in %s at its end\n", loop.lines.loop_name);
    }
    return result;
}

int read_until_ended(const ReceiveLoop& loop)
{
    // One zero byte stays behind the largest body, so text bodies end in one.
    std::array<char, wire_recv_buffer_len + 1> buffer {};
    SocketByteSource source(loop.socket);
    // A send that failed closed the socket too: the link is lost, though
    // this loop finds it closed as if by its owner.
    auto closed_by_owner = [&loop] { return loop.socket.m_sock == 0 && loop.socket.send_failed == 0; };
    for (;;) {
        if (closed_by_owner())
            return 0;
        WireHead head;
        HeadReadResult result = read_wire_message(source, buffer.data(), buffer.size(), loop.lines, head);
        if (result == HeadReadResult::failed) {
            // A read woken by the owner's close is no receive error.
            if (closed_by_owner())
                return 0;
            dbg_log("%s", loop.receive_failed_line);
            loop.socket.close_socket();
            return -1;
        }
        if (result == HeadReadResult::skipped)
            continue;
        try {
            dispatch_received_message(loop.connection, head.number, buffer.data() + wire_head_len, head.length,
                                      head.address);
        } catch (...) {
            // The message was read whole: the stream is in step, so one
            // failed handler must not leave the connection open and unread.
            dbg_log("exception in %s handling message %d\n", loop.lines.loop_name, head.number);
        }
    }
}

// The voice, application and file connections: open, wait for the id from
// the server's 80 on the main connection, identify. The thread's result
// when it ends here, nothing when it goes on to receive.
std::optional<int> open_and_identify(Cwf_socket& socket, const char* name, int hello_number, int poll_ms)
{
    Cwf_socket::start_winsock();
    copy_chosen_server(socket, name);
    socket.show_errors = 0;
    socket.connect_server();
    if (socket.m_sock == 0)
        return receive_thread_not_opened;
    if (&socket == &g_voice_sock) {
        socket.set_recv_buffer_size(socket_buffer_bytes);
        socket.set_send_buffer_size(socket_buffer_bytes);
    }
    // Files come in long runs of pieces: the exact read pauses 1 ms whenever
    // it catches up with what has arrived, and with the usual 80 KiB buffer
    // that pause would cap a download near 80 MB/s.
    if (&socket == &g_file_sock)
        socket.set_recv_buffer_size(file_socket_recv_buffer_bytes);
    while (g_my_customer_id < 0) {
        // Closed by the user before the server named us: nothing to identify.
        if (socket.m_sock == 0)
            return 0;
        // The main connection failed or was lost before the id came: no id
        // will come on this link, and waiting would keep the socket for a
        // later connect to find.
        if (g_connected_to_server == 0 || g_main_connection_lost != 0) {
            socket.close_socket();
            return 0;
        }
        platform::sleep_ms(static_cast<uint32_t>(poll_ms));
    }
    // Six characters for every id the server gives; a longer one still
    // goes with the length it has, so the server's stream stays in step.
    const std::string id_text = format_text("%6d", g_my_customer_id.load());
    std::string message = format_wire_head(WireHead { 0, 0, hello_number, static_cast<int>(id_text.size()) }) + id_text;
    socket.my_send_fixed_len(message.data(), static_cast<int>(message.size()));
    return std::nullopt;
}

// The server went away or closed the main connection: the session is over.
// The link flag stays (the user still wants this server, and the status
// light shows the loss) until Disconnect or Reconnect; without the login
// cleared the watchdog would reconnect the other connections for ever with
// an id the server no longer knows.
void main_connection_lost()
{
    g_main_connection_lost = 1;
    g_logged_in = 0;
    g_room_number = -1;
    g_meeting_started = 0;
    g_current_room_name.clear();
    dbg_log("main connection to %s:%d lost.\n", g_main_sock.host.get().c_str(), static_cast<int>(g_main_sock.port.load()));
    set_title_printf("Tamblo");
    set_status_printf("%s", tr_text(main_connection_lost_text).c_str());
    // The members page forgets the room it showed.
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
}

template <class Body>
int guarded(const char* thread_name, Body body)
{
    try {
        return body();
    } catch (...) {
        dbg_log("exception in %s\n", thread_name);
        return -1;
    }
}

} // namespace

int g_recv_thread()
{
    return guarded("g_recv_thread", [] {
        if (g_main_sock.m_sock != 0)
            g_main_sock.close_socket();
        g_main_connection_lost = 0;
        Cwf_socket::start_winsock();
        copy_chosen_server(g_main_sock, "main_sock");
        if (g_main_sock.connect_server() != 0) {
            g_connected_to_server = 0;
            message_box_printf("%s", tr_text("failed to connect.").c_str());
            return receive_thread_not_opened;
        }
        send_cmd(MSG_HELLO_MAIN);
        // A client listening for peers elsewhere than 8199 says so, so that
        // the server's 86 can name the right port.
        std::string identity = g_main_sock.local_address.get();
        if (peer_port_setting() != peer_default_port)
            identity += format_text(":%d", peer_port_setting());
        send_cmd_data(MSG_CLIENT_IDENTITY, cut_copy(identity, identity_text_limit));
        if (!g_first_connect_notices_sent.exchange(1)) {
            send_cmd(MSG_990);
            send_cmd(MSG_SERVER_VERSION_REQUEST);
        }
        if (g_auto_login.exchange(0)) {
            std::string name = g_login_name.get();
            std::string code = g_access_code.get();
            // A server without access codes takes an empty one: a name is
            // enough, or a Reconnect after such a login would not log in.
            if (!name.empty()) {
                g_login_pending = 1;
                send_login(name, code);
            }
            std::string room = g_room_name.get();
            if (!room.empty()) {
                g_join_pending = 1;
                send_join_meeting_room(room, g_room_password.get());
            }
        }
        int result = run_receive_loop({ g_main_sock, ReceiveConnection::main,
                                        { "g_recv_thread", "g_recv_thread command format error at:%d.\n", "content is:%s.\n" },
                                        "g_recv_thread receive first 20 byte failed.\n" });
        if (result < 0)
            main_connection_lost();
        return result;
    });
}

int g_share_app_thread()
{
    return guarded("g_share_app_thread", [] {
        if (g_share_app_sock.m_sock != 0)
            g_share_app_sock.close_socket();
        if (std::optional<int> ended = open_and_identify(g_share_app_sock, "app sock", MSG_HELLO_APP, app_id_poll_ms))
            return *ended;
        return run_receive_loop({ g_share_app_sock, ReceiveConnection::app,
                                  { "g_share_app_thread", "g_share_app_thread command format error at:%d.\n", "content is:%s.\n" },
                                  "g_share_app_sock.m_sock recv<0, g_share_app_thread exiting.\n" });
    });
}

int g_voice_thread()
{
    return guarded("g_voice_thread", [] {
        if (g_voice_sock.m_sock != 0)
            g_voice_sock.close_socket();
        if (std::optional<int> ended = open_and_identify(g_voice_sock, "voice sock", MSG_HELLO_VOICE, id_poll_ms))
            return *ended;
        return run_receive_loop({ g_voice_sock, ReceiveConnection::voice,
                                  { "g_voice_thread", "g_voice_thread command format error at:%d.\n", "content is:%s.\n" },
                                  "g_voice_sock.m_sock recv<0, g_voice_thread exiting.\n" });
    });
}

int g_file_thread()
{
    return guarded("g_file_thread", [] {
        if (g_file_sock.m_sock != 0) {
            dbg_log("g_file_sock.m_sock is not null in g_file_thread!!!!\n");
            g_file_sock.close_socket();
        }
        if (std::optional<int> ended = open_and_identify(g_file_sock, "file sock", MSG_HELLO_FILE, id_poll_ms))
            return *ended;
        return run_receive_loop({ g_file_sock, ReceiveConnection::file,
                                  { "g_file_thread", "g_file_thread command format error at:%d.\n", "content is:%s.\n" },
                                  "g_file_sock.m_sock recv<0, g_file_thread exiting!!!!...\n" });
    });
}

int keep_alive_thread()
{
    if (keep_alive_busy.exchange(true))
        return 0;
    struct ClearBusy {
        ~ClearBusy() { keep_alive_busy = false; }
    } clear_busy;
    return guarded("keep_alive_thread", [] {
        const std::string keep_alive = format_wire_head(WireHead { 0, 0, MSG_KEEP_ALIVE, 0 });
        const std::array<Cwf_socket*, 4> sockets { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock };
        for (;;) {
            uint32_t before_sleep_tick = platform::tick_count();
            platform::sleep_ms(keep_alive_interval_ms);
            if (g_main_sock.m_sock == 0)
                return 0;
            if (!g_main_sock.connected)
                continue;
            const uint32_t slept_ms = platform::tick_count() - before_sleep_tick;
            for (Cwf_socket* socket : sockets) {
                const uint32_t last_send_tick = socket->last_send_tick.load();
                // A send during the sleep lies after the round's tick: the
                // unsigned difference would wrap and call it idle for ages.
                const bool sent_during_sleep = last_send_tick - before_sleep_tick <= slept_ms;
                const uint32_t idle_ms = before_sleep_tick - last_send_tick;
                if (socket->m_sock != 0 && socket->connected && !sent_during_sleep
                    && idle_ms > static_cast<uint32_t>(keep_alive_interval_ms)) {
                    std::string message = keep_alive;
                    socket->my_send_fixed_len(message.data(), static_cast<int>(message.size()));
                }
            }
        }
    });
}
