#include "core/lan_multicast.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "platform/sys/clock.h"
#include "platform/sys/threads.h"

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

Cwf_multicast_recv_socket& g_multicast_recv_sock = *new Cwf_multicast_recv_socket;
Cwf_multicast_send_socket& g_multicast_send_sock = *new Cwf_multicast_send_socket;

std::atomic<int32_t> g_my_ip_address { 0 };
std::atomic<int32_t> g_master_idle_count { 0 };
std::atomic<int32_t> g_master_electing { 0 };
std::atomic<int32_t> g_master_electing_count { 0 };
std::atomic<int32_t> g_is_multicast_master { 0 };

namespace {

std::atomic<int> g_election_step_ms { 1000 };
std::mutex g_tile_handler_lock;
MulticastTileHandler g_tile_handler;

// The four bytes of an address (network order in memory) read as a little-endian integer.
int32_t address_as_integer(uint32_t network_order)
{
    std::array<uint8_t, 4> b {};
    std::memcpy(b.data(), &network_order, 4);
    return static_cast<int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
}

// The local address of the main server connection (network order), 0 without one.
uint32_t main_connection_address()
{
    if (g_main_sock.connected.load() == 0)
        return 0;
    std::string dotted = g_main_sock.local_address.get();
    in_addr address {};
    if (dotted.empty() || ::inet_pton(AF_INET, dotted.c_str(), &address) != 1)
        return 0;
    return address.s_addr;
}

// The first IPv4 address of an interface that is up and not loopback; 0 when
// none, and ok false when the interfaces cannot be read.
uint32_t first_network_address(bool& ok)
{
    ok = true;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        ok = false;
        return 0;
    }
    uint32_t found = 0;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET && (a->ifa_flags & IFF_UP) && !(a->ifa_flags & IFF_LOOPBACK)) {
            found = reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr;
            break;
        }
    }
    ::freeifaddrs(list);
    return found;
}

int set_buffers(int fd)
{
    int bytes = multicast_buffer_bytes;
    int r1 = ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int r2 = ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    return r1 == 0 && r2 == 0 ? 0 : -1;
}

int open_udp_socket(bool reuse)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (fd == 0) {
        // Descriptor 0 would read as "no socket".
        int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        ::close(fd);
        fd = moved;
    }
    int one = 1;
    if (fd > 0 && reuse)
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    return fd;
}

bool bind_any(int fd, int port_number)
{
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_ANY);
    at.sin_port = htons(static_cast<uint16_t>(port_number));
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0;
}

bool group_sockaddr(const Cwf_multicast_socket& sock, sockaddr_in& out)
{
    out = {};
    out.sin_family = AF_INET;
    out.sin_port = htons(static_cast<uint16_t>(sock.port.load()));
    return ::inet_pton(AF_INET, sock.group_address().c_str(), &out.sin_addr) == 1;
}

int send_election_message(int number)
{
    std::string body = format_text("%12d", g_my_ip_address.load());
    return send_multicast_cmd(body.data(), static_cast<int>(body.size()), number, 0);
}

} // namespace

struct Cwf_multicast_socket::Handle {
    explicit Handle(int fd_in) : fd(fd_in) {}
    ~Handle() { ::close(fd); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    const int fd;
};

Cwf_multicast_socket::Cwf_multicast_socket() = default;

Cwf_multicast_socket::~Cwf_multicast_socket() { close(); }

std::shared_ptr<Cwf_multicast_socket::Handle> Cwf_multicast_socket::adopt(int fd)
{
    auto h = std::make_shared<Handle>(fd);
    std::lock_guard lock(handle_lock_);
    handle_ = h;
    m_sock = fd;
    return h;
}

std::shared_ptr<Cwf_multicast_socket::Handle> Cwf_multicast_socket::current_handle() const
{
    std::lock_guard lock(handle_lock_);
    return handle_;
}

int Cwf_multicast_socket::close()
{
    std::shared_ptr<Handle> h;
    {
        std::lock_guard lock(handle_lock_);
        h.swap(handle_);
        m_sock = 0;
    }
    open = 0;
    if (h)
        ::shutdown(h->fd, SHUT_RDWR); // wakes a receive thread waiting on it, also for a datagram socket
    return 0;
}

void Cwf_multicast_socket::set_group(const std::string& address, int port_number)
{
    std::lock_guard lock(group_lock_);
    group_address_ = cut_copy(address, 100);
    port = port_number;
}

std::string Cwf_multicast_socket::group_address() const
{
    std::lock_guard lock(group_lock_);
    return group_address_;
}

int Cwf_multicast_recv_socket::do_open()
{
    close();
    int fd = open_udp_socket(true);
    if (fd < 0) {
        message_box_printf("%s", tr_text("create multicast recv socket failed!").c_str());
        return -1;
    }
    if (!bind_any(fd, port)) {
        dbg_log("error bind in multicast_recv_socket...\n");
        ::close(fd);
        return -1;
    }
    std::shared_ptr<Handle> h = adopt(fd);
    joined_interface_ = 0;
    // The group is joined on the main connection's interface once there is one.
    uint32_t interface_address = main_connection_address();
    if (interface_address != 0 && join_on(interface_address) != 0) {
        message_box_printf("%s", tr_text("cannot join multicast group in muliticast_recv_socket do open").c_str());
        close();
        return -1;
    }
    set_buffers(h->fd);
    open = 1;
    return 0;
}

int Cwf_multicast_recv_socket::join_on(uint32_t interface_address)
{
    std::shared_ptr<Handle> h = current_handle();
    if (!h || interface_address == 0)
        return -1;
    const int fd = h->fd;
    ip_mreq request {};
    if (::inet_pton(AF_INET, group_address().c_str(), &request.imr_multiaddr) != 1)
        return -1;
    uint32_t previous = joined_interface_.exchange(0);
    if (previous != 0) {
        request.imr_interface.s_addr = previous;
        ::setsockopt(fd, IPPROTO_IP, IP_DROP_MEMBERSHIP, &request, sizeof request);
    }
    request.imr_interface.s_addr = interface_address;
    if (::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
        return -1;
    joined_interface_ = interface_address;
    return 0;
}

int Cwf_multicast_recv_socket::wait_readable(int wait_ms)
{
    std::shared_ptr<Handle> h = current_handle();
    if (!h)
        return -1;
    pollfd p { h->fd, POLLIN, 0 };
    int r = ::poll(&p, 1, wait_ms);
    if (r < 0)
        return errno == EINTR ? 0 : -1;
    return r > 0 ? 1 : 0;
}

int Cwf_multicast_recv_socket::my_recv(char* buffer, int max_len, uint32_t* from_address, uint16_t* from_port)
{
    if (max_len < 1) {
        message_box_printf("%s", tr_text("recv max_len<=0 at Cwf_multicast_recv_socket::my_recv!").c_str());
        return -1;
    }
    if (open == 0)
        do_open();
    std::shared_ptr<Handle> h = current_handle();
    if (!h)
        return -1;
    sockaddr_in from {};
    socklen_t from_len = sizeof from;
    ssize_t got = ::recvfrom(h->fd, buffer, static_cast<size_t>(max_len), 0, reinterpret_cast<sockaddr*>(&from), &from_len);
    // A socket shut down by close() while this waited reads as empty.
    if (got < 0 || (got == 0 && current_handle() != h))
        return -1;
    if (from_address)
        *from_address = from.sin_addr.s_addr;
    if (from_port)
        *from_port = from.sin_port;
    return static_cast<int>(got);
}

int Cwf_multicast_send_socket::do_open()
{
    close();
    int fd = open_udp_socket(true);
    if (fd < 0) {
        message_box_printf("%s", tr_text("create multicast socket failed!").c_str());
        return -1;
    }
    if (!bind_any(fd, 0)) {
        dbg_log("error bind in multicast_send_socket...\n");
        ::close(fd);
        return -1;
    }
    int ttl = multicast_ttl;
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    // Other clients on this machine hear the group through the loopback copy.
    int loop = 1;
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    set_buffers(fd);
    sockaddr_in local {};
    socklen_t local_len = sizeof local;
    local_port_ = ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_len) == 0 ? ntohs(local.sin_port) : 0;
    interface_address_ = 0;
    adopt(fd);
    open = 1;
    return 0;
}

int Cwf_multicast_send_socket::set_interface_locked(int fd, uint32_t interface_address)
{
    if (interface_address == interface_address_)
        return 0;
    in_addr address {};
    address.s_addr = interface_address;
    if (::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof address) != 0)
        return -1;
    interface_address_ = interface_address;
    return 0;
}

int Cwf_multicast_send_socket::my_send(const char* message, int length)
{
    length = std::min(length, multicast_send_limit);
    std::vector<char> copy;
    if (length > 0 && message)
        copy.assign(message, message + length);
    std::shared_ptr<Handle> h = current_handle();
    if (!h)
        return -1;
    if (length < 1) {
        message_box_printf("%s", tr_text("send len<=0 at Cwf_multicast_send_socket::my_send!").c_str());
        return -1;
    }
    platform::TimedLockWait lock(send_lock, 3000);
    if (!lock) {
        dbg_log("wait failed in my_send.\n");
        return -1;
    }
    // Datagrams leave only through the interface the own address lives on;
    // without one nothing is sent rather than whatever the routes choose.
    uint32_t interface_address = multicast_interface_address();
    if (interface_address == 0 || set_interface_locked(h->fd, interface_address) != 0) {
        dbg_log("no interface for multicast in Cwf_multicast_send_socket::my_send.\n");
        return -1;
    }
    if (length > static_cast<int>(wire_head_len))
        scramble_message_body(copy.data() + wire_head_len, length - static_cast<int>(wire_head_len));
    sockaddr_in to {};
    if (!group_sockaddr(*this, to))
        return -1;
    ssize_t sent = ::sendto(h->fd, copy.data(), static_cast<size_t>(length), MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        dbg_log("sendto failed in Cwf_multicast_send_socket::my_send: %s\n", std::strerror(errno));
        close();
        return -1;
    }
    return static_cast<int>(sent);
}

uint32_t multicast_interface_address()
{
    uint32_t address = main_connection_address();
    if (address != 0)
        return address;
    bool ok = true;
    return first_network_address(ok);
}

int32_t get_my_ip_address()
{
    uint32_t address = main_connection_address();
    if (address != 0)
        return address_as_integer(address);
    bool ok = true;
    address = first_network_address(ok);
    if (!ok) {
        dbg_log("gethostbyname failed in get_my_ip_address 1.\n");
        return -1;
    }
    return address ? address_as_integer(address) : 0;
}

int multicast_send(const char* message, int length)
{
    if (g_multicast_send_sock.open == 0) {
        g_multicast_send_sock.set_group(multicast_group_address, multicast_group_port);
        g_multicast_send_sock.do_open();
    }
    if (g_multicast_send_sock.open == 0)
        return -1;
    return g_multicast_send_sock.my_send(message, length);
}

int send_multicast_cmd(const char* body, int length, int number, int field2)
{
    int room = g_room_number.load();
    if (room < 0)
        return -1;
    length = std::clamp(length, 0, multicast_body_limit);
    std::vector<char> message(wire_head_len + static_cast<size_t>(length));
    if (!format_wire_head(message.data(), WireHead { room, field2, number, length }))
        return -1;
    if (length > 0 && body)
        std::memcpy(message.data() + wire_head_len, body, static_cast<size_t>(length));
    return multicast_send(message.data(), static_cast<int>(message.size()));
}

bool multicast_datagram_accepted(const char* data, int length, int room_number, WireHead& head, int& body_len)
{
    body_len = 0;
    if (!data || length < static_cast<int>(wire_head_len))
        return false;
    for (size_t i = 0; i < wire_head_len; ++i) {
        char c = data[i];
        if (!(c == ' ' || c == ':' || (c >= '0' && c <= '9')))
            return false;
    }
    if (check_wire_head(data) != 0)
        return false;
    std::string text(data, wire_head_len);
    WireHead parsed {};
    if (std::sscanf(text.c_str(), "%d:%d:%d:%d:", &parsed.spare, &parsed.address, &parsed.number, &parsed.length) != 4)
        return false;
    if (room_number < 0 || parsed.spare != room_number)
        return false;
    parsed.length = std::min(parsed.length, multicast_body_limit);
    // The body never reaches past what arrived.
    if (parsed.length > length - static_cast<int>(wire_head_len))
        return false;
    head = parsed;
    body_len = parsed.length;
    return true;
}

namespace {

void clear_election_state()
{
    g_master_idle_count = 0;
    g_master_electing = 0;
    g_master_electing_count = 0;
    g_is_multicast_master = 0;
}

bool is_own_datagram(const MulticastSender& sender)
{
    return sender.address == g_my_ip_address.load() && sender.port != 0
        && sender.port == g_multicast_send_sock.local_port();
}

} // namespace

void do_master_electing_from_multicast(const MulticastSender& sender)
{
    int32_t own = g_my_ip_address.load();
    bool higher = static_cast<uint32_t>(sender.address) > static_cast<uint32_t>(own);
    // Same address: the other client on this machine with the higher port wins.
    bool same_machine_higher = sender.address == own && !is_own_datagram(sender) && sender.port > g_multicast_send_sock.local_port();
    if (higher || same_machine_higher)
        clear_election_state();
}

void do_master_stable_from_multicast(const MulticastSender& sender)
{
    if (!is_own_datagram(sender))
        clear_election_state();
}

void multicast_master_step(const std::function<int(int number)>& send)
{
    if (g_room_number.load() < 0) {
        clear_election_state();
        return;
    }
    if (g_master_electing.load() == 0) {
        if (g_is_multicast_master.load() != 0) {
            send(MSG_MASTER_STABLE);
        } else if (++g_master_idle_count > 10) {
            g_master_idle_count = 0;
            g_master_electing = 1;
        }
        return;
    }
    if (++g_master_electing_count > 5) {
        g_master_electing = 0;
        g_master_electing_count = 0;
        g_is_multicast_master = 1;
    } else {
        send(MSG_MASTER_ELECTING);
    }
}

void set_multicast_election_step_ms(int step_ms) { g_election_step_ms = std::max(step_ms, 1); }

void set_multicast_tile_handler(MulticastTileHandler handler)
{
    std::lock_guard lock(g_tile_handler_lock);
    g_tile_handler = std::move(handler);
}

namespace {

void dispatch_multicast(const WireHead& head, const char* body, int body_len, uint16_t from_port_network)
{
    if (head.number == MSG_MASTER_ELECTING || head.number == MSG_MASTER_STABLE) {
        std::string text(body, static_cast<size_t>(std::min(body_len, multicast_election_body_len)));
        char* end = nullptr;
        long value = std::strtol(text.c_str(), &end, 10);
        if (end == text.c_str())
            return;
        MulticastSender sender { static_cast<int32_t>(value), ntohs(from_port_network) };
        if (head.number == MSG_MASTER_ELECTING)
            do_master_electing_from_multicast(sender);
        else
            do_master_stable_from_multicast(sender);
        return;
    }
    MulticastTileHandler handler;
    {
        std::lock_guard lock(g_tile_handler_lock);
        handler = g_tile_handler;
    }
    if (handler)
        handler(head, body, body_len);
}

} // namespace

void g_multicast_recv_thread()
{
    try {
        Cwf_socket::start_winsock();
        g_multicast_recv_sock.close();
        g_multicast_recv_sock.set_group(multicast_group_address, multicast_group_port);
        g_multicast_recv_sock.do_open();
        std::vector<char> buffer(multicast_recv_buffer_len, '\0');
        uint32_t tried_interface = 0;
        int was_connected = 0;
        while (true) {
            if (g_multicast_recv_sock.open == 0 && g_multicast_recv_sock.do_open() != 0) {
                platform::sleep_ms(1000);
                continue;
            }
            // The membership follows the main connection: joined once it
            // exists and again after every reconnect or change of interface.
            int connected_now = g_main_sock.connected.load();
            uint32_t wanted = main_connection_address();
            if (wanted != 0 && (wanted != tried_interface || (connected_now && !was_connected))) {
                tried_interface = wanted;
                if (g_multicast_recv_sock.join_on(wanted) != 0)
                    dbg_log("cannot join multicast group in g_multicast_recv_thread: %s\n", std::strerror(errno));
            }
            was_connected = connected_now;

            int ready = g_multicast_recv_sock.wait_readable(200);
            if (ready < 0) {
                g_multicast_recv_sock.close();
                continue;
            }
            if (ready == 0)
                continue;
            uint16_t from_port = 0;
            int got = g_multicast_recv_sock.my_recv(buffer.data(), multicast_recv_max, nullptr, &from_port);
            if (got <= 0)
                continue;
            WireHead head {};
            int body_len = 0;
            if (!multicast_datagram_accepted(buffer.data(), got, g_room_number.load(), head, body_len))
                continue;
            char* body = buffer.data() + wire_head_len;
            scramble_message_body(body, body_len);
            body[body_len] = '\0';
            dispatch_multicast(head, body, body_len, from_port);
        }
    } catch (...) {
        dbg_log("exception in g_multicast_recv_thread.\n");
    }
}

void g_multicast_master_thread()
{
    try {
        g_my_ip_address = get_my_ip_address();
        while (true) {
            multicast_master_step(send_election_message);
            platform::sleep_ms(static_cast<uint32_t>(g_election_step_ms.load()));
            // The address follows the main connection, so it is read at every step.
            g_my_ip_address = get_my_ip_address();
        }
    } catch (...) {
        dbg_log("exception in g_multicast_master_thread.\n");
    }
}

// Both threads live until the process ends, so a second start-up in the same
// process (tests) must not start them again.
bool start_multicast_recv_thread()
{
    static std::atomic<bool> started { false };
    if (started.exchange(true))
        return true;
    return platform::start_thread("multicast_recv", g_multicast_recv_thread);
}

bool start_multicast_master_thread()
{
    static std::atomic<bool> started { false };
    if (started.exchange(true))
        return true;
    return platform::start_thread("multicast_mst", g_multicast_master_thread);
}
