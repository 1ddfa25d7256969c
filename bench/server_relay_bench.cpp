// The conference server's relay: N headless peers in one room, each sending
// 1 KiB talk blocks to every other member as fast as the relay
// takes them, against a minimal poll-loop relay written here (it frames by
// the length field and nothing else: no checks, no rooms, no queues).
// Prints copies relayed per second and the 50th and 99th percentile
// one-way delay of each, and the ratio of the throughputs.
//
// Each sender keeps at most a window of its own messages on the way (not yet
// seen by every other member), so what is measured is the relay, not how
// far a receiving thread falls behind. The peers' sockets send without
// Nagle's delay in both runs.

#include "core/messages.h"
#include "core/wire_head.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Talk blocks are what the server fans out to a whole room; it relays them
// on the voice connection. The minimal relay has only one connection.
constexpr int relayed_number = MSG_TALK_DATA;
PeerChannel relay_channel(bool through_tamblo_server) { return through_tamblo_server ? PeerChannel::voice : PeerChannel::main; }

using Clock = std::chrono::steady_clock;

constexpr size_t body_bytes = 1024;
int64_t window_messages = 4;  // the first argument changes it

int64_t now_ns() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

// Reads whole messages by their length field and writes each to every
// other connection.
class PollRelay {
public:
    PollRelay()
    {
        listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at {};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof at;
        int one = 1;
        ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(listen_fd_, 128) != 0
            || ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&at), &len) != 0) {
            std::fprintf(stderr, "poll relay: cannot listen\n");
            std::exit(1);
        }
        port_ = ntohs(at.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~PollRelay()
    {
        stop_ = true;
        thread_.join();
        for (const Conn& c : conns_)
            ::close(c.fd);
        ::close(listen_fd_);
    }
    uint16_t port() const { return port_; }

private:
    struct Conn {
        int fd;
        std::vector<char> in;
    };

    void run()
    {
        std::vector<char> piece(64 * 1024);
        while (!stop_) {
            std::vector<pollfd> fds { { listen_fd_, POLLIN, 0 } };
            for (const Conn& c : conns_)
                fds.push_back({ c.fd, POLLIN, 0 });
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    int one = 1;
                    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    conns_.push_back({ fd, {} });
                }
            }
            for (size_t i = 1; i < fds.size() && i - 1 < conns_.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                Conn& c = conns_[i - 1];
                ssize_t n = ::recv(c.fd, piece.data(), piece.size(), 0);
                if (n <= 0)
                    continue;
                c.in.insert(c.in.end(), piece.data(), piece.data() + n);
                size_t pos = 0;
                while (c.in.size() - pos >= wire_head_len) {
                    size_t total = wire_head_len + static_cast<size_t>(std::atoi(c.in.data() + pos + 15));
                    if (c.in.size() - pos < total)
                        break;
                    for (const Conn& other : conns_) {
                        if (other.fd != c.fd)
                            write_all(other.fd, c.in.data() + pos, total);
                    }
                    pos += total;
                }
                c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(pos));
            }
        }
    }

    static void write_all(int fd, const char* data, size_t len)
    {
        while (len > 0) {
            ssize_t n = ::send(fd, data, len, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            data += n;
            len -= static_cast<size_t>(n);
        }
    }

    int listen_fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_ { false };
    std::vector<Conn> conns_;
    std::thread thread_;
};

struct Figures {
    bool complete = false;
    double relayed_per_s = 0;
    double p50_ms = 0;
    double p99_ms = 0;
};

// Runs one room of n peers, each sending per_peer messages.
Figures run_room(int n, int per_peer, uint16_t port, bool through_tamblo_server)
{
    std::vector<std::unique_ptr<HeadlessPeer>> peers;
    std::vector<std::atomic<int64_t>> seen_of(static_cast<size_t>(n));
    std::vector<std::vector<float>> delays_ms(static_cast<size_t>(n));
    std::atomic<int64_t> relayed { 0 };
    std::atomic<int64_t> last_arrival_ns { 0 };
    const int64_t expected = static_cast<int64_t>(n) * per_peer * (n - 1);

    for (int i = 0; i < n; ++i) {
        peers.push_back(std::make_unique<HeadlessPeer>("bench" + std::to_string(i)));
        HeadlessPeer& peer = *peers.back();
        delays_ms[static_cast<size_t>(i)].reserve(static_cast<size_t>(per_peer) * static_cast<size_t>(n - 1));
        peer.set_listener([&, i](const ArrivedMessage& m) {
            if (m.head.number != relayed_number || m.body.size() != body_bytes)
                return true;
            int64_t sent_ns = 0;
            int32_t sender = 0;
            std::memcpy(&sent_ns, m.body.data(), sizeof sent_ns);
            std::memcpy(&sender, m.body.data() + sizeof sent_ns, sizeof sender);
            int64_t arrived_ns = now_ns();
            delays_ms[static_cast<size_t>(i)].push_back(static_cast<float>(arrived_ns - sent_ns) / 1e6f);
            if (sender >= 0 && sender < n)
                ++seen_of[static_cast<size_t>(sender)];
            ++relayed;
            last_arrival_ns = arrived_ns;
            return false;
        });
        peer.answer_queries(through_tamblo_server);
        if (through_tamblo_server) {
            if (peer.connect("127.0.0.1", port) != 0 || peer.join_room("bench") <= 0) {
                std::fprintf(stderr, "peer %d could not join\n", i);
                return {};
            }
        } else if (peer.open_only(PeerChannel::main, "127.0.0.1", port) != 0) {
            std::fprintf(stderr, "peer %d could not connect\n", i);
            return {};
        }
    }
    // One message per send already: without this, each small send waits for
    // the previous one's acknowledgement (Nagle), which measures TCP, not the relay.
    for (auto& peer : peers) {
        int one = 1;
        ::setsockopt(peer->socket(relay_channel(through_tamblo_server)).m_sock.load(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    // Every peer is connected (and in the room) before the first message.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    std::atomic<bool> go { false };
    std::vector<std::thread> senders;
    for (int i = 0; i < n; ++i) {
        senders.emplace_back([&, i] {
            std::string body(body_bytes, 'b');
            int32_t me = i;
            std::memcpy(body.data() + sizeof(int64_t), &me, sizeof me);
            while (!go)
                std::this_thread::yield();
            for (int64_t s = 0; s < per_peer; ++s) {
                auto deadline = Clock::now() + std::chrono::seconds(20);
                while (seen_of[static_cast<size_t>(i)] < (s - window_messages) * (n - 1) && Clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::microseconds(20));
                int64_t t = now_ns();
                std::memcpy(body.data(), &t, sizeof t);
                peers[static_cast<size_t>(i)]->send(relay_channel(through_tamblo_server), relayed_number, wire_to_all, body);
            }
        });
    }
    int64_t start_ns = now_ns();
    go = true;
    for (std::thread& t : senders)
        t.join();
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (relayed < expected && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    Figures f;
    f.complete = relayed == expected;
    double seconds = static_cast<double>(last_arrival_ns - start_ns) / 1e9;
    f.relayed_per_s = seconds > 0 ? static_cast<double>(relayed.load()) / seconds : 0;
    for (auto& p : peers)
        p->close();
    std::vector<float> all;
    for (const auto& d : delays_ms)
        all.insert(all.end(), d.begin(), d.end());
    if (!all.empty()) {
        auto at = [&all](double q) {
            size_t k = std::min(all.size() - 1, static_cast<size_t>(q * static_cast<double>(all.size())));
            std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(k), all.end());
            return static_cast<double>(all[k]);
        };
        f.p50_ms = at(0.50);
        f.p99_ms = at(0.99);
    }
    return f;
}

// One peer sends a 1 KiB message every 10 ms to one other, with its socket
// as the program leaves it (Nagle's algorithm on): the tail of the delay
// shows whether the relay acknowledges what it reads at once.
Figures run_paced(uint16_t port, bool through_tamblo_server)
{
    constexpr int count = 300;
    HeadlessPeer sender("paced-sender"), receiver("paced-receiver");
    std::vector<float> delays_ms;
    std::mutex delays_lock;
    receiver.set_listener([&](const ArrivedMessage& m) {
        if (m.head.number != relayed_number || m.body.size() != body_bytes)
            return true;
        int64_t sent_ns = 0;
        std::memcpy(&sent_ns, m.body.data(), sizeof sent_ns);
        std::lock_guard lock(delays_lock);
        delays_ms.push_back(static_cast<float>(now_ns() - sent_ns) / 1e6f);
        return false;
    });
    for (HeadlessPeer* peer : { &sender, &receiver }) {
        peer->answer_queries(through_tamblo_server);
        int rc = through_tamblo_server ? (peer->connect("127.0.0.1", port) == 0 && peer->join_room("paced") > 0 ? 0 : -1)
                                       : peer->open_only(PeerChannel::main, "127.0.0.1", port);
        if (rc != 0)
            return {};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string body(body_bytes, 'p');
    for (int i = 0; i < count; ++i) {
        int64_t t = now_ns();
        std::memcpy(body.data(), &t, sizeof t);
        sender.send(relay_channel(through_tamblo_server), relayed_number, wire_to_all, body);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    sender.close();
    receiver.close();
    Figures f;
    std::lock_guard lock(delays_lock);
    f.complete = delays_ms.size() == count;
    if (!delays_ms.empty()) {
        std::sort(delays_ms.begin(), delays_ms.end());
        f.p50_ms = delays_ms[delays_ms.size() / 2];
        f.p99_ms = delays_ms[std::min(delays_ms.size() - 1, delays_ms.size() * 99 / 100)];
    }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        window_messages = std::max(1, std::atoi(argv[1]));
    TempHome home;  // the connections read their proxy settings from a private store
    std::printf("server relay: N peers in one room, 1 KiB messages to 999, window %lld per sender\n",
                static_cast<long long>(window_messages));
    std::printf("%4s  %14s %8s %8s  %14s %8s %8s  %7s\n", "N", "server cp/s", "p50 ms", "p99 ms", "baseline cp/s",
                "p50 ms", "p99 ms", "ratio");
    struct Size {
        int n;
        int per_peer;
    };
    for (Size size : { Size { 2, 20000 }, Size { 10, 6000 }, Size { 50, 500 } }) {
        Figures server_figures;
        {
            ServerProcess server;
            server_figures = run_room(size.n, size.per_peer, server.port(), true);
        }
        Figures baseline_figures;
        {
            PollRelay relay;
            baseline_figures = run_room(size.n, size.per_peer, relay.port(), false);
        }
        double ratio = baseline_figures.relayed_per_s > 0 ? server_figures.relayed_per_s / baseline_figures.relayed_per_s : 0;
        std::printf("%4d  %14.0f %8.3f %8.3f  %14.0f %8.3f %8.3f  %7.2f%s\n", size.n, server_figures.relayed_per_s,
                    server_figures.p50_ms, server_figures.p99_ms, baseline_figures.relayed_per_s, baseline_figures.p50_ms,
                    baseline_figures.p99_ms, ratio,
                    server_figures.complete && baseline_figures.complete ? "" : "  (incomplete run)");
        std::fflush(stdout);
    }
    std::printf("(cp/s: copies relayed per second; ratio: server over baseline)\n");

    Figures paced_server;
    {
        ServerProcess server;
        paced_server = run_paced(server.port(), true);
    }
    Figures paced_baseline;
    {
        PollRelay relay;
        paced_baseline = run_paced(relay.port(), false);
    }
    std::printf("paced: 1 KiB every 10 ms, Nagle left on: server p50 %.3f ms p99 %.3f ms; baseline p50 %.3f ms p99 %.3f ms%s\n",
                paced_server.p50_ms, paced_server.p99_ms, paced_baseline.p50_ms, paced_baseline.p99_ms,
                paced_server.complete && paced_baseline.complete ? "" : "  (incomplete run)");
    return 0;
}
