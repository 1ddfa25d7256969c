// Office documents shown to a room. An announcement (500 / 520 / 540) names
// a file of the room's files; it goes to the other members with the
// sharer's id in field 2, followed by the sharer's name (504 / 524 / 545),
// and makes its sender the room's sharer of that kind. The sharer's place
// and close (502 / 503, 522 / 523, 542 / 543 / 544) go to the others only
// from that sharer, and only with the fields they carry. A sharer who
// closes, leaves the room or goes away ends its share for the others with
// the close. The viewers' complaints (501 / 521 / 541) are logged.
//
// An announcement is taken only from a logged-in member (the presenter in
// chairman control mode) for a plain name of the room's files; one whose
// upload is still under way waits for its end. What is refused is logged
// and never passed on.

#include "core/colon_fields.h"
#include "core/folders.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "server/control_messages.h"
#include "server/file_area.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"

#include <array>
#include <string>
#include <string_view>

namespace {

constexpr size_t office_file_name_limit = 63;
constexpr size_t sharer_name_limit = 127;

struct OfficeKindNumbers {
    const char* name;
    int share;
    int viewer_failed;
    int close;
    int shared;
    // The position messages and how many fields each carries.
    std::array<std::pair<int, int>, 2> positions;
};

constexpr std::array<OfficeKindNumbers, 3> kinds { {
    { "presentation", MSG_PPT_SHARE_FILE, MSG_PPT_VIEWER_FAILED, MSG_PPT_CLOSE, MSG_PPT_SHARED,
      { { { MSG_PPT_SLIDE, 2 }, { 0, 0 } } } },
    { "text", MSG_WORD_SHARE_FILE, MSG_WORD_VIEWER_GONE, MSG_WORD_CLOSE, MSG_WORD_SHARED,
      { { { MSG_WORD_POSITION, 1 }, { 0, 0 } } } },
    { "spreadsheet", MSG_EXCEL_SHARE_FILE, MSG_EXCEL_541, MSG_EXCEL_CLOSE, MSG_EXCEL_SHARED,
      { { { MSG_EXCEL_SHEET, 3 }, { MSG_EXCEL_CHART, 1 } } } },
} };

struct OfficeRoomState {
    std::array<int, 3> sharer { 0, 0, 0 };  // customer id per kind, 0: none
};

std::string printable(std::string_view text)
{
    std::string out = cut_copy(text, 80);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return out;
}

// A name that names one of the room's files and can become a file on every viewer.
bool plain_office_name(std::string_view name)
{
    if (name.empty() || name.size() > office_file_name_limit)
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return is_plain_file_name(std::string(name));
}

const char* announce_refusal(ServerCore& server, Client& sender)
{
    const int id = sender.customer_id();
    if (!sender.room())
        return "in no room";
    if (!control_client_logged_in(server, id))
        return "not logged in";
    if (control_client_in_chairman_control(server, id) && !control_client_is_presenter(server, id))
        return "only the presenter shares in chairman control mode";
    return nullptr;
}

// The announcement reaches the others, then the sharer's name.
void announce(ServerCore& server, Client& sender, size_t kind, const std::string& name)
{
    const OfficeKindNumbers& k = kinds[kind];
    Room& room = *sender.room();
    IncomingMessage message { WireHead { 0, 0, k.share, static_cast<int>(name.size()) }, name, Channel::main };
    server.relay(sender, message, RelayRule { RelayTo::room_others, Field2Out::sender_id });
    std::string sharer = cut_copy(control_client_name(server, sender.customer_id()), sharer_name_limit);
    std::vector<Client*> members = room.members();
    for (Client* member : members)
        if (member != &sender)
            server.send_data(*member, k.shared, sharer, sender.customer_id());
    room.state<OfficeRoomState>().sharer[kind] = sender.customer_id();
    server_log("office: %d shares the %s %s in room %d", sender.customer_id(), k.name, printable(name).c_str(), room.number());
}

void share_file(ServerCore& server, Client& sender, size_t kind, std::string_view body)
{
    const OfficeKindNumbers& k = kinds[kind];
    const int id = sender.customer_id();
    const char* refusal = announce_refusal(server, sender);
    if (!refusal && !plain_office_name(body))
        refusal = "not a plain file name of 1 to 63 bytes";
    if (refusal) {
        server_log("office: %d's %d \"%s\" dropped: %s", id, k.share, printable(body).c_str(), refusal);
        return;
    }
    std::string name(body);
    if (file_area_has(*sender.room(), name)) {
        announce(server, sender, kind, name);
        return;
    }
    if (!file_area_uploading(sender, name)) {
        server_log("office: %d's %d \"%s\" dropped: no such file in its room", id, k.share, printable(name).c_str());
        return;
    }
    // The upload's end comes on the file connection, which may lag behind.
    const int room_number = sender.room()->number();
    file_area_when_upload_ends(sender, [&server, id, kind, name, room_number](bool stored) {
        Client* client = server.find_client(id);
        const char* why = !stored ? "its upload did not complete" : nullptr;
        if (!why && (!client || !client->room() || client->room()->number() != room_number))
            why = "the sharer left the room";
        if (!why)
            why = announce_refusal(server, *client);
        if (why) {
            server_log("office: %d's %d \"%s\" dropped: %s", id, kinds[kind].share, printable(name).c_str(), why);
            return;
        }
        announce(server, *client, kind, name);
    });
    server_log("office: %d's %d \"%s\" waits for its upload", id, k.share, printable(name).c_str());
}

bool from_sharer(Client& sender, size_t kind)
{
    Room* room = sender.room();
    return room && room->state<OfficeRoomState>().sharer[kind] == sender.customer_id();
}

void position(ServerCore& server, Client& sender, size_t kind, const IncomingMessage& message, int fields)
{
    int values[3] = {};
    const char* refusal = !from_sharer(sender, kind) ? "not the room's sharer"
        : !parse_colon_fields(message.body, fields, values) ? "malformed body"
                                                            : nullptr;
    if (refusal) {
        server_log("office: message %d from %d dropped (%s)", message.head.number, sender.customer_id(), refusal);
        return;
    }
    server.relay(sender, message, RelayRule { RelayTo::room_others, Field2Out::sender_id });
}

// The share of that kind ends for the others, the sharer's close or not.
void end_share(ServerCore& server, Client& sharer, size_t kind, const char* why)
{
    Room* room = sharer.room();
    if (!room)
        return;
    room->state<OfficeRoomState>().sharer[kind] = 0;
    std::vector<Client*> members = room->members();
    for (Client* member : members)
        if (member != &sharer)
            server.send(*member, Channel::main, WireHead { 0, sharer.customer_id(), kinds[kind].close, 0 });
    server_log("office: %d's %s share in room %d ended (%s)", sharer.customer_id(), kinds[kind].name, room->number(), why);
}

void close(ServerCore& server, Client& sender, size_t kind, const IncomingMessage& message)
{
    if (!from_sharer(sender, kind) || !message.body.empty()) {
        server_log("office: message %d from %d dropped (%s)", message.head.number, sender.customer_id(),
                   from_sharer(sender, kind) ? "malformed body" : "not the room's sharer");
        return;
    }
    end_share(server, sender, kind, "closed");
}

// Only the main connection carries these.
MessageHandler on_main(std::function<void(ServerCore&, Client&, const IncomingMessage&)> fn)
{
    return [fn = std::move(fn)](ServerCore& server, Client& sender, const IncomingMessage& message) {
        if (message.channel != Channel::main) {
            server_log("client %d: office message %d on its %s connection: ignored", sender.customer_id(), message.head.number,
                       channel_name(message.channel));
            return;
        }
        fn(server, sender, message);
    };
}

} // namespace

void install_office_messages(MessageTable& table)
{
    for (size_t kind = 0; kind < kinds.size(); ++kind) {
        const OfficeKindNumbers& k = kinds[kind];
        table.add_handler(k.share, on_main([kind](ServerCore& s, Client& c, const IncomingMessage& m) { share_file(s, c, kind, m.body); }),
                          "office");
        for (auto [number, fields] : k.positions) {
            if (number == 0)
                continue;
            table.add_handler(number, on_main([kind, fields = fields](ServerCore& s, Client& c, const IncomingMessage& m) {
                position(s, c, kind, m, fields);
            }), "office");
        }
        table.add_handler(k.close, on_main([kind](ServerCore& s, Client& c, const IncomingMessage& m) { close(s, c, kind, m); }),
                          "office");
        table.add_handler(k.viewer_failed, [](ServerCore&, Client& c, const IncomingMessage& m) {
            server_log("office: %d could not follow the share (%d)", c.customer_id(), m.head.number);
        }, "office");
    }
    table.on_room_leaving([](ServerCore& server, Client& client) {
        for (size_t kind = 0; kind < kinds.size(); ++kind)
            if (from_sharer(client, kind))
                end_share(server, client, kind, "the sharer left");
    });
}
