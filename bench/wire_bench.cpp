// Scrambling against memcpy of the same buffer, and framed 1 KiB messages
// over loopback against the same traffic on a plain socket without framing.
// Prints each as a ratio (framed or scrambled time over plain time).

#include "core/head_reader.h"
#include "core/wf_socket.h"
#include "core/wire_head.h"

#include <arpa/inet.h>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Best of a few runs, so one unlucky scheduling does not decide.
template <typename F>
double best_of(int runs, F&& run)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, run());
    return best;
}

volatile unsigned char g_sink = 0;

void scrambling_against_memcpy()
{
    constexpr size_t body_len = 8172; // the largest body a receive loop takes
    constexpr int rounds = 200000;
    std::vector<unsigned char> body(body_len, 0x5a), copy(body_len, 0);
    double scramble_s = best_of(5, [&] {
        auto start = Clock::now();
        for (int i = 0; i < rounds; ++i)
            scramble_message_body(body.data(), static_cast<int>(body.size()));
        g_sink = body[static_cast<size_t>(g_sink) % body_len];
        return seconds_since(start);
    });
    double memcpy_s = best_of(5, [&] {
        auto start = Clock::now();
        for (int i = 0; i < rounds; ++i) {
            std::memcpy(copy.data(), body.data(), body.size());
            asm volatile("" : : "r"(copy.data()) : "memory");
        }
        g_sink = copy[static_cast<size_t>(g_sink) % body_len];
        return seconds_since(start);
    });
    double bytes = static_cast<double>(body_len) * rounds;
    std::printf("scramble %zu-byte bodies: %.2f GB/s, memcpy: %.2f GB/s, ratio %.2f (target <= 2.0)\n", body_len,
                bytes / scramble_s / 1e9, bytes / memcpy_s / 1e9, scramble_s / memcpy_s);
}

int loopback_listener(uint16_t& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof at;
    ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
    ::listen(fd, 4);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &len);
    port = ntohs(at.sin_port);
    return fd;
}

bool read_exactly(int fd, char* buffer, size_t length)
{
    size_t got = 0;
    while (got < length) {
        ssize_t n = ::recv(fd, buffer + got, length - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool write_all(int fd, const char* buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::send(fd, buffer + done, length - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

class FdSource : public ByteSource {
public:
    explicit FdSource(int fd) : fd_(fd) {}
    int read_exact(char* buffer, int length) override
    {
        return read_exactly(fd_, buffer, static_cast<size_t>(length)) ? length : -1;
    }
    int read_some(char* buffer, int max_len) override
    {
        return static_cast<int>(::recv(fd_, buffer, static_cast<size_t>(max_len), 0));
    }

private:
    int fd_;
};

constexpr int body_len = 1024;
const HeadReaderLines bench_lines { "wire_bench", "wire_bench command format error at:%d.\n", "content is:%s.\n" };

// messages round trips: the client sends one, the far end answers it, the
// client reads the answer. Framed: Cwf_socket and the head reader on both
// ends. Plain: send and recv of 1024 bytes.
double round_trips(bool framed, int messages)
{
    uint16_t port = 0;
    int listener = loopback_listener(port);
    Cwf_socket client;
    client.host.set("127.0.0.1");
    client.port = port;
    if (client.connect_server() != 0) {
        std::printf("connect failed\n");
        return 0;
    }
    int far_end = ::accept(listener, nullptr, nullptr);
    int one = 1;
    ::setsockopt(far_end, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(client.m_sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    std::thread echo([&] {
        std::vector<char> buffer(wire_recv_buffer_len);
        FdSource fd_source(far_end);
        BufferedByteSource source(fd_source);
        for (int i = 0; i < messages; ++i) {
            if (framed) {
                WireHead head;
                if (read_wire_message(source, buffer.data(), buffer.size(), bench_lines, head) != HeadReadResult::message)
                    return;
                scramble_message_body(buffer.data() + wire_head_len, head.length);
                write_all(far_end, buffer.data(), wire_head_len + static_cast<size_t>(head.length));
            } else {
                if (!read_exactly(far_end, buffer.data(), body_len))
                    return;
                write_all(far_end, buffer.data(), body_len);
            }
        }
    });

    std::vector<char> message(wire_head_len + body_len, 'm');
    std::vector<char> buffer(wire_recv_buffer_len);
    SocketByteSource socket_source(client);
    BufferedByteSource source(socket_source);
    auto start = Clock::now();
    for (int i = 0; i < messages; ++i) {
        if (framed) {
            format_wire_head(message.data(), { 0, 0, 41, body_len });
            client.my_send_fixed_len(message.data(), static_cast<int>(message.size()));
            WireHead head;
            read_wire_message(source, buffer.data(), buffer.size(), bench_lines, head);
        } else {
            write_all(client.m_sock, message.data(), body_len);
            read_exactly(client.m_sock, buffer.data(), body_len);
        }
    }
    double elapsed = seconds_since(start);
    echo.join();
    client.close_socket();
    ::close(far_end);
    ::close(listener);
    return elapsed;
}

double thread_cpu_seconds()
{
    timespec ts {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct StreamTimes {
    double wall_s = 0;
    double cpu_s = 0; // both threads together, kernel work included
};

// messages sent one after the other while the far end reads them.
StreamTimes stream(bool framed, int messages)
{
    uint16_t port = 0;
    int listener = loopback_listener(port);
    Cwf_socket client;
    client.host.set("127.0.0.1");
    client.port = port;
    if (client.connect_server() != 0)
        return {};
    int far_end = ::accept(listener, nullptr, nullptr);
    auto start = Clock::now();
    double sender_cpu_start = thread_cpu_seconds();
    double reader_cpu_s = 0;
    std::thread reader([&] {
        double reader_cpu_start = thread_cpu_seconds();
        struct Done {
            double start;
            double& out;
            ~Done() { out = thread_cpu_seconds() - start; }
        } done { reader_cpu_start, reader_cpu_s };
        std::vector<char> buffer(wire_recv_buffer_len);
        FdSource fd_source(far_end);
        BufferedByteSource source(fd_source);
        for (int i = 0; i < messages; ++i) {
            if (framed) {
                WireHead head;
                if (read_wire_message(source, buffer.data(), buffer.size(), bench_lines, head) != HeadReadResult::message)
                    return;
            } else if (!read_exactly(far_end, buffer.data(), body_len)) {
                return;
            }
        }
    });
    std::vector<char> message(wire_head_len + body_len, 'm');
    for (int i = 0; i < messages; ++i) {
        if (framed) {
            format_wire_head(message.data(), { 0, 0, 41, body_len });
            client.my_send_fixed_len(message.data(), static_cast<int>(message.size()));
        } else {
            write_all(client.m_sock, message.data(), body_len);
        }
    }
    double sender_cpu_s = thread_cpu_seconds() - sender_cpu_start;
    reader.join();
    StreamTimes times { seconds_since(start), 0 };
    times.cpu_s = sender_cpu_s + reader_cpu_s;
    client.close_socket();
    ::close(far_end);
    ::close(listener);
    return times;
}

// Framed and plain runs take turns, and the best of each counts, so that
// other work on the machine weighs on both alike. Streams are also compared
// by the processor time both ends spent, which a busy machine disturbs less
// than the time on the wall.
void framed_against_plain()
{
    constexpr int runs = 7;
    constexpr int trips = 20000;
    constexpr int streamed = 200000;
    double framed_s = 1e30, plain_s = 1e30;
    StreamTimes framed_stream { 1e30, 1e30 }, plain_stream { 1e30, 1e30 };
    for (int i = 0; i < runs; ++i) {
        framed_s = std::min(framed_s, round_trips(true, trips));
        plain_s = std::min(plain_s, round_trips(false, trips));
        for (auto [framed, best] : { std::pair { true, &framed_stream }, std::pair { false, &plain_stream } }) {
            StreamTimes t = stream(framed, streamed);
            best->wall_s = std::min(best->wall_s, t.wall_s);
            best->cpu_s = std::min(best->cpu_s, t.cpu_s);
        }
    }
    std::printf("1 KiB round trips over loopback: framed %.1f us, plain %.1f us, ratio %.2f (target <= 1.2)\n",
                framed_s / trips * 1e6, plain_s / trips * 1e6, framed_s / plain_s);
    std::printf("1 KiB messages streamed over loopback, processor time: framed %.2f us, plain %.2f us, ratio %.2f "
                "(target <= 1.2)\n",
                framed_stream.cpu_s / streamed * 1e6, plain_stream.cpu_s / streamed * 1e6,
                framed_stream.cpu_s / plain_stream.cpu_s);
    std::printf("1 KiB messages streamed over loopback, wall time: framed %.2f us, plain %.2f us, ratio %.2f\n",
                framed_stream.wall_s / streamed * 1e6, plain_stream.wall_s / streamed * 1e6,
                framed_stream.wall_s / plain_stream.wall_s);
}

} // namespace

int main()
{
    scrambling_against_memcpy();
    framed_against_plain();
    return 0;
}
