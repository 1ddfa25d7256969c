// Co-browsing: the addresses an attendee's browser visits (730, 731) and the
// system browser's page (570, 571) go to the sender's room, every member but
// the sender, with the sender's id in field 2. Outside a room they are
// logged and dropped by the relay.
#include "core/messages.h"
#include "server/message_table.h"
#include "server/server_families.h"

void install_co_browse_messages(MessageTable& table)
{
    for (int number : { MSG_IE_OPEN_URL, MSG_IE_OPEN_FRAME_URL, MSG_AUTO_IE_OPEN_URL, MSG_AUTO_IE_OPEN_FRAME_URL })
        table.add_relay(number, RelayRule { RelayTo::room_others, Field2Out::sender_id }, "co-browse");
}
