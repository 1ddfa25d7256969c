// A real client for the clipboard test on an X display of its own: the
// client core connected, logged in and in the room, the files page and the
// progress dialogs, and message boxes answered Yes and written down.
//   tamblo_clipboard_peer PORT NAME ROOM CONTROL_DIR share|take
// "share": each file "go-N" the test makes uploads the clipboard and is
// answered by "sent-N". Both write every box text to CONTROL_DIR/boxes.txt.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "platform/ui/window_bridge.h"
#include "sharing/file_share.h"
#include "sharing/ui/clipboard_share.h"
#include "sharing/ui/files_page.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"
#include "tests/support/answering_boxes.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: tamblo_clipboard_peer PORT NAME ROOM CONTROL_DIR share|take\n");
        return 2;
    }
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    const std::string control = argv[4];
    const bool sharing = std::string(argv[5]) == "share";
    AnsweringBoxes boxes(control + "/boxes-" + argv[2] + ".txt");
    set_message_box_presenter(&boxes);
    install_control_handlers();
    install_file_share_handlers();
    init_global_state();
    install_file_share_windows();
    CLeftFormFiles page;
    page.resize(280, 420);
    page.show();

    g_server_host.set("127.0.0.1");
    g_server_port = std::atoi(argv[1]);
    if (connect_to_current_server() != 0)
        return 1;
    int step = 0;
    int next_go = 1;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        switch (step) {
        case 0:
            if (g_my_customer_id >= 0 && g_file_sock.m_sock != 0) {
                send_login_from_dialog(argv[2], "code");
                step = 1;
            }
            break;
        case 1:
            if (g_logged_in == 1) {
                join_room(argv[3], "", false);
                step = 2;
            }
            break;
        case 2:
            if (g_room_number >= 0) {
                std::ofstream(control + "/ready-" + argv[2]) << "1";
                step = 3;
            }
            break;
        default:
            if (sharing && ::access((control + "/go-" + std::to_string(next_go)).c_str(), F_OK) == 0) {
                int result = upload_clipboard();
                std::ofstream(control + "/sent-" + std::to_string(next_go)) << result;
                ++next_go;
            }
            break;
        }
    });
    timer.start(20);
    return QApplication::exec();
}
