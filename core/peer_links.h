#pragma once
// Direct peer links: TCP links between two clients that carry private voice
// without passing through the server. The server names a peer (message 86)
// and this client connects to it; every client also listens for peers
// (port 8199, or the setting "general" / "peer_port"). Ten slots.

#include "core/shared_text.h"
#include "core/wf_socket.h"
#include "core/wire_head.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

inline constexpr int peer_slot_count = 10;
inline constexpr uint16_t peer_default_port = 8199;
inline constexpr int peer_connect_wait_ms = 3000;

struct Cpeer_slot {
    Cpeer_slot();
    Cwf_socket sock;
    std::atomic<int32_t> customer_id { -1 };  // -1: not known yet
    std::atomic<int32_t> in_use { 0 };
    std::atomic<int32_t> connected { 0 };
    std::atomic<int32_t> reader_busy { 0 };
    std::atomic<uint32_t> created_tick { 0 };
    std::atomic<uint32_t> last_activity_tick { 0 };
    SharedText<63> address;  // at most 28 characters stored
    std::atomic<int32_t> port { 0 };
    // Counts the links the slot has held, so that the reader of a replaced
    // link never frees the slot of the link that replaced it.
    std::atomic<uint32_t> generation { 0 };
};

extern std::array<Cpeer_slot, peer_slot_count> g_peer_slots;

void peer_slot_reset(Cpeer_slot& slot);
int peer_slot_exists(int customer_id);
int peer_slot_index(int customer_id);

// Handler of message 86: field 2 is the peer's id, the body its address,
// "a.b.c.d" or "a.b.c.d:port" (a peer listening elsewhere than 8199).
int peer_connect(int customer_id, const char* address, int address_len);

// The host and port of a peer address: the port follows the last ':' when
// digits follow it (8199 when none or out of range); an IPv4-mapped IPv6
// address ("::ffff:a.b.c.d", as a dual-stack server sees a client) becomes
// its dotted IPv4 form, which the client's IPv4 connections can use.
struct PeerAddress {
    std::string host;
    int port = peer_default_port;
};
PeerAddress peer_address_split(std::string_view text);

// Sends a whole message on the link to the peer: 0 when sent, 1 when there is
// no link, -1 when the send failed (the link is then closed and its slot freed).
int peer_link_send(int customer_id, char* message, int length);

// Talk messages read from a link (613, 615, 617), with the head and the
// unscrambled body.
using PeerTalkHandler = std::function<void(const WireHead& head, const char* body, int length)>;
void set_peer_talk_handler(PeerTalkHandler handler);

// The port this client listens on; the environment variable
// TAMBLO_PEER_PORT overrides the setting (tests run many clients at once).
int peer_listen_port();
// The port of the setting alone (8199 when it names none): what the 84 tells the server.
int peer_port_setting();

void g_peer_server_thread();
void g_peer_recv_thread();
// Reads one link; generation is the slot's when its reader was started.
int g_peer_one_client_thread(int index, uint32_t generation);
// Starts the peer server and the peer receiver (program start).
int start_peer_threads();
