#pragma once
// LAN multicast: clients of one room on one network receive shared-screen
// tiles once over the group instead of once each from the server, and elect
// one of them as master to re-send tiles for the others.
//
// On this platform the own address is the local address of the main server
// connection (the host name says nothing: it resolves to 127.0.1.1), and both
// the group membership and outgoing datagrams use that address's interface.
// Before any connection it is the first non-loopback IPv4 address, else 0.

#include "core/wire_head.h"
#include "platform/sys/timed_lock.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

inline constexpr char multicast_group_address[] = "225.8.88.66";
inline constexpr int multicast_group_port = 1559;
inline constexpr int multicast_ttl = 2;
inline constexpr int multicast_buffer_bytes = 81920;
inline constexpr int multicast_send_limit = 40950;
inline constexpr int multicast_recv_buffer_len = 10240;
inline constexpr int multicast_recv_max = 10239;
inline constexpr int multicast_body_limit = 10000;
inline constexpr int multicast_election_body_len = 12;

// The two sockets share one shape.
class Cwf_multicast_socket {
public:
    Cwf_multicast_socket();
    ~Cwf_multicast_socket();
    Cwf_multicast_socket(const Cwf_multicast_socket&) = delete;
    Cwf_multicast_socket& operator=(const Cwf_multicast_socket&) = delete;

    int close();
    void set_group(const std::string& address, int port_number);

    std::string group_address() const;  // at most 100 characters
    std::atomic<int> port { 0 };
    std::atomic<int> open { 0 };
    std::atomic<int> m_sock { 0 };      // 0: no socket
    platform::TimedMutex send_lock;

protected:
    // The descriptor, shared by every call using it: close() shuts it down,
    // which wakes a thread waiting on it, and it is released only when the
    // last call still using it returns, so a number reused by a new socket is
    // never read by mistake.
    struct Handle;
    std::shared_ptr<Handle> adopt(int fd);
    std::shared_ptr<Handle> current_handle() const;

    mutable std::mutex group_lock_;
    std::string group_address_;

private:
    mutable std::mutex handle_lock_;
    std::shared_ptr<Handle> handle_;
};

class Cwf_multicast_recv_socket : public Cwf_multicast_socket {
public:
    int do_open();
    // One datagram of at most max_len bytes; the sender's address and port
    // (network order) when asked. -1 without a socket or on failure.
    int my_recv(char* buffer, int max_len, uint32_t* from_address = nullptr, uint16_t* from_port = nullptr);
    // Waits up to wait_ms for a datagram: 1 readable, 0 not yet, -1 no socket.
    int wait_readable(int wait_ms);
    // Joins the group on the interface of interface_address (network order);
    // leaves the interface joined before. 0 or -1.
    int join_on(uint32_t interface_address);
    uint32_t joined_interface() const { return joined_interface_; }

private:
    std::atomic<uint32_t> joined_interface_ { 0 };
};

class Cwf_multicast_send_socket : public Cwf_multicast_socket {
public:
    int do_open();
    int my_send(const char* message, int length);
    // The port the datagrams leave from (host order), 0 while closed.
    uint16_t local_port() const { return local_port_; }

private:
    int set_interface_locked(int fd, uint32_t interface_address);
    std::atomic<uint16_t> local_port_ { 0 };
    uint32_t interface_address_ = 0;
};

// They live as long as the process: their threads are never joined.
extern Cwf_multicast_recv_socket& g_multicast_recv_sock;
extern Cwf_multicast_send_socket& g_multicast_send_sock;

// Election state; all 0 at start.
extern std::atomic<int32_t> g_my_ip_address;  // little-endian reading of the address; -1: unknown
extern std::atomic<int32_t> g_master_idle_count;
extern std::atomic<int32_t> g_master_electing;
extern std::atomic<int32_t> g_master_electing_count;
extern std::atomic<int32_t> g_is_multicast_master;

int multicast_send(const char* message, int length);
int send_multicast_cmd(const char* body, int length, int number, int field2);
// The own address as an integer (its four bytes read little-endian), 0 when
// the machine has none but loopback, -1 when the interfaces cannot be read.
int32_t get_my_ip_address();
// The interface address (network order) multicast uses now; 0 when none.
uint32_t multicast_interface_address();

// The datagram filter: true when the datagram is taken; head then holds its
// fields with the length cut to 10000, and body_len the body bytes present.
bool multicast_datagram_accepted(const char* data, int length, int room_number, WireHead& head, int& body_len);

// Who sent an election message: the address in its body and its source port.
// Clients on one machine share an address, so the port breaks the tie.
struct MulticastSender {
    int32_t address = 0;
    uint16_t port = 0;
};
void do_master_electing_from_multicast(const MulticastSender& sender);
void do_master_stable_from_multicast(const MulticastSender& sender);

// One step of the election; send(number) sends 980 or 981 with the own address.
void multicast_master_step(const std::function<int(int number)>& send);
// The election's step, one second; tests make it shorter.
void set_multicast_election_step_ms(int step_ms);

// Tile messages of the group go to the viewer once it installs itself.
using MulticastTileHandler = std::function<void(const WireHead& head, const char* body, int body_len)>;
void set_multicast_tile_handler(MulticastTileHandler handler);

// The thread bodies; they run until the process ends.
void g_multicast_recv_thread();
void g_multicast_master_thread();
// Start-up: the receiver first, then the election; each starts once per process.
bool start_multicast_recv_thread();
bool start_multicast_master_thread();
