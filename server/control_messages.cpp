#include "server/control_messages.h"

#include "core/messages.h"

#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"

#include <memory>

namespace {

ControlConfig& configured()
{
    static ControlConfig config = default_control_config();
    return config;
}

// ControlRooms speaks to clients and rooms of the core through this.
class CoreOutput : public ControlOutput {
public:
    explicit CoreOutput(ServerCore& server) : server_(server) {}

    void send_to(int customer_id, int field2, int number, std::string_view body) override
    {
        if (Client* client = server_.find_client(customer_id))
            server_.send_data(*client, number, body, field2);
    }
    void log_line(const std::string& line) override { server_log("%s", line.c_str()); }
    int room_opened(const std::string& name) override
    {
        Room* room = server_.find_room_by_name(name);
        if (!room)
            room = server_.create_room(name);
        return room ? room->number() : -1;
    }
    void room_closed(int room_number) override
    {
        if (Room* room = server_.find_room(room_number))
            server_.remove_room(*room);
    }
    void member_entered(int customer_id, int room_number) override
    {
        Client* client = server_.find_client(customer_id);
        Room* room = server_.find_room(room_number);
        if (client && room)
            server_.join_room(*client, *room);
    }
    void member_left(int customer_id) override
    {
        // A client being dropped is no longer found; the core takes it out of its room itself.
        if (Client* client = server_.find_client(customer_id); client && client->room())
            server_.leave_room(*client);
    }

    void private_voice_agreed(int customer_id, int partner_id) override
    {
        Client* client = server_.find_client(customer_id);
        Client* partner = server_.find_client(partner_id);
        if (!client || !partner)
            return;
        // The partner's address as this server sees it, and its peer port when
        // its 84 named one ("a.b.c.d:port"); without one the client uses 8199.
        std::string address = partner->peer_address().substr(0, partner->peer_address().rfind(':'));
        const std::string& identity = partner->identity();
        if (size_t colon = identity.rfind(':'); colon != std::string::npos)
            address += identity.substr(colon);
        server_.send_data(*client, MSG_PEER_OPEN, address, partner_id);
        server_log("voice: %d links to %d at %s", customer_id, partner_id, address.c_str());
    }

private:
    ServerCore& server_;
};

struct ControlServerState {
    std::unique_ptr<CoreOutput> out;
    std::unique_ptr<ControlRooms> rooms;
};

ControlRooms& rooms_of(ServerCore& server)
{
    ControlServerState& state = server.state<ControlServerState>();
    if (!state.rooms) {
        state.out = std::make_unique<CoreOutput>(server);
        state.rooms = std::make_unique<ControlRooms>(configured(), *state.out);
    }
    return *state.rooms;
}

} // namespace

void set_control_config(ControlConfig config) { configured() = std::move(config); }

const ControlConfig& control_config() { return configured(); }

bool control_client_logged_in(ServerCore& server, int customer_id) { return rooms_of(server).logged_in(customer_id); }

bool control_client_is_chairman(ServerCore& server, int customer_id) { return rooms_of(server).is_chairman(customer_id); }

bool control_client_is_presenter(ServerCore& server, int customer_id) { return rooms_of(server).is_presenter(customer_id); }

bool control_client_in_chairman_control(ServerCore& server, int customer_id)
{
    return rooms_of(server).in_chairman_control(customer_id);
}

std::string control_client_name(ServerCore& server, int customer_id) { return rooms_of(server).login_name(customer_id); }

void install_control_messages(MessageTable& table)
{
    for (int number : ControlRooms::numbers()) {
        table.add_handler(number, [](ServerCore& server, Client& sender, const IncomingMessage& message) {
            if (message.channel != Channel::main) {
                server_log("client %d: control message %d on the %s connection: ignored", sender.customer_id(),
                           message.head.number, channel_name(message.channel));
                return;
            }
            rooms_of(server).handle(sender.customer_id(), message.head.address, message.head.number, message.body);
        }, "control");
    }
    table.on_client_ready([](ServerCore& server, Client& client) { rooms_of(server).client_identified(client.customer_id()); });
    table.on_client_leaving([](ServerCore& server, Client& client) { rooms_of(server).client_gone(client.customer_id()); });
}
