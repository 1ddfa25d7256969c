#pragma once
// What the server does with each message number: a table from number to a
// handler or a relay rule, filled by the message families (one install
// function per family file, called from server_families.cpp). Numbers with
// no entry are logged and dropped.

#include "core/wire_head.h"

#include <array>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

class ServerCore;
class Client;

// The four connections of a client.
enum class Channel : int { main, app, voice, file, count };
inline constexpr int channel_count = static_cast<int>(Channel::count);
const char* channel_name(Channel channel);

struct IncomingMessage {
    WireHead head;
    std::string_view body;  // unscrambled; valid only during the call
    Channel channel = Channel::main;
};

// Who receives a relayed message, always inside the sender's room only.
enum class RelayTo {
    field2,       // 999: every other member; an id: that member
    room_others,  // every other member whatever field 2 says
    whole_room,   // every member, the sender too
};
// What field 2 of the relayed copy says.
enum class Field2Out {
    sender_id,  // the sender's customer id
    keep,       // as sent (a board index, a tile number)
};
struct RelayRule {
    RelayTo to = RelayTo::field2;
    Field2Out field2 = Field2Out::sender_id;
};

using MessageHandler = std::function<void(ServerCore& server, Client& sender, const IncomingMessage& message)>;
using ClientEvent = std::function<void(ServerCore& server, Client& client)>;
class Room;
using RoomEvent = std::function<void(ServerCore& server, Room& room)>;
using ChannelEvent = std::function<void(ServerCore& server, Client& client, Channel channel)>;

class MessageTable {
public:
    static constexpr int number_limit = wire_field_max + 1;

    struct Entry {
        MessageHandler handler;
        std::optional<RelayRule> relay;
        const char* family = nullptr;
        std::vector<MessageHandler> followers;
    };

    // -1 (and a log line) when the number is outside 0..9999 or already
    // taken: two families must not silently fight over one number.
    int add_handler(int number, MessageHandler handler, const char* family);
    int add_relay(int number, RelayRule rule, const char* family);
    // Runs after the number's own handler or relay, for a family that acts
    // once another family has answered (the number keeps its owner). -1
    // outside 0..9999.
    int add_follower(int number, MessageHandler follower, const char* family);
    bool has(int number) const;
    // nullptr when nothing is registered.
    const Entry* find(int number) const;

    // After the server has answered a new client's 80.
    void on_client_ready(ClientEvent event);
    // Before a client that went away leaves its room and the server.
    void on_client_leaving(ClientEvent event);
    const std::vector<ClientEvent>& client_ready_events() const { return ready_events_; }
    const std::vector<ClientEvent>& client_leaving_events() const { return leaving_events_; }
    // Before a client leaves its room, by its own wish or because it went
    // away (client.room() is still the room it leaves).
    void on_room_leaving(ClientEvent event);
    const std::vector<ClientEvent>& room_leaving_events() const { return room_leaving_events_; }
    // After a client has entered a room (client.room() is the new one).
    void on_room_joined(ClientEvent event);
    const std::vector<ClientEvent>& room_joined_events() const { return joined_events_; }
    // After a client's application, voice or file connection was bound (also
    // one that replaced an earlier connection of that kind).
    void on_channel_bound(ChannelEvent event);
    // Before a room is removed (its members have left it).
    void on_room_removing(RoomEvent event);
    const std::vector<RoomEvent>& room_removing_events() const { return removing_events_; }
    const std::vector<ChannelEvent>& channel_bound_events() const { return bound_events_; }

private:
    int claim(int number, const char* family);

    std::array<Entry, number_limit> entries_ {};
    std::vector<ClientEvent> ready_events_;
    std::vector<ClientEvent> leaving_events_;
    std::vector<ClientEvent> joined_events_;
    std::vector<ClientEvent> room_leaving_events_;
    std::vector<ChannelEvent> bound_events_;
    std::vector<RoomEvent> removing_events_;
};
