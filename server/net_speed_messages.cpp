// The network speed test on the file connection: each of the client's ten
// messages (670, 671 x 8, 672) is answered at once with 673, 674 or 675,
// carrying the same bytes back, so the client's time covers both ways.
#include "core/messages.h"
#include "server/server_core.h"
#include "server/server_families.h"

namespace {

void answer_net_speed(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    int answer = message.head.number == MSG_NET_SPEED_FIRST ? MSG_NET_SPEED_673
        : message.head.number == MSG_NET_SPEED_DATA         ? MSG_NET_SPEED_674
                                                            : MSG_NET_SPEED_RESULT;
    server.send_data(sender, answer, message.body, 0, message.channel);
}

} // namespace

void install_net_speed_messages(MessageTable& table)
{
    for (int number : { MSG_NET_SPEED_FIRST, MSG_NET_SPEED_DATA, MSG_NET_SPEED_LAST })
        table.add_handler(number, answer_net_speed, "net speed");
}
