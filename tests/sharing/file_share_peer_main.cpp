// A client that uploads one file and stays: the client core connected to a
// server, logged in and in the room, uploading through the upload thread
// without a window. A test kills it by its process id mid-way.
//   tamblo_file_share_peer PORT NAME ROOM FILE

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "platform/sys/clock.h"
#include "sharing/file_share.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: tamblo_file_share_peer PORT NAME ROOM FILE\n");
        return 2;
    }
    install_control_handlers();
    install_file_share_handlers();
    init_global_state();
    g_server_host.set("127.0.0.1");
    g_server_port = std::atoi(argv[1]);
    if (connect_to_current_server() != 0)
        return 1;
    for (int i = 0; i < 1000 && (g_my_customer_id < 0 || g_file_sock.m_sock == 0); ++i)
        platform::sleep_ms(10);
    platform::sleep_ms(100);
    send_login_from_dialog(argv[2], "code");
    for (int i = 0; i < 1000 && g_logged_in != 1; ++i)
        platform::sleep_ms(10);
    join_room(argv[3], "", false);
    for (int i = 0; i < 1000 && g_room_number < 0; ++i)
        platform::sleep_ms(10);
    std::printf("uploading\n");
    std::fflush(stdout);
    int result = file_share_upload(argv[4]);
    std::printf("uploaded %d\n", result);
    std::fflush(stdout);
    for (;;)
        platform::sleep_ms(1000);
}
