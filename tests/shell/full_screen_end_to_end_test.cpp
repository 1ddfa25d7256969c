// The full-screen view as users meet it: the real frame on an X server of
// the test's own, a real tamblo-server on loopback and headless peers in
// the room. The window covers the screen; over a shared window a double
// click outside it sends nothing and inside it 68, which the sharer gets;
// the sharer's own clicks send nothing; seven attendees' pictures paint in
// rows of three, three and one; a presenter's push takes the client in and
// out, and the client's push takes the others.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_threads.h"
#include "core/server_notices.h"
#include "media/ui/dlg_show_me.h"
#include "platform/ui/window_bridge.h"
#include "platform/x11/screen_capture.h"
#include "platform/x11/x11_input.h"
#include "platform/x11/x11_windows.h"
#include "sharing/paint_hook.h"
#include "sharing/share_sharer.h"
#include "sharing/share_state.h"
#include "sharing/share_viewer.h"
#include "shell/frame_commands.h"
#include "shell/program_parts.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/left_form.h"
#include "shell/ui/left_form_tab.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/connect_server_dlg.h"
#include "shell/ui/meeting_room_dlg.h"
#include "shell/ui/rest_room_dlg.h"
#include "shell/ui/members_page.h"
#include "shell/ui/room_password_dlg.h"
#include "shell/ui/session_commands.h"
#include "shell/ui/user_login_dlg.h"
#include "shell/ui/wnd_full_screen.h"
#include "shell/ui/wnd_full_screen_toolbar.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_box.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb_main.h"
#include "whiteboard/board_gestures.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <thread>

namespace {

constexpr int screen_width = 1024;
constexpr int screen_height = 768;

bool pump_until(const std::function<bool()>& done, int wait_ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A click of the left button through the X server, as a user's.
void x_click(int x, int y, int times = 1)
{
    platform::x11_move_pointer(x, y);
    for (int i = 0; i < times; ++i) {
        platform::x11_button(1, true);
        platform::x11_button(1, false);
    }
    pump(150);
}

bool covers_screen(const CWndFullScreen* w)
{
    platform::ScreenRect r;
    return w && w->isVisible() && platform::x11_window_rect(w->winId(), r) && r.left == 0 && r.top == 0
        && r.width == screen_width && r.height == screen_height;
}

class FullScreenEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_xvfb && g_xvfb->running());
        platform::x11_close_display();
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        std::ofstream(config_path_) << "[room]\nname = Lobby\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_ });
        init_global_state();
        create_work_folders();
        frame_ = std::make_unique<CMainFrame>();
        frame_->setGeometry(0, 0, 900, 650);
        frame_->show();
        pump(100);
    }
    void TearDown() override
    {
        if (g_sharing_desktop)
            share_sharer().stop_desktop_share();
        g_main_sock.close_socket();
        // The receive thread may be sending the frame a window message: the
        // UI thread delivers it while the thread ends, then joins.
        pump_until([this] { return recv_done_.load(); });
        if (recv_thread_.joinable())
            recv_thread_.join();
        frame_.reset();
        peers_.clear();
        server_->stop();
        set_message_box_presenter(nullptr);
        set_hook_library_path("");
        platform::x11_close_display();
    }
    // The client in the Lobby as "ann": connected, logged in, entered.
    void enter_room()
    {
        g_server_host.set("127.0.0.1");
        g_server_port = server_->port();
        g_server_display_name.set("Local");
        g_first_connect_notices_sent = 0;
        g_connected_to_server = 1;
        recv_done_ = false;
        recv_thread_ = std::thread([this] {
            g_recv_thread();
            recv_done_ = true;
        });
        // As a user does: the login dialog the greeting opens, then the rooms.
        SessionCommands& session = frame_->session();
        ASSERT_TRUE(pump_until([&] { return session.login_dialog() && session.login_dialog()->isVisible(); }));
        session.login_dialog()->name_edit()->setText("ann");
        session.login_dialog()->OnOK();
        ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
        ASSERT_TRUE(pump_until([&] { return session.meeting_room_dialog() && session.meeting_room_dialog()->isVisible(); }));
        CDlgMeetingRoom* rooms = session.meeting_room_dialog();
        ASSERT_TRUE(pump_until([&] { return rooms->room_list()->count() > 0; }));
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dlg = qobject_cast<CDlgMeetingRoomPasswd*>(w); dlg && dlg->isVisible())
                    dlg->OnOK();
        });
        rooms->OnJoin();
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0; }));
        ASSERT_TRUE(pump_until([&] { return !session.meeting_room_dialog(); }));
    }
    HeadlessPeer& add_peer(const std::string& name)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>(name));
        HeadlessPeer& peer = *peers_.back();
        EXPECT_EQ(peer.connect("127.0.0.1", server_->port(), true), 0);
        EXPECT_GE(peer.join_room("Lobby"), 0);
        return peer;
    }
    void start_meeting()
    {
        frame_->commands().refresh();
        ASSERT_TRUE(frame_->commands().trigger(cmd::start_meeting));
        ASSERT_TRUE(pump_until([] { return g_meeting_started == 1; }));
        // The meeting clock opens "Me", which stays over the full-screen view;
        // closed, the whole screen takes the clicks.
        pump_until([] { return g_dlg_show_me && g_dlg_show_me->is_shown(); }, 2000);
        show_me_cancel();
    }
    CWndFullScreen* open_full_screen()
    {
        frame_->commands().refresh();
        EXPECT_TRUE(frame_->commands().trigger(cmd::full_screen));
        EXPECT_TRUE(pump_until([] { return covers_screen(g_full_screen); }));
        pump(100);
        return g_full_screen;
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    std::string config_path_ = home_.root() + "/server.ini";
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CMainFrame> frame_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
    std::thread recv_thread_;
    std::atomic<bool> recv_done_ { true };
};

} // namespace

TEST_F(FullScreenEndToEnd, TheWindowCoversTheScreenOnTopAndGoesAway)
{
    frame_->switch_to_board_view();
    CWndFullScreen* w = open_full_screen();
    ASSERT_NE(w, nullptr);
    // The X server shows it over the whole screen, on top of the frame.
    platform::ScreenRect r;
    ASSERT_TRUE(platform::x11_window_rect(w->winId(), r));
    EXPECT_EQ(r.width, screen_width);
    EXPECT_EQ(r.height, screen_height);
    EXPECT_TRUE(pump_until([w] {
        return platform::x11_top_level_window_at(500, 400) == static_cast<platform::XWindowId>(w->winId());
    }));
    // What is drawn shows on the screen at once (off line, the page takes it itself).
    g_offline_board = 1;
    g_board[static_cast<size_t>(g_current_board.load())].tool = tool_filled_rect;
    platform::x11_move_pointer(300, 300);
    platform::x11_button(1, true);
    for (int i = 1; i <= 10; ++i)
        platform::x11_move_pointer(300 + i * 10, 300 + i * 10);
    platform::x11_button(1, false);
    EXPECT_TRUE(pump_until([] {
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixelColor(350, 350) == QColor(Qt::black);
    }));
    g_offline_board = 0;

    frame_->commands().trigger(cmd::full_screen);
    EXPECT_TRUE(pump_until([w] { return !w->isVisible(); }));
    EXPECT_TRUE(pump_until([w] {
        return platform::x11_top_level_window_at(500, 400) != static_cast<platform::XWindowId>(w->winId());
    }));
}

// The user's own camera stays in sight: the "Me" dialog open when the
// full-screen window comes is brought over it.
TEST_F(FullScreenEndToEnd, TheMeDialogIsBroughtOverTheWindow)
{
    setenv("TAMBLO_CAMERA", "synthetic", 1);
    ASSERT_TRUE(frame_->commands().trigger(cmd::show_video));
    ASSERT_TRUE(pump_until([] { return g_dlg_show_me && g_dlg_show_me->is_shown(); }));
    g_dlg_show_me->move(200, 150);
    pump(100);
    CWndFullScreen* w = open_full_screen();
    ASSERT_NE(w, nullptr);
    QPoint inside = g_dlg_show_me->geometry().center();
    EXPECT_TRUE(pump_until([inside] {
        return platform::x11_top_level_window_at(inside.x(), inside.y())
               == static_cast<platform::XWindowId>(g_dlg_show_me->winId());
    }));
    // Elsewhere the full-screen window is on top.
    EXPECT_EQ(platform::x11_top_level_window_at(800, 600), static_cast<platform::XWindowId>(w->winId()));
    show_me_cancel();
    frame_->commands().trigger(cmd::full_screen);
    EXPECT_TRUE(pump_until([w] { return !w->isVisible(); }));
}

TEST_F(FullScreenEndToEnd, OverASharedWindowADoubleClickInsideSends68AndOutsideNothing)
{
    enter_room();
    HeadlessPeer& bob = add_peer("bob");
    start_meeting();
    // Bob shares a window at (40, 30), 400 x 300, and lets others steer.
    bob.send(PeerChannel::main, MSG_SHARE_APP_ALLOW_CONTROL, bob.customer_id());
    bob.send(PeerChannel::main, MSG_SHARE_APP_START, bob.customer_id());
    ASSERT_TRUE(bob.await_number(MSG_202));
    bob.send(PeerChannel::main, MSG_SHARE_APP_WINDOW_RECT, 0, "  40:  30: 400: 300");
    ASSERT_TRUE(pump_until([] { return g_view_share_width == 400; }));
    frame_->switch_to_share_view();
    frame_->commands().refresh();
    ASSERT_TRUE(frame_->commands().trigger(cmd::request_remote_control));
    ASSERT_TRUE(pump_until([] { return g_remote_controlling == 1; }));

    open_full_screen();
    g_board[static_cast<size_t>(g_current_board.load())].tool = tool_select;
    x_click(600, 500, 2);  // right of and below the window: nothing
    x_click(100, 100, 2);  // on it
    ASSERT_TRUE(pump_until([&] { return bob.count(MSG_REMOTE_DESK_LBUTTON_DBLCLK) == 1; }));
    // The edge belongs to the window; what went before arrived before.
    x_click(440, 330, 2);
    ASSERT_TRUE(pump_until([&] { return bob.count(MSG_REMOTE_DESK_LBUTTON_DBLCLK) == 2; }));
    std::vector<std::string> bodies;
    for (const ArrivedMessage& m : bob.arrived())
        if (m.head.number == MSG_REMOTE_DESK_LBUTTON_DBLCLK)
            bodies.push_back(m.body);
    EXPECT_EQ(bodies, (std::vector<std::string> { " 100: 100", " 440: 330" }));
}

TEST_F(FullScreenEndToEnd, TheSharersOwnClicksSendNothing)
{
    set_hook_library_path(TAMBLO_HOOK_LIBRARY);
    enter_room();
    HeadlessPeer& bob = add_peer("bob");
    start_meeting();
    // Yes: others may control it.
    boxes_.answer_with(MessageBoxButton::yes);
    ASSERT_TRUE(frame_->commands().trigger(cmd::share_desktop));
    ASSERT_TRUE(pump_until([] { return g_sharing_desktop == 1; }));
    ASSERT_TRUE(pump_until([&] { return bob.count(MSG_SHARE_DESK_SIZE) > 0; }));
    frame_->switch_to_share_view();
    // A steering flag left from before cannot make the sharer steer itself.
    g_remote_controlling = 1;
    open_full_screen();
    g_board[static_cast<size_t>(g_current_board.load())].tool = tool_select;
    x_click(100, 100, 2);
    x_click(300, 200);
    platform::x11_button(3, true);
    platform::x11_button(3, false);
    platform::x11_key(0x61, true);  // 'a'
    platform::x11_key(0x61, false);
    pump(200);
    g_remote_controlling = 0;
    // Stopping the share is logged after everything the client sent before it.
    frame_->commands().trigger(cmd::full_screen);
    ASSERT_TRUE(frame_->commands().trigger(cmd::share_desktop));
    ASSERT_TRUE(server_->wait_for_log("stopped sharing the desktop"));
    EXPECT_EQ(server_->log_text().find("remote input"), std::string::npos) << server_->log_text();
    for (int number : { MSG_REMOTE_DESK_LBUTTON_DOWN, MSG_REMOTE_DESK_MOUSE_MOVE, MSG_REMOTE_DESK_LBUTTON_UP,
                        MSG_REMOTE_DESK_LBUTTON_DBLCLK, MSG_REMOTE_KEY_INPUT, MSG_REMOTE_DESK_KEY })
        EXPECT_EQ(bob.count(number), 0u) << number;
}

TEST_F(FullScreenEndToEnd, SevenAttendeesPaintInRowsOfThreeThreeAndOne)
{
    for (int i = 1; i <= 6; ++i)
        add_peer("p" + std::to_string(i));
    enter_room();
    CLeftFormMembers* page = g_left_form->tab()->members_page();
    page->OnRefresh();
    ASSERT_TRUE(pump_until([page] { return page->roster().rows().size() == 7; }));
    // Each attendee's picture, of its own size and colour.
    std::string folder;
    ASSERT_EQ(get_user_folder(folder), 0);
    std::map<std::string, QColor> colours;
    int i = 0;
    for (const RosterRow& row : page->roster().rows()) {
        QImage picture(60 + i * 15, 40 + i % 3 * 30, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i * 50, 220, 230));
        colours[row.name] = picture.pixelColor(0, 0);
        ASSERT_TRUE(picture.save(QString::fromStdString(folder + "bmp/" + row.name + ".jpg"), "JPG", 95));
        ++i;
    }
    frame_->switch_to_video_view();
    CWndFullScreen* w = open_full_screen();
    // The list may still be filled again by a late notice of the room's changes.
    ASSERT_TRUE(pump_until([&] {
        w->update();
        return w->people_places().size() == 7 && page->roster().rows().size() == 7;
    }));
    const std::vector<QRect>& places = w->people_places();
    EXPECT_EQ(places[0].y(), places[2].y());
    EXPECT_GT(places[3].y(), places[2].bottom());
    EXPECT_EQ(places[3].y(), places[5].y());
    EXPECT_GT(places[6].y(), places[5].bottom());
    EXPECT_EQ(places[3].x(), 10);
    EXPECT_EQ(places[6].x(), 10);
    // On the screen as the X server shows it, each picture where it was put, in the list's order.
    auto shown_where_put = [&](bool report) {
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        bool all = true;
        for (size_t k = 0; k < places.size(); ++k) {
            const std::string& name = page->roster().rows()[k].name;
            const int apart = std::abs(screen.pixelColor(places[k].center()).hue() - colours[name].hue());
            all = all && std::min(apart, 360 - apart) < 12;
            if (report) {
                EXPECT_LT(std::min(apart, 360 - apart), 12) << k << " " << name;
            }
        }
        return all;
    };
    pump_until([&] { return shown_where_put(false); });
    shown_where_put(true);
}

TEST_F(FullScreenEndToEnd, APresentersPushTakesTheOthersInAndOut)
{
    // Bob, the chairman, has the room open full screen for who enters.
    HeadlessPeer& bob = add_peer("bob");
    bob.send(PeerChannel::main, MSG_ROOM_OPTION_781, 1);
    ASSERT_TRUE(bob.await_number(MSG_784));
    enter_room();
    EXPECT_TRUE(pump_until([] { return covers_screen(g_full_screen); }));
    frame_->commands().trigger(cmd::full_screen);
    ASSERT_TRUE(pump_until([] { return !g_full_screen->isVisible(); }));

    // Bob presents and pushes: the client follows him in and out.
    bob.send(PeerChannel::main, MSG_REQUEST_PRESENTER);
    ASSERT_TRUE(bob.await_number(MSG_PRESENTER_APPROVED));
    bob.send(PeerChannel::main, MSG_FULL_SCREEN_VIEW);
    ASSERT_TRUE(pump_until([] { return covers_screen(g_full_screen); }));
    bob.send(PeerChannel::main, MSG_FULL_SCREEN_VIEW_OFF);
    ASSERT_TRUE(pump_until([] { return !g_full_screen->isVisible(); }));

    // The client presents: without push mode nobody follows; with it bob is told.
    bob.send(PeerChannel::main, MSG_GIVE_UP_PRESENTER);
    frame_->commands().refresh();
    ASSERT_TRUE(frame_->commands().trigger(cmd::request_presenter));
    ASSERT_TRUE(pump_until([] { return g_is_presenter == 1; }));
    open_full_screen();
    frame_->commands().trigger(cmd::full_screen);
    ASSERT_TRUE(pump_until([] { return !g_full_screen->isVisible(); }));
    frame_->commands().refresh();
    ASSERT_TRUE(frame_->commands().trigger(cmd::push_mode));
    open_full_screen();
    ASSERT_TRUE(pump_until([&] { return bob.count(MSG_FULL_SCREEN_VIEW) == 1; }));
    // Close on the bar.
    const QPoint close = g_full_screen->toolbar()->mapTo(g_full_screen, g_full_screen->toolbar()->button_rect(0).center());
    x_click(close.x(), close.y());
    ASSERT_TRUE(pump_until([] { return !g_full_screen->isVisible(); }));
    ASSERT_TRUE(pump_until([&] { return bob.count(MSG_FULL_SCREEN_VIEW_OFF) == 1; }));
    EXPECT_EQ(bob.count(MSG_FULL_SCREEN_VIEW), 1u);
    EXPECT_EQ(bob.count(MSG_FULL_SCREEN_VIEW_OFF), 1u);
}

int main(int argc, char** argv)
{
    return run_tests_on_own_xvfb(argc, argv, [] { install_program_parts(); });
}
