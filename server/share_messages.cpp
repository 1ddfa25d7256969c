// Screen and window sharing: who shares what in each room, the answers to
// the share requests, and the sharer's announcements passed on to the room.
// A room holds one share at a time (a window or the desktop): a second
// request is refused (203 / 243). A member's 226 / 266 (the annotation lost
// drawings) goes to the sharer alone. A sharer who stops, leaves the room or
// goes away ends the share for everyone else (210 / 250).

#include "core/messages.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "server/share_room_state.h"

#include <string_view>

namespace {

// The sharer's last word on control, kept until its share starts.
struct ShareClientState {
    bool allow_app_control = false;
    bool allow_desk_control = false;
};

// "%4d:%4d" (count 2) or "%4d:%4d:%4d:%4d" (count 4): four-character fields of digits, blanks and '-'.
bool fixed_fields(std::string_view body, int count)
{
    if (body.size() != static_cast<size_t>(count * 5 - 1))
        return false;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        bool ok = i % 5 == 4 ? c == ':' : (c == ' ' || c == '-' || (c >= '0' && c <= '9'));
        if (!ok)
            return false;
    }
    return true;
}

void end_share(ServerCore& server, Client& sharer, Room& room, int ended_number, const char* what)
{
    share_tiles_ended(room, ended_number == MSG_SHARE_APP_ENDED);
    for (Client* member : room.members())
        if (member != &sharer)
            server.send_cmd(*member, ended_number);
    server_log("share: %d stopped sharing %s in room %d", sharer.customer_id(), what, room.number());
}

void share_app_start(ServerCore& server, Client& sender, const IncomingMessage&)
{
    Room* room = sender.room();
    if (!room)
        return;
    ShareRoomState& state = room->state<ShareRoomState>();
    const int id = sender.customer_id();
    if ((state.app_sharer && state.app_sharer != id) || state.desk_sharer) {
        server.send_cmd(sender, MSG_SHARE_APP_REFUSED);
        return;
    }
    state.app_sharer = id;
    state.app_control_allowed = sender.state<ShareClientState>().allow_app_control;
    share_tiles_started(server, sender, *room, true);
    server.send_cmd(sender, MSG_202);
    server_log("share: %d shares an application in room %d", id, room->number());
}

void share_app_stop(ServerCore& server, Client& sender, const IncomingMessage&)
{
    Room* room = sender.room();
    if (!room)
        return;
    ShareRoomState& state = room->state<ShareRoomState>();
    if (state.app_sharer != sender.customer_id())
        return;
    state.app_sharer = 0;
    state.app_control_allowed = false;
    end_share(server, sender, *room, MSG_SHARE_APP_ENDED, "an application");
}

void share_desk_start(ServerCore& server, Client& sender, const IncomingMessage&)
{
    Room* room = sender.room();
    if (!room)
        return;
    ShareRoomState& state = room->state<ShareRoomState>();
    const int id = sender.customer_id();
    if (state.app_sharer || (state.desk_sharer && state.desk_sharer != id)) {
        server.send_cmd(sender, MSG_SHARE_DESK_REFUSED);
        return;
    }
    state.desk_sharer = id;
    state.desk_control_allowed = sender.state<ShareClientState>().allow_desk_control;
    share_tiles_started(server, sender, *room, false);
    server.send_cmd(sender, MSG_SHARE_DESK_ALLOWED);
    server_log("share: %d shares the desktop in room %d", id, room->number());
}

void share_desk_stop(ServerCore& server, Client& sender, const IncomingMessage&)
{
    Room* room = sender.room();
    if (!room)
        return;
    ShareRoomState& state = room->state<ShareRoomState>();
    if (state.desk_sharer != sender.customer_id())
        return;
    state.desk_sharer = 0;
    state.desk_control_allowed = false;
    end_share(server, sender, *room, MSG_SHARE_DESK_ENDED, "the desktop");
}

void set_control(Client& sender, bool app, bool allowed)
{
    ShareClientState& mine = sender.state<ShareClientState>();
    (app ? mine.allow_app_control : mine.allow_desk_control) = allowed;
    if (Room* room = sender.room()) {
        ShareRoomState& state = room->state<ShareRoomState>();
        if (app && state.app_sharer == sender.customer_id())
            state.app_control_allowed = allowed;
        if (!app && state.desk_sharer == sender.customer_id())
            state.desk_control_allowed = allowed;
    }
}

// The sharer's geometry and cursor reach the others; anyone else's is dropped.
MessageHandler announcement(int fields, bool from_app_sharer, bool from_desk_sharer)
{
    return [=](ServerCore& server, Client& sender, const IncomingMessage& message) {
        Room* room = sender.room();
        if (!room)
            return;
        const ShareRoomState& state = room->state<ShareRoomState>();
        const int id = sender.customer_id();
        bool sharer = (from_app_sharer && state.app_sharer == id) || (from_desk_sharer && state.desk_sharer == id);
        if (!sharer || !fixed_fields(message.body, fields)) {
            server_log("share: message %d from %d dropped (%s)", message.head.number, id,
                       sharer ? "malformed body" : "not the sharer");
            return;
        }
        server.relay(sender, message, RelayRule { RelayTo::room_others, Field2Out::keep });
    };
}

// A member's annotation lost drawings (undo or clear over the shared screen):
// only the sharer draws board 9 onto its own screen, so only it repaints.
void overlay_repaint(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    Room* room = sender.room();
    if (!room)
        return;
    const ShareRoomState& state = room->state<ShareRoomState>();
    const bool app = message.head.number == MSG_APP_OVERLAY_REPAINT;
    const int sharer = app ? state.app_sharer : state.desk_sharer;
    const char* why = !sharer ? "no such share runs" : !message.body.empty() ? "a body" : nullptr;
    if (why) {
        server_log("share: message %d from %d dropped (%s)", message.head.number, sender.customer_id(), why);
        return;
    }
    IncomingMessage to_sharer = message;
    to_sharer.head.address = sharer;
    server.relay(sender, to_sharer, RelayRule { RelayTo::field2, Field2Out::keep });
}

void sharer_leaves(ServerCore& server, Client& client)
{
    Room* room = client.room();
    if (!room)
        return;
    ShareRoomState& state = room->state<ShareRoomState>();
    if (state.app_sharer == client.customer_id()) {
        state.app_sharer = 0;
        state.app_control_allowed = false;
        end_share(server, client, *room, MSG_SHARE_APP_ENDED, "an application (left)");
    }
    if (state.desk_sharer == client.customer_id()) {
        state.desk_sharer = 0;
        state.desk_control_allowed = false;
        end_share(server, client, *room, MSG_SHARE_DESK_ENDED, "the desktop (left)");
    }
}

} // namespace

void install_share_messages(MessageTable& table)
{
    table.add_handler(MSG_SHARE_APP_START, share_app_start, "share");
    table.add_handler(MSG_SHARE_APP_STOP, share_app_stop, "share");
    table.add_handler(MSG_SHARE_DESK_START, share_desk_start, "share");
    table.add_handler(MSG_SHARE_DESK_STOP, share_desk_stop, "share");
    table.add_handler(MSG_SHARE_APP_ALLOW_CONTROL, [](ServerCore&, Client& c, const IncomingMessage&) { set_control(c, true, true); }, "share");
    table.add_handler(MSG_SHARE_APP_DENY_CONTROL, [](ServerCore&, Client& c, const IncomingMessage&) { set_control(c, true, false); }, "share");
    table.add_handler(MSG_SHARE_DESK_ALLOW_CONTROL, [](ServerCore&, Client& c, const IncomingMessage&) { set_control(c, false, true); }, "share");
    table.add_handler(MSG_SHARE_DESK_DENY_CONTROL, [](ServerCore&, Client& c, const IncomingMessage&) { set_control(c, false, false); }, "share");
    table.add_handler(MSG_SHARE_APP_WINDOW_RECT, announcement(4, true, false), "share");
    table.add_handler(MSG_SHARE_DESK_SIZE, announcement(2, false, true), "share");
    table.add_handler(MSG_SHARE_CURSOR_POS, announcement(2, true, true), "share");
    table.add_handler(MSG_APP_OVERLAY_REPAINT, overlay_repaint, "share");
    table.add_handler(MSG_DESK_OVERLAY_REPAINT, overlay_repaint, "share");
    table.on_room_leaving(sharer_leaves);
}
