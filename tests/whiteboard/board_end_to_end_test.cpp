// Two clients through a real tamblo-server: gestures made with QTest in this
// program's board view (client A) reach a second client process (B); both
// paint page 0 to the same pixels and hold the same page. The same gestures
// off line give the same page, and a member who joins after an undo (C)
// stays in step through the redo that follows.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "tests/support/child_process.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_shared_state.h"
#include "whiteboard/board_gestures.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_font.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/board_view.h"
#include "skin/ui/edit_text_tool.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

bool wait_until(const std::function<bool()>& done, int wait_ms = 10000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A second client: tamblo_board_peer in its own process and folder.
class PeerClient {
public:
    PeerClient(uint16_t port, const std::string& room, const std::string& name, const std::string& folder)
        : folder_(folder)
    {
        std::filesystem::create_directories(folder);
        process_ = std::make_unique<ChildProcess>(std::vector<std::string> {
            std::string(TAMBLO_TEST_BUILD_DIR) + "/tests/whiteboard/tamblo_board_peer", std::to_string(port), room,
            name, folder });
    }
    bool joined() { return wait_until([&] { return std::filesystem::exists(folder_ + "/joined"); }); }
    // Its page 0 as it holds it and as it paints it.
    bool dump(std::string& state, QImage& page)
    {
        std::filesystem::remove(folder_ + "/dumped");
        std::ofstream(folder_ + "/dump") << "1\n";
        if (!wait_until([&] { return std::filesystem::exists(folder_ + "/dumped"); }))
            return false;
        state = slurp(folder_ + "/state");
        page = QImage(QString::fromStdString(folder_ + "/page.png")).convertToFormat(QImage::Format_RGB32);
        return true;
    }

private:
    std::string folder_;
    std::unique_ptr<ChildProcess> process_;
};

// This program's side: the main receive thread with its dispatch.
class ClientA {
public:
    ~ClientA() { close(); }
    int connect_and_join(uint16_t port, const std::string& room)
    {
        install_board_handlers();
        set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
        set_main_handler(MSG_LOGIN_OK, do_login_ok_from_server);
        set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
        g_server_host.set("127.0.0.1");
        g_server_port = port;
        g_login_name.set("drawer");
        g_access_code.set("any");
        g_room_name.set(room);
        g_room_password.set("");
        g_room_number = -1;
        g_auto_login = 1;
        reader_ = std::thread([] { g_recv_thread(); });
        return wait_until([] { return g_room_number.load() >= 0; }) ? 0 : -1;
    }
    void close()
    {
        g_main_sock.close_socket();
        if (reader_.joinable())
            reader_.join();
        reset_receive_handlers();
    }

private:
    std::thread reader_;
};

class BoardEndToEnd : public ::testing::Test {
public:
    void SetUp() override
    {
        board_model_setup();
        g_board_count = 10;
        g_current_board = 0;
        view = std::make_unique<CFormRightUpper1>();
        view->resize(900, 640);
        view->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        view.reset();
        g_offline_board = 0;
        board_model_free();
        g_board_count = 1;
    }
    QWidget* canvas() { return reinterpret_cast<QWidget*>(view->canvas()); }
    void drag(QPoint from, QPoint to, int moves)
    {
        QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= moves; ++i) {
            QPoint p = from + (to - from) * i / moves;
            QMouseEvent move(QEvent::MouseMove, p, canvas()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(canvas(), &move);
        }
        QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, to);
        QApplication::processEvents();
    }
    // The meeting's drawing, as a user makes it in the view.
    void draw_meeting()
    {
        g_board_pen_moves = 0;
        g_board_eraser_moves = 0;
        board_record& r = g_board[0];
        r.tool = tool_pen;
        r.pen_width = 4;
        r.pen_red = 220;
        drag({ 30, 40 }, { 400, 160 }, 44);
        r.tool = tool_eraser;
        r.eraser_width = 10;
        drag({ 150, 20 }, { 170, 200 }, 12);
        r.pen_red = 0;
        r.pen_blue = 200;
        r.pen_width = 2;
        int x = 30;
        for (int tool : { tool_line, tool_filled_rect, tool_ellipse, tool_filled_round_rect, 27, 42, 60, 71, 81 }) {
            r.tool = tool;
            drag({ x, 240 }, { x + 60, 300 }, 6);
            x += 90;
        }
        r.tool = tool_text;
        r.text_red = 0;
        QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 350));
        QTest::keyClicks(g_board_text_tool, "hello board");
        QTest::keyClick(g_board_text_tool, Qt::Key_Return);
        QTest::keyClicks(g_board_text_tool, "second line");
        r.tool = tool_rect;
        drag({ 300, 340 }, { 420, 420 }, 5);  // the click that sends the text
    }
    std::unique_ptr<CFormRightUpper1> view;
};

TEST_F(BoardEndToEnd, GesturesInOneClientAppearInTheOtherAndOffLineGivesTheSamePage)
{
    TempHome home;
    ServerProcess server;
    HeadlessPeer host("host");  // makes the room
    ASSERT_EQ(host.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(host.join_room("board room"), 0);
    PeerClient b(server.port(), "board room", "client b", home.root() + "/b");
    ASSERT_TRUE(b.joined());
    ClientA a;
    ASSERT_EQ(a.connect_and_join(server.port(), "board room"), 0);
    g_offline_board = 0;

    draw_meeting();
    send_board_undo(0);
    send_board_undo(0);
    send_board_redo(0);
    // The pointer always travels: its relay says everything before it has arrived.
    send_board_pointer(0, 700, 500);
    ASSERT_TRUE(wait_until([] { return g_board[0].pointer_x == 700; }));
    const std::string a_state = board_shared_state(0);
    const QImage a_page = board_page_image(0);
    EXPECT_GT(g_board[0].visible_count, 20);
    // What the view shows was painted as the actions arrived: the same
    // pixels, once it has handled what the receive thread posted it.
    EXPECT_TRUE(wait_until([&] { return view->back_buffer() == a_page; }));

    std::string b_state;
    QImage b_page;
    ASSERT_TRUE(wait_until([&] { return b.dump(b_state, b_page) && b_state == a_state; }, 15000))
        << "client b holds another page";
    EXPECT_EQ(b_page, a_page);

    // A late joiner after the undo and redo above: one gesture is still
    // undone. (The pointer goes back to where a newcomer has it: a reload
    // does not carry it.)
    EXPECT_LT(g_board[0].visible_count, g_board[0].redo_limit);
    send_board_pointer(0, 100, 100);
    ASSERT_TRUE(wait_until([] { return g_board[0].pointer_x == 100; }));
    const std::string a_before_join = board_shared_state(0);
    PeerClient c(server.port(), "board room", "client c", home.root() + "/c");
    ASSERT_TRUE(c.joined());
    std::string c_state;
    QImage c_page;
    ASSERT_TRUE(wait_until([&] { return c.dump(c_state, c_page) && c_state == a_before_join; }, 15000))
        << "the late joiner's reload differs";
    send_board_redo(0);
    send_board_pointer(0, 710, 510);
    ASSERT_TRUE(wait_until([] { return g_board[0].pointer_x == 710; }));
    EXPECT_EQ(g_board[0].visible_count, g_board[0].redo_limit);
    const std::string a_after_redo = board_shared_state(0);
    ASSERT_TRUE(wait_until([&] { return c.dump(c_state, c_page) && c_state == a_after_redo; }, 15000))
        << "the late joiner missed the redo";
    EXPECT_EQ(c_page, board_page_image(0));
    ASSERT_TRUE(wait_until([&] { return b.dump(b_state, b_page) && b_state == a_after_redo; }, 15000));

    // Off line the same gestures give the same page.
    a.close();
    view.reset();
    board_model_setup();
    view = std::make_unique<CFormRightUpper1>();
    view->resize(900, 640);
    view->show();
    QApplication::processEvents();
    g_offline_board = 1;
    draw_meeting();
    send_board_undo(0);
    send_board_undo(0);
    send_board_redo(0);
    board_set_pointer_from_server(" 700: 500", 0, 9);
    QApplication::processEvents();
    EXPECT_EQ(board_shared_state(0), a_state);
    EXPECT_EQ(board_page_image(0), a_page);
    host.close();
    EXPECT_EQ(server.stop(), 0);
}

} // namespace
