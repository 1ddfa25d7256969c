// The browser window offscreen over the real engine: two local web servers
// (the second reached as "localhost", so its frames are of another origin),
// the real tamblo-server, the program's main frame that opens the window for
// received pages, and a headless attendee in the same room who records what
// this window pushes and sends what a pushing attendee sends.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/settings.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/text_util.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "dialogs/ui/dlg_choose_browser.h"
#include "platform/ui/control_id.h"
#include "shell/frame_commands.h"
#include "sharing/co_browse.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/dlg_ie.h"
#include "sharing/ui/form_ie.h"
#include "sharing/ui/web_browser2.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_tab_ctrl.h"
#include "tests/skin/modal_watcher.h"
#include "tests/skin/screenshots.h"
#include "tests/support/child_process.h"
#include "tests/support/headless_peer.h"
#include "tests/support/program_connection.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/web_server.h"

#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace {

constexpr int wait_ms = 20000;

bool wait_for(const std::function<bool()>& done) { return QTest::qWaitFor(done, wait_ms); }

std::string long_frame_name() { return std::string(101, 'f'); }

} // namespace

class CoBrowserWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // The engine's browser half runs inside this process on Chromium's own
        // allocator and threads, which the sanitizers do not know.
        GTEST_SKIP() << "WebEngine is not run under the sanitizers";
#endif
        site_ = home_.root() + "/site";
        std::filesystem::create_directories(site_);
        a_ = std::make_unique<LoggedWebServer>(site_, home_.root() + "/a.log");
        b_ = std::make_unique<LoggedWebServer>(site_, home_.root() + "/b.log");
        ASSERT_TRUE(a_->up());
        ASSERT_TRUE(b_->up());
        write_pages();

        init_global_state();
        create_work_folders();
        frame_ = std::make_unique<CMainFrame>();
        install_sharing_handlers();
        ASSERT_EQ(peer_.connect("127.0.0.1", server_.port(), true), 0);
        ASSERT_GE(peer_.join_room("browse"), 0);
        program_.start(server_.port(), "browser", "browse");
        ASSERT_TRUE(wait_for([] { return g_room_number.load() >= 0; }));
        peer_.clear();
        dlg_ = dlg_ie();
        dlg_->open_maximised();
        ASSERT_TRUE(wait_for([this] { return !dlg_->page(0)->loading(); }));
    }
    void TearDown() override
    {
        g_ie_push_mode = 0;
        program_.stop();
        reset_receive_handlers();
        destroy_dlg_ie();
        frame_.reset();
    }

    std::string a(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(a_->port()) + "/" + path; }
    std::string b(const std::string& path) const { return "http://localhost:" + std::to_string(b_->port()) + "/" + path; }

    void write_page(const std::string& name, const std::string& body)
    {
        std::ofstream(site_ + "/" + name) << "<!DOCTYPE html><html><head><title>" << name << "</title></head>"
                                          << "<body style=\"margin:0\">" << body << "</body></html>";
    }
    void write_pages()
    {
        write_page("top.html",
                   "<a id=\"blank\" href=\"new.html\" target=\"_blank\" style=\"display:block;width:300px;height:40px\">new window</a>"
                   "<iframe name=\"nav\" src=\"nav.html\" width=\"300\" height=\"90\"></iframe>"
                   "<iframe name=\"content\" src=\""
                       + b("c1.html")
                       + "\" width=\"300\" height=\"90\"></iframe>"
                         "<iframe src=\"unnamed1.html\" width=\"300\" height=\"60\"></iframe>"
                         "<iframe name=\""
                       + long_frame_name() + "\" src=\"long1.html\" width=\"300\" height=\"60\"></iframe>");
        write_page("nav.html", "<a id=\"to-content\" href=\"" + b("c2.html") + "\" target=\"content\">c2</a> "
                               "<a id=\"to-long\" href=\"long2.html\" target=\"" + long_frame_name() + "\">long</a>");
        write_page("unnamed1.html", "<a id=\"next\" href=\"unnamed2.html?x=1:2\">next</a>");
        for (const char* plain : { "c1.html", "c2.html", "long1.html", "long2.html", "unnamed2.html", "new.html", "q.html", "other.html" })
            write_page(plain, plain);
    }

    // A marker through the same room: once it arrives, everything this client sent before it has.
    void sync()
    {
        size_t before = peer_.count(MSG_AUTO_IE_OPEN_FRAME_URL);
        send_wire_message(g_main_sock, 999, MSG_AUTO_IE_OPEN_FRAME_URL, "marker");
        ASSERT_TRUE(peer_.await_count(MSG_AUTO_IE_OPEN_FRAME_URL, before + 1, wait_ms));
    }
    std::vector<std::string> bodies(int number) const
    {
        std::vector<std::string> out;
        for (const ArrivedMessage& m : peer_.arrived())
            if (m.head.number == number)
                out.push_back(m.body);
        return out;
    }
    bool page_on(int index, const std::string& url) const
    {
        CFormIE* p = dlg_->page(index);
        return p && !p->loading() && p->location_url() == url;
    }
    void run_in_page(int index, const std::string& script) { dlg_->page(index)->browser()->Application()->runJavaScript(QString::fromStdString(script)); }
    void go(const std::string& url)
    {
        dlg_->findChild<QLineEdit*>("ctl_1160")->setText(QString::fromStdString(url));
        QTest::mouseClick(dlg_->findChild<QPushButton*>("ctl_1161"), Qt::LeftButton);
    }
    void receive(int number, const std::string& body) { peer_.send(PeerChannel::main, number, 999, body); }

    TempHome home_;
    std::string site_;
    std::unique_ptr<LoggedWebServer> a_, b_;
    ServerProcess server_;
    HeadlessPeer peer_ { "pusher" };
    ProgramConnection program_;
    // The program's frame: received pages reach the window through its 0x8086 / 0x8087.
    std::unique_ptr<CMainFrame> frame_;
    CDlgIE* dlg_ = nullptr;
};

TEST_F(CoBrowserWindowTest, StartsOnOneUnnamedBlankPageHoldsSixteenAndClosingTheLastLeavesBlank)
{
    EXPECT_EQ(dlg_->windowTitle(), "Tamblo Explorer");
    for (int id : { 1159, 1160, 1161, 1162, 1163, 1164, 1165, 1166, 1167, 1176 })
        EXPECT_NE(dlg_->findChild<QWidget*>(QString("ctl_%1").arg(id)), nullptr) << id;
    ASSERT_EQ(dlg_->tab()->item_count(), 1);
    EXPECT_EQ(dlg_->page(0)->m_window_name, "");
    EXPECT_TRUE(page_on(0, "about:blank"));

    for (int i = 1; i < ie_slot_count; ++i) {
        go(a("other.html"));
        ASSERT_TRUE(wait_for([this, i] { return page_on(i, a("other.html")); })) << i;
    }
    go(a("other.html"));
    EXPECT_EQ(dlg_->tab()->item_count(), ie_slot_count) << "the seventeenth page is refused";
    EXPECT_EQ(dlg_->tab()->cur_sel(), ie_slot_count - 1);
    EXPECT_EQ(dlg_->tab()->item_text(ie_slot_count - 1), "other.html");
    EXPECT_EQ(dlg_->page(ie_slot_count - 1)->m_window_name.substr(0, 1), "n");

    QPushButton* close = dlg_->findChild<QPushButton*>("ctl_1162");
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(dlg_->tab()->item_count(), ie_slot_count - 1);
    EXPECT_EQ(dlg_->tab()->cur_sel(), ie_slot_count - 2);
    for (int left = ie_slot_count - 1; left > 1; --left)
        QTest::mouseClick(close, Qt::LeftButton);
    ASSERT_EQ(dlg_->tab()->item_count(), 1);
    EXPECT_EQ(dlg_->page(0)->m_window_name, "") << "page 0 was never closed";
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(dlg_->tab()->item_count(), 1);
    EXPECT_EQ(dlg_->page_slots().used_count(), 0);
    EXPECT_TRUE(wait_for([this] { return page_on(0, "about:blank"); }));
    // The emptied page 0 takes the next page, typed and entered.
    QLineEdit* address = dlg_->findChild<QLineEdit*>("ctl_1160");
    address->setText(QString::fromStdString(a("other.html")));
    address->setFocus();
    QTest::keyClick(address, Qt::Key_Return);
    EXPECT_EQ(dlg_->tab()->item_count(), 1);
    EXPECT_EQ(dlg_->page_slots().used_count(), 1);
}

TEST_F(CoBrowserWindowTest, BackForwardAndHomeFollowTheCurrentPage)
{
    ASSERT_EQ(reg_write("browser", "home_page", a("q.html?home=1")), 0);
    auto button = [this](int id) { return dlg_->findChild<QPushButton*>(QString("ctl_%1").arg(id)); };
    EXPECT_FALSE(button(1163)->isEnabled());
    EXPECT_FALSE(button(1164)->isEnabled());
    go(a("c1.html"));
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("c1.html")); }));
    QTest::mouseClick(button(1167), Qt::LeftButton);
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("q.html?home=1")); }));
    EXPECT_EQ(dlg_->findChild<QLineEdit*>("ctl_1160")->text().toStdString(), a("q.html?home=1"));
    ASSERT_TRUE(wait_for([&] { return button(1163)->isEnabled(); }));
    EXPECT_FALSE(button(1164)->isEnabled());
    QTest::mouseClick(button(1163), Qt::LeftButton);
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("c1.html")); }));
    ASSERT_TRUE(wait_for([&] { return button(1164)->isEnabled() && !button(1163)->isEnabled(); }));
    QTest::mouseClick(button(1164), Qt::LeftButton);
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("q.html?home=1")); }));
    QTest::mouseClick(button(1166), Qt::LeftButton);
    EXPECT_TRUE(wait_for([this] { return a_->requests("/q.html?home=1") >= 2 && page_on(1, a("q.html?home=1")); }));
    // Page 0 keeps its own history: choosing it shows its buttons.
    QTest::mouseClick(dlg_->tab(), Qt::LeftButton, {}, dlg_->tab()->item_rect(0).center());
    EXPECT_FALSE(button(1163)->isEnabled());
    EXPECT_EQ(dlg_->findChild<QLineEdit*>("ctl_1160")->text(), "about:blank");
}

TEST_F(CoBrowserWindowTest, PushSendsPagesAndFramesAndNothingWithPushOff)
{
    QTest::mouseClick(dlg_->findChild<QPushButton*>("ctl_1176"), Qt::LeftButton);
    ASSERT_EQ(g_ie_push_mode.load(), 1);
    go(a("top.html"));
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("top.html")); }));
    const std::string pushed = dlg_->page(1)->m_window_name;
    auto click_in_frame = [this](const std::string& script, int navigations) {
        run_in_page(1, script);
        return wait_for([this, navigations] { return dlg_->page(1)->frame_navigations() == navigations; });
    };
    ASSERT_TRUE(click_in_frame("frames['nav'].document.getElementById('to-content').click()", 1));
    ASSERT_TRUE(click_in_frame("frames['nav'].document.getElementById('to-long').click()", 2));
    ASSERT_TRUE(click_in_frame("frames[2].document.getElementById('next').click()", 3));
    // The window opened by target="_blank" becomes a page of its own.
    QWidget* view = dlg_->page(1)->browser()->view()->focusProxy();
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, 20));
    ASSERT_TRUE(wait_for([this] { return page_on(2, a("new.html")); }));
    const std::string opened = dlg_->page(2)->m_window_name;
    // Choosing a tab shows the others the same page.
    QTest::mouseClick(dlg_->tab(), Qt::LeftButton, {}, dlg_->tab()->item_rect(1).center());
    EXPECT_EQ(dlg_->tab()->cur_sel(), 1);
    sync();
    const std::string top = a("top.html");
    EXPECT_EQ(bodies(MSG_IE_OPEN_URL), (std::vector<std::string> { pushed + ":" + top, pushed + ":" + top, pushed + ":" + top,
                                                                      pushed + ":" + a("unnamed2.html?x=1:2"),
                                                                      opened + ":" + a("new.html"), pushed + ":" + top }));
    EXPECT_EQ(bodies(MSG_IE_OPEN_FRAME_URL), std::vector<std::string> { pushed + ":   7:content:" + b("c2.html") })
        << "a frame name over 100 characters is not sent";
    EXPECT_NE(opened, pushed);

    peer_.clear();
    QTest::mouseClick(dlg_->findChild<QPushButton*>("ctl_1176"), Qt::LeftButton);
    ASSERT_EQ(g_ie_push_mode.load(), 0);
    go(a("top.html"));
    ASSERT_TRUE(wait_for([this] { return page_on(3, a("top.html")); }));
    run_in_page(3, "frames['nav'].document.getElementById('to-content').click()");
    ASSERT_TRUE(wait_for([this] { return dlg_->page(3)->frame_navigations() == 1; }));
    QTest::mouseClick(dlg_->tab(), Qt::LeftButton, {}, dlg_->tab()->item_rect(1).center());
    sync();
    EXPECT_TRUE(bodies(MSG_IE_OPEN_URL).empty()) << "push mode is off";
    EXPECT_TRUE(bodies(MSG_IE_OPEN_FRAME_URL).empty());
}

// The user's path: Share Browser, then "Tamblo Browser" pushes from this
// window; Share Browser again, then "System Browser" hands its current page
// to the system browser and sends it to the room.
TEST_F(CoBrowserWindowTest, ShareBrowserChoosesThisWindowPushingOrItsPageInTheSystemBrowser)
{
    std::vector<std::string> opened;
    set_system_browser_opener([&opened](const std::string& url) {
        opened.push_back(url);
        return 0;
    });
    auto share_browser_choosing = [this](int button) {
        bool chosen = false;
        ModalWatcher watcher([&chosen, button](QWidget* modal) {
            auto* dlg = qobject_cast<CDlgChooseBrowser*>(modal);
            if (!dlg) {
                modal->close();
                return;
            }
            chosen = true;
            QTest::mouseClick(dlg->findChild<CMyButton*>(control_name(button)), Qt::LeftButton);
        });
        EXPECT_TRUE(frame_->commands().trigger(cmd::share_browser));
        return chosen;
    };
    // The meeting has started: Share Browser is offered. (The test's
    // connection was made without the Connect dialog, which marks it.)
    ASSERT_EQ(g_logged_in.load(), 1);
    g_connected_to_server = 1;
    g_meeting_started = 1;
    frame_->commands().refresh();
    dlg_->hide();
    ASSERT_TRUE(share_browser_choosing(1159));
    EXPECT_EQ(g_ie_push_mode.load(), 1);
    EXPECT_TRUE(dlg_->isVisible());
    go(a("q.html"));
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("q.html")); }));
    sync();
    EXPECT_EQ(bodies(MSG_IE_OPEN_URL), std::vector<std::string> { dlg_->page(1)->m_window_name + ":" + a("q.html") });

    ASSERT_TRUE(share_browser_choosing(1160));
    EXPECT_EQ(opened, std::vector<std::string> { a("q.html") });
    ASSERT_TRUE(peer_.await_count(MSG_AUTO_IE_OPEN_URL, 1, wait_ms));
    EXPECT_EQ(bodies(MSG_AUTO_IE_OPEN_URL), std::vector<std::string> { a("q.html") });
    share_ie().share_ie_close();
    set_system_browser_opener(nullptr);
    g_meeting_started = 0;
    g_connected_to_server = 0;
}

TEST_F(CoBrowserWindowTest, FollowsReceivedPagesAndFramesWithoutReloadingAnEqualAddressOrEchoing)
{
    g_ie_push_mode = 1;  // a follower that pushes too sends none of what it follows
    dlg_->hide();
    receive(MSG_IE_OPEN_URL, "n1:" + a("top.html"));
    ASSERT_TRUE(wait_for([this] { return dlg_->tab()->item_count() == 2 && page_on(1, a("top.html")); }));
    EXPECT_TRUE(dlg_->isVisible());
    EXPECT_TRUE(dlg_->isMaximized());
    EXPECT_EQ(dlg_->page(1)->m_window_name, "n1");
    EXPECT_EQ(dlg_->tab()->cur_sel(), 1);

    // What a pusher's click in "nav" sends: the page again, then the frame.
    receive(MSG_IE_OPEN_URL, "n1:" + a("top.html"));
    receive(MSG_IE_OPEN_FRAME_URL, "n1:   7:content:" + b("c2.html"));
    ASSERT_TRUE(wait_for([this] { return b_->requests("/c2.html") == 1; }));
    // Page 0, unnamed, is page 0 everywhere; ':' in a query survives.
    receive(MSG_IE_OPEN_URL, ":" + a("q.html?a=b:c"));
    ASSERT_TRUE(wait_for([this] { return page_on(0, a("q.html?a=b:c")); }));
    EXPECT_EQ(dlg_->tab()->cur_sel(), 0);
    EXPECT_EQ(a_->requests("/q.html?a=b:c"), 1);
    // An equal address only brings its page to the front.
    receive(MSG_IE_OPEN_URL, "n1:" + a("top.html"));
    ASSERT_TRUE(wait_for([this] { return dlg_->tab()->cur_sel() == 1; }));
    EXPECT_EQ(a_->requests("/top.html"), 1);
    EXPECT_EQ(b_->requests("/c2.html"), 1);
    sync();
    EXPECT_TRUE(bodies(MSG_IE_OPEN_URL).empty());
    EXPECT_TRUE(bodies(MSG_IE_OPEN_FRAME_URL).empty());
}

TEST_F(CoBrowserWindowTest, HostileAddressesAndFrameNamesAreDroppedWithoutScript)
{
    LogCapture log;
    receive(MSG_IE_OPEN_URL, "n1:" + a("top.html"));
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("top.html")); }));
    for (const std::string& url : { std::string("file:///etc/passwd"), std::string("javascript:document.title='pwned'"),
                                    std::string("data:text/html,pwned") })
        receive(MSG_IE_OPEN_URL, "n2:" + url);
    for (const std::string& frame : { std::string("x\\\");document.title='pwned';//"), std::string("</script><script>document.title='pwned'"),
                                      std::string("parent"), std::string("top") }) {
        std::string body = format_text("n1:%4d:", static_cast<int>(frame.size())) + frame + ":" + a("other.html");
        receive(MSG_IE_OPEN_FRAME_URL, body);
    }
    auto not_found = [&log] {
        int count = 0;
        for (const std::string& line : log.lines())
            count += line == "parent window not found in CDlgIE:go_to_frame_url_by_window.\n" ? 1 : 0;
        return count;
    };
    receive(MSG_IE_OPEN_FRAME_URL, "nobody:   7:content:" + a("other.html"));
    ASSERT_TRUE(wait_for([&] { return not_found() == 1; }));
    // The two names that reached the page were looked for as names, and not found.
    ASSERT_TRUE(wait_for([&log] {
        int count = 0;
        for (const std::string& line : log.lines())
            count += line.rfind("CFormIE: frame ", 0) == 0 ? 1 : 0;
        return count == 2;
    }));
    // A flood of names fills the slots and no more; the marker after it says all were handled.
    for (int i = 0; i < 40; ++i)
        receive(MSG_IE_OPEN_URL, "flood" + std::to_string(i) + ":about:blank");
    receive(MSG_IE_OPEN_FRAME_URL, "nobody:   7:content:" + a("other.html"));
    ASSERT_TRUE(wait_for([&] { return not_found() == 2; }));
    EXPECT_EQ(dlg_->tab()->item_count(), ie_slot_count);
    EXPECT_TRUE(page_on(1, a("top.html")));
    EXPECT_EQ(dlg_->page(1)->m_title, "top.html");
    EXPECT_EQ(a_->requests("/other.html"), 0);
    EXPECT_EQ(dlg_->page_slots().find("n2"), -1);
}

// Not compared: the window pushing, with framed pages on three tabs, in every scheme and both languages.
TEST_F(CoBrowserWindowTest, Screenshots)
{
    go(a("top.html"));
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("top.html")); }));
    go(a("q.html?a=b:c"));
    ASSERT_TRUE(wait_for([this] { return page_on(2, a("q.html?a=b:c")); }));
    QTest::mouseClick(dlg_->tab(), Qt::LeftButton, {}, dlg_->tab()->item_rect(1).center());
    QTest::mouseClick(dlg_->findChild<QPushButton*>("ctl_1176"), Qt::LeftButton);
    dlg_->setWindowState(Qt::WindowNoState);
    dlg_->setGeometry(0, 0, 760, 480);
    const QString dir = screenshot_dir();
    EXPECT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QImage image = dlg_->grab().toImage();
        EXPECT_TRUE(image.save(QString("%1/co_browser_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
    }));
}

// Two attendees' real windows: this one pushes, a second program follows.
// What the second loads shows in the web servers' logs beside this one's.
TEST_F(CoBrowserWindowTest, ASecondAttendeesWindowFollowsPagesAndFramesWithoutReloading)
{
    std::string other = home_.root() + "/second";
    std::string ready = other + "/ready";
    ChildProcess second({ "env", "XDG_DATA_HOME=" + other + "/data", "XDG_CONFIG_HOME=" + other + "/config",
                          "XDG_RUNTIME_DIR=" + other + "/run", TAMBLO_CO_BROWSE_FOLLOWER, std::to_string(server_.port()),
                          "second", "browse", ready });
    ASSERT_TRUE(wait_for([&ready] { return std::filesystem::exists(ready); }));

    QTest::mouseClick(dlg_->findChild<QPushButton*>("ctl_1176"), Qt::LeftButton);
    go(a("top.html"));
    ASSERT_TRUE(wait_for([this] { return page_on(1, a("top.html")); }));
    ASSERT_TRUE(wait_for([this] { return a_->requests("/top.html") == 2 && b_->requests("/c1.html") == 2; }));
    run_in_page(1, "frames['nav'].document.getElementById('to-content').click()");
    ASSERT_TRUE(wait_for([this] { return b_->requests("/c2.html") == 2; }));
    // Tab changes send equal addresses: the second shows the tab and loads nothing again.
    QTest::mouseClick(dlg_->tab(), Qt::LeftButton, {}, dlg_->tab()->item_rect(0).center());
    QTest::mouseClick(dlg_->tab(), Qt::LeftButton, {}, dlg_->tab()->item_rect(1).center());
    go(a("other.html"));
    ASSERT_TRUE(wait_for([this] { return a_->requests("/other.html") == 2; }));
    EXPECT_EQ(a_->requests("/top.html"), 2);
    EXPECT_EQ(b_->requests("/c1.html"), 2);
    EXPECT_EQ(b_->requests("/c2.html"), 2);
    EXPECT_EQ(a_->requests("/nav.html"), 2);
}
