// Share Browser as users meet it, through the real system browser: this
// process is ann's real program, offscreen, a second copy of the real
// program is bob's, a headless peer is a third attendee, all in one room of
// a real tamblo-server. Every side opens pages through the real xdg-open on
// a desktop of the test's own (an Xvfb for its display check, XDG folders
// without any desktop's settings) whose BROWSER is a script that writes
// down the address it was handed.

#include "core/connections.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_builders.h"
#include "dialogs/ui/dlg_choose_browser.h"
#include "platform/ui/control_id.h"
#include "sharing/co_browse.h"
#include "shell/frame_commands.h"
#include "shell/ui/brenmo_app.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/left_form.h"
#include "shell/ui/left_form_tab.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/members_page.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_list_ctrl.h"
#include "tests/support/env_guard.h"
#include "tests/support/headless_peer.h"
#include "tests/support/second_program.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

constexpr int wait_ms = 20000;

bool pump_until(const std::function<bool()>& done, int limit_ms = wait_ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limit_ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(2);
    }
    return done();
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The next choose-browser dialog gets a click on control id (0: none shows,
// and that is written down in *seen instead).
void answer_choose_browser(int id, bool* seen = nullptr)
{
    QTimer::singleShot(0, [id, seen] {
        auto* dlg = qobject_cast<CDlgChooseBrowser*>(QApplication::activeModalWidget());
        if (seen)
            *seen = dlg != nullptr;
        if (!dlg)
            return;
        QTest::mouseClick(dlg->findChild<CMyButton*>(control_name(id != 0 ? id : 2)), Qt::LeftButton);
    });
}

class CoBrowseEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xvfb_.running());
        env_.set("TAMBLO_CAMERA", "none");
        // xdg-open finds no desktop, no handler for web addresses and no
        // session bus: BROWSER is what it has.
        env_.set("XDG_DATA_DIRS", home_.root() + "/system-data");
        env_.set("XDG_CONFIG_DIRS", home_.root() + "/system-config");
        // Named, so that xdg-utils do not probe the display to guess the desktop.
        env_.set("XDG_CURRENT_DESKTOP", "X-Generic");
        for (const char* name : { "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                  "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "LXQT_SESSION_CONFIG",
                                  "WAYLAND_DISPLAY", "DESKTOP" })
            env_.unset(name);
        // A bus that is not there: unset, the bus library could start one on the display.
        env_.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home_.root() + "/no-bus");
        env_.set("BROWSER", recording_browser("ann"));
        set_message_box_presenter(&boxes_);
        std::ofstream(config_path_) << "[room]\nname = Lobby\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_ });
    }
    void TearDown() override
    {
        if (app_) {
            app_->ExitInstance(0);
            app_.reset();
        }
        bob_.reset();
        peer_.reset();
        co_browser_window() = CoBrowserWindow {};
        g_ie_push_mode = 0;
        if (server_)
            server_->stop();
        set_message_box_presenter(nullptr);
    }

    // A browser that writes each address it is given as a line of <name>.opened.
    std::string recording_browser(const std::string& name)
    {
        std::string script = home_.root() + "/" + name + "-browser.sh";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << opened_path(name) << "'\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        return script;
    }
    std::string opened_path(const std::string& name) const { return home_.root() + "/" + name + ".opened"; }
    std::vector<std::string> opened(const std::string& name) const
    {
        return file_exists(opened_path(name)) ? lines_of(read_file(opened_path(name))) : std::vector<std::string> {};
    }

    // Ann's program from a launcher argument into the Lobby, her meeting started.
    void start_ann()
    {
        app_ = std::make_unique<CBrenmoApp>(format_text("127.0.0.1:Local:%d:Lobby:xxcodeyyy:ann:", server_->port()));
        ASSERT_TRUE(app_->InitInstance());
        frame_ = app_->main_frame();
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0 && g_is_chairman == 1; }));
        frame_->commands().trigger(cmd::start_meeting);
        ASSERT_TRUE(pump_until([] { return g_meeting_started == 1; }));
        ASSERT_TRUE(pump_until([this] {
            auto texts = boxes_.texts();
            return std::find(texts.begin(), texts.end(), "Welcome to the Tamblo conference server.") != texts.end();
        }));
        boxes_.clear();
    }
    bool member_present(const std::string& name)
    {
        CMyListCtrl* list = frame_->left_form()->tab()->members_page()->member_list();
        for (int i = 0; i < list->item_count(); ++i)
            if (list->item_text(i, 0).toStdString() == name)
                return true;
        return false;
    }
    // Bob's own copy of the program, on the test's display for xdg-open, with his own recording browser.
    void start_bob()
    {
        bob_ = std::make_unique<SecondProgram>(
            TAMBLO_PROGRAM, home_.root() + "/bob", unused_tcp_port(),
            format_text("127.0.0.1:Local:%d:Lobby:xxcodeyyy:bob:", server_->port()),
            std::vector<std::string> { "DISPLAY=" + xvfb_.display(), "BROWSER=" + recording_browser("bob") });
        ASSERT_TRUE(pump_until([this] { return member_present("bob"); })) << bob_->boxes();
    }
    void start_peer()
    {
        peer_ = std::make_unique<HeadlessPeer>("carol");
        ASSERT_EQ(peer_->connect("127.0.0.1", server_->port(), true), 0);
        ASSERT_GE(peer_->join_room("Lobby"), 0);
    }

    TempHome home_;
    XvfbServer xvfb_;
    EnvGuard env_;
    ScriptedMessageBoxes boxes_;
    std::string config_path_ = home_.root() + "/server.ini";
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CBrenmoApp> app_;
    CMainFrame* frame_ = nullptr;
    std::unique_ptr<SecondProgram> bob_;
    std::unique_ptr<HeadlessPeer> peer_;
};

} // namespace

TEST_F(CoBrowseEndToEnd, TheSystemBrowserShowsTheSharedPageOnceOnEverySide)
{
    start_ann();
    start_peer();
    start_bob();
    const std::string page = "http://127.0.0.1:9/shared?a=1:2&b=%20c";
    co_browser_window().current_url = [&page] { return page; };
    int pushing_shown = 0;
    co_browser_window().show_pushing = [&pushing_shown] { ++pushing_shown; };

    answer_choose_browser(1160);
    ASSERT_TRUE(frame_->commands().trigger(cmd::share_browser));
    EXPECT_TRUE(share_ie().sharing());
    ASSERT_TRUE(pump_until([this] { return !opened("ann").empty(); }));
    ASSERT_TRUE(pump_until([this] { return !opened("bob").empty(); })) << bob_->debug_log();
    auto sent = peer_->await_number(MSG_AUTO_IE_OPEN_URL, wait_ms);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->body, page);
    EXPECT_EQ(sent->head.address, g_my_customer_id.load());
    // The files page's timer sends the page again on its fifth tick.
    ASSERT_TRUE(pump_until([this] { return peer_->count(MSG_AUTO_IE_OPEN_URL) >= 2; }));

    // The next Share Browser ends the system browser's share.
    answer_choose_browser(1159);
    ASSERT_TRUE(frame_->commands().trigger(cmd::share_browser));
    EXPECT_FALSE(share_ie().sharing());
    EXPECT_EQ(g_ie_push_mode.load(), 1);
    EXPECT_EQ(pushing_shown, 1);

    // Addresses no browser may be handed: each refused and logged. (The
    // receiver keeps only the latest address, so each is awaited in turn.)
    for (const char* hostile : { "file:///etc/passwd", "javascript:alert(1)", "--help" }) {
        peer_->send(PeerChannel::main, MSG_AUTO_IE_OPEN_URL, 999, hostile);
        const std::string refused = std::string("Cshare_ie: received address refused: ") + hostile;
        EXPECT_TRUE(pump_until([&] { return bob_->debug_log().find(refused) != std::string::npos; })) << hostile;
    }
    // Then a frame's page: whatever went before it reached bob first, the
    // relay keeping one member's order, so his record is complete once it is there.
    const std::string framed = "http://127.0.0.1:9/frame.html";
    peer_->send(PeerChannel::main, MSG_AUTO_IE_OPEN_FRAME_URL, 999, framed);
    ASSERT_TRUE(pump_until([&] { return opened("bob").size() >= 2 && opened("ann").size() >= 2; }))
        << bob_->debug_log();
    EXPECT_EQ(opened("bob"), (std::vector<std::string> { page, framed }));
    EXPECT_EQ(opened("ann"), (std::vector<std::string> { page, framed }));
    EXPECT_EQ(bob_->boxes().find("Couldn't start the system browser."), std::string::npos) << bob_->boxes();
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(CoBrowseEndToEnd, ShareBrowserAsksFirstAndIsThePresentersInChairmanControlMode)
{
    start_ann();
    start_peer();
    // Cancel: nothing opens, nothing goes.
    co_browser_window().current_url = [] { return std::string("http://127.0.0.1:9/never"); };
    bool seen = false;
    answer_choose_browser(2, &seen);
    ASSERT_TRUE(frame_->commands().trigger(cmd::share_browser));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(share_ie().sharing());
    EXPECT_EQ(g_ie_push_mode.load(), 0);

    // No page in the browser window: the system browser is not started.
    co_browser_window().current_url = [] { return std::string("about:blank"); };
    answer_choose_browser(1160);
    ASSERT_TRUE(frame_->commands().trigger(cmd::share_browser));
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "There is no page to open: open it in \"Tamblo Browser\" first." });

    // In chairman control mode only the presenter may: no dialog, the refusal.
    boxes_.clear();
    frame_->commands().trigger(cmd::chairman_control_mode);
    ASSERT_TRUE(pump_until([] { return g_chairman_control_mode == 1; }));
    seen = true;
    answer_choose_browser(1160, &seen);
    ASSERT_TRUE(frame_->commands().trigger(cmd::share_browser));
    pump_until([&seen] { return !seen; });
    EXPECT_FALSE(seen);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Only presenter can do this in Chairman control mode." });

    // Nothing of it reached the room: a marker through ann's connection arrives alone.
    send_wire_message(g_main_sock, wire_to_all, MSG_AUTO_IE_OPEN_FRAME_URL, "http://127.0.0.1:9/marker");
    ASSERT_TRUE(peer_->await_number(MSG_AUTO_IE_OPEN_FRAME_URL, wait_ms));
    EXPECT_EQ(peer_->count(MSG_AUTO_IE_OPEN_URL), 0u);
    EXPECT_TRUE(opened("ann").empty());
}
