#include "server/server_families.h"

#include "core/messages.h"
#include "server/message_table.h"

void install_server_families(MessageTable& table)
{
    install_remote_input_messages(table);
    install_control_messages(table);
    install_board_messages(table);
    install_board_picture_messages(table);
    install_net_speed_messages(table);
    install_voice_messages(table);
    install_share_messages(table);
    install_file_share_messages(table);
    install_share_tile_messages(table);
    install_co_browse_messages(table);
    install_video_messages(table);
    install_whole_picture_messages(table);
    install_member_picture_messages(table);
    install_office_messages(table);

    // Until a family of its own answers 104, rooms are joined plainly by name.
    if (!table.has(MSG_ROOM_JOIN))
        install_minimal_room_join(table);
}
