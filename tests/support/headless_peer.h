#pragma once
// A meeting client without windows, built from the core's connection class
// and head reader: it opens the four connections to a conference server,
// identifies them, answers the server's queries like the real client, sends
// whatever a test wants and records everything that arrives, on each
// connection by a thread of its own.

#include "core/wf_socket.h"
#include "core/wire_head.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

enum class PeerChannel : int { main, app, voice, file };
inline constexpr int peer_channel_count = 4;

struct ArrivedMessage {
    PeerChannel channel = PeerChannel::main;
    WireHead head;
    std::string body;  // unscrambled
    std::chrono::steady_clock::time_point arrived_at;
};

class HeadlessPeer {
public:
    explicit HeadlessPeer(std::string name = "peer");
    ~HeadlessPeer();
    HeadlessPeer(const HeadlessPeer&) = delete;
    HeadlessPeer& operator=(const HeadlessPeer&) = delete;

    // Opens main (80, then 84 with its local address), waits for the
    // server's 80 and then opens and identifies the application, voice and
    // file connections (82, 81, 83 with the id), unless main_only. 0 or -1.
    int connect(const std::string& host, uint16_t port, bool main_only = false, int wait_ms = 5000);
    // Only opens a connection; the test sends what it likes on it.
    int open_only(PeerChannel channel, const std::string& host, uint16_t port);
    // The id from the server's 80, -1 before.
    int customer_id() const { return customer_id_; }

    // 139 "name:code", then waits for 131 (0) or 132 (-1).
    int login(const std::string& name, const std::string& code = "", int wait_ms = 5000);
    // As a user gets into a room: logs in first when it has not (as its name
    // and customer id, which keeps the name unique), makes the room with 100
    // (a room that exists answers 107, which is harmless), then 104
    // "room:password" and waits for 105. The room number, or -1.
    int join_room(const std::string& room, const std::string& password = "", int wait_ms = 5000);

    // A message with the given head fields; field 4 is the body's length.
    int send(PeerChannel channel, int number, int field2 = 0, std::string_view body = {}, int field1 = 0);
    // Bytes exactly as given, unscrambled, for malformed input.
    int send_raw(PeerChannel channel, std::string_view bytes);

    // The first recorded message (from the start, or after the last clear)
    // that the test matches, waiting up to wait_ms for it to arrive.
    std::optional<ArrivedMessage> await(const std::function<bool(const ArrivedMessage&)>& match, int wait_ms = 5000);
    std::optional<ArrivedMessage> await_number(int number, int wait_ms = 5000);
    // Waits until at least count messages of that number are recorded.
    bool await_count(int number, size_t count, int wait_ms = 5000);
    // Waits until the server closes the connection (its thread ends).
    bool await_closed(PeerChannel channel, int wait_ms = 5000);
    std::vector<ArrivedMessage> arrived() const;
    size_t count(int number) const;
    void clear();

    // Called on the receiving thread for every message; returning false
    // keeps it out of the record (benchmarks count without storing).
    void set_listener(std::function<bool(const ArrivedMessage&)> listener);
    // Whether 621/627/635/645 are answered (on by default, as the client does).
    void answer_queries(bool on) { answer_queries_ = on; }

    bool is_open(PeerChannel channel) const;
    // The processor time its receiving threads have used, for benchmarks
    // that take the peers' share out of the process's.
    int64_t receiving_cpu_ns() const;
    void close();
    Cwf_socket& socket(PeerChannel channel) { return *sockets_[static_cast<size_t>(channel)]; }

private:
    int open(PeerChannel channel, const std::string& host, uint16_t port);
    void receive_loop(PeerChannel channel);

    std::string name_;
    std::array<std::unique_ptr<Cwf_socket>, peer_channel_count> sockets_;
    std::array<std::thread, peer_channel_count> threads_;
    std::array<bool, peer_channel_count> running_ {};
    std::atomic<int> customer_id_ { -1 };
    bool logged_in_ = false;
    std::atomic<bool> answer_queries_ { true };
    // Swapped under lock_, called outside it: a test may set it while messages arrive.
    std::shared_ptr<const std::function<bool(const ArrivedMessage&)>> listener_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<ArrivedMessage> arrived_;
};
