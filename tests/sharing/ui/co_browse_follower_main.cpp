// A second attendee with the real browser window, for the end-to-end test:
// the program's frame and connection, in room argv[3] of the server at
// 127.0.0.1:argv[1] as argv[2]. It writes argv[4] once in the room, then
// follows what the room pushes until SIGTERM, on which it ends cleanly.

#include "core/folders.h"
#include "core/global_state.h"
#include "platform/ui/window_bridge.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/dlg_ie.h"
#include "sharing/ui/web_browser2.h"
#include "shell/ui/main_frame.h"
#include "tests/support/program_connection.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

int g_term_pipe[2] = { -1, -1 };

void on_term(int)
{
    char byte = 1;
    (void)::write(g_term_pipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5 || ::pipe(g_term_pipe) != 0)
        return 2;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    prepare_web_engine();
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    std::signal(SIGTERM, on_term);
    QSocketNotifier term(g_term_pipe[0], QSocketNotifier::Read);
    QObject::connect(&term, &QSocketNotifier::activated, &app, &QApplication::quit);

    init_global_state();
    create_work_folders();
    install_sharing_handlers();
    int code = 0;
    {
        CMainFrame frame;
        ProgramConnection connection;
        connection.start(static_cast<uint16_t>(std::atoi(argv[1])), argv[2], argv[3]);
        QTimer entered;
        QObject::connect(&entered, &QTimer::timeout, [&entered, ready = std::string(argv[4])] {
            if (g_room_number.load() < 0)
                return;
            std::ofstream(ready) << "in the room\n";
            entered.stop();
        });
        entered.start(20);
        code = QApplication::exec();
        connection.stop();
        destroy_dlg_ie();
    }
    return code;
}
