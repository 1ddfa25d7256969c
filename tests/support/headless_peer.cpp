#include "tests/support/headless_peer.h"

#include "core/head_reader.h"
#include "core/messages.h"
#include "core/text_util.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <pthread.h>

namespace {

constexpr std::array<const char*, peer_channel_count> channel_names { "peer main", "peer app", "peer voice", "peer file" };
constexpr std::array<int, peer_channel_count> hello_numbers { MSG_HELLO_MAIN, MSG_HELLO_APP, MSG_HELLO_VOICE, MSG_HELLO_FILE };

int answer_of(int query)
{
    switch (query) {
    case MSG_QUERY_621: return MSG_ANSWER_622;
    case MSG_QUERY_627: return MSG_ANSWER_628;
    case MSG_QUERY_635: return MSG_ANSWER_636;
    case MSG_QUERY_645: return MSG_ANSWER_646;
    default: return 0;
    }
}

} // namespace

HeadlessPeer::HeadlessPeer(std::string name) : name_(std::move(name))
{
    for (auto& socket : sockets_)
        socket = std::make_unique<Cwf_socket>();
}

HeadlessPeer::~HeadlessPeer()
{
    close();
}

void HeadlessPeer::close()
{
    for (auto& socket : sockets_)
        socket->close_socket();
    for (auto& thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
}

int HeadlessPeer::open(PeerChannel channel, const std::string& host, uint16_t port)
{
    size_t index = static_cast<size_t>(channel);
    Cwf_socket& socket = *sockets_[index];
    if (threads_[index].joinable()) {
        socket.close_socket();
        threads_[index].join();
    }
    socket.name.set(name_ + " " + channel_names[index]);
    socket.host.set(host);
    socket.port = port;
    socket.show_errors = 0;
    if (socket.connect_server() != 0)
        return -1;
    {
        std::lock_guard lock(lock_);
        running_[index] = true;
    }
    threads_[index] = std::thread([this, channel] { receive_loop(channel); });
    return 0;
}

int HeadlessPeer::open_only(PeerChannel channel, const std::string& host, uint16_t port)
{
    return open(channel, host, port);
}

int HeadlessPeer::connect(const std::string& host, uint16_t port, bool main_only, int wait_ms)
{
    if (open(PeerChannel::main, host, port) != 0)
        return -1;
    send(PeerChannel::main, MSG_HELLO_MAIN);
    send(PeerChannel::main, MSG_CLIENT_IDENTITY, 0, cut_copy(socket(PeerChannel::main).local_address.get(), 28));
    auto hello = await([](const ArrivedMessage& m) { return m.channel == PeerChannel::main && m.head.number == MSG_HELLO_MAIN; }, wait_ms);
    if (!hello)
        return -1;
    customer_id_ = std::atoi(hello->body.c_str());
    if (main_only)
        return 0;
    for (PeerChannel channel : { PeerChannel::voice, PeerChannel::app, PeerChannel::file }) {
        if (open(channel, host, port) != 0)
            return -1;
        send(channel, hello_numbers[static_cast<size_t>(channel)], 0, format_text("%6d", customer_id_.load()));
    }
    return 0;
}

int HeadlessPeer::login(const std::string& name, const std::string& code, int wait_ms)
{
    size_t before = count(MSG_LOGIN_OK) + count(MSG_LOGIN_FAILED);
    send(PeerChannel::main, MSG_LOGIN, 0, name + ":" + code);
    auto answered = [&] { return count(MSG_LOGIN_OK) + count(MSG_LOGIN_FAILED) > before; };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!answered() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    auto ok = await([&name](const ArrivedMessage& m) { return m.head.number == MSG_LOGIN_OK && m.body == name; }, 0);
    logged_in_ = ok.has_value();
    return logged_in_ ? 0 : -1;
}

int HeadlessPeer::join_room(const std::string& room, const std::string& password, int wait_ms)
{
    if (!logged_in_ && login(cut_copy(name_, 20) + "-" + std::to_string(customer_id_.load()), "", wait_ms) != 0)
        return -1;
    send(PeerChannel::main, MSG_ROOM_CREATE, 0, room);
    send(PeerChannel::main, MSG_ROOM_JOIN, 0, room + ":" + password);
    auto entered = await([&room](const ArrivedMessage& m) {
        return m.head.number == MSG_ROOM_ENTERED && m.body.size() > 5 && m.body.substr(5) == room;
    }, wait_ms);
    return entered ? std::atoi(entered->body.c_str()) : -1;
}

int HeadlessPeer::send(PeerChannel channel, int number, int field2, std::string_view body, int field1)
{
    std::string wire = format_wire_head(WireHead { field1, field2, number, static_cast<int>(body.size()) });
    wire.append(body);
    int sent = socket(channel).my_send_fixed_len(wire.data(), static_cast<int>(wire.size()));
    return sent == static_cast<int>(wire.size()) ? 0 : -1;
}

int HeadlessPeer::send_raw(PeerChannel channel, std::string_view bytes)
{
    int sent = socket(channel).my_send_fixed_len_raw(bytes.data(), static_cast<int>(bytes.size()));
    return sent == static_cast<int>(bytes.size()) ? 0 : -1;
}

void HeadlessPeer::receive_loop(PeerChannel channel)
{
    size_t index = static_cast<size_t>(channel);
    Cwf_socket& socket = *sockets_[index];
    SocketByteSource source(socket);
    std::vector<char> buffer(wire_recv_buffer_len + 1);
    const HeadReaderLines lines { "headless peer", "headless peer command format error at:%d.\n", "content is:%s.\n" };
    for (;;) {
        WireHead head;
        HeadReadResult result = read_wire_message(source, buffer.data(), wire_recv_buffer_len, lines, head);
        if (result == HeadReadResult::failed)
            break;
        if (result == HeadReadResult::skipped)
            continue;
        ArrivedMessage message { channel, head, std::string(buffer.data() + wire_head_len, static_cast<size_t>(head.length)),
                                 std::chrono::steady_clock::now() };
        if (int answer = answer_of(head.number); answer && channel == PeerChannel::main && answer_queries_)
            send(PeerChannel::main, answer);
        std::shared_ptr<const std::function<bool(const ArrivedMessage&)>> listener;
        {
            std::lock_guard lock(lock_);
            listener = listener_;
        }
        bool keep = !listener || !*listener || (*listener)(message);
        if (keep) {
            std::lock_guard lock(lock_);
            arrived_.push_back(std::move(message));
        }
        changed_.notify_all();
    }
    {
        std::lock_guard lock(lock_);
        running_[index] = false;
    }
    changed_.notify_all();
}

std::optional<ArrivedMessage> HeadlessPeer::await(const std::function<bool(const ArrivedMessage&)>& match, int wait_ms)
{
    std::unique_lock lock(lock_);
    std::optional<ArrivedMessage> found;
    changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), [&] {
        auto it = std::find_if(arrived_.begin(), arrived_.end(), match);
        if (it != arrived_.end())
            found = *it;
        return found.has_value();
    });
    return found;
}

std::optional<ArrivedMessage> HeadlessPeer::await_number(int number, int wait_ms)
{
    return await([number](const ArrivedMessage& m) { return m.head.number == number; }, wait_ms);
}

bool HeadlessPeer::await_count(int number, size_t count, int wait_ms)
{
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), [&] {
        return static_cast<size_t>(std::count_if(arrived_.begin(), arrived_.end(),
                   [number](const ArrivedMessage& m) { return m.head.number == number; })) >= count;
    });
}

bool HeadlessPeer::await_closed(PeerChannel channel, int wait_ms)
{
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), [&] { return !running_[static_cast<size_t>(channel)]; });
}

bool HeadlessPeer::is_open(PeerChannel channel) const
{
    std::lock_guard lock(lock_);
    return running_[static_cast<size_t>(channel)];
}

int64_t HeadlessPeer::receiving_cpu_ns() const
{
    int64_t sum = 0;
    for (const std::thread& thread : threads_) {
        clockid_t clock {};
        timespec ts {};
        // A thread that has ended (and is not joined yet) has no clock left: it counts nothing.
        if (thread.joinable() && pthread_getcpuclockid(const_cast<std::thread&>(thread).native_handle(), &clock) == 0 &&
            ::clock_gettime(clock, &ts) == 0)
            sum += static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    return sum;
}

std::vector<ArrivedMessage> HeadlessPeer::arrived() const
{
    std::lock_guard lock(lock_);
    return arrived_;
}

size_t HeadlessPeer::count(int number) const
{
    std::lock_guard lock(lock_);
    return static_cast<size_t>(std::count_if(arrived_.begin(), arrived_.end(), [number](const ArrivedMessage& m) { return m.head.number == number; }));
}

void HeadlessPeer::clear()
{
    std::lock_guard lock(lock_);
    arrived_.clear();
}

void HeadlessPeer::set_listener(std::function<bool(const ArrivedMessage&)> listener)
{
    auto shared = std::make_shared<const std::function<bool(const ArrivedMessage&)>>(std::move(listener));
    std::lock_guard lock(lock_);
    listener_ = std::move(shared);
}
