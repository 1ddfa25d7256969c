// A real client for the office sharing tests, viewing: the client core
// connected, logged in and in the room, the files page with its progress
// dialogs, and the office of office_test_driver().
//   tamblo_office_peer PORT NAME ROOM CONTROL_DIR
// It writes CONTROL_DIR/ready-NAME once in the room; every box text to
// boxes-NAME.txt and every event notice to notices-NAME.txt (each followed
// by a line "--"); and, several times a second, its three documents as
// their drivers read them to state-NAME.txt (office_state_line, one line each).

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "dialogs/event_notice.h"
#include "platform/ui/window_bridge.h"
#include "sharing/file_share.h"
#include "sharing/office_share.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/files_page.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"
#include "tests/support/answering_boxes.h"
#include "tests/support/office_test_driver.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

volatile std::sig_atomic_t g_stop_asked = 0;

// Written whole and then renamed, so the test never reads half a state.
void write_state(const std::string& path)
{
    std::string text;
    for (OfficeShare* share : { static_cast<OfficeShare*>(&share_ppt()), static_cast<OfficeShare*>(&share_word()),
                                static_cast<OfficeShare*>(&share_excel()) })
        text += office_state_line(*share) + "\n";
    std::ofstream(path + ".new") << text;
    std::rename((path + ".new").c_str(), path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: tamblo_office_peer PORT NAME ROOM CONTROL_DIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    const std::string control = argv[4];
    const std::string name = argv[2];
    AnsweringBoxes boxes(control + "/boxes-" + name + ".txt");
    set_message_box_presenter(&boxes);
    const std::string notices = control + "/notices-" + name + ".txt";
    set_event_notice_sink([notices](const std::string& text) { std::ofstream(notices, std::ios::app) << text << "\n--\n"; });
    set_office_driver_factory(office_test_driver().factory);
    install_control_handlers();
    install_sharing_handlers();
    install_file_share_handlers();
    install_office_sharing();
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
    QTimer timer;
    std::signal(SIGTERM, [](int) { g_stop_asked = 1; });
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (g_stop_asked) {
            // Stopped by the test: the program's exit steps, so that the
            // viewer's office goes with it, whatever dialog runs now.
            free_global_resources();
            std::_Exit(0);
        }
        switch (step) {
        case 0:
            if (g_my_customer_id >= 0 && g_file_sock.m_sock != 0) {
                send_login_from_dialog(name, "code");
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
                write_state(control + "/state-" + name + ".txt");
                std::ofstream(control + "/ready-" + name) << "1";
                step = 3;
            }
            break;
        default: write_state(control + "/state-" + name + ".txt"); break;
        }
    });
    timer.start(100);
    return QApplication::exec();
}
