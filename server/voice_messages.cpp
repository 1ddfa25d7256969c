// Voice: the room's talk goes to every other member of the room, private
// voice only to the one partner in field 2; the copy names the speaker in
// field 2. Talk travels on the voice connection and is relayed on it.
#include "core/messages.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"

namespace {

void relay_private_voice(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    // A private block addressed to the whole room would be public talk in disguise.
    if (message.head.address == wire_to_all || message.head.address == sender.customer_id()) {
        server_log("voice: %d from %d to %d dropped: not one partner\n", message.head.number, sender.customer_id(),
                   message.head.address);
        return;
    }
    if (server.relay(sender, message, RelayRule { RelayTo::field2, Field2Out::sender_id }) == 0)
        server_log("voice: %d from %d: partner %d not in the room\n", message.head.number, sender.customer_id(),
                   message.head.address);
}

} // namespace

void install_voice_messages(MessageTable& table)
{
    for (int number : { MSG_TALK_DATA, MSG_TALK_LPC10, MSG_TALK_Z, MSG_TALK_SILENCE, MSG_TALK_DCT_Z })
        table.add_relay(number, RelayRule { RelayTo::room_others, Field2Out::sender_id }, "voice");
    // The odd numbers are the private voice of two attendees, whatever the codec.
    for (int number : { MSG_TALK_LPC10_B, MSG_TALK_Z_B, MSG_TALK_SILENCE_B, MSG_TALK_DCT_Z_B })
        table.add_handler(number, relay_private_voice, "voice");
}
