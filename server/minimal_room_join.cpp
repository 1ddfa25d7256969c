// The least a relay needs of rooms: 104 "room:password" puts the sender in
// the room of that name (made on first use; the password is not checked)
// and answers 105 "%4d:%s" with the room's number and name. No login, no
// roles, no member notices: the room family replaces all of it.

#include "core/messages.h"
#include "core/text_util.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"

namespace {

constexpr size_t room_name_limit = 63;

void join_room_by_name(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    std::string_view body = message.body;
    std::string_view name = body.substr(0, body.find(':'));
    if (name.empty() || name.size() > room_name_limit || name.find('\0') != std::string_view::npos) {
        server_log("client %d: join with an unusable room name: ignored", sender.customer_id());
        return;
    }
    Room* room = server.find_room_by_name(name);
    if (!room)
        room = server.create_room(name);
    if (!room)
        return;
    server.join_room(sender, *room);
    server.send_data(sender, MSG_ROOM_ENTERED, format_text("%4d:%s", room->number(), room->name().c_str()));
}

} // namespace

void install_minimal_room_join(MessageTable& table)
{
    table.add_handler(MSG_ROOM_JOIN, join_room_by_name, "minimal room join");
}
