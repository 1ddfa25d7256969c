// A share watched, steered and drawn on, as two users do it: this process is
// the sharer (its share view, its capture and tile senders, its window on
// the test's Xvfb), tamblo_share_peer in a process of its own is the viewer
// (its share view offscreen), and the real tamblo-server sits between them.

#include "core/connections.h"
#include "core/connection_threads.h"
#include "core/control_messages.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "platform/x11/screen_capture.h"
#include "platform/x11/x11_input.h"
#include "platform/x11/x11_windows.h"
#include "sharing/ui/share_overlay.h"
#include "sharing/share_sharer.h"
#include "sharing/share_viewer.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/share_view.h"
#include "tests/sharing/ui/share_peer_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr int window_left = 40, window_top = 30, window_width = 400, window_height = 300;

// The shared window: a foreign client's, painted in known colours, which
// also notes the button and key events that reach it.
class SharedWindow {
public:
    SharedWindow()
    {
        display_ = XOpenDisplay(nullptr);
        if (!display_)
            return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), window_left, window_top, window_width,
                                      window_height, 0, 0, 0x335577);
        XStoreName(display_, window_, "Report");
        XSelectInput(display_, window_, ButtonPressMask | ButtonReleaseMask | KeyPressMask | ExposureMask);
        XMapRaised(display_, window_);
        gc_ = XCreateGC(display_, window_, 0, nullptr);
        XSync(display_, False);
        paint(0xffcc00);
    }
    ~SharedWindow()
    {
        if (display_) {
            XFreeGC(display_, gc_);
            XCloseDisplay(display_);
        }
    }
    bool ok() const { return display_ != nullptr; }
    unsigned long id() const { return window_; }
    // The background and one block at (20, 20), 100 x 60, of the colour given.
    void paint(unsigned long block)
    {
        block_ = block;
        XClearWindow(display_, window_);
        XSetForeground(display_, gc_, block);
        XFillRectangle(display_, window_, gc_, 20, 20, 100, 60);
        XSync(display_, False);
    }
    unsigned long expected_at(int x, int y) const
    {
        return x >= 20 && x < 120 && y >= 20 && y < 80 ? block_ : 0x335577;
    }
    // The screen's pixel at (x, y) as 0xRRGGBB.
    unsigned long screen_pixel(int x, int y)
    {
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return pixel;
    }
    // Events so far, as "press 1 at X,Y" / "key a".
    std::vector<std::string> events()
    {
        while (XPending(display_)) {
            XEvent e;
            XNextEvent(display_, &e);
            if (e.type == ButtonPress)
                events_.push_back("press " + std::to_string(e.xbutton.button) + " at " + std::to_string(e.xbutton.x) + ","
                                  + std::to_string(e.xbutton.y));
            else if (e.type == KeyPress) {
                const char* name = XKeysymToString(XLookupKeysym(&e.xkey, 0));
                events_.push_back(std::string("key ") + (name ? name : "?"));
            } else if (e.type == Expose && e.xexpose.count == 0) {
                XSetForeground(display_, gc_, block_);
                XFillRectangle(display_, window_, gc_, 20, 20, 100, 60);
                XFlush(display_);
            }
        }
        return events_;
    }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
    GC gc_ {};
    unsigned long block_ = 0;
    std::vector<std::string> events_;
};

// How many points of the shared window the viewer's view shows wrongly
// (the sharer's cursor, drawn over it, left out).
int mismatches(const QImage& view, const SharedWindow& window)
{
    if (view.isNull())
        return -1;
    int cursor_x = -100, cursor_y = -100;
    platform::x11_cursor_position(cursor_x, cursor_y);
    int wrong = 0;
    for (int y = 0; y < window_height; ++y)
        for (int x = 0; x < window_width; ++x) {
            int sx = window_left + x, sy = window_top + y;
            if (sx >= cursor_x && sx < cursor_x + 12 && sy >= cursor_y && sy < cursor_y + 19)
                continue;
            if ((view.pixel(sx, sy) & 0xffffff) != window.expected_at(x, y))
                ++wrong;
        }
    return wrong;
}

class ShareViewerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!xvfb_.running())
            GTEST_SKIP() << "Xvfb could not be started";
        platform::x11_close_display();
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        std::ofstream(config_path_) << "[room]\nname = Lobby\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_ });
        init_global_state();
        create_work_folders();
        board_model_setup();
        reset_receive_handlers();
        install_control_handlers();
        install_board_handlers();
        install_sharing_handlers();
        install_sharing_parts();
        install_share_viewer_parts();
        view_ = std::make_unique<CFormRightUpper2>();
        view_->resize(600, 400);
        view_->show();
        ASSERT_TRUE(window_.ok());
    }
    void TearDown() override
    {
        if (g_sharing_app)
            share_sharer().stop_app_share();
        stop_connection_watchdog();
        g_main_sock.close_socket();
        g_share_app_sock.close_socket();
        for (auto& t : threads_)
            if (t.joinable())
                t.join();
        viewer_.reset();
        view_.reset();
        if (server_)
            server_->stop();
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
        clear_app_sharing();
        platform::x11_close_display();
    }

    // This process logs in and enters the Lobby with both its connections.
    void enter()
    {
        g_server_host.set("127.0.0.1");
        g_server_port = server_->port();
        g_connected_to_server = 1;
        g_login_name.set("ann");
        g_access_code.set("any");
        g_room_name.set("Lobby");
        g_room_password.set("");
        g_room_number = -1;
        g_auto_login = 1;
        threads_.emplace_back([] { g_recv_thread(); });
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0; }));
        threads_.emplace_back([] { g_share_app_thread(); });
        ASSERT_TRUE(pump_until([] { return g_share_app_sock.connected.load() != 0; }));
        viewer_ = std::make_unique<SharePeerClient>(server_->port(), "Lobby", home_.root() + "/bob");
        ASSERT_TRUE(viewer_->joined());
    }

    void share(bool allow_control)
    {
        allow_control ? send_share_app_allow_control(g_my_customer_id) : send_share_app_deny_control(g_my_customer_id);
        send_share_app_start(g_my_customer_id);
        ASSERT_TRUE(server_->wait_for_log("shares an application"));
        share_sharer().app_share_approved(window_.id());
    }

    TempHome home_;
    XvfbServer xvfb_ { "800x600x24" };
    SharedWindow window_;
    ScriptedMessageBoxes boxes_;
    std::string config_path_ = home_.root() + "/server.ini";
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CFormRightUpper2> view_;
    std::unique_ptr<SharePeerClient> viewer_;
    std::vector<std::thread> threads_;
};

} // namespace

TEST_F(ShareViewerEndToEnd, TheViewerSeesTheWindowLiveTakesControlTypesAndDrawsOverIt)
{
    enter();
    share(true);
    // Every tile of the window, then a change, pixel for pixel (window tiles are BMP).
    ASSERT_TRUE(pump_until([&] { return mismatches(viewer_->view(), window_) == 0; }, 15000))
        << mismatches(viewer_->view(), window_);
    window_.paint(0x20e040);
    EXPECT_TRUE(pump_until([&] { return mismatches(viewer_->view(), window_) == 0; }, 15000));

    // The viewer asks for control; the share allows it.
    viewer_->command("control");
    ASSERT_TRUE(pump_until([&] { return viewer_->controlling() && viewer_->saw_box("Remote control allowed."); }));
    viewer_->command("click", std::to_string(window_left + 150) + " " + std::to_string(window_top + 100));
    ASSERT_TRUE(pump_until([&] { return !window_.events().empty(); }));
    viewer_->command("key", std::to_string('K'));
    ASSERT_TRUE(pump_until([&] { return window_.events().size() >= 2; }));
    EXPECT_EQ(window_.events(), (std::vector<std::string> { "press 1 at 150,100", "key k" }));

    // A stroke the viewer draws over the window appears on this screen, over
    // the window, and the sharer's clicks go through it to the window.
    viewer_->command("stroke", "100 150 300 170");
    ASSERT_TRUE(pump_until([] { return g_board[9].visible_count >= 1; }));
    ASSERT_TRUE(pump_until([&] { return view_->overlay() && view_->overlay()->window().visible(); }));
    EXPECT_TRUE(pump_until([&] { return (window_.screen_pixel(200, 160) & 0xffffff) == 0xfa0000; }))
        << std::hex << window_.screen_pixel(200, 160);
    EXPECT_EQ(window_.screen_pixel(200, 200) & 0xffffff, 0x335577u);  // beside the stroke: the window itself
    size_t before = window_.events().size();
    platform::x11_move_pointer(200, 160);
    platform::x11_button(1, true);
    platform::x11_button(1, false);
    ASSERT_TRUE(pump_until([&] { return window_.events().size() > before; }));
    EXPECT_EQ(window_.events().back(), "press 1 at 160,130");
    // Cleared, board 9 leaves the screen.
    send_board_clear(9);
    EXPECT_TRUE(pump_until([&] { return !view_->overlay()->window().visible(); }));

    // Losing the application connection mid-share: the watchdog brings it back and the view follows.
    ASSERT_TRUE(start_connection_watchdog());
    g_share_app_sock.close_socket();
    ASSERT_TRUE(pump_until([] { return connection_watchdog_restarts(ReceiveConnection::app) >= 1; }));
    ASSERT_TRUE(pump_until([] { return g_share_app_sock.connected.load() != 0; }));
    window_.paint(0xe02060);
    EXPECT_TRUE(pump_until([&] { return mismatches(viewer_->view(), window_) == 0; }, 20000));

    // The share stops: the viewer hears it ended.
    share_sharer().stop_app_share();
    EXPECT_TRUE(pump_until([&] { return server_->log_text().find("stopped sharing an application") != std::string::npos; }));
}

TEST_F(ShareViewerEndToEnd, ADeniedRequestStaysDeniedAndNothingReachesTheWindow)
{
    enter();
    share(false);
    viewer_->command("control");
    ASSERT_TRUE(pump_until([&] { return viewer_->saw_box("Remote control denied."); }));
    EXPECT_FALSE(viewer_->controlling());
    viewer_->command("click", std::to_string(window_left + 150) + " " + std::to_string(window_top + 100));
    viewer_->command("key", std::to_string('K'));
    pump_until([] { return false; }, 1500);
    EXPECT_TRUE(window_.events().empty());
}

TEST_F(ShareViewerEndToEnd, TheViewerSeesTheDesktopAndTheSharersCtrlStrokeReachesIt)
{
    enter();
    send_share_desk_allow_control();
    send_share_desk_start();
    ASSERT_TRUE(server_->wait_for_log("shares the desktop"));
    share_sharer().desktop_share_approved();
    // The whole screen in 36 JPEG tiles: every point within the coder's error.
    auto close_enough = [&] {
        QImage view = viewer_->view();
        if (view.isNull())
            return false;
        int cursor_x = -100, cursor_y = -100;
        platform::x11_cursor_position(cursor_x, cursor_y);
        for (int y = 4; y < 600; y += 9)
            for (int x = 4; x < 800; x += 9) {
                if (x >= cursor_x - 2 && x < cursor_x + 14 && y >= cursor_y - 2 && y < cursor_y + 21)
                    continue;
                // The coder's ringing along an edge is no fault: points near one are left out.
                auto near = [](int v, int edge) { return std::abs(v - edge) <= 4; };
                if (near(x, window_left) || near(x, window_left + window_width) || near(y, window_top)
                    || near(y, window_top + window_height) || near(x, window_left + 20) || near(x, window_left + 120)
                    || near(y, window_top + 20) || near(y, window_top + 80))
                    continue;
                bool inside = x >= window_left && x < window_left + window_width && y >= window_top && y < window_top + window_height;
                unsigned long want = inside ? window_.expected_at(x - window_left, y - window_top) : window_.screen_pixel(x, y);
                QRgb got = view.pixel(x, y);
                if (std::abs(qRed(got) - static_cast<int>((want >> 16) & 0xff)) > 40
                    || std::abs(qGreen(got) - static_cast<int>((want >> 8) & 0xff)) > 40
                    || std::abs(qBlue(got) - static_cast<int>(want & 0xff)) > 40)
                    return false;
            }
        return true;
    };
    EXPECT_TRUE(pump_until(close_enough, 15000));

    // The sharer holds Ctrl and moves: a stroke on board 9 for everyone.
    g_board[9].pen_red = 0;
    g_board[9].pen_blue = 255;
    g_board[9].pen_width = 2;
    platform::x11_move_pointer(500, 450);
    platform::x11_key(0xffe3, true);  // Control_L
    pump_until([] { return false; }, 300);
    platform::x11_move_pointer(600, 470);
    // Held still it draws segments of no length; then one to where the pointer went.
    EXPECT_TRUE(pump_until([] {
        std::lock_guard lock(board_actions_lock());
        for (int i = 0; i < g_board[9].visible_count; ++i)
            if (const board_action* a = board_action_at(9, i); a && a->data[2] == 600 && a->data[3] == 470)
                return true;
        return false;
    }));
    platform::x11_key(0xffe3, false);
    EXPECT_TRUE(pump_until([&] {
        QImage view = viewer_->view();
        if (view.isNull())
            return false;
        for (int y = 456; y <= 464; ++y)
            if (view.pixel(550, y) == qRgb(0, 0, 255))
                return true;
        return false;
    }));
    share_sharer().stop_desktop_share();
}
