// Sharing as a user does it, through the real main frame, the real server
// and the real library under an Xvfb of the test's own: the Share
// application command's dialog, the window's rectangle and tiles reaching a
// viewer, a foreign paint written at the next tick, the share stopped; then
// the desktop, approved, announced and stopped.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/server_notices.h"
#include "dialogs/event_notice.h"
#include "sharing/share_sharer.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/choose_app_dlg.h"
#include "shell/frame_commands.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "skin/ui/my_list_ctrl.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/x_painter.h"
#include "tests/support/xvfb.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
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

int total_versions()
{
    int sum = 0;
    for (int r = 0; r < app_grid_size; ++r)
        for (int c = 0; c < app_grid_size; ++c)
            sum += g_app_tiles[static_cast<size_t>(r)][static_cast<size_t>(c)].version;
    return sum;
}

class ShareThroughFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!xvfb_.running())
            GTEST_SKIP() << "Xvfb could not be started";
        platform::x11_close_display();
        set_hook_library_path(TAMBLO_HOOK_LIBRARY);
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        std::ofstream(config_path_) << "[room]\nname = Lobby\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_ });
        init_global_state();
        create_work_folders();
        reset_receive_handlers();
        install_control_handlers();
        install_sharing_handlers();
        frame_ = std::make_unique<CMainFrame>();
        frame_->resize(900, 600);
        frame_->show();
    }
    void TearDown() override
    {
        if (g_sharing_app)
            share_sharer().stop_app_share();
        if (g_sharing_desktop)
            share_sharer().stop_desktop_share();
        g_main_sock.close_socket();
        if (recv_thread_.joinable())
            recv_thread_.join();
        frame_.reset();
        bob_.reset();
        if (server_)
            server_->stop();
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
        set_hook_library_path("");
        clear_app_sharing();
        platform::x11_close_display();
    }
    // Logged in and in the Lobby with a meeting started, and bob there to watch.
    void enter_meeting()
    {
        g_server_host.set("127.0.0.1");
        g_server_port = server_->port();
        g_server_display_name.set("Local");
        g_first_connect_notices_sent = 0;
        g_connected_to_server = 1;
        recv_thread_ = std::thread([] { g_recv_thread(); });
        ASSERT_TRUE(pump_until([] { return g_my_customer_id >= 0; }));
        ASSERT_EQ(send_login("ann", ""), 0);
        ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
        ASSERT_EQ(send_join_meeting_room("Lobby", ""), 0);
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0 && g_is_chairman == 1; }));
        frame_->commands().action(cmd::start_meeting)->trigger();
        ASSERT_TRUE(pump_until([] { return g_meeting_started == 1; }));
        bob_ = std::make_unique<HeadlessPeer>("bob");
        ASSERT_EQ(bob_->connect("127.0.0.1", server_->port(), true), 0);
        ASSERT_GE(bob_->join_room("Lobby"), 0);
        frame_->commands().refresh();
    }

    TempHome home_;
    XvfbServer xvfb_;
    ScriptedMessageBoxes boxes_;
    std::string config_path_ = home_.root() + "/server.ini";
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<HeadlessPeer> bob_;
    std::thread recv_thread_;
};

} // namespace

TEST_F(ShareThroughFrame, AWindowIsChosenSharedPaintedAndStopped)
{
    XPainter painter;
    unsigned long report = painter.window("Report", 40, 30, 400, 300, 0x335577);
    ASSERT_NE(report, 0u);
    enter_meeting();
    ASSERT_TRUE(frame_->commands().action(cmd::share_application)->isEnabled());

    // The user picks the window in the dialog and presses Share; the server's 202 closes it.
    bool chose = false;
    QTimer::singleShot(100, [&] {
        auto* dlg = qobject_cast<CDlgChooseApp*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        for (int row = 0; row < dlg->app_list()->item_count(); ++row)
            if (dlg->app_list()->item_text(row, 0) == "Report")
                dlg->app_list()->set_item_selected(row, true);
        dlg->OnShare();
        chose = true;
    });
    frame_->commands().action(cmd::share_application)->trigger();
    ASSERT_TRUE(chose);
    EXPECT_EQ(g_sharing_app, 1);
    EXPECT_EQ(share_sharer().shared_window(), report);
    EXPECT_EQ(g_current_view, upper_view_share);

    // Within the first ticks: the rectangle reaches the viewer and every tile is written.
    ASSERT_TRUE(pump_until([&] { return bob_->count(MSG_SHARE_APP_WINDOW_RECT) > 0; }, 4000));
    auto rect = bob_->await_number(MSG_SHARE_APP_WINDOW_RECT);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->body, "  40:  30: 400: 300");
    ASSERT_TRUE(pump_until([] { return total_versions() == 25; }));
    EXPECT_NE(file_get_size(tile_z_path(ShareGrid::app, 4, 4)), -1);

    // A foreign paint is written at a following tick, through the library's notice.
    painter.fill(report, 10, 10, 50, 20, 0xffffff);
    EXPECT_TRUE(pump_until([] { return g_app_tiles[0][0].version == 2; }, 4000));

    // The same command stops the share; the viewer hears it ended.
    frame_->commands().action(cmd::share_application)->trigger();
    EXPECT_EQ(g_sharing_app, 0);
    EXPECT_TRUE(bob_->await_number(MSG_SHARE_APP_ENDED));
    EXPECT_FALSE(share_sharer().hooks().library_loaded());
}

TEST_F(ShareThroughFrame, TheDesktopIsApprovedAnnouncedAndStopped)
{
    enter_meeting();
    // The approval is an event notice, not a box.
    std::vector<std::string> notices;
    set_event_notice_sink([&notices](const std::string& text) { notices.push_back(text); });
    boxes_.answer_with(MessageBoxButton::yes);
    frame_->commands().action(cmd::share_desktop)->trigger();
    ASSERT_TRUE(pump_until([] { return g_sharing_desktop == 1; }));
    set_event_notice_sink(nullptr);
    EXPECT_NE(std::find(notices.begin(), notices.end(), "Share desktop approved."), notices.end());
    ASSERT_TRUE(pump_until([&] { return bob_->count(MSG_SHARE_DESK_SIZE) > 0; }, 4000));
    EXPECT_EQ(bob_->await_number(MSG_SHARE_DESK_SIZE)->body, " 800: 600");
    EXPECT_TRUE(pump_until([] { return g_desk_tiles[5][5].version == 1; }));
    frame_->commands().action(cmd::share_desktop)->trigger();
    EXPECT_EQ(g_sharing_desktop, 0);
    EXPECT_TRUE(bob_->await_number(MSG_SHARE_DESK_ENDED));
}
