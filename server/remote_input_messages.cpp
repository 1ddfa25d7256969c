// Remote mouse and key input: a viewer addresses the sharer by field 2 and
// the sharer learns from field 2 who is steering. Relayed on the main
// connection, within the room only.

#include "core/messages.h"
#include "server/message_table.h"
#include "server/server_families.h"

void install_remote_input_messages(MessageTable& table)
{
    constexpr RelayRule to_addressed_member { RelayTo::field2, Field2Out::sender_id };
    for (int number : { MSG_REMOTE_APP_LBUTTON_DOWN, MSG_REMOTE_APP_MOUSE_MOVE, MSG_REMOTE_APP_LBUTTON_UP,
             MSG_REMOTE_APP_LBUTTON_DBLCLK, MSG_REMOTE_DESK_LBUTTON_DOWN, MSG_REMOTE_DESK_MOUSE_MOVE,
             MSG_REMOTE_DESK_LBUTTON_UP, MSG_REMOTE_DESK_LBUTTON_DBLCLK, MSG_REMOTE_KEY_INPUT, MSG_REMOTE_APP_KEY })
        table.add_relay(number, to_addressed_member, "remote input");
}
