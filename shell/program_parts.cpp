#include "shell/program_parts.h"

#include "core/chat_receive.h"
#include "core/company_logo.h"
#include "core/control_messages.h"
#include "core/lan_multicast.h"
#include "core/meeting_record.h"
#include "core/server_table.h"
#include "sharing/share_sharer.h"
#include "sharing/file_share.h"
#include "sharing/office_share.h"
#include "sharing/share_viewer.h"
#include "sharing/sharing_messages.h"
#include "media/video_receive.h"
#include "media/voice_parts.h"
#include "skin/skin_table.h"
#include "whiteboard/board_bmp_transfer.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

// Each subsystem adds one call here when it lands.
void install_program_parts()
{
    install_server_table();
    install_skin_steps();
    install_board_model();
    install_board_handlers();
    install_meeting_record();
    install_sharing_handlers();
    install_board_bmp_transfer();
    install_file_share_handlers();
    install_office_sharing();
    install_sharing_parts();
    install_share_viewer_parts();
    install_voice_parts();
    install_video_parts();
    install_control_handlers();
    install_chat_receiver();
    install_company_logo_handler();
}

void start_program_threads()
{
    start_multicast_recv_thread();
    start_multicast_master_thread();
    start_voice_threads();
}
