// Remote control of a share: a viewer asks to steer (206 / 246) and is let
// (208 / 248) when the sharer allowed control and nobody else steers, else
// refused (209 / 249); 207 / 247 give it up. Mouse and key input (61-69,
// 211, 251) is passed on only from the member who steers, and only to the
// sharer, who learns from field 2 who is steering. Anything else is logged
// and dropped: no other member can type into the sharer's desktop.

#include "core/messages.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "server/share_room_state.h"

#include <set>
#include <string>
#include <utility>


namespace {

// What was dropped from a client, logged once per number and reason.
struct RemoteInputLogged {
    std::set<std::pair<int, std::string>> logged;
};

// The sharer of the share running in the room (a window or the desktop), 0 when none.
int current_sharer(const ShareRoomState& state) { return state.app_sharer ? state.app_sharer : state.desk_sharer; }

MessageHandler request_control(bool app)
{
    return [app](ServerCore& server, Client& sender, const IncomingMessage&) {
        Room* room = sender.room();
        if (!room)
            return;
        ShareRoomState& state = room->state<ShareRoomState>();
        const int id = sender.customer_id();
        // Either request steers whichever share runs: the viewer sends the
        // desktop's input for both kinds.
        bool running = current_sharer(state) != 0 && current_sharer(state) != id;
        bool allowed = state.app_sharer ? state.app_control_allowed : state.desk_control_allowed;
        bool app_share = state.app_sharer != 0 || (!state.desk_sharer && app);
        if (running && allowed && (state.controller == 0 || state.controller == id)) {
            state.controller = id;
            server.send_cmd(sender, app_share ? MSG_APP_CONTROL_ALLOWED : MSG_DESK_CONTROL_ALLOWED);
            server_log("share: %d steers the share of %d in room %d", id, current_sharer(state), room->number());
            return;
        }
        server.send_cmd(sender, app_share ? MSG_APP_CONTROL_REFUSED : MSG_DESK_CONTROL_REFUSED);
    };
}

void release_control(ServerCore&, Client& sender, const IncomingMessage&)
{
    if (Room* room = sender.room()) {
        ShareRoomState& state = room->state<ShareRoomState>();
        if (state.controller == sender.customer_id())
            state.controller = 0;
    }
}

void remote_input(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    Room* room = sender.room();
    const ShareRoomState* state = room ? &room->state<ShareRoomState>() : nullptr;
    const int id = sender.customer_id();
    const char* why = nullptr;
    if (state && !current_sharer(*state))
        why = "no share runs";
    else if (state && state->controller != id)
        why = "the sender does not steer the share";
    if (why) {
        if (sender.state<RemoteInputLogged>().logged.emplace(message.head.number, why).second)
            server_log("share: remote input %d from %d dropped (%s; logged once)", message.head.number, id, why);
        return;
    }
    // Whatever field 2 says, the input goes to the sharer; the relay keeps
    // its rules on rooms and sizes (a roomless sender is logged there).
    IncomingMessage to_sharer = message;
    to_sharer.head.address = state ? current_sharer(*state) : message.head.address;
    server.relay(sender, to_sharer, RelayRule { RelayTo::field2, Field2Out::sender_id });
}

} // namespace

void install_remote_input_messages(MessageTable& table)
{
    for (int number : { MSG_REMOTE_APP_LBUTTON_DOWN, MSG_REMOTE_APP_MOUSE_MOVE, MSG_REMOTE_APP_LBUTTON_UP,
             MSG_REMOTE_APP_LBUTTON_DBLCLK, MSG_REMOTE_DESK_LBUTTON_DOWN, MSG_REMOTE_DESK_MOUSE_MOVE,
             MSG_REMOTE_DESK_LBUTTON_UP, MSG_REMOTE_DESK_LBUTTON_DBLCLK, MSG_REMOTE_KEY_INPUT, MSG_REMOTE_APP_KEY,
             MSG_REMOTE_DESK_KEY })
        table.add_handler(number, remote_input, "remote input");
    table.add_handler(MSG_REQUEST_APP_CONTROL, request_control(true), "remote input");
    table.add_handler(MSG_REQUEST_DESK_CONTROL, request_control(false), "remote input");
    table.add_handler(MSG_RELEASE_APP_CONTROL, release_control, "remote input");
    table.add_handler(MSG_RELEASE_DESK_CONTROL, release_control, "remote input");
}
