#include "server/server_core.h"

#include "core/messages.h"
#include "core/text_util.h"
#include "server/server_log.h"

#include <asio.hpp>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstring>
#include <deque>
#include <optional>

namespace {

constexpr size_t read_buffer_bytes = 32 * 1024;  // holds one whole message (at most 10019 bytes) and then some
constexpr size_t write_batch_limit = 64;         // buffers handed to one gathered write
constexpr size_t identity_limit = 28;
constexpr size_t client_body_limit = 8172;       // a client's receive buffer: 8192 bytes with the head
constexpr int first_customer_id = 1000;          // ids fill field 2, so they stay in 1000..9999
constexpr int last_customer_id = wire_field_max;
constexpr int last_room_number = wire_field_max;
constexpr size_t unhandled_kinds_logged = 16;    // per client

// The head check the client makes (a ':' at 4, 9, 14, 19) plus what the
// client's lenient parse lets through: each field must be blanks, an
// optional '-', then digits only. Returns the first bad position, or -1.
int strict_head_error(const char* head20)
{
    int colon = check_wire_head(head20);
    if (colon != 0)
        return colon;
    for (int start : { 0, 5, 10, 15 }) {
        int i = start;
        while (i < start + 4 && head20[i] == ' ')
            ++i;
        if (i < start + 4 && head20[i] == '-')
            ++i;
        if (i == start + 4)
            return i - 1;
        for (; i < start + 4; ++i) {
            if (head20[i] < '0' || head20[i] > '9')
                return i;
        }
    }
    return -1;
}

std::shared_ptr<const std::string> make_wire(const WireHead& head, std::string_view body)
{
    auto wire = std::make_shared<std::string>(wire_head_len + body.size(), '\0');
    if (!format_wire_head(wire->data(), head))
        return nullptr;
    if (!body.empty()) {
        std::memcpy(wire->data() + wire_head_len, body.data(), body.size());
        scramble_message_body(wire->data() + wire_head_len, static_cast<int>(body.size()));
    }
    return wire;
}

// The body of 81/82/83: the customer id in six characters, blank-padded.
std::optional<int> parse_identification(std::string_view body)
{
    size_t i = 0;
    while (i < body.size() && body[i] == ' ')
        ++i;
    int id = 0;
    auto [end, error] = std::from_chars(body.data() + i, body.data() + body.size(), id);
    if (error != std::errc() || end != body.data() + body.size() || i == body.size())
        return std::nullopt;
    return id;
}

// Listening on an IPv6 address, IPv4 clients arrive as "::ffff:a.b.c.d";
// the peer-link address handed to other clients must be the IPv4 one.
asio::ip::address plain_address(const asio::ip::address& address)
{
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    return address;
}

std::optional<Channel> identification_channel(int number)
{
    switch (number) {
    case MSG_HELLO_APP: return Channel::app;
    case MSG_HELLO_VOICE: return Channel::voice;
    case MSG_HELLO_FILE: return Channel::file;
    default: return std::nullopt;
    }
}

} // namespace

struct ServerCore::Impl {
    asio::io_context io { 1 };
    asio::ip::tcp::acceptor acceptor { io };
    std::optional<asio::signal_set> signals;
    asio::steady_timer idle_timer { io };
    asio::steady_timer accept_retry_timer { io };
    std::unordered_set<std::shared_ptr<ServerConnection>> connections;
    bool stopped = false;
};

// One accepted TCP connection: reads whole messages into its buffer and
// writes its queue with gathered writes.
class ServerConnection : public std::enable_shared_from_this<ServerConnection> {
public:
    ServerConnection(ServerCore& core, asio::ip::tcp::socket socket)
        : core_(core), socket_(std::move(socket)), identify_timer_(socket_.get_executor())
    {
        asio::error_code ec;
        asio::ip::tcp::endpoint remote = socket_.remote_endpoint(ec);
        if (!ec)
            source = plain_address(remote.address());
        peer = ec ? std::string("?") : source.to_string() + ":" + std::to_string(remote.port());
        socket_.set_option(asio::ip::tcp::no_delay(true), ec);
    }

    void start(int identify_timeout_ms)
    {
        if (identify_timeout_ms > 0) {
            identify_timer_.expires_after(std::chrono::milliseconds(identify_timeout_ms));
            identify_timer_.async_wait([self = shared_from_this(), identify_timeout_ms](const asio::error_code& ec) {
                if (ec || self->closed_ || self->client)
                    return;
                server_log("connection from %s named no client within %d ms: closed", self->peer.c_str(), identify_timeout_ms);
                self->core_.connection_closed(*self, "");
            });
        }
        read_more();
    }

    void identified() { identify_timer_.cancel(); }

    void close()
    {
        if (closed_)
            return;
        closed_ = true;
        asio::error_code ec;
        identify_timer_.cancel();
        hold_timer_.cancel();
        socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
        socket_.close(ec);
        out_.clear();
        queued_bytes_ = 0;
        origin_bytes_.clear();
        drain_waiters_.clear();
    }

    bool closed() const { return closed_; }
    size_t queued_bytes() const { return queued_bytes_; }

    // origin: the client whose message caused this one (0: the server's own).
    void queue(std::shared_ptr<const std::string> wire, int origin)
    {
        if (closed_)
            return;
        queued_bytes_ += wire->size();
        if (origin != 0)
            origin_bytes_[origin] += wire->size();
        out_.push_back(Queued { std::move(wire), origin });
        if (writing_count_ == 0)
            write_more();
    }

    // The client with the most bytes waiting here, and how many (0, 0: none).
    std::pair<int, size_t> top_origin() const
    {
        std::pair<int, size_t> top { 0, 0 };
        for (const auto& [origin, bytes] : origin_bytes_) {
            if (bytes > top.second)
                top = { origin, bytes };
        }
        return top;
    }

    // Holding back: the messages of one client that filled this queue are
    // thrown out and no more are taken, until the reader shows whether it
    // reads at all (then that client is flooding) or not within wait_ms.
    int held_origin() const { return held_origin_; }
    size_t held_at_bytes() const { return held_at_bytes_; }
    void hold_back(int origin, int wait_ms)
    {
        held_origin_ = origin;
        held_at_bytes_ = queued_bytes_;
        drained_at_hold_ = drained_bytes_;
        evict(origin);
        hold_timer_.expires_after(std::chrono::milliseconds(wait_ms));
        hold_timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (ec || self->closed_ || self->held_origin_ == 0)
                return;
            self->core_.hold_ended(*self, self->drained_bytes_ > self->drained_at_hold_);
        });
    }
    void end_hold()
    {
        held_origin_ = 0;
        hold_timer_.cancel();
    }

    // Throws out what a client caused that is still waiting (not what is
    // being written now).
    void evict(int origin)
    {
        size_t keep = writing_count_ > 0 ? writing_count_ : (front_offset_ > 0 ? 1 : 0);
        std::deque<Queued> kept;
        for (size_t i = 0; i < out_.size(); ++i) {
            if (i >= keep && out_[i].origin == origin)
                forget(out_[i]);
            else
                kept.push_back(std::move(out_[i]));
        }
        out_.swap(kept);
    }

    std::string label() const
    {
        if (client)
            return format_text("client %d %s connection", client->customer_id(), channel_name(channel));
        return "connection from " + peer;
    }

    Client* client = nullptr;
    Channel channel = Channel::main;
    asio::ip::address source;  // the peer's address, IPv4 where it is one
    std::string peer;          // source:port

private:
    void read_more()
    {
        socket_.async_read_some(asio::buffer(in_.data() + in_len_, in_.size() - in_len_),
            [self = shared_from_this()](const asio::error_code& ec, size_t bytes) { self->on_read(ec, bytes); });
    }

    void on_read(const asio::error_code& ec, size_t bytes)
    {
        if (closed_)
            return;
        if (ec) {
            std::string why;
            if (ec == asio::error::eof)
                why = in_len_ ? format_text("closed by the peer in the middle of a message (%zu bytes pending)", in_len_) : "closed by the peer";
            else
                why = "read error: " + ec.message();
            core_.connection_closed(*this, why);
            return;
        }
        in_len_ += bytes;
        acknowledge_now();
        size_t pos = 0;
        while (!closed_ && in_len_ - pos >= wire_head_len) {
            const char* head20 = in_.data() + pos;
            int bad = strict_head_error(head20);
            WireHead head;
            if (bad >= 0 || !parse_wire_head(head20, head)) {
                protocol_error(format_text("malformed head at %d: \"%s\"", bad, printable(std::string_view(head20, wire_head_len)).c_str()));
                return;
            }
            if (head.length < 0) {
                protocol_error(format_text("negative body length %d in message %d", head.length, head.number));
                return;
            }
            size_t total = wire_head_len + static_cast<size_t>(head.length);
            if (in_len_ - pos < total)
                break;
            char* body = in_.data() + pos + wire_head_len;
            scramble_message_body(body, head.length);
            core_.handle_message(*this, head, std::string_view(body, static_cast<size_t>(head.length)));
            pos += total;
        }
        if (closed_)
            return;
        if (pos > 0) {
            std::memmove(in_.data(), in_.data() + pos, in_len_ - pos);
            in_len_ -= pos;
        }
        read_more();
    }

    // Clients keep Nagle's algorithm on: each small message waits for the
    // acknowledgement of the one before, so acknowledging at once (rather
    // than after the delayed-ACK timer, up to 40 ms) keeps the next one
    // from waiting. The kernel clears the flag again, hence after each read.
    void acknowledge_now()
    {
        int on = 1;
        ::setsockopt(socket_.native_handle(), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    }

    void protocol_error(const std::string& what)
    {
        if (client) {
            core_.drop_client(*client, std::string(channel_name(channel)) + " connection: " + what);
        } else {
            server_log("connection from %s: %s: closed", peer.c_str(), what.c_str());
            core_.connection_closed(*this, "");
        }
    }

    struct Queued {
        std::shared_ptr<const std::string> wire;
        int origin = 0;
    };

    void forget(const Queued& entry)
    {
        queued_bytes_ -= entry.wire->size();
        if (entry.origin == 0)
            return;
        auto it = origin_bytes_.find(entry.origin);
        if (it != origin_bytes_.end() && (it->second -= entry.wire->size()) == 0)
            origin_bytes_.erase(it);
    }

    // Writes as much as the socket takes, so that every bit the reader
    // takes shows as progress.
    void write_more()
    {
        std::vector<asio::const_buffer> buffers;
        buffers.reserve(std::min(out_.size(), write_batch_limit));
        for (size_t i = 0; i < out_.size() && i < write_batch_limit; ++i) {
            size_t skip = i == 0 ? front_offset_ : 0;
            buffers.emplace_back(asio::buffer(out_[i].wire->data() + skip, out_[i].wire->size() - skip));
        }
        writing_count_ = buffers.size();
        socket_.async_write_some(buffers, [self = shared_from_this()](const asio::error_code& ec, size_t written) {
            if (self->closed_)
                return;
            self->drained_bytes_ += written;
            while (written > 0 && !self->out_.empty()) {
                size_t rest = self->out_.front().wire->size() - self->front_offset_;
                if (written < rest) {
                    self->front_offset_ += written;
                    break;
                }
                written -= rest;
                self->front_offset_ = 0;
                self->forget(self->out_.front());
                self->out_.pop_front();
            }
            self->writing_count_ = 0;
            if (ec) {
                self->core_.connection_closed(*self, "write error: " + ec.message());
                return;
            }
            if (!self->out_.empty())
                self->write_more();
            self->wake_drain_waiter();
            if (self->closed_)
                return;
            // A reader that takes anything while a flood is held back reads:
            // the one who filled its queue is flooding.
            if (self->held_origin_ != 0 && self->drained_bytes_ > self->drained_at_hold_)
                self->core_.hold_ended(*self, true);
        });
    }

    ServerCore& core_;
    asio::ip::tcp::socket socket_;
    asio::steady_timer identify_timer_;
    std::vector<char> in_ = std::vector<char>(read_buffer_bytes);
    size_t in_len_ = 0;
    std::deque<Queued> out_;
    size_t front_offset_ = 0;  // of the first message, already written
    size_t queued_bytes_ = 0;
    std::unordered_map<int, size_t> origin_bytes_;
    size_t writing_count_ = 0;
    uint64_t drained_bytes_ = 0;
    int held_origin_ = 0;
    size_t held_at_bytes_ = 0;
    uint64_t drained_at_hold_ = 0;
    asio::steady_timer hold_timer_ { socket_.get_executor() };
    bool closed_ = false;
    // Families that send much wait here, each for its own mark: a picture
    // and a file may stream to one reader at once.
    struct DrainWaiter {
        size_t mark = 0;
        std::function<void()> fn;
    };
    std::vector<DrainWaiter> drain_waiters_;

public:
    void wait_drained(size_t low_mark, std::function<void()> fn) { drain_waiters_.push_back({ low_mark, std::move(fn) }); }

private:
    // After a write: each waiter runs once the queue is down to its mark.
    void wake_drain_waiter()
    {
        std::vector<std::function<void()>> due;
        for (auto it = drain_waiters_.begin(); it != drain_waiters_.end();) {
            if (queued_bytes_ <= it->mark) {
                due.push_back(std::move(it->fn));
                it = drain_waiters_.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& fn : due) {
            if (closed_)
                return;
            core_.run_server_event("a drained send queue", fn);
        }
    }
};

bool Client::has_channel(Channel channel) const
{
    const auto& connection = connections_[static_cast<size_t>(channel)];
    return connection && !connection->closed();
}

Client* Room::member(int customer_id) const
{
    for (Client* client : members_) {
        if (client->customer_id() == customer_id)
            return client;
    }
    return nullptr;
}

ServerCore::ServerCore(ServerConfig config, MessageTable table)
    : config_(std::move(config)), table_(std::move(table)), impl_(std::make_unique<Impl>())
{
}

ServerCore::~ServerCore()
{
    close_all();
    clients_.clear();
}

int ServerCore::start()
{
    try {
        asio::ip::tcp::resolver resolver(impl_->io);
        auto found = resolver.resolve(config_.listen_host, std::to_string(config_.listen_port), asio::ip::resolver_base::passive);
        if (found.empty()) {
            server_log("cannot resolve %s", config_.listen_host.c_str());
            return -1;
        }
        asio::ip::tcp::endpoint endpoint = found.begin()->endpoint();
        impl_->acceptor.open(endpoint.protocol());
        impl_->acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true));
        impl_->acceptor.bind(endpoint);
        impl_->acceptor.listen(asio::socket_base::max_listen_connections);
        bound_port_ = impl_->acceptor.local_endpoint().port();
        server_log("listening on %s:%u", endpoint.address().to_string().c_str(), static_cast<unsigned>(bound_port_));
    } catch (const std::exception& e) {
        server_log("cannot listen on %s:%u: %s", config_.listen_host.c_str(), static_cast<unsigned>(config_.listen_port), e.what());
        return -1;
    }
    accept_next();
    watch_idle_clients();
    return 0;
}

void ServerCore::watch_idle_clients()
{
    if (config_.idle_timeout_ms <= 0)
        return;
    int period_ms = std::clamp(config_.idle_timeout_ms / 4, 50, 5000);
    impl_->idle_timer.expires_after(std::chrono::milliseconds(period_ms));
    impl_->idle_timer.async_wait([this](const asio::error_code& ec) {
        if (ec || impl_->stopped)
            return;
        auto limit = std::chrono::milliseconds(config_.idle_timeout_ms);
        auto now = std::chrono::steady_clock::now();
        std::vector<Client*> silent;
        for (auto& [id, client] : clients_) {
            if (!client->dropping() && now - client->last_heard_ > limit)
                silent.push_back(client.get());
        }
        for (Client* client : silent)
            drop_client(*client, format_text("nothing heard for %d ms", config_.idle_timeout_ms));
        watch_idle_clients();
    });
}

void ServerCore::run(bool handle_signals)
{
    if (handle_signals) {
        impl_->signals.emplace(impl_->io, SIGINT, SIGTERM);
        impl_->signals->async_wait([this](const asio::error_code& ec, int signal_number) {
            if (ec)
                return;
            server_log("signal %d: stopping", signal_number);
            close_all();
            impl_->io.stop();
        });
    }
    for (;;) {
        try {
            impl_->io.run();
            break;
        } catch (const std::exception& e) {
            server_log("exception in the server loop: %s", e.what());
        } catch (...) {
            server_log("exception in the server loop");
        }
    }
    server_log("stopped");
}

size_t ServerCore::poll()
{
    try {
        return impl_->io.poll();
    } catch (const std::exception& e) {
        server_log("exception in the server loop: %s", e.what());
    } catch (...) {
        server_log("exception in the server loop");
    }
    return 1;
}

void ServerCore::stop()
{
    asio::post(impl_->io, [this] {
        server_log("stopping");
        close_all();
        impl_->io.stop();
    });
}

void ServerCore::close_all()
{
    if (impl_->stopped)
        return;
    impl_->stopped = true;
    asio::error_code ec;
    impl_->acceptor.close(ec);
    impl_->idle_timer.cancel();
    impl_->accept_retry_timer.cancel();
    if (impl_->signals)
        impl_->signals->cancel(ec);
    for (const auto& connection : impl_->connections)
        connection->close();
    impl_->connections.clear();
}

void ServerCore::accept_next()
{
    impl_->acceptor.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (impl_->stopped)
            return;
        if (ec) {
            // Out of descriptors, most likely: retrying at once would spin
            // and fill the log, so wait a little for connections to close.
            server_log("accept failed: %s", ec.message().c_str());
            impl_->accept_retry_timer.expires_after(std::chrono::milliseconds(100));
            impl_->accept_retry_timer.async_wait([this](const asio::error_code& wait_error) {
                if (!wait_error && !impl_->stopped)
                    accept_next();
            });
            return;
        }
        auto connection = std::make_shared<ServerConnection>(*this, std::move(socket));
        impl_->connections.insert(connection);
        server_log("connection from %s", connection->peer.c_str());
        connection->start(config_.identify_timeout_ms);
        accept_next();
    });
}

void ServerCore::connection_closed(ServerConnection& connection, const std::string& why)
{
    auto keep = connection.shared_from_this();
    connection.close();
    impl_->connections.erase(keep);
    Client* client = connection.client;
    if (!client) {
        if (!why.empty())
            server_log("connection from %s %s", connection.peer.c_str(), why.c_str());
        return;
    }
    if (connection.channel == Channel::main) {
        drop_client(*client, "main connection " + why);
        return;
    }
    auto& slot = client->connections_[static_cast<size_t>(connection.channel)];
    if (slot.get() == &connection)
        slot.reset();
    connection.client = nullptr;
    server_log("client %d: %s connection %s", client->customer_id(), channel_name(connection.channel), why.c_str());
}

void ServerCore::handle_message(ServerConnection& connection, const WireHead& head, std::string_view body)
{
    Client* client = connection.client;
    // Whatever the handler sends, to anyone, this client caused.
    current_origin_ = client ? client->customer_id() : 0;
    ++handler_depth_;
    try {
        if (!client)
            handle_unidentified(connection, head, body);
        else
            handle_from_client(*client, connection, head, body);
    } catch (const std::exception& e) {
        server_log("exception in handling message %d from %s: %s", head.number, connection.label().c_str(), e.what());
        if (client)
            drop_client(*client, "its message caused an error");
    } catch (...) {
        server_log("exception in handling message %d from %s", head.number, connection.label().c_str());
        if (client)
            drop_client(*client, "its message caused an error");
    }
    --handler_depth_;
    current_origin_ = 0;
    finish_drops();
}

int ServerCore::next_customer_id()
{
    for (int tries = first_customer_id; tries <= last_customer_id; ++tries) {
        last_customer_id_ = last_customer_id_ >= last_customer_id ? first_customer_id : last_customer_id_ + 1;
        if (!clients_.count(last_customer_id_))
            return last_customer_id_;
    }
    return -1;
}

void ServerCore::handle_unidentified(ServerConnection& connection, const WireHead& head, std::string_view body)
{
    if (head.number == MSG_HELLO_MAIN) {
        int id = next_customer_id();
        if (id < 0) {
            server_log("connection from %s: no customer id left: closed", connection.peer.c_str());
            connection_closed(connection, "");
            return;
        }
        auto owned = std::make_unique<Client>();
        Client& client = *owned;
        client.customer_id_ = id;
        client.peer_address_ = connection.peer;
        client.connections_[static_cast<size_t>(Channel::main)] = connection.shared_from_this();
        clients_[id] = std::move(owned);
        connection.client = &client;
        connection.channel = Channel::main;
        connection.identified();
        server_log("client %d: main connection from %s", id, connection.peer.c_str());
        greet(client);
        return;
    }
    if (auto channel = identification_channel(head.number)) {
        std::optional<int> id = parse_identification(body);
        Client* client = id ? find_client(*id) : nullptr;
        if (!client) {
            server_log("connection from %s: identification %d with unknown id \"%s\": closed", connection.peer.c_str(),
                head.number, printable(body).c_str());
            connection_closed(connection, "");
            return;
        }
        // Ids are seen by every member of a room: without this, anyone could
        // take over a member's voice, application or file connection. The
        // four connections of a client all come from its one machine.
        const auto& main = client->connections_[static_cast<size_t>(Channel::main)];
        if (!main || main->source != connection.source) {
            server_log("connection from %s: identification %d for client %d refused: its main connection comes from %s: closed",
                connection.peer.c_str(), head.number, client->customer_id(),
                main ? main->source.to_string().c_str() : "nowhere");
            connection_closed(connection, "");
            return;
        }
        auto& slot = client->connections_[static_cast<size_t>(*channel)];
        if (slot) {
            // A reconnect (the client's watchdog) replaces the old connection.
            server_log("client %d: %s connection replaced", client->customer_id(), channel_name(*channel));
            slot->client = nullptr;
            auto old = slot;
            slot.reset();
            connection_closed(*old, "");
        }
        slot = connection.shared_from_this();
        connection.client = client;
        connection.channel = *channel;
        connection.identified();
        server_log("client %d: %s connection from %s", client->customer_id(), channel_name(*channel), connection.peer.c_str());
        for (const ChannelEvent& event : table_.channel_bound_events()) {
            try {
                event(*this, *client, *channel);
            } catch (...) {
                server_log("exception in a channel-bound event of client %d", client->customer_id());
            }
        }
        return;
    }
    if (head.number == MSG_KEEP_ALIVE)
        return;
    server_log("connection from %s: message %d before identification: closed", connection.peer.c_str(), head.number);
    connection_closed(connection, "");
}

void ServerCore::greet(Client& client)
{
    send_data(client, MSG_HELLO_MAIN, std::to_string(client.customer_id()));
    send_data(client, MSG_SERVER_HELLO, config_.greeting);
    for (int query : { MSG_QUERY_621, MSG_QUERY_627, MSG_QUERY_635, MSG_QUERY_645 })
        send_cmd(client, query);
    for (const ClientEvent& event : table_.client_ready_events()) {
        if (client.dropping())
            return;
        event(*this, client);
    }
}

void ServerCore::handle_from_client(Client& client, ServerConnection& connection, const WireHead& head, std::string_view body)
{
    client.last_heard_ = std::chrono::steady_clock::now();
    switch (head.number) {
    case MSG_KEEP_ALIVE:
        return;
    case MSG_HELLO_MAIN:
        if (connection.channel == Channel::main)
            send_data(client, MSG_HELLO_MAIN, std::to_string(client.customer_id()));
        return;
    case MSG_HELLO_APP:
    case MSG_HELLO_VOICE:
    case MSG_HELLO_FILE:
        server_log("client %d: repeated identification %d on its %s connection: ignored", client.customer_id(), head.number,
            channel_name(connection.channel));
        return;
    case MSG_CLIENT_IDENTITY:
        if (connection.channel == Channel::main) {
            client.identity_ = printable(cut_copy(body, identity_limit));
            server_log("client %d: identity %s", client.customer_id(), client.identity_.c_str());
        }
        return;
    case MSG_ANSWER_622:
    case MSG_ANSWER_628:
    case MSG_ANSWER_636:
    case MSG_ANSWER_646:
        server_log("client %d: answer %d", client.customer_id(), head.number);
        return;
    default:
        break;
    }
    const MessageTable::Entry* entry = table_.find(head.number);
    if (!entry) {
        // One line per kind and client, for a few kinds: a client must not flood the log.
        if (client.unhandled_logged_.size() < unhandled_kinds_logged && client.unhandled_logged_.insert(head.number).second) {
            server_log("client %d: message %d on its %s connection has no handler: dropped", client.customer_id(), head.number,
                channel_name(connection.channel));
            if (client.unhandled_logged_.size() == unhandled_kinds_logged)
                server_log("client %d: further messages without a handler are not logged", client.customer_id());
        }
        return;
    }
    IncomingMessage message { head, body, connection.channel };
    if (entry->handler)
        entry->handler(*this, client, message);
    else
        relay(client, message, *entry->relay);
    for (const MessageHandler& follower : entry->followers) {
        if (client.dropping())
            break;
        follower(*this, client, message);
    }
}

Client* ServerCore::find_client(int customer_id)
{
    auto it = clients_.find(customer_id);
    return it == clients_.end() || it->second->dropping() ? nullptr : it->second.get();
}

size_t ServerCore::client_count() const
{
    return static_cast<size_t>(std::count_if(clients_.begin(), clients_.end(), [](const auto& c) { return !c.second->dropping(); }));
}

Room* ServerCore::find_room(int number)
{
    auto it = rooms_.find(number);
    return it == rooms_.end() ? nullptr : it->second.get();
}

Room* ServerCore::find_room_by_name(std::string_view name)
{
    for (auto& [number, room] : rooms_) {
        if (room->name() == name)
            return room.get();
    }
    return nullptr;
}

Room* ServerCore::create_room(std::string_view name)
{
    int number = last_room_number_;
    do {
        number = number >= last_room_number ? 1 : number + 1;
    } while (rooms_.count(number) && number != last_room_number_);
    if (rooms_.count(number)) {
        server_log("no room number left for %s", printable(name).c_str());
        return nullptr;
    }
    last_room_number_ = number;
    auto room = std::make_unique<Room>();
    room->number_ = number;
    room->name_ = std::string(name);
    Room& created = *room;
    rooms_[number] = std::move(room);
    server_log("room %d created: %s", number, printable(created.name()).c_str());
    return &created;
}

void ServerCore::remove_room(Room& room)
{
    while (!room.members_.empty())
        leave_room(*room.members_.front());
    for (const RoomEvent& event : table_.room_removing_events()) {
        try {
            event(*this, room);
        } catch (...) {
            server_log("exception in a room-removing event of room %d", room.number());
        }
    }
    server_log("room %d removed", room.number());
    rooms_.erase(room.number());
}

std::vector<Room*> ServerCore::rooms()
{
    std::vector<Room*> out;
    out.reserve(rooms_.size());
    for (auto& [number, room] : rooms_)
        out.push_back(room.get());
    return out;
}

void ServerCore::join_room(Client& client, Room& room)
{
    if (client.room_ == &room)
        return;
    leave_room(client);
    room.members_.push_back(&client);
    client.room_ = &room;
    server_log("client %d joined room %d", client.customer_id(), room.number());
    for (const ClientEvent& event : table_.room_joined_events()) {
        try {
            event(*this, client);
        } catch (...) {
            server_log("exception in a room-joined event of client %d", client.customer_id());
        }
    }
}

void ServerCore::leave_room(Client& client)
{
    Room* room = client.room_;
    if (!room)
        return;
    for (const ClientEvent& event : table_.room_leaving_events()) {
        try {
            event(*this, client);
        } catch (...) {
            server_log("exception in a room-leaving event of client %d", client.customer_id());
        }
    }
    std::erase(room->members_, &client);
    client.room_ = nullptr;
    server_log("client %d left room %d", client.customer_id(), room->number());
}

int ServerCore::enqueue(Client& to, Channel channel, std::shared_ptr<const std::string> wire)
{
    if (to.dropping() || !wire)
        return -1;
    auto& connection = to.connections_[static_cast<size_t>(channel)];
    if (!connection || connection->closed())
        return -1;
    int origin = current_origin_;
    if (origin != 0 && origin == connection->held_origin())
        return -1;
    size_t limit = config_.send_queue_limit_bytes;
    if (connection->queued_bytes() + wire->size() > limit) {
        // Mostly one member's messages: either this reader does not read, or
        // that member sends faster than anyone could read. Hold them back
        // and let the reader show which (see hold_ended).
        auto [top, top_bytes] = connection->top_origin();
        if (connection->held_origin() == 0 && top != 0 && top != to.customer_id() && top_bytes * 2 > connection->queued_bytes()) {
            server_log("client %d: its %s send queue is full (%zu bytes, %zu of them from client %d): that client's messages to it are held back",
                to.customer_id(), channel_name(channel), connection->queued_bytes(), top_bytes, top);
            connection->hold_back(top, config_.hold_back_ms);
            if (origin == top)
                return -1;
        }
        if (connection->queued_bytes() + wire->size() > limit) {
            drop_client(to, format_text("its %s send queue is full (%zu bytes): it does not read", channel_name(channel),
                connection->queued_bytes()));
            return -1;
        }
    }
    connection->queue(std::move(wire), origin);
    return 0;
}

size_t ServerCore::queued_bytes(const Client& client, Channel channel) const
{
    const auto& connection = client.connections_[static_cast<size_t>(channel)];
    return connection && !connection->closed() ? connection->queued_bytes() : 0;
}

void ServerCore::when_drained(Client& client, Channel channel, size_t low_mark, std::function<void()> fn)
{
    auto& connection = client.connections_[static_cast<size_t>(channel)];
    if (!connection || connection->closed() || client.dropping())
        return;
    if (connection->queued_bytes() > low_mark) {
        connection->wait_drained(low_mark, std::move(fn));
        return;
    }
    asio::post(impl_->io, [this, weak = std::weak_ptr<ServerConnection>(connection), fn = std::move(fn)] {
        auto alive = weak.lock();
        if (alive && !alive->closed())
            run_server_event("a drained send queue", fn);
    });
}

// Work of the server's own (not caused by a client's message) runs like a
// handler: a client it drops leaves only afterwards.
void ServerCore::run_server_event(const char* what, const std::function<void()>& fn)
{
    ++handler_depth_;
    int origin = current_origin_;
    current_origin_ = 0;
    try {
        fn();
    } catch (...) {
        server_log("exception in %s", what);
    }
    current_origin_ = origin;
    --handler_depth_;
    finish_drops();
}

void ServerCore::hold_ended(ServerConnection& connection, bool reader_reads)
{
    int flooder = connection.held_origin();
    size_t held_at_bytes = connection.held_at_bytes();
    connection.end_hold();
    Client* reader = connection.client;
    if (!reader || flooder == 0)
        return;
    if (!reader_reads) {
        drop_client(*reader, format_text("its %s send queue is full (%zu bytes): it does not read", channel_name(connection.channel),
            held_at_bytes));
        return;
    }
    if (Client* sender = find_client(flooder))
        drop_client(*sender, format_text("it sends faster than client %d reads", reader->customer_id()));
    // What it sent is waiting nowhere any more.
    for (const auto& other : impl_->connections)
        other->evict(flooder);
}

int ServerCore::send(Client& to, Channel channel, const WireHead& head, std::string_view body)
{
    WireHead out = head;
    out.length = static_cast<int>(body.size());
    if (body.size() > static_cast<size_t>(wire_field_max))
        return -1;
    return enqueue(to, channel, make_wire(out, body));
}

int ServerCore::send_cmd(Client& to, int number, int field2)
{
    return send(to, Channel::main, WireHead { 0, field2, number, 0 });
}

int ServerCore::send_data(Client& to, int number, std::string_view body, int field2, Channel channel)
{
    return send(to, channel, WireHead { 0, field2, number, 0 }, body);
}

int ServerCore::relay(Client& sender, const IncomingMessage& message, const RelayRule& rule)
{
    Room* room = sender.room();
    if (!room) {
        if (sender.roomless_logged_.insert(message.head.number).second)
            server_log("client %d: message %d dropped: the sender is in no room", sender.customer_id(), message.head.number);
        return 0;
    }
    // A copy: a full queue may drop a member while we go through the list.
    std::vector<Client*> targets;
    if (rule.to == RelayTo::field2 && message.head.address != wire_to_all) {
        Client* target = room->member(message.head.address);
        if (!target) {
            if (sender.misaddressed_logged_.insert(message.head.number).second)
                server_log("client %d: message %d to %d dropped: no such member in room %d (logged once per kind)",
                    sender.customer_id(), message.head.number, message.head.address, room->number());
            return 0;
        }
        targets.push_back(target);
    } else {
        targets.reserve(room->members().size());
        for (Client* member : room->members()) {
            if (member != &sender || rule.to == RelayTo::whole_room)
                targets.push_back(member);
        }
    }
    if (message.body.size() > client_body_limit) {
        if (sender.oversize_logged_.insert(message.head.number).second)
            server_log("client %d: message %d of %zu bytes dropped: longer than a client can take", sender.customer_id(),
                message.head.number, message.body.size());
        return 0;
    }
    WireHead out = message.head;
    if (rule.field2 == Field2Out::sender_id)
        out.address = sender.customer_id();
    std::shared_ptr<const std::string> wire = make_wire(out, message.body);
    int relayed = 0;
    for (Client* target : targets) {
        if (enqueue(*target, message.channel, wire) == 0)
            ++relayed;
    }
    return relayed;
}

void ServerCore::drop_client(Client& client, const std::string& reason)
{
    if (client.dropping_)
        return;
    client.dropping_ = true;
    int id = client.customer_id();
    server_log("client %d dropped: %s", id, reason.c_str());
    // From here on nothing is sent to it or read from it.
    for (auto& connection : client.connections_) {
        if (!connection)
            continue;
        connection->client = nullptr;
        connection->close();
        impl_->connections.erase(connection);
        connection.reset();
    }
    drops_pending_.push_back(id);
    finish_drops();
}

// The leaving events of dropped clients, once no handler is running: a
// handler may hold the client, its room or the room's state. The events
// run at a depth of their own, so a client their sends drop waits its turn
// in the same loop.
void ServerCore::finish_drops()
{
    if (handler_depth_ > 0)
        return;
    ++handler_depth_;
    while (!drops_pending_.empty()) {
        int id = drops_pending_.front();
        drops_pending_.erase(drops_pending_.begin());
        auto found = clients_.find(id);
        if (found == clients_.end())
            continue;
        Client& client = *found->second;
        for (const ClientEvent& event : table_.client_leaving_events()) {
            try {
                event(*this, client);
            } catch (...) {
                server_log("exception in a leaving event of client %d", id);
            }
        }
        leave_room(client);
        // Whatever posted work still names the client finds it until then.
        asio::post(impl_->io, [this, id] {
            auto it = clients_.find(id);
            if (it != clients_.end() && it->second->dropping())
                clients_.erase(it);
        });
    }
    --handler_depth_;
}
