#pragma once
// The conference server's core: it accepts connections, binds the four
// connections of each client by customer id, keeps the rooms, routes each
// message through the message table and queues what it sends per
// connection with a bound (a client that does not read is dropped).
//
// Everything runs on one thread (the one calling run()); handlers therefore
// need no locks. Only stop() may be called from another thread.

#include "server/family_state.h"
#include "server/message_table.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ServerConnection;
class Room;

struct ServerConfig {
    std::string listen_host = "127.0.0.1";
    uint16_t listen_port = 9081;  // 0: any free port, see ServerCore::port()
    std::string greeting = "Welcome to the Tamblo conference server.";
    size_t send_queue_limit_bytes = 8 * 1024 * 1024;  // per connection
    int identify_timeout_ms = 10000;  // a connection that names no client by then is closed
    // A client heard nothing from for this long is dropped (0: never). Its
    // keep-alive comes at least every 12 s, so a silent client is gone.
    int idle_timeout_ms = 120000;
    // A send queue that filled with one member's messages holds them back
    // for at most this long: a reader that reads meanwhile stays (that
    // member is flooding and is dropped), one that does not is dropped.
    int hold_back_ms = 2000;
    // The files in share: where they are kept (empty: a private temporary
    // folder, removed at stop) and how much one room keeps.
    std::string data_dir;
    size_t room_files_limit_bytes = 200u * 1024 * 1024;
    // Whiteboard pictures kept for the room: all of one room, and all of
    // every room, uploads still arriving included.
    size_t room_pictures_limit_bytes = 64u * 1024 * 1024;
    size_t pictures_limit_bytes = 512u * 1024 * 1024;
};

class Client {
public:
    int customer_id() const { return customer_id_; }
    Room* room() const { return room_; }
    // The text of the client's 84 (its local address), at most 28 characters.
    const std::string& identity() const { return identity_; }
    const std::string& peer_address() const { return peer_address_; }
    bool has_channel(Channel channel) const;
    // True once the server has begun dropping the client: sends are ignored.
    bool dropping() const { return dropping_; }

    template <class T>
    T& state() { return family_state_.state<T>(); }

private:
    friend class ServerCore;

    int customer_id_ = -1;
    Room* room_ = nullptr;
    std::string identity_;
    std::string peer_address_;
    std::array<std::shared_ptr<ServerConnection>, channel_count> connections_ {};
    bool dropping_ = false;
    std::chrono::steady_clock::time_point last_heard_ = std::chrono::steady_clock::now();
    std::set<int> unhandled_logged_;  // numbers already logged once
    std::set<int> roomless_logged_;
    std::set<int> misaddressed_logged_;
    std::set<int> oversize_logged_;
    FamilyState family_state_;
};

class Room {
public:
    int number() const { return number_; }
    const std::string& name() const { return name_; }
    // In the order they joined.
    const std::vector<Client*>& members() const { return members_; }
    Client* member(int customer_id) const;

    template <class T>
    T& state() { return family_state_.state<T>(); }

private:
    friend class ServerCore;

    int number_ = 0;
    std::string name_;
    std::vector<Client*> members_;
    FamilyState family_state_;
};

class ServerCore {
public:
    ServerCore(ServerConfig config, MessageTable table);
    ~ServerCore();
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    // Binds and listens. 0, or -1 (logged) when the address cannot be used.
    int start();
    // The port actually bound (useful with listen_port 0).
    uint16_t port() const { return bound_port_; }
    // Serves until stop() or SIGTERM/SIGINT when handle_signals was set.
    void run(bool handle_signals = false);
    // Instead of run(): runs on the calling thread what is ready, without
    // waiting, so an in-process driver (the fuzz harness) steps the server
    // itself. The number of handlers run.
    size_t poll();
    // Any thread: closes every connection and makes run() return.
    void stop();

    const ServerConfig& config() const { return config_; }
    const MessageTable& table() const { return table_; }
    template <class T>
    T& state() { return family_state_.state<T>(); }

    // Clients that are connected and not being dropped.
    Client* find_client(int customer_id);
    size_t client_count() const;

    // Rooms. A client is in at most one room; joining leaves the previous one.
    Room* find_room(int number);
    Room* find_room_by_name(std::string_view name);
    // nullptr when every room number (1..9999) is taken.
    Room* create_room(std::string_view name);
    // Members leave first.
    void remove_room(Room& room);
    std::vector<Room*> rooms();
    void join_room(Client& client, Room& room);
    void leave_room(Client& client);

    // Queues one message for a client's connection (the body is scrambled
    // here). 0, or -1 when the client lacks that connection, is being
    // dropped, or the head does not fit; a full queue drops the client.
    int send(Client& to, Channel channel, const WireHead& head, std::string_view body = {});
    int send_cmd(Client& to, int number, int field2 = 0);
    int send_data(Client& to, int number, std::string_view body, int field2 = 0, Channel channel = Channel::main);
    // Relays within the sender's room as the rule says, on the channel the
    // message came in on. Returns how many members it was queued for.
    int relay(Client& sender, const IncomingMessage& message, const RelayRule& rule);

    // Bytes waiting to be written on a client's connection (0 without one).
    size_t queued_bytes(const Client& client, Channel channel) const;
    // Runs fn once that connection's queue has gone down to at most
    // low_mark bytes (at once, posted, when it already is), like a handler:
    // a family sending much paces itself by it. A closed or replaced
    // connection never runs it. Each waiter runs once; several may wait on
    // one connection.
    void when_drained(Client& client, Channel channel, size_t low_mark, std::function<void()> fn);

    // Closes the client's connections at once; its leaving events run and
    // it leaves its room once no handler is running any more, so a handler
    // whose send drops a client (even the last member of a room, whose room
    // then closes) still finds everything it holds. Safe from anywhere.
    void drop_client(Client& client, const std::string& reason);

private:
    friend class ServerConnection;

    struct Impl;
    void handle_message(ServerConnection& connection, const WireHead& head, std::string_view body);
    void handle_unidentified(ServerConnection& connection, const WireHead& head, std::string_view body);
    void handle_from_client(Client& client, ServerConnection& connection, const WireHead& head, std::string_view body);
    void accept_next();
    void watch_idle_clients();
    void connection_closed(ServerConnection& connection, const std::string& why);
    void greet(Client& client);
    void finish_drops();
    void hold_ended(ServerConnection& connection, bool reader_reads);
    void run_server_event(const char* what, const std::function<void()>& fn);
    int enqueue(Client& to, Channel channel, std::shared_ptr<const std::string> wire);
    int next_customer_id();
    void close_all();

    ServerConfig config_;
    MessageTable table_;
    std::unique_ptr<Impl> impl_;
    uint16_t bound_port_ = 0;
    int last_customer_id_ = 999;
    int last_room_number_ = 0;
    std::unordered_map<int, std::unique_ptr<Client>> clients_;
    std::map<int, std::unique_ptr<Room>> rooms_;
    FamilyState family_state_;
    int current_origin_ = 0;           // the client whose message is being handled
    int handler_depth_ = 0;            // handlers, events and drops running now
    std::vector<int> drops_pending_;   // dropped while one ran: leaving events still due
};
