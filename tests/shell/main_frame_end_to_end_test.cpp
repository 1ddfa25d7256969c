// The main frame's commands against a real tamblo-server: the client core
// (its main connection, receive thread, handlers) under the real frame with
// the window-message bridge, a headless peer in the same room, and each
// command's enabled and checked look at every step of a session.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/server_notices.h"
#include "dialogs/event_notice.h"
#include "sharing/share_viewer.h"
#include "sharing/sharing_messages.h"
#include "shell/ui/brenmo_view.h"
#include "shell/ui/chairman_password_dlg.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_messages.h"

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace {

bool pump_until(const std::function<bool()>& done, int wait_ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

struct Row {
    int id;
    bool enabled;
    bool checked;
};

// The rows every step checks: one or more commands of each rule, and some
// whose feature is not in the program yet (disabled at every step).
struct Expect {
    bool connected = false;
    bool logged_in = false;
    bool in_room = false;
    bool chairman = false;
    bool presenter = false;
    bool meeting = false;
    bool chairman_mode = false;
};

std::vector<Row> rows_for(const Expect& e)
{
    bool board = e.meeting;
    return {
        { cmd::connect_server, true, false },
        { cmd::disconnect_server, e.connected, false },
        { cmd::login, e.connected && !e.logged_in, false },
        { cmd::join_meeting_room, e.logged_in, false },
        { cmd::logout, e.logged_in, false },
        { cmd::start_meeting, !e.meeting, false },
        { cmd::stop_meeting, e.meeting, false },
        { cmd::work_offline, true, false },
        { cmd::meeting_talk, e.in_room, false },
        { cmd::take_over_mic, e.in_room, false },
        { cmd::chairman_control_mode, e.in_room, e.chairman_mode },
        { cmd::free_lance_mode, e.in_room, !e.chairman_mode },
        { cmd::request_chairman, e.in_room, e.chairman },
        { cmd::request_presenter, e.in_room, e.presenter },
        { cmd::push_mode, e.presenter, false },
        { cmd::show_video, true, false },
        { cmd::tool_pointer, board, true },
        { cmd::tool_pen, board, false },
        { cmd::show_pointer, board, false },
        { cmd::board_undo, board, false },
        { cmd::board_clear, board, false },
        { cmd::board_reload, board, false },
        { cmd::board_lock, e.meeting, false },
        { cmd::board_zoom, true, false },
        { cmd::record_start, true, false },
        { cmd::record_stop, false, false },
        { cmd::misc_bar, true, true },
        { cmd::share_desktop, e.meeting, false },
        { cmd::share_application, e.meeting, false },
        { cmd::share_browser, e.meeting, false },
        { cmd::text_chat, e.in_room, false },
        { cmd::reload_chat, e.in_room, false },
        { cmd::about, true, false },
    };
}

class FrameEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        std::ofstream(config_path_) << "[room]\nname = Lobby\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_ });
        init_global_state();
        reset_receive_handlers();
        install_control_handlers();
        install_board_handlers();
        install_sharing_handlers();
        install_share_viewer_handlers();
        frame_ = std::make_unique<CMainFrame>();
        frame_->resize(900, 600);
        frame_->show();
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        // The receive thread may be sending the frame a window message: the
        // UI thread delivers it while the thread ends, then joins.
        pump_until([this] { return recv_done_.load(); }, 5000);
        if (recv_thread_.joinable())
            recv_thread_.join();
        frame_.reset();
        peers_.clear();
        server_->stop();
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
    }

    void check(const char* step, const Expect& e)
    {
        frame_->commands().refresh();
        for (const Row& r : rows_for(e)) {
            QAction* a = frame_->commands().action(r.id);
            EXPECT_EQ(a->isEnabled(), r.enabled) << step << ": command " << r.id << " enabled";
            if (a->isCheckable()) {
                EXPECT_EQ(a->isChecked(), r.checked) << step << ": command " << r.id << " checked";
            }
        }
    }

    // What the connect flow does: the link flag, then the main receive thread.
    void connect_client()
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
        ASSERT_TRUE(pump_until([] { return g_my_customer_id >= 0; }));
    }

    HeadlessPeer& peer(const std::string& name)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>(name));
        HeadlessPeer& p = *peers_.back();
        EXPECT_EQ(p.connect("127.0.0.1", server_->port(), true), 0);
        EXPECT_EQ(p.login(name), 0);
        return p;
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

TEST_F(FrameEndToEnd, CommandsFollowTheSessionThroughTheRealServer)
{
    check("not connected", {});
    // Before login, Start Meeting is there to say why not, and sends nothing.
    frame_->commands().action(cmd::start_meeting)->trigger();
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Please login first." });

    connect_client();
    check("connected", { .connected = true });

    boxes_.clear();
    ASSERT_EQ(send_login("ann", "code"), 0);
    ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
    ASSERT_TRUE(pump_until([&] { return frame_->windowTitle() == "Local: You are logged in as ann"; }));
    check("logged in", { .connected = true, .logged_in = true });
    frame_->commands().action(cmd::start_meeting)->trigger();
    pump_until([] { return false; }, 100);
    std::vector<std::string> texts = boxes_.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Please join a meeting room first."), texts.end());

    // The peer is in the room first and so its chairman.
    HeadlessPeer& bob = peer("bob");
    ASSERT_GE(bob.join_room("Lobby"), 0);
    ASSERT_EQ(send_join_meeting_room("Lobby", ""), 0);
    ASSERT_TRUE(pump_until([] { return g_room_number >= 0; }));
    ASSERT_TRUE(pump_until([&] { return frame_->windowTitle().startsWith("Local: "); }));
    check("in a room", { .connected = true, .logged_in = true, .in_room = true });

    // Chairman mode is the chairman's.
    boxes_.clear();
    frame_->commands().action(cmd::chairman_control_mode)->trigger();
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Only Chairman could set talk mode." });

    // The peer gives the chair up; the frame's Request Chairman asks for the password and gets it.
    bob.send(PeerChannel::main, MSG_GIVE_UP_CHAIRMAN);
    ASSERT_TRUE(bob.await_number(MSG_CHAIRMAN_GIVEN_UP));
    QTimer::singleShot(50, [] {
        if (auto* dlg = qobject_cast<CDlgMeetingRoomChairmanPasswd*>(QApplication::activeModalWidget()))
            dlg->OnOK();
    });
    frame_->commands().action(cmd::request_chairman)->trigger();
    ASSERT_TRUE(pump_until([] { return g_is_chairman == 1; }));
    check("chairman", { .connected = true, .logged_in = true, .in_room = true, .chairman = true });

    frame_->commands().action(cmd::request_presenter)->trigger();
    ASSERT_TRUE(pump_until([] { return g_is_presenter == 1; }));
    check("presenter", { .connected = true, .logged_in = true, .in_room = true, .chairman = true, .presenter = true });

    frame_->commands().action(cmd::start_meeting)->trigger();
    ASSERT_TRUE(pump_until([] { return g_meeting_started == 1; }));
    check("meeting", { .connected = true, .logged_in = true, .in_room = true, .chairman = true, .presenter = true, .meeting = true });

    frame_->commands().action(cmd::chairman_control_mode)->trigger();
    ASSERT_TRUE(pump_until([] { return g_chairman_control_mode == 1; }));
    check("chairman control mode",
          { .connected = true, .logged_in = true, .in_room = true, .chairman = true, .presenter = true, .meeting = true, .chairman_mode = true });
    // The peer hears the mode change that the frame's command sent.
    EXPECT_TRUE(bob.await_number(MSG_MODE_CHAIRMAN));

    // A raised hand shows once the server answers.
    frame_->commands().action(cmd::raise_hand)->trigger();
    ASSERT_TRUE(pump_until([] { return g_hand_raised == 1; }));
    frame_->commands().refresh();
    EXPECT_TRUE(frame_->commands().action(cmd::raise_hand)->isChecked());

    // A board locked by its own command disables the drawing tools; unlocking brings them back.
    frame_->commands().action(cmd::board_lock)->trigger();
    frame_->commands().refresh();
    EXPECT_TRUE(frame_->commands().action(cmd::board_lock)->isChecked());
    EXPECT_FALSE(frame_->commands().action(cmd::tool_pen)->isEnabled());
    frame_->commands().action(cmd::board_lock)->trigger();
    ASSERT_TRUE(pump_until([] { return g_board[0].lock_flag == 0; }));
    frame_->commands().refresh();
    EXPECT_TRUE(frame_->commands().action(cmd::tool_pen)->isEnabled());

    // Stop Meeting ends it for the room.
    frame_->commands().action(cmd::stop_meeting)->trigger();
    ASSERT_TRUE(pump_until([] { return g_meeting_started == 0; }));
    EXPECT_TRUE(bob.await_number(MSG_MEETING_STOPPED));
    check("meeting stopped",
          { .connected = true, .logged_in = true, .in_room = true, .chairman = true, .presenter = true, .chairman_mode = true });

    // Logout: the server's "not logged in" ends the session in the frame.
    frame_->commands().action(cmd::logout)->trigger();
    ASSERT_TRUE(pump_until([] { return g_logged_in == 0 && g_room_number == -1; }));
    EXPECT_TRUE(pump_until([&] { return frame_->windowTitle() == "You are not logged in."; }));
}

TEST_F(FrameEndToEnd, PresenterInPushModeSendsTheShareViewToTheRoom)
{
    connect_client();
    ASSERT_EQ(send_login("ann", ""), 0);
    ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
    ASSERT_EQ(send_join_meeting_room("Lobby", ""), 0);
    ASSERT_TRUE(pump_until([] { return g_room_number >= 0 && g_is_chairman == 1; }));
    HeadlessPeer& bob = peer("bob");
    ASSERT_GE(bob.join_room("Lobby"), 0);
    frame_->commands().action(cmd::request_presenter)->trigger();
    ASSERT_TRUE(pump_until([] { return g_is_presenter == 1; }));

    // Without push mode the view changes here only.
    bob.clear();
    frame_->switch_to_share_view();
    EXPECT_FALSE(bob.await_number(MSG_BOARD_VIEW, 300));
    frame_->switch_to_video_view();
    frame_->commands().action(cmd::push_mode)->trigger();
    EXPECT_EQ(g_push_mode, 1);
    frame_->switch_to_share_view();
    auto view = bob.await_number(MSG_BOARD_VIEW);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->body, "   3");

    // The zoom goes to the room too, naming the board.
    frame_->commands().action(cmd::board_zoom)->trigger();
    auto zoom = bob.await_number(MSG_BOARD_ZOOM_IN);
    ASSERT_TRUE(zoom.has_value());
    EXPECT_EQ(zoom->head.address, 0);
}

TEST_F(FrameEndToEnd, AShareComesForwardWhenItStartsAndGoesWhenItEnds)
{
    connect_client();
    ASSERT_EQ(send_login("ann", ""), 0);
    ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
    ASSERT_EQ(send_join_meeting_room("Lobby", ""), 0);
    ASSERT_TRUE(pump_until([] { return g_room_number >= 0; }));
    HeadlessPeer& bob = peer("bob");
    ASSERT_GE(bob.join_room("Lobby"), 0);
    CBrenmoView* views = frame_->brenmo_view();
    auto showing = [views](int index) { return g_current_view == index && views->visible_upper_view() == views->upper_view(index); };
    std::vector<std::string> notices;
    set_event_notice_sink([&notices](const std::string& text) { notices.push_back(text); });
    frame_->switch_to_board_view();

    // Bob shares a window: its first rectangle brings the share forward.
    bob.send(PeerChannel::main, MSG_SHARE_APP_START);
    ASSERT_TRUE(bob.await_number(MSG_202));
    bob.send(PeerChannel::main, MSG_SHARE_APP_WINDOW_RECT, 0, "  40:  30: 400: 300");
    ASSERT_TRUE(pump_until([&] { return showing(upper_view_share); }, 20000)) << server_->log_text();
    EXPECT_EQ(g_current_board, 9);
    // Its end takes ann back to the whiteboard she was looking at.
    bob.send(PeerChannel::main, MSG_SHARE_APP_STOP);
    ASSERT_TRUE(pump_until([&] { return showing(upper_view_board); }, 20000)) << server_->log_text();

    // Bob shares the desktop: forward again; ann turns to the video and stays there while it runs and after it ends.
    bob.send(PeerChannel::main, MSG_SHARE_DESK_START);
    ASSERT_TRUE(bob.await_number(MSG_SHARE_DESK_ALLOWED));
    bob.send(PeerChannel::main, MSG_SHARE_DESK_SIZE, 0, " 800: 600");
    ASSERT_TRUE(pump_until([&] { return showing(upper_view_share); }, 20000)) << server_->log_text();
    frame_->switch_to_video_view();
    bob.send(PeerChannel::main, MSG_SHARE_DESK_SIZE, 0, "1024: 768");
    ASSERT_TRUE(pump_until([] { return g_view_desk_width == 1024; }, 20000));
    QApplication::processEvents();
    EXPECT_TRUE(showing(upper_view_video)) << "a share is brought forward once";
    bob.send(PeerChannel::main, MSG_SHARE_DESK_STOP);
    auto told = [&notices](const std::string& text) { return std::count(notices.begin(), notices.end(), text); };
    ASSERT_TRUE(pump_until([&] { return told("Desktop Sharing Stopped.") == 1; }, 20000)) << ::testing::PrintToString(notices);
    EXPECT_EQ(told("Application Sharing Stopped."), 1);
    EXPECT_TRUE(showing(upper_view_video));
    set_event_notice_sink(nullptr);
}
