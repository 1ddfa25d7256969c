// Co-browsing without windows: the page slots, what a navigation sends, the
// bodies and the frame script's arguments, the address filter, and both
// ways of sharing through the real server with the program's own
// connection on one side and a headless peer on the other.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/wire_builders.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "sharing/co_browse.h"
#include "sharing/sharing_messages.h"
#include "tests/support/headless_peer.h"
#include "tests/support/queued_window_messages.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

bool wait_until(const std::function<bool()>& done, int wait_ms = 5000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

TEST(CoBrowseRules, AddressFilter)
{
    struct Case {
        const char* url;
        bool window, system;
    } cases[] = {
        { "http://127.0.0.1:8000/a?b=c:d", true, true },
        { "HTTPS://example.test/", true, true },
        { "about:blank", true, false },
        { "file:///etc/passwd", false, false },
        { "javascript:alert(1)", false, false },
        { "data:text/html,<b>x</b>", false, false },
        { "vnc://127.0.0.1", false, false },
        { "http://", false, false },
        { "http://a b", false, false },
        { "--help", false, false },
        { "", false, false },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(browser_url_allowed(c.url, false), c.window) << c.url;
        EXPECT_EQ(browser_url_allowed(c.url, true), c.system) << c.url;
    }
}

TEST(CoBrowseRules, SlotsOpenInTheFirstFreeRefuseTheSeventeenthAndCloseShifting)
{
    IeSlots slots;
    EXPECT_EQ(slots.find(""), 0);  // page 0, unnamed, matches page 0 everywhere
    for (int i = 1; i < ie_slot_count; ++i)
        EXPECT_EQ(slots.open("p" + std::to_string(i)), i);
    EXPECT_EQ(slots.open("seventeenth"), -1);
    EXPECT_EQ(slots.find("seventeenth"), -1);

    bool last = true;
    EXPECT_EQ(slots.close(3, &last), 2);
    EXPECT_FALSE(last);
    EXPECT_EQ(slots[3].window_name, "p4");
    EXPECT_EQ(slots.find("p15"), 14);
    EXPECT_FALSE(slots[15].used);
    EXPECT_EQ(slots.close(0, &last), 0);  // the first closed selects the new first
    EXPECT_EQ(slots[0].window_name, "p1");
    bool was_created = true;
    EXPECT_EQ(slots.open("again", &was_created), 14);
    EXPECT_FALSE(was_created);  // a slot emptied by a shift has no page yet

    IeSlots one;
    EXPECT_EQ(one.close(0, &last), 0);
    EXPECT_TRUE(last);
    EXPECT_EQ(one[0].tab_name, "blank");
    EXPECT_EQ(one.used_count(), 0);
    EXPECT_EQ(one.open(std::string(300, 'x')), 0);
    EXPECT_EQ(one[0].window_name.size(), ie_page_name_limit);
}

TEST(CoBrowseRules, BodiesKeepEveryColonOfTheAddress)
{
    EXPECT_EQ(ie_open_url_body("n1", "http://h:81/a?x=1:2"), "n1:http://h:81/a?x=1:2");
    EXPECT_EQ(ie_open_frame_url_body("", "content", "http://h:81/c"), ":   7:content:http://h:81/c");
    record_system_time utc;
    utc.day = 3, utc.hour = 14, utc.minute = 5, utc.second = 9, utc.millisecond = 120;
    EXPECT_EQ(ie_page_name(utc), "n31459120");
}

TEST(CoBrowseRules, FrameScriptTakesNameAndAddressAsStringsOnly)
{
    struct Case {
        const char* text;
        const char* json;
    } cases[] = {
        { "content", "\"content\"" },
        { "a\"b", "\"a\\\"b\"" },
        { "back\\slash", "\"back\\\\slash\"" },
        { "x\");alert(1);//", "\"x\\\");alert(1);//\"" },
        { "</script>\n", "\"\\u003c/script\\u003e\\u000a\"" },
        { "\xe2\x80\xa8", "\"\\u2028\"" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(json_string(c.text), c.json) << c.text;
    std::string script = ie_frame_navigation_script("a\"b", "http://h/\"");
    EXPECT_NE(script.find("})(\"a\\\"b\", \"http://h/\\\"\")"), std::string::npos) << script;
}

// The program's side in a room of the real server, and a headless peer beside it.
class CoBrowseThroughServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        install_sharing_handlers();
        set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
        set_main_handler(MSG_LOGIN_OK, do_login_ok_from_server);
        set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
        ASSERT_EQ(peer_.connect("127.0.0.1", server_.port(), true), 0);
        ASSERT_GE(peer_.join_room("browse"), 0);
        g_server_host.set("127.0.0.1");
        g_server_port = server_.port();
        g_login_name.set("sharer");
        g_access_code.set("any");
        g_room_name.set("browse");
        g_room_password.set("");
        g_room_number = -1;
        g_auto_login = 1;
        reader_ = std::thread([] { g_recv_thread(); });
        ASSERT_TRUE(wait_until([] { return g_room_number.load() >= 0; }));
        peer_.clear();
        opened_.clear();
        set_system_browser_opener([this](const std::string& url) {
            opened_.push_back(url);
            return 0;
        });
    }
    void TearDown() override
    {
        set_system_browser_opener(nullptr);
        co_browser_window() = CoBrowserWindow {};
        share_ie().share_ie_close();
        ie_push_rules().clear();
        g_ie_push_mode = 0;
        g_main_sock.close_socket();
        if (reader_.joinable())
            reader_.join();
        reset_receive_handlers();
    }
    // A marker through the same room: once it arrives, everything sent before it has.
    void sync()
    {
        size_t before = peer_.count(MSG_AUTO_IE_OPEN_FRAME_URL);
        send_wire_message(g_main_sock, 999, MSG_AUTO_IE_OPEN_FRAME_URL, "marker");
        ASSERT_TRUE(peer_.await_count(MSG_AUTO_IE_OPEN_FRAME_URL, before + 1));
    }
    std::vector<std::string> bodies(int number)
    {
        std::vector<std::string> out;
        for (const ArrivedMessage& m : peer_.arrived())
            if (m.head.number == number)
                out.push_back(m.body);
        return out;
    }

    TempHome home_;
    ServerProcess server_;
    HeadlessPeer peer_ { "follower" };
    std::thread reader_;
    std::vector<std::string> opened_;
    ScriptedMessageBoxes boxes_;
};

TEST_F(CoBrowseThroughServer, NavigationsSendWhatTheFollowerNeedsOnlyWithPushOn)
{
    IePushRules& rules = ie_push_rules();
    g_ie_push_mode = 0;
    EXPECT_EQ(rules.before_navigate("", "", "http://127.0.0.1:9/off", "about:blank"), 0);
    g_ie_push_mode = 1;
    EXPECT_EQ(rules.before_navigate("n1", "", "http://127.0.0.1:9/a?q=x:y", "about:blank"), 1);
    EXPECT_EQ(rules.before_navigate("n1", "_No__Name3", "http://127.0.0.1:9/b", "x"), 1);
    EXPECT_EQ(rules.before_navigate("n1", "content", "http://localhost:9/c", "http://127.0.0.1:9/top"), 2);
    EXPECT_EQ(rules.before_navigate("n1", std::string(101, 'f'), "http://localhost:9/long", "http://127.0.0.1:9/top"), 1);
    // A navigation made for a received address is not sent back.
    rules.expect("n1", "content", "http://localhost:9/echo");
    EXPECT_EQ(rules.before_navigate("n1", "content", "http://localhost:9/echo", "http://127.0.0.1:9/top"), 0);
    EXPECT_EQ(rules.before_navigate("n1", "content", "http://localhost:9/echo", "http://127.0.0.1:9/top"), 2);
    sync();

    EXPECT_EQ(bodies(MSG_IE_OPEN_URL),
              (std::vector<std::string> { "n1:http://127.0.0.1:9/a?q=x:y", "n1:http://127.0.0.1:9/b", "n1:http://127.0.0.1:9/top",
                                          "n1:http://127.0.0.1:9/top", "n1:http://127.0.0.1:9/top" }));
    EXPECT_EQ(bodies(MSG_IE_OPEN_FRAME_URL),
              (std::vector<std::string> { "n1:   7:content:http://localhost:9/c", "n1:   7:content:http://localhost:9/echo" }));
    auto first = peer_.await_number(MSG_IE_OPEN_URL);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->head.address, g_my_customer_id.load());
}

TEST_F(CoBrowseThroughServer, SystemBrowserSendsOnceAndEveryFifthTickUntilClosed)
{
    g_logged_in = 1;
    EXPECT_EQ(share_ie().do_share("file:///etc/passwd"), -1);
    EXPECT_EQ(share_ie().do_share("http://127.0.0.1:9/page?a=1:2"), 0);
    for (int tick = 0; tick < 10; ++tick)
        share_ie().do_timer_ie();
    share_ie().share_ie_close();
    for (int tick = 0; tick < 10; ++tick)
        share_ie().do_timer_ie();
    sync();
    EXPECT_EQ(bodies(MSG_AUTO_IE_OPEN_URL), std::vector<std::string>(3, "http://127.0.0.1:9/page?a=1:2"));
    EXPECT_EQ(opened_, std::vector<std::string> { "http://127.0.0.1:9/page?a=1:2" });
    auto shown = boxes_.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "There is no page to open: open it in \"Tamblo Browser\" first.");
}

TEST_F(CoBrowseThroughServer, ShareBrowserChoiceOpensTheChosenBrowserAndEndsTheLastShare)
{
    g_logged_in = 1;
    int pushing_shown = 0;
    const std::string page = "http://127.0.0.1:9/current?x=1:2";
    co_browser_window().show_pushing = [&pushing_shown] { ++pushing_shown; };
    co_browser_window().current_url = [&page] { return page; };
    // Each choice is followed by five ticks; sent counts every 570 so far.
    struct Case {
        int choice;
        int push_mode, pushing_shown;
        bool sharing;
        size_t opened, sent;
    } cases[] = {
        { 0, 0, 0, false, 0, 0 },  // Cancel
        { 2, 0, 0, true, 1, 2 },   // opened and sent, then the fifth tick's re-send
        { 0, 0, 0, true, 1, 3 },   // Cancel leaves the running share alone
        { 1, 1, 1, false, 1, 3 },  // the browser window takes over: no more re-sends
        { 2, 1, 1, true, 2, 5 },
        { 7, 1, 1, true, 2, 6 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(share_browser_choice(c.choice), 0) << c.choice;
        EXPECT_EQ(g_ie_push_mode.load(), c.push_mode) << c.choice;
        EXPECT_EQ(pushing_shown, c.pushing_shown) << c.choice;
        EXPECT_EQ(share_ie().sharing(), c.sharing) << c.choice;
        EXPECT_EQ(opened_.size(), c.opened) << c.choice;
        for (int tick = 0; tick < ie_resend_ticks; ++tick)
            share_ie().do_timer_ie();
        sync();
        EXPECT_EQ(bodies(MSG_AUTO_IE_OPEN_URL).size(), c.sent) << c.choice;
    }
    EXPECT_EQ(bodies(MSG_AUTO_IE_OPEN_URL), std::vector<std::string>(6, page));

    // Before the browser window exists: push mode only, and no page for the system browser.
    co_browser_window() = CoBrowserWindow {};
    g_ie_push_mode = 0;
    EXPECT_EQ(share_browser_choice(1), 0);
    EXPECT_EQ(g_ie_push_mode.load(), 1);
    EXPECT_EQ(share_browser_choice(2), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "There is no page to open: open it in \"Tamblo Browser\" first." });
    EXPECT_FALSE(share_ie().sharing());
}

TEST_F(CoBrowseThroughServer, LeavingTheRoomEndsTheShareAndForgetsTheLastPage)
{
    g_logged_in = 1;
    const int room = g_room_number;
    ASSERT_EQ(share_ie().do_share("http://127.0.0.1:9/shared"), 0);
    g_room_number = -1;
    for (int tick = 0; tick < 2 * ie_resend_ticks; ++tick)
        share_ie().do_timer_ie();
    EXPECT_FALSE(share_ie().sharing());
    g_room_number = room;
    sync();
    EXPECT_EQ(bodies(MSG_AUTO_IE_OPEN_URL).size(), 1u);

    // A follower back in a room opens the page again, though it saw it before.
    auto receive = [this](const std::string& url) {
        peer_.send(PeerChannel::main, MSG_AUTO_IE_OPEN_URL, 999, url);
        ASSERT_TRUE(wait_until([&url] { return g_auto_ie_url.get() == url; }));
        share_ie().open_url();
    };
    receive("http://127.0.0.1:9/followed");
    share_ie().do_timer_ie();
    EXPECT_EQ(share_ie().last_url(), "http://127.0.0.1:9/followed");
    g_room_number = -1;
    share_ie().do_timer_ie();
    g_room_number = room;
    EXPECT_EQ(share_ie().last_url(), "");
    g_auto_ie_url.set("");
    receive("http://127.0.0.1:9/followed");
    EXPECT_EQ(opened_, (std::vector<std::string> { "http://127.0.0.1:9/shared", "http://127.0.0.1:9/followed",
                                                   "http://127.0.0.1:9/followed" }));
}

TEST_F(CoBrowseThroughServer, ReceivedAddressesOpenOnceAndOnlyWebPages)
{
    auto receive = [this](const std::string& url) {
        peer_.send(PeerChannel::main, MSG_AUTO_IE_OPEN_URL, 999, url);
        ASSERT_TRUE(wait_until([&url] { return g_auto_ie_url.get() == url; }));
        share_ie().open_url();
    };
    receive("http://127.0.0.1:9/one");
    receive("http://127.0.0.1:9/one");  // the sharer's re-send
    receive("file:///etc/passwd");
    receive("javascript:alert(1)");
    receive("http://127.0.0.1:9/two");
    EXPECT_EQ(opened_, (std::vector<std::string> { "http://127.0.0.1:9/one", "http://127.0.0.1:9/two" }));
}

// A recording played back outside any room hands its 570s to the same receiver.
TEST(CoBrowsePlayback, RecordedResendsOutsideARoomOpenThePageOnce)
{
    TempHome home;
    std::vector<std::string> opened;
    set_system_browser_opener([&opened](const std::string& url) {
        opened.push_back(url);
        return 0;
    });
    g_room_number = -1;
    const std::string url = "http://127.0.0.1:9/recorded";
    for (int resend = 0; resend < 3; ++resend) {
        do_auto_ie_open_url_from_server(url.data(), static_cast<int>(url.size()), 0);
        share_ie().open_url();
        for (int tick = 0; tick < ie_resend_ticks; ++tick)
            share_ie().do_timer_ie();
    }
    EXPECT_EQ(opened, std::vector<std::string> { url });
    set_system_browser_opener(nullptr);
    share_ie().share_ie_close();
}

TEST(CoBrowseServer, SendersOutsideARoomAreDropped)
{
    ServerProcess server;
    HeadlessPeer inside("inside");
    HeadlessPeer outside("outside");
    ASSERT_EQ(inside.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(inside.join_room("browse"), 0);
    ASSERT_EQ(outside.connect("127.0.0.1", server.port(), true), 0);
    outside.send(PeerChannel::main, MSG_IE_OPEN_URL, 999, "p:http://127.0.0.1/x");
    EXPECT_TRUE(wait_until([&server] { return server.log_text().find("message 730 dropped: the sender is in no room") != std::string::npos; }));
    EXPECT_EQ(inside.count(MSG_IE_OPEN_URL), 0u);
}

// The real xdg-open, with BROWSER a script that writes down what it was given.
TEST(CoBrowseSystemBrowser, XdgOpenPassesTheAddressToTheBrowserExactlyOnce)
{
    TempHome home;
    std::string log = home.root() + "/opened.txt";
    std::string script = home.root() + "/browser.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log << "'\n";
    ASSERT_EQ(std::system(("chmod +x '" + script + "'").c_str()), 0);
    setenv("BROWSER", script.c_str(), 1);
    unsetenv("DISPLAY");
    ScriptedMessageBoxes boxes;
    set_system_browser_opener(nullptr);
    EXPECT_EQ(open_in_system_browser("http://127.0.0.1:9/a?b=c:d&e=%20"), 0);
    EXPECT_EQ(open_in_system_browser("file:///etc/passwd"), -1);
    EXPECT_TRUE(wait_until([&log] { return !read_file(log).empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(read_file(log), "http://127.0.0.1:9/a?b=c:d&e=%20\n");
    EXPECT_TRUE(boxes.shown().empty());
    unsetenv("BROWSER");
}

// What the browser window would refuse never reaches it: it would come
// forward maximised for nothing.
TEST(CoBrowseReceivers, RefusedAddressesAndFrameNamesNeverReachTheWindow)
{
    struct Frame : WindowTarget {
        std::vector<uint32_t> got;
        intptr_t handle_window_message(uint32_t msg, uintptr_t, intptr_t) override
        {
            got.push_back(msg);
            return 0;
        }
    } frame;
    QueuedWindowMessages messages;
    WindowSlotBinding binding { WindowSlot::main_frame, &frame };
    struct Case {
        bool in_frame;
        std::string body;
        bool reaches;
    };
    const Case cases[] = {
        { false, "n1:http://127.0.0.1/a", true },
        { false, "n1:about:blank", true },
        { false, "n1:file:///etc/passwd", false },
        { false, "n1:javascript:alert(1)", false },
        { true, "n1:   7:content:http://127.0.0.1/b", true },
        { true, "n1:   7:content:data:text/html,x", false },
        { true, "n1:   3:top:http://127.0.0.1/b", false },
        { true, "n1:   6:parent:http://127.0.0.1/b", false },
        { true, "n1:   6:_blank:http://127.0.0.1/b", false },
    };
    for (const Case& c : cases) {
        frame.got.clear();
        if (c.in_frame)
            share_my_ie_open_frame_url_from_server(c.body.data(), static_cast<int>(c.body.size()), 5);
        else
            share_my_ie_open_url_from_server(c.body.data(), static_cast<int>(c.body.size()), 5);
        EXPECT_EQ(frame.got.size(), c.reaches ? 1u : 0u) << c.body;
    }
}

// Each sent and received browser message is one type-21 record.
TEST(CoBrowseRecording, IdActionRecordsKindLengthAndText)
{
    TempHome home;
    std::string path = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    g_record_on = 1;
    g_record_paused = 0;
    EXPECT_EQ(record_id_action(record_id_own_browser_url, "n1:http://h/", 12), 0);
    EXPECT_EQ(record_id_action(record_id_own_browser_url, "x", 4096), -1);
    share_my_ie_open_url_from_server("p:http://h/a", 12, 5);
    recorder().stop();
    g_record_on = 0;
    std::string file = read_file(path);
    size_t first = record_file_head_len + record_separator_len;
    ASSERT_GE(file.size(), first + record_head_len + 24 + 12);
    uint32_t type = 0;
    std::memcpy(&type, file.data() + first, 4);
    EXPECT_EQ(type, record_type_id_action);
    int32_t sub[6] {};
    std::memcpy(sub, file.data() + first + record_head_len, sizeof sub);
    EXPECT_EQ(sub[0], record_id_own_browser_url);
    EXPECT_EQ(sub[5], 12);
    EXPECT_EQ(file.substr(first + record_head_len + 24, 12), "n1:http://h/");
    EXPECT_NE(file.find("p:http://h/a"), std::string::npos);
}
