// A second meeting client for the sharing end-to-end tests: the program's
// own connections, receivers, tile transfer and shared-screen view
// (offscreen), as a viewer. It joins a room and acts on command files in its
// folder, each removed once done:
//   "dump"     paints the view and writes it to "view.png", then "dumped"
//   "control"  the frame's Request Remote Control command
//   "click"    "X Y": five moves to the point, a left press and release there
//   "key"      "VK": a key pressed in the view
//   "stroke"   "X1 Y1 X2 Y2": a pen stroke on board 9
// and keeps "state" up to date: "<room> <controlling> master=<0|1> <box texts
// seen>". With TAMBLO_SHARE_PEER_MULTICAST set it also runs the LAN group's
// receiver and the master election (steps of 100 ms).
//
//   tamblo_share_peer <port> <room> <name> <folder>

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/folders.h"
#include "core/lan_multicast.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "platform/ui/window_bridge.h"
#include "sharing/remote_control.h"
#include "sharing/share_viewer.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/share_view.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

bool take(const std::string& path, std::string& content)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::stringstream s;
    s << in.rdbuf();
    content = s.str();
    in.close();
    std::remove(path.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: tamblo_share_peer <port> <room> <name> <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    const std::string folder = argv[4];
    ScriptedMessageBoxes boxes;

    create_work_folders();
    board_model_setup();
    install_board_handlers();
    install_sharing_handlers();
    install_share_viewer_parts();
    set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
    set_main_handler(MSG_LOGIN_OK, do_login_ok_from_server);
    set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
    g_server_host.set("127.0.0.1");
    g_server_port = std::atoi(argv[1]);
    g_connected_to_server = 1;
    g_login_name.set(argv[3]);
    g_access_code.set("any");
    g_room_name.set(argv[2]);
    g_room_password.set("");
    g_room_number = -1;
    g_auto_login = 1;
    g_board_count = 10;
    std::thread([] { g_recv_thread(); }).detach();
    std::thread([] { g_share_app_thread(); }).detach();
    if (std::getenv("TAMBLO_SHARE_PEER_MULTICAST")) {
        set_multicast_election_step_ms(100);
        start_multicast_recv_thread();
        start_multicast_master_thread();
    }

    CFormRightUpper2 view;
    view.resize(900, 700);
    view.show();
    std::string last_state;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        std::string text;
        if (take(folder + "/dump", text)) {
            view.paint_share();
            view.back_buffer().save(QString::fromStdString(folder + "/view.png"));
            std::ofstream(folder + "/dumped") << "1\n";
        }
        if (take(folder + "/control", text))
            toggle_remote_control();
        if (take(folder + "/click", text)) {
            int x = 0, y = 0;
            std::istringstream(text) >> x >> y;
            for (int i = 0; i < RemoteControlViewer::move_thinning; ++i)
                view.on_mouse_move({ x, y });
            view.on_mouse_press(Qt::LeftButton, { x, y });
            view.on_mouse_release(Qt::LeftButton, { x, y });
        }
        if (take(folder + "/key", text))
            view.on_key(std::atoi(text.c_str()), 1);
        if (take(folder + "/stroke", text)) {
            int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            std::istringstream(text) >> x1 >> y1 >> x2 >> y2;
            g_board[9].tool = tool_line;
            g_board[9].pen_red = 250;
            g_board[9].pen_width = 3;
            view.on_mouse_press(Qt::LeftButton, { x1, y1 });
            view.on_mouse_move({ x2, y2 });
            view.on_mouse_release(Qt::LeftButton, { x2, y2 });
        }
        std::ostringstream state;
        state << g_room_number.load() << " " << g_remote_controlling.load() << " master=" << g_is_multicast_master.load();
        for (const std::string& t : boxes.texts())
            state << " [" << t << "]";
        if (state.str() != last_state) {
            last_state = state.str();
            std::ofstream(folder + "/state.tmp") << last_state << "\n";
            std::rename((folder + "/state.tmp").c_str(), (folder + "/state").c_str());
        }
    });
    poll.start();
    return app.exec();
}
