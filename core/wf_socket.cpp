#include "core/wf_socket.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/title_status.h"
#include "core/ui_text.h"
#include "core/wire_head.h"
#include "platform/sys/clock.h"

#include <array>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

thread_local int t_last_socket_error = 0;

// -1 on failure, 0 on time-out, > 0 when writable (or in error, which the send then reports).
int wait_writable(int fd, int wait_ms)
{
    pollfd p { fd, POLLOUT, 0 };
    int n = ::poll(&p, 1, wait_ms);
    if (n < 0)
        set_last_socket_error(errno);
    return n;
}

// The first IPv4 address of a host name or dotted text, in network order.
bool resolve_ipv4(const std::string& name, in_addr& out)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    bool ok = false;
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            out = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
            ok = true;
            break;
        }
    }
    ::freeaddrinfo(found);
    return ok;
}

// connect(2), giving up after wait_ms; 0 waits as long as the system tries
// (about two minutes of retries for a host that does not answer). The
// connection stays blocking afterwards.
int connect_within(int fd, const sockaddr_in& to, int wait_ms)
{
    const sockaddr* address = reinterpret_cast<const sockaddr*>(&to);
    if (wait_ms <= 0)
        return ::connect(fd, address, sizeof to);
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return -1;
    int rc = ::connect(fd, address, sizeof to);
    if (rc != 0 && errno == EINPROGRESS) {
        pollfd p { fd, POLLOUT, 0 };
        int n = 0;
        do {
            n = ::poll(&p, 1, wait_ms);
        } while (n < 0 && errno == EINTR);
        int error = 0;
        socklen_t error_len = sizeof error;
        if (n == 0)
            error = ETIMEDOUT;
        else if (n < 0)
            error = errno;
        else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &error_len) != 0)
            error = errno;
        rc = error == 0 ? 0 : -1;
        errno = error;
    }
    int saved = errno;
    ::fcntl(fd, F_SETFL, flags);
    errno = saved;
    return rc;
}

// Descriptor 0 would read as "no connection": move it up.
int keep_off_zero(int fd)
{
    if (fd != 0)
        return fd;
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    return moved;
}

// The status line shows the user's language; the log keeps the source text.
void status_and_log(const char* source, const std::string& name)
{
    set_status_printf("%s", format_text(tr_text(source).c_str(), name.c_str()).c_str());
    dbg_log("%s\n", format_text(source, name.c_str()).c_str());
}

void show_text(const char* source) { message_box_printf("%s", tr_text(source).c_str()); }

} // namespace

int last_socket_error() { return t_last_socket_error; }

void set_last_socket_error(int error) { t_last_socket_error = error; }

const char* socket_error_line(int error)
{
    switch (error) {
    case EFAULT:
    case ENOMEM:
    case ENOBUFS:
        return "Unable to allocate resource in %s sock";
    case ENETDOWN:
        return "Net work down in %s sock.";
    case EINVAL:
        return "WSAEINVAL in %s sock";
    case EINTR:
        return "WSAEINTR in %s sock";
    case EINPROGRESS:
        return "WSAEINPROGRESS in %s sock";
    case EBADF:
    case ENOTSOCK:
        return "WSAENOTSOCK in %s sock";
    default:
        return "Unknown socket error in %s sock";
    }
}

struct Cwf_socket::Handle {
    explicit Handle(int fd_in) : fd(fd_in) {}
    ~Handle() { ::close(fd); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    const int fd;
};

Cwf_socket::Cwf_socket() { name.set("noname"); }

// The socket itself is closed by close_socket, never here.
Cwf_socket::~Cwf_socket() = default;

int Cwf_socket::start_winsock() { return 0; }

Cwf_socket::HandleRef Cwf_socket::current_handle() const { return handle_.load(); }

Cwf_socket::HandleRef Cwf_socket::adopt(int fd)
{
    HandleRef h = std::make_shared<Handle>(fd);
    handle_.store(h);
    send_failed.store(0);
    m_sock.store(fd);
    return h;
}

int Cwf_socket::attach_connected(int fd)
{
    close_socket();
    adopt(keep_off_zero(fd));
    connected.store(1);
    return 0;
}

int Cwf_socket::close_socket()
{
    HandleRef h = handle_.exchange(nullptr);
    if (!h)
        return 0;
    m_sock.store(0);
    connected.store(0);
    retry_count.store(0);
    // Wakes a thread blocked in a read on this connection; the descriptor
    // itself goes when the last user lets go of the handle.
    ::shutdown(h->fd, SHUT_RDWR);
    return 0;
}

void Cwf_socket::reload_proxy_settings()
{
    int value = 0;
    reg_read_int("proxy", "use_proxy", value);
    use_proxy = value;
    value = 0;
    reg_read_int("proxy", "proxy_ip", value);
    uint32_t ip = static_cast<uint32_t>(value);
    proxy_host = format_text("%d.%d.%d.%d", static_cast<int>((ip >> 24) & 255), static_cast<int>((ip >> 16) & 255),
                             static_cast<int>((ip >> 8) & 255), static_cast<int>(ip & 255));
    value = 0;
    reg_read_int("proxy", "proxy_port", value);
    proxy_port = value;
    value = 0;
    reg_read_int("proxy", "proxy_type", value);
    proxy_type = value;
    reg_read("proxy", "proxy_user_name", proxy_user_name, 128);
    reg_read("proxy", "proxy_password", proxy_password, 128);
}

int Cwf_socket::fail_connect(const char* message)
{
    if (message)
        show_text(message);
    close_socket();
    m_sock.store(0);
    connected.store(0);
    return -1;
}

int Cwf_socket::finish_connect()
{
    HandleRef h = current_handle();
    if (!h)
        return -1; // closed by another thread while connecting
    set_socket_buffers();
    sockaddr_in local {};
    socklen_t local_len = sizeof local;
    char dotted[INET_ADDRSTRLEN] = {};
    if (::getsockname(h->fd, reinterpret_cast<sockaddr*>(&local), &local_len) == 0
        && ::inet_ntop(AF_INET, &local.sin_addr, dotted, sizeof dotted))
        local_address.set(dotted);
    else
        local_address.clear();
    connected.store(1);
    return 0;
}

int Cwf_socket::connect_server()
{
    reload_proxy_settings();
    // A connect replaces whatever this object held before.
    close_socket();
    const bool through_proxy = use_proxy == 1;
    if (through_proxy && (proxy_type < proxy_type_http_connect || proxy_type > proxy_type_socks5)) {
        show_text("Proxy type error, Please choose your proxy type in proxy options.");
        return -1;
    }

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0)
        fd = keep_off_zero(fd);
    if (fd < 0) {
        set_last_socket_error(errno);
        show_text("create socket failed!");
        m_sock.store(0);
        connected.store(0);
        return -1;
    }
    // Held here so that a close from another thread cannot free the number
    // while the connect still uses it.
    HandleRef h = adopt(fd);

    std::string target_host = through_proxy ? proxy_host : host.get();
    uint16_t target_port = through_proxy ? static_cast<uint16_t>(proxy_port) : port.load();
    in_addr address {};
    if (!resolve_ipv4(target_host, address)) {
        if (through_proxy)
            return fail_connect("error resolving proxyname..");
        return fail_connect(show_errors.load() == 1 ? "error resolving hostname.." : nullptr);
    }

    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr = address;
    to.sin_port = htons(target_port);
    if (connect_within(h->fd, to, connect_wait_ms.load()) != 0) {
        set_last_socket_error(errno);
        return fail_connect(nullptr);
    }
    if (through_proxy && proxy_handshake() != 0)
        return fail_connect(nullptr);
    if (finish_connect() != 0)
        return fail_connect(nullptr);
    return 0;
}

int Cwf_socket::proxy_handshake()
{
    switch (proxy_type) {
    case proxy_type_http_connect: return http_connect_handshake();
    case proxy_type_socks4: return socks4_handshake();
    case proxy_type_socks5: return socks5_handshake();
    default: return -1;
    }
}

// Reads one line a byte at a time, at most limit bytes, without its line
// feed; complete tells whether the line feed came. -1 when a read fails or
// the proxy closed. The status line fails quietly; header lines show a
// failed read (a close is quiet in both).
int Cwf_socket::read_proxy_line(char* line, int limit, bool show_read_failure, bool& complete)
{
    complete = false;
    int used = 0;
    while (used < limit) {
        char c = 0;
        int n = show_read_failure ? my_recv(&c, 1) : my_recv_fixed_len(&c, 1);
        if (n != 1)
            return -1;
        if (c == '\n') {
            complete = true;
            break;
        }
        line[used++] = c;
    }
    line[used] = '\0';
    return used;
}

int Cwf_socket::http_connect_handshake()
{
    const std::string destination = host.get();
    const int destination_port = port.load();
    std::string request = format_text("CONNECT %s:%d HTTP/1.0\r\nHost: %s:%d\r\n\r\n", destination.c_str(),
                                      destination_port, destination.c_str(), destination_port);
    if (my_send_fixed_len_raw(request.data(), static_cast<int>(request.size())) < static_cast<int>(request.size())) {
        show_text("here we are 0.");
        return -1;
    }

    constexpr int line_limit = 1023;
    std::array<char, line_limit + 1> line {};
    bool complete = false;
    int used = read_proxy_line(line.data(), line_limit, false, complete);
    if (used < 0)
        return -1;
    if (used > 0 && line[static_cast<size_t>(used) - 1] == '\r')
        line[static_cast<size_t>(--used)] = '\0';
    if (std::strncmp(line.data(), "HTTP/", 5) != 0)
        return -1;
    const char* p = line.data() + 5;
    while ((*p >= '0' && *p <= '9') || *p == '.')
        ++p;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != '2')
        return -1;

    // Header lines up to the empty one. The rest of a line longer than the
    // limit is read on as the same line, so it never passes for the end.
    bool at_line_start = complete;
    while (true) {
        used = read_proxy_line(line.data(), line_limit, true, complete);
        if (used < 0)
            return -1;
        if (at_line_start && ((used == 0 && complete) || line[0] == '\r'))
            return 0;
        at_line_start = complete;
    }
}

int Cwf_socket::socks4_handshake()
{
    in_addr destination {};
    if (!resolve_ipv4(host.get(), destination)) {
        show_text("error resolving destination name..");
        return -1;
    }
    const uint16_t destination_port = port.load();
    const auto* ip = reinterpret_cast<const unsigned char*>(&destination.s_addr);
    const std::array<unsigned char, 15> request { 4, 1, static_cast<unsigned char>(destination_port >> 8),
                                                  static_cast<unsigned char>(destination_port & 255), ip[0], ip[1],
                                                  ip[2], ip[3], 'G', 'u', 'e', 's', 't', '\n', 0 };
    if (my_send_fixed_len_raw(reinterpret_cast<const char*>(request.data()), static_cast<int>(request.size()))
        < static_cast<int>(request.size())) {
        show_text("failed to write to socks4 proxy.");
        return -1;
    }
    std::array<char, 8> reply {};
    if (my_recv_fixed_len(reply.data(), static_cast<int>(reply.size())) != static_cast<int>(reply.size())) {
        show_text("failed to read from proxy.");
        return -1;
    }
    switch (static_cast<unsigned char>(reply[1])) {
    case 91:
        show_text("connect to proxy request rejected or failed");
        return -1;
    case 92:
        show_text("request rejected becasue SOCKS server cannot connect to identd on the client");
        return -1;
    case 93:
        show_text("request rejected because the client program and identd report different user-ids");
        return -1;
    default:
        return 0; // 90 is "granted"; other values are taken as granted too
    }
}

int Cwf_socket::socks5_handshake()
{
    in_addr destination {};
    if (!resolve_ipv4(host.get(), destination)) {
        show_text("error resolving destination name..");
        return -1;
    }
    const std::array<char, 4> greeting { 5, 2, 0, 2 };
    if (my_send_fixed_len_raw(greeting.data(), 4) < 4) {
        show_text("failed to write to socks5 proxy.");
        return -1;
    }
    std::array<char, 2> method {};
    if (my_recv_fixed_len(method.data(), 2) != 2) {
        show_text("failed to read from socks5 proxy.");
        return -1;
    }
    const unsigned char chosen = static_cast<unsigned char>(method[1]);
    if (chosen == 255) {
        show_text("proxy does not support anonymouse or username/password method.");
        return -1;
    }
    if (chosen == 2) {
        const std::string user = cut_copy(proxy_user_name, 255);
        const std::string password = cut_copy(proxy_password, 255);
        std::string request;
        request += '\1';
        request += static_cast<char>(user.size());
        request += user;
        request += static_cast<char>(password.size());
        request += password;
        if (my_send_fixed_len_raw(request.data(), static_cast<int>(request.size())) < static_cast<int>(request.size())) {
            show_text("failed to write to socks5 proxy user_name/password.\n");
            return -1;
        }
        std::array<char, 2> status {};
        if (my_recv_fixed_len(status.data(), 2) != 2) {
            show_text("failed to read from proxy socks5 user_name/password result.\n");
            return -1;
        }
        if (status[1] != 0) {
            show_text("Authentication to socks5 proxy failed.");
            return -1;
        }
    }

    const uint16_t destination_port = port.load();
    const auto* ip = reinterpret_cast<const unsigned char*>(&destination.s_addr);
    const std::array<unsigned char, 10> request { 5, 1, 0, 1, ip[0], ip[1], ip[2], ip[3],
                                                  static_cast<unsigned char>(destination_port >> 8),
                                                  static_cast<unsigned char>(destination_port & 255) };
    if (my_send_fixed_len_raw(reinterpret_cast<const char*>(request.data()), 10) < 10) {
        show_text("failed to write to socks5 proxy in sending port and address.");
        return -1;
    }
    // Ten bytes with an IPv4 bound address. A proxy may report it as IPv6 or
    // as a name instead: the fifth byte tells how much follows, so such a
    // reply is read whole, never short of its end nor into the server's bytes.
    std::array<unsigned char, 5> reply {};
    std::array<char, 256 + 2> rest {};
    int rest_len = 10 - 5;
    bool read_ok = my_recv_fixed_len(reinterpret_cast<char*>(reply.data()), 5) == 5;
    if (read_ok && reply[3] == 4)
        rest_len = 22 - 5;
    else if (read_ok && reply[3] == 3)
        rest_len = reply[4] + 2;
    if (!read_ok || my_recv_fixed_len(rest.data(), rest_len) != rest_len) {
        show_text("failed to read from proxy socks5 1.");
        return -1;
    }
    static constexpr std::array<const char*, 10> reply_texts {
        nullptr,
        "general SOCKS server failure",
        "connection not allowed by ruleset",
        "Network unreachable",
        "Host unreachable",
        "Connection refused",
        "TTL expired",
        "Command not supported",
        "Address type not supported",
        "to X'FF' unassigned",
    };
    if (reply[1] != 0) {
        if (reply[1] < reply_texts.size())
            show_text(reply_texts[reply[1]]);
        return -1;
    }
    return 0;
}

int Cwf_socket::null_socket_exit()
{
    status_and_log("trying to send data through null socket at %s", name.get());
    socket_error_text();
    return -1;
}

int Cwf_socket::failure_exit(int result, bool select_failed)
{
    send_failed.store(1);
    close_socket();
    status_and_log(select_failed ? "Sending data to server failed in %s, select<0, may need reconnect."
                                 : "Sending data to server failed in %s, may need reconnect.",
                   name.get());
    socket_error_text();
    return result;
}

// Sends what the socket takes at once. Only when it would block does it wait
// (select, 2 s) for room and then send blocking: a full send buffer is the
// only case where the wait changes anything, and skipping it otherwise saves
// a system call per message. ready < 0 reports a failed wait.
ssize_t Cwf_socket::send_piece(int fd, const char* bytes, int count, int& ready)
{
    ready = 1;
    ssize_t n = 0;
    do {
        n = ::send(fd, bytes, static_cast<size_t>(count), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
        return n;
    ready = wait_writable(fd, send_select_wait_ms);
    if (ready == 0)
        dbg_log("wait time out in Cwf_socket::my_send_fixed_len!!!!!!\n");
    if (ready < 0)
        return -1;
    if (m_sock.load() != fd)
        return send_piece_null_socket;
    do {
        n = ::send(fd, bytes, static_cast<size_t>(count), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Sends the whole message with the send lock held. with_retries: failed
// pieces are retried as the retry flag says (the scrambling send); without,
// the first failure takes the failure exit (the raw send). The length, or
// the failed send's result.
int Cwf_socket::send_locked(const HandleRef& h, const char* buffer, int length, bool with_retries)
{
    int sent = 0;
    while (sent < length) {
        // Closed, or closed and connected again, since this send began: the
        // rest of the message must not go to another connection. (While h
        // holds the descriptor no new connection can get its number.)
        if (m_sock.load() != h->fd)
            return null_socket_exit();
        int ready = 1;
        ssize_t n = send_piece(h->fd, buffer + sent, length - sent, ready);
        if (ready < 0) {
            if (!with_retries || retry.load() == 0)
                return failure_exit(ready, true);
            if (retry_count.load() >= send_retry_limit) {
                dbg_log("tried too many times in send_fixed_len(%s) select, closing\n", name.get().c_str());
                retry_count.store(0);
                failure_count.store(-1);
                return failure_exit(ready, true);
            }
            ++retry_count;
            ++failure_count;
            dbg_log("sleep in my_send_fixed_len select, tried_times:%d (%s)\n", retry_count.load(), name.get().c_str());
            socket_error_text();
            platform::sleep_ms(send_retry_sleep_ms);
            continue;
        }
        if (n == send_piece_null_socket)
            return null_socket_exit();
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n == 0) {
            dbg_log("ret==0 in Cwf_socket.my_send_fixed_len\n");
            return 0;
        }
        set_last_socket_error(errno);
        if (!with_retries || retry.load() == 0)
            return failure_exit(-1, false);
        if (retry_count.load() >= send_retry_limit) {
            dbg_log("tried too many times in send_fixed_len(%s), closing\n", name.get().c_str());
            retry_count.store(0);
            return failure_exit(-1, false);
        }
        ++retry_count;
        ++failure_count;
        dbg_log("sleep in my_send_fixed_len, tried_times:%d (%s)\n", retry_count.load(), name.get().c_str());
        platform::sleep_ms(send_retry_sleep_ms);
    }
    return length;
}

int Cwf_socket::my_send_fixed_len(char* buffer, int length)
{
    HandleRef h = current_handle();
    // Not before the connect has finished: a message must never land in the
    // middle of a proxy handshake.
    if (m_sock.load() == 0 || !h || connected.load() == 0)
        return -1;
    if (length <= 0) {
        show_text("send len<=0 at Cwf_socket::my_send!");
        return -1;
    }
    last_send_tick.store(platform::tick_count());

    // The lock is held for the whole message, retries included, so that no
    // other sender's bytes can land between two pieces of this one.
    platform::TimedLockWait lock(send_lock, send_lock_wait_ms);
    if (!lock) {
        dbg_log("wait failed in my_send.\n");
        return -1;
    }
    // Scrambled once the send is sure to be tried, so a message whose send
    // never began is left as the caller gave it.
    if (length > static_cast<int>(wire_head_len))
        scramble_message_body(buffer + wire_head_len, length - static_cast<int>(wire_head_len));
    int sent = send_locked(h, buffer, length, true);
    if (sent != length)
        return sent;
    retry_count.store(0);
    failure_count.store(0);
    last_send_tick.store(platform::tick_count());
    return length;
}

int Cwf_socket::my_send_fixed_len_raw(const char* buffer, int length)
{
    HandleRef h = current_handle();
    if (m_sock.load() == 0 || !h)
        return -1;
    if (length <= 0) {
        show_text("send len<=0 at Cwf_socket::my_send_fixed_len_raw!");
        return -1;
    }
    platform::TimedLockWait lock(send_lock, send_lock_wait_ms);
    if (!lock) {
        dbg_log("wait failed in my_send.\n");
        return -1;
    }
    return send_locked(h, buffer, length, false);
}

int Cwf_socket::my_recv_fixed_len(char* buffer, int length)
{
    if (length < 0)
        return -1;
    if (length == 0)
        return 0;
    HandleRef h = current_handle();
    if (!h)
        return -1;
    int got = 0;
    while (got < length) {
        ssize_t n = ::recv(h->fd, buffer + got, static_cast<size_t>(length - got), 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            set_last_socket_error(errno);
            return -1;
        }
        if (n == 0)
            return -1; // the peer closed
        got += static_cast<int>(n);
        if (got < length)
            platform::sleep_ms(1);
    }
    return length;
}

int Cwf_socket::my_recv(char* buffer, int max_len)
{
    if (max_len < 1) {
        show_text("recv max_len<=0 at Cwf_socket::my_recv!");
        return -1;
    }
    int n = my_recv_some(buffer, max_len);
    if (n < 0 && m_sock.load() != 0)
        show_text("Receiving data from server failed, may need reconnect.");
    return n;
}

int Cwf_socket::my_recv_some(char* buffer, int max_len)
{
    if (max_len < 1)
        return -1;
    HandleRef h = current_handle();
    if (!h)
        return -1;
    ssize_t n = 0;
    do {
        n = ::recv(h->fd, buffer, static_cast<size_t>(max_len), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        set_last_socket_error(errno);
        return -1;
    }
    return static_cast<int>(n);
}

int Cwf_socket::set_socket_buffers()
{
    int a = set_recv_buffer_size(socket_buffer_bytes);
    int b = set_send_buffer_size(socket_buffer_bytes);
    return a == 0 && b == 0 ? 0 : -1;
}

int Cwf_socket::set_recv_buffer_size(int bytes)
{
    HandleRef h = current_handle();
    if (!h || ::setsockopt(h->fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) != 0) {
        if (h)
            set_last_socket_error(errno);
        return -1;
    }
    return 0;
}

int Cwf_socket::set_send_buffer_size(int bytes)
{
    HandleRef h = current_handle();
    if (!h || ::setsockopt(h->fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) != 0) {
        if (h)
            set_last_socket_error(errno);
        return -1;
    }
    return 0;
}

void Cwf_socket::socket_error_text()
{
    dbg_log("%s\n", format_text(socket_error_line(last_socket_error()), name.get().c_str()).c_str());
}
