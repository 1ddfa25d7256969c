// A second meeting client for the whiteboard's end-to-end tests: the
// program's own connection, receivers and painting without a window. It
// joins a room, answers the verify question with Yes, and on request writes
// what it holds of page 0 ("state") and the page as painted ("page.png")
// into its folder.
//
//   tamblo_board_peer <port> <room> <name> <folder>
// A file "<folder>/dump" asks for the two files; "<folder>/dumped" says they
// are there.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/window_messages.h"
#include "tests/whiteboard/board_shared_state.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/ui/board_font.h"
#include "whiteboard/ui/board_paint.h"

#include <QApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

// The board view's part: the consistency check of message 580.
class VerifyAnswer : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        if (msg == WM_MY_MSG_BOARD_VERIFY)
            board_verify_run(reinterpret_cast<const char*>(wparam), static_cast<int>(lparam));
        return 0;
    }
};

bool exists(const std::string& path) { return std::ifstream(path).good(); }

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: tamblo_board_peer <port> <room> <name> <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string folder = argv[4];

    board_model_setup();
    // As the board view does: font index 0 is the view's own font.
    g_board_font[0].logfont = board_qfont_to_logfont(QApplication::font());
    g_board_font[0].used = 1;
    ScriptedMessageBoxes boxes;
    for (int i = 0; i < 50; ++i)
        boxes.answer_with(MessageBoxButton::yes);
    VerifyAnswer verify;
    WindowSlotBinding binding(WindowSlot::board_view, &verify);

    install_board_handlers();
    set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
    set_main_handler(MSG_LOGIN_OK, do_login_ok_from_server);
    set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
    g_server_host.set("127.0.0.1");
    g_server_port = std::atoi(argv[1]);
    g_login_name.set(argv[3]);
    g_access_code.set("any");
    g_room_name.set(argv[2]);
    g_room_password.set("");
    g_room_number = -1;
    g_auto_login = 1;
    g_board_count = 10;
    std::thread reader([] { g_recv_thread(); });
    reader.detach();

    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (g_room_number.load() >= 0 && !exists(folder + "/joined"))
            std::ofstream(folder + "/joined") << g_room_number.load() << "\n";
        if (!exists(folder + "/dump"))
            continue;
        std::remove((folder + "/dump").c_str());
        {
            std::ofstream state(folder + "/state", std::ios::binary);
            state << board_shared_state(0);
        }
        board_page_image(0).save(QString::fromStdString(folder + "/page.png"));
        std::ofstream(folder + "/dumped") << "1\n";
    }
}
