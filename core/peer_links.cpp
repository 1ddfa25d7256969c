#include "core/peer_links.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/head_reader.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/ui_text.h"
#include "platform/sys/clock.h"
#include "platform/sys/threads.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

std::array<Cpeer_slot, peer_slot_count> g_peer_slots;

namespace {

std::mutex g_peer_handler_lock;
PeerTalkHandler g_peer_talk_handler;
// Picking and filling a slot happens on three threads; one lock keeps two of
// them from taking the same slot.
std::mutex g_peer_pick_lock;

void show(const char* text) { message_box_printf("%s", tr_text(text).c_str()); }

// The first slot not in use; when all are, the one used longest ago (on
// equal ticks the later slot). Its old link is closed and it is marked in use.
Cpeer_slot& take_slot()
{
    int pick = -1;
    for (int i = 0; i < peer_slot_count && pick < 0; ++i)
        if (!g_peer_slots[static_cast<size_t>(i)].in_use)
            pick = i;
    if (pick < 0) {
        pick = 0;
        for (int i = 1; i < peer_slot_count; ++i)
            if (g_peer_slots[static_cast<size_t>(i)].last_activity_tick <= g_peer_slots[static_cast<size_t>(pick)].last_activity_tick)
                pick = i;
    }
    Cpeer_slot& slot = g_peer_slots[static_cast<size_t>(pick)];
    ++slot.generation;
    slot.sock.close_socket();
    peer_slot_reset(slot);
    slot.in_use = 1;
    slot.last_activity_tick = platform::tick_count();
    return slot;
}

void close_and_reset(Cpeer_slot& slot)
{
    slot.sock.close_socket();
    peer_slot_reset(slot);
}

} // namespace

Cpeer_slot::Cpeer_slot()
{
    sock.name.set("peer sock");
    // A peer that cannot be reached is not the user's business, and the
    // receive thread that connects must not wait long for it: without the
    // link the voice goes through the server.
    sock.show_errors = 0;
    sock.connect_wait_ms = peer_connect_wait_ms;
    peer_slot_reset(*this);
}

void peer_slot_reset(Cpeer_slot& slot)
{
    slot.customer_id = -1;
    slot.in_use = 0;
    slot.connected = 0;
    slot.reader_busy = 0;
    slot.created_tick = 0;
    slot.last_activity_tick = 0;
    slot.address.clear();
    slot.port = 0;
}

int peer_slot_index(int customer_id)
{
    for (int i = 0; i < peer_slot_count; ++i) {
        Cpeer_slot& s = g_peer_slots[static_cast<size_t>(i)];
        if (s.in_use && s.sock.m_sock != 0 && s.customer_id == customer_id)
            return i;
    }
    return -1;
}

int peer_slot_exists(int customer_id) { return peer_slot_index(customer_id) >= 0 ? 1 : 0; }

int peer_connect(int customer_id, const char* address, int address_len)
{
    if (peer_slot_exists(customer_id))
        return 0;
    std::string body(address ? address : "", address ? static_cast<size_t>(std::max(address_len, 0)) : 0);
    PeerAddress peer = peer_address_split(cut_copy(body, 50));
    const std::string& text = peer.host;
    int port = peer.port;
    Cpeer_slot* picked = nullptr;
    {
        std::lock_guard<std::mutex> hold(g_peer_pick_lock);
        picked = &take_slot();
    }
    Cpeer_slot& slot = *picked;
    slot.sock.host.set(text);
    slot.sock.port = static_cast<uint16_t>(port);
    if (slot.sock.connect_server() != 0) {
        dbg_log("connect to peer %d at %s:%d failed in peer_connect.\n", customer_id, text.c_str(), port);
        close_and_reset(slot);
        return -1;
    }
    uint32_t now = platform::tick_count();
    slot.connected = 1;
    slot.created_tick = now;
    slot.last_activity_tick = now;
    slot.address.set(cut_copy(text, 28));
    slot.port = port;
    slot.customer_id = customer_id;
    char hello[wire_head_len + 1] = {};
    format_wire_head(hello, WireHead { 0, g_my_customer_id, MSG_PEER_HELLO, 0 });
    slot.sock.my_send_fixed_len(hello, static_cast<int>(wire_head_len));
    return 0;
}

PeerAddress peer_address_split(std::string_view text)
{
    PeerAddress out;
    size_t colon = text.rfind(':');
    std::string_view tail = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    bool port_follows = !tail.empty() && tail.size() <= 5
        && std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (port_follows) {
        int p = std::atoi(std::string(tail).c_str());
        if (p > 0 && p < 65536)
            out.port = p;
        text = text.substr(0, colon);
    }
    constexpr std::string_view mapped = "::ffff:";
    if (text.size() > mapped.size() && text.substr(0, mapped.size()) == mapped
        && text.find(':', mapped.size()) == std::string_view::npos)
        text.remove_prefix(mapped.size());
    out.host.assign(text);
    return out;
}

int peer_link_send(int customer_id, char* message, int length)
{
    int index = peer_slot_index(customer_id);
    if (index < 0)
        return 1;
    Cpeer_slot& slot = g_peer_slots[static_cast<size_t>(index)];
    if (slot.sock.my_send_fixed_len(message, length) != length) {
        dbg_log("send to peer %d failed in peer_link_send.\n", customer_id);
        close_and_reset(slot);
        return -1;
    }
    slot.last_activity_tick = platform::tick_count();
    return 0;
}

void set_peer_talk_handler(PeerTalkHandler handler)
{
    std::lock_guard<std::mutex> hold(g_peer_handler_lock);
    g_peer_talk_handler = std::move(handler);
}

int peer_port_setting()
{
    int port = 0;
    reg_read_int_or_default("general", "peer_port", port, peer_default_port);
    return port > 0 && port < 65536 ? port : peer_default_port;
}

int peer_listen_port()
{
    int port = 0;
    if (const char* env = std::getenv("TAMBLO_PEER_PORT"); env && *env)
        port = std::atoi(env);
    else
        reg_read_int_or_default("general", "peer_port", port, peer_default_port);
    return port > 0 && port < 65536 ? port : peer_default_port;
}

void g_peer_server_thread()
{
    try {
        if (Cwf_socket::start_winsock() != 0) {
            show("start win sock failed in g_peer_server_thread.");
            return;
        }
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            show("create socket failed!");
            return;
        }
        int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in at {};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_ANY);
        at.sin_port = htons(static_cast<uint16_t>(peer_listen_port()));
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
            show("peer socket server bind failed.");
            ::close(fd);
            return;
        }
        if (::listen(fd, 5) != 0) {
            show("peer socket server listen failed.");
            ::close(fd);
            return;
        }
        for (;;) {
            sockaddr_in from {};
            socklen_t from_len = sizeof from;
            int client = ::accept4(fd, reinterpret_cast<sockaddr*>(&from), &from_len, SOCK_CLOEXEC);
            if (client < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                show("accept failed.");
                ::close(fd);
                return;
            }
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
            std::lock_guard<std::mutex> hold(g_peer_pick_lock);
            Cpeer_slot& slot = take_slot();
            slot.sock.attach_connected(client);
            uint32_t now = platform::tick_count();
            slot.connected = 1;
            slot.created_tick = now;
            slot.last_activity_tick = now;
            slot.address.set(cut_copy(text, 28));
            slot.port = ntohs(from.sin_port);
        }
    } catch (...) {
        dbg_log("exception in g_peer_server_thread.\n");
    }
}

void g_peer_recv_thread()
{
    try {
        for (;;) {
            std::vector<pollfd> watch;
            std::vector<int> slots;
            for (int i = 0; i < peer_slot_count; ++i) {
                Cpeer_slot& s = g_peer_slots[static_cast<size_t>(i)];
                int fd = s.sock.m_sock;
                // A link still connecting holds its socket already; polled
                // then it reports a hang-up and its reader would close it.
                if (s.in_use && s.connected && fd != 0 && !s.reader_busy) {
                    watch.push_back(pollfd { fd, POLLIN, 0 });
                    slots.push_back(i);
                }
            }
            if (watch.empty()) {
                platform::sleep_ms(10);
                continue;
            }
            // A short wait, so that slots taken meanwhile are watched soon.
            int n = ::poll(watch.data(), watch.size(), 10);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                show("select error in g_peer_recv_thread.");
                return;
            }
            for (size_t k = 0; k < watch.size(); ++k) {
                if (!(watch[k].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                int index = slots[k];
                Cpeer_slot& s = g_peer_slots[static_cast<size_t>(index)];
                if (s.reader_busy)
                    continue;
                s.reader_busy = 1;
                // The reader must own the link polled here, not one that
                // takes the slot before the thread starts.
                const uint32_t generation = s.generation;
                if (!platform::start_thread("peer_client",
                                            [index, generation] { g_peer_one_client_thread(index, generation); }))
                    s.reader_busy = 0;
            }
        }
    } catch (...) {
        dbg_log("exception in g_peer_recv_thread.\n");
    }
}

int g_peer_one_client_thread(int index, uint32_t generation)
{
    if (index < 0 || index >= peer_slot_count)
        return -1;
    Cpeer_slot& slot = g_peer_slots[static_cast<size_t>(index)];
    auto release_slot = [&](bool close) {
        std::lock_guard<std::mutex> hold(g_peer_pick_lock);
        if (slot.generation != generation)
            return;  // the slot holds a newer link now
        if (close)
            slot.sock.close_socket();
        peer_slot_reset(slot);
    };
    try {
        std::vector<char> buffer(wire_recv_buffer_len);
        SocketByteSource source(slot.sock);
        static const HeadReaderLines lines { "g_peer_one_client_thread",
                                             "g_peer_one_client_thread command format error at:%d.\n",
                                             "content is:%s.\n" };
        for (;;) {
            if (slot.sock.m_sock == 0 || slot.generation != generation) {
                release_slot(false);
                return 0;
            }
            WireHead head;
            HeadReadResult r = read_wire_message(source, buffer.data(), buffer.size(), lines, head);
            if (r == HeadReadResult::failed) {
                release_slot(true);
                return -1;
            }
            if (r == HeadReadResult::skipped)
                continue;
            slot.last_activity_tick = platform::tick_count();
            const char* body = buffer.data() + wire_head_len;
            switch (head.number) {
            case MSG_TALK_Z_B:
            case MSG_TALK_SILENCE_B:
            case MSG_TALK_DCT_Z_B: {
                PeerTalkHandler handler;
                {
                    std::lock_guard<std::mutex> hold(g_peer_handler_lock);
                    handler = g_peer_talk_handler;
                }
                if (handler)
                    handler(head, body, head.length);
                break;
            }
            case MSG_PEER_HELLO:
                if (slot.generation == generation)
                    slot.customer_id = head.address;
                break;
            default:
                break;  // nothing else travels on a peer link
            }
        }
    } catch (...) {
        dbg_log("exception in g_peer_one_client_thread.\n");
        release_slot(true);
        return -1;
    }
}

int start_peer_threads()
{
    static std::once_flag once;
    int rc = 0;
    std::call_once(once, [&] {
        if (!platform::start_thread("peer_server", g_peer_server_thread) ||
            !platform::start_thread("peer_recv", g_peer_recv_thread))
            rc = -1;
    });
    return rc;
}
