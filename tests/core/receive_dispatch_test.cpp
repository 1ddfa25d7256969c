// The dispatch tables, the main connection's own cases and the sharing
// pass-through handlers, with recording windows; builders over loopback.

#include "core/connections.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "sharing/file_share.h"
#include "sharing/sharing_messages.h"
#include "core/window_messages.h"
#include "core/wire_head.h"
#include "tests/core/loopback.h"
#include "tests/support/queued_window_messages.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct Received {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    std::string body;  // for the messages that carry one
};

class RecordingWindow : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        std::string body;
        if (msg == WM_MY_MSG_202 || msg == WM_MY_MSG_SHARE_APP_REFUSED)
            body.assign(reinterpret_cast<const char*>(wparam), static_cast<size_t>(lparam));
        received.push_back({ msg, wparam, lparam, body });
        return 0;
    }
    std::vector<Received> received;
};

// Every window slot with a recorder in it.
class AllWindows {
public:
    AllWindows()
    {
        for (int i = 0; i < static_cast<int>(WindowSlot::count); ++i)
            register_window(static_cast<WindowSlot>(i), &windows_[i]);
    }
    ~AllWindows()
    {
        for (int i = 0; i < static_cast<int>(WindowSlot::count); ++i)
            unregister_window(static_cast<WindowSlot>(i), &windows_[i]);
    }
    std::vector<Received>& of(WindowSlot slot) { return windows_[static_cast<int>(slot)].received; }
    size_t total() const
    {
        size_t n = 0;
        for (const auto& w : windows_)
            n += w.received.size();
        return n;
    }

private:
    std::array<RecordingWindow, static_cast<size_t>(WindowSlot::count)> windows_;
};

// Messages are dispatched from a receive buffer that the next message
// overwrites before the windows get what was posted, as in the program.
class ReceiveDispatch : public ::testing::Test {
protected:
    void SetUp() override { reset_receive_handlers(); }
    void TearDown() override { reset_receive_handlers(); }

    bool dispatch_on(ReceiveConnection connection, int number, const std::string& body = {}, int field2 = 0)
    {
        return run_from_receive_buffer(
            queue, [&](const char* b, int len, int f2) { return dispatch_received_message(connection, number, b, len, f2); },
            body, field2);
    }
    bool dispatch_main(int number, const std::string& body = {}, int field2 = 0)
    {
        return dispatch_on(ReceiveConnection::main, number, body, field2);
    }
    QueuedWindowMessages queue;
};

TEST_F(ReceiveDispatch, MainCasesAreTheRangesAndTheDirectNumbers)
{
    const std::pair<int, bool> cases[] = {
        { 0, false }, { 1, true }, { 80, true }, { 81, false }, { 85, false }, { 86, true }, { 87, false },
        { 101, false }, { 102, true }, { 174, true }, { 175, false }, { 202, true }, { 203, true }, { 310, true },
        { 344, false }, { 361, true }, { 362, true }, { 523, true }, { 524, true }, { 525, false }, { 540, true },
        { 545, true }, { 570, true }, { 571, true }, { 641, true }, { 642, true }, { 643, true }, { 731, true },
        { 750, true }, { 751, false }, { 779, false }, { 780, true }, { 999, true }, { 1000, false },
    };
    for (auto [number, has] : cases)
        EXPECT_EQ(main_dispatch_has_case(number), has) << number;
}

TEST_F(ReceiveDispatch, HandlersPlugInPerConnection)
{
    std::vector<std::string> seen;
    auto record = [&seen](const char* body, int len, int field2) { seen.push_back(std::string(body, static_cast<size_t>(len)) + "/" + std::to_string(field2)); };
    EXPECT_EQ(set_main_handler(MSG_CHAT_TEXT, record), 0);
    EXPECT_EQ(set_voice_handler(MSG_TALK_DCT_Z, record), 0);
    EXPECT_EQ(set_main_handler(MSG_PRIVATE_VOICE_85, record), -1) << "the main dispatch has no case for 85";
    EXPECT_EQ(set_main_handler(MSG_KEEP_ALIVE, record), -1);
    EXPECT_EQ(set_app_handler(10000, record), -1);
    EXPECT_EQ(set_file_handler(-1, record), -1);

    EXPECT_TRUE(dispatch_main(MSG_CHAT_TEXT, "hi", 1001));
    EXPECT_FALSE(dispatch_received_message(ReceiveConnection::app, MSG_CHAT_TEXT, "x", 1, 0)) << "tables are per connection";
    EXPECT_TRUE(dispatch_received_message(ReceiveConnection::voice, MSG_TALK_DCT_Z, "abc", 3, 1002));
    EXPECT_FALSE(dispatch_main(130, "in a range, no case"));
    EXPECT_EQ(seen, (std::vector<std::string> { "hi/1001", "abc/1002" }));

    EXPECT_EQ(set_main_handler(MSG_CHAT_TEXT, nullptr), 0);
    EXPECT_FALSE(dispatch_main(MSG_CHAT_TEXT, "gone"));
}

// The program never joins its receive threads: one whose connection ends
// while the process ends still reads its table.
TEST_F(ReceiveDispatch, TablesOutliveTheProcessEnd)
{
    for (int round = 0; round < 20; ++round) {
        pid_t pid = ::fork();
        if (pid == 0) {
            std::atomic<bool> running { false };
            std::thread([&running] {
                for (;;) {
                    dispatch_connection_ended(ReceiveConnection::main);
                    dispatch_received_message(ReceiveConnection::app, MSG_CHAT_TEXT, "x", 1, 0);
                    running = true;
                }
            }).detach();
            while (!running)
                std::this_thread::yield();
            std::exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round << ", status " << status;
    }
}

TEST_F(ReceiveDispatch, BuiltInCasesPostAndSetFlags)
{
    AllWindows windows;
    g_chairman_control_mode = 0;
    ASSERT_TRUE(dispatch_main(MSG_MODE_CHAIRMAN));
    EXPECT_EQ(g_chairman_control_mode, 1);
    ASSERT_EQ(windows.of(WindowSlot::main_frame).size(), 2u);
    EXPECT_EQ(windows.of(WindowSlot::main_frame)[0].msg, WM_MY_MSG_SHOW_TALK_BAR);
    EXPECT_EQ(windows.of(WindowSlot::main_frame)[1].msg, WM_MY_MSG_CHAIRMAN_CONTROL_MODE);
    ASSERT_TRUE(dispatch_main(MSG_MODE_FREE));
    EXPECT_EQ(g_chairman_control_mode, 0);
    EXPECT_EQ(windows.of(WindowSlot::main_frame).back().msg, WM_MY_MSG_FREE_LANCE_MODE);

    g_talk_allowed = 1;
    dispatch_main(MSG_DISALLOW_TALK);
    EXPECT_EQ(g_talk_allowed, 0);
    dispatch_main(MSG_ALLOW_TALK);
    EXPECT_EQ(g_talk_allowed, 1);

    dispatch_main(MSG_PRIVATE_VOICE_REQUEST, {}, 1003);
    ASSERT_EQ(windows.of(WindowSlot::members_page).size(), 1u);
    EXPECT_EQ(windows.of(WindowSlot::members_page)[0].msg, WM_MY_MSG_PRIVATE_VOICE_REQUEST);
    EXPECT_EQ(windows.of(WindowSlot::members_page)[0].wparam, 1003u);
    dispatch_main(MSG_SET_CHAIRMAN_PASSWORD_OK);
    dispatch_main(MSG_SET_CHAIRMAN_PASSWORD_FAILED);
    EXPECT_EQ(windows.of(WindowSlot::members_page)[1].msg, WM_MY_MSG_SET_CHAIRMAN_PASSWORD_OK);
    EXPECT_EQ(windows.of(WindowSlot::members_page)[2].msg, WM_MY_MSG_SET_CHAIRMAN_PASSWORD_FAILED);

    std::string apps("editor\0calc", 11);
    dispatch_main(MSG_202, apps);
    ASSERT_EQ(windows.of(WindowSlot::choose_app).size(), 1u);
    EXPECT_EQ(windows.of(WindowSlot::choose_app)[0].body, apps);
    EXPECT_EQ(windows.of(WindowSlot::choose_app)[0].lparam, 11);

    dispatch_main(MSG_WORD_SHARED, std::string(200, 'w'));
    EXPECT_EQ(g_word_sharer.get(), std::string(127, 'w'));
    EXPECT_EQ(windows.of(WindowSlot::files_page).back().msg, WM_MY_MSG_WORD_SHARED);

    dispatch_main(MSG_PRESENTER_SET);
    EXPECT_EQ(g_is_presenter, 1);
    dispatch_main(MSG_PRESENTER_CLEAR);
    EXPECT_EQ(g_is_presenter, 0);
}

TEST_F(ReceiveDispatch, ResetKeepsOnlyTheBuiltInCases)
{
    set_main_handler(MSG_MODE_CHAIRMAN, [](const char*, int, int) {});
    set_file_handler(MSG_NET_SPEED_RESULT, [](const char*, int, int) {});
    reset_receive_handlers();
    EXPECT_FALSE(has_receive_handler(ReceiveConnection::file, MSG_NET_SPEED_RESULT));
    g_chairman_control_mode = 0;
    dispatch_main(MSG_MODE_CHAIRMAN);
    EXPECT_EQ(g_chairman_control_mode, 1);
    for (int query : { MSG_QUERY_621, MSG_QUERY_627, MSG_QUERY_635, MSG_QUERY_645 })
        EXPECT_TRUE(has_receive_handler(ReceiveConnection::main, query)) << query;
}

struct PassCase {
    int number;
    std::string body;
    WindowSlot slot;
    uint32_t msg;
    intptr_t wparam;
    intptr_t lparam;
};

TEST_F(ReceiveDispatch, SharingHandlersPassDataToTheirWindows)
{
    install_sharing_handlers();
    const PassCase cases[] = {
        { MSG_REMOTE_APP_MOUSE_MOVE, "  10:  20", WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_MOUSE_MOVE, 10, 20 },
        { MSG_REMOTE_APP_LBUTTON_DOWN, "   1:  -2", WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_LBUTTON_DOWN, 1, -2 },
        { MSG_REMOTE_APP_LBUTTON_UP, "   3:   4", WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_LBUTTON_UP, 3, 4 },
        { MSG_REMOTE_APP_LBUTTON_DBLCLK, "   5:   6", WindowSlot::share_view, WM_MY_MSG_REMOTE_APP_LBUTTON_DBLCLK, 5, 6 },
        { MSG_REMOTE_DESK_MOUSE_MOVE, "  70:  80", WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_MOUSE_MOVE, 70, 80 },
        { MSG_REMOTE_DESK_LBUTTON_DOWN, "   7:   8", WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_LBUTTON_DOWN, 7, 8 },
        { MSG_REMOTE_DESK_LBUTTON_UP, "   9:  10", WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_LBUTTON_UP, 9, 10 },
        { MSG_REMOTE_DESK_LBUTTON_DBLCLK, "  11:  12", WindowSlot::share_view, WM_MY_MSG_REMOTE_DESK_LBUTTON_DBLCLK, 11, 12 },
        { MSG_REMOTE_DESK_KEY, "        65:    196609", WindowSlot::share_view, WM_MY_MSG_POST_KEY_DOWN_8038, 65, 196609 },
        { MSG_APP_CONTROL_REFUSED, "", WindowSlot::share_view, WM_MY_MSG_REMOTE_CONTROL_DENIED, 0, 0 },
        { MSG_DESK_CONTROL_REFUSED, "", WindowSlot::share_desktop_view, WM_MY_MSG_REMOTE_CONTROL_DENIED_8034, 0, 0 },
        { MSG_SHARE_DESK_ENDED, "", WindowSlot::main_frame, WM_MY_MSG_SHARE_DESK_ENDED, 0, 0 },
        { MSG_SHARE_DESK_ALLOWED, "", WindowSlot::main_frame, WM_MY_MSG_SHARE_DESKTOP_APPROVED, 0, 0 },
        { MSG_SHARE_DESK_REFUSED, "", WindowSlot::main_frame, WM_MY_MSG_SHARE_DESKTOP_DENIED, 0, 0 },
        { MSG_APP_OVERLAY_REPAINT, "", WindowSlot::share_view, WM_MY_MSG_SHARE_APP_226, 0, 0 },
        { MSG_DESK_OVERLAY_REPAINT, "", WindowSlot::share_view, WM_MY_MSG_SHARE_DESK_266, 0, 0 },
    };
    for (const PassCase& c : cases) {
        AllWindows windows;
        ASSERT_TRUE(dispatch_main(c.number, c.body, 1001)) << c.number;
        ASSERT_EQ(windows.total(), 1u) << c.number;
        ASSERT_EQ(windows.of(c.slot).size(), 1u) << c.number;
        const Received& r = windows.of(c.slot)[0];
        EXPECT_EQ(r.msg, c.msg) << c.number;
        EXPECT_EQ(static_cast<intptr_t>(r.wparam), c.wparam) << c.number;
        EXPECT_EQ(r.lparam, c.lparam) << c.number;
    }
}

TEST_F(ReceiveDispatch, SharingHandlersKeepFlagsAndTexts)
{
    install_sharing_handlers();
    install_file_share_handlers();
    AllWindows windows;

    dispatch_main(MSG_REMOTE_APP_KEY, "        13:         1");
    ASSERT_EQ(windows.of(WindowSlot::share_app_view).size(), 1u);
    ASSERT_EQ(windows.of(WindowSlot::share_view).size(), 1u);
    EXPECT_EQ(windows.of(WindowSlot::share_app_view)[0].msg, WM_MY_MSG_POST_KEY_DOWN);
    EXPECT_EQ(windows.of(WindowSlot::share_app_view)[0].wparam, 13u);
    EXPECT_EQ(windows.of(WindowSlot::share_view)[0].lparam, 1);

    g_remote_controlling = 0;
    dispatch_main(MSG_APP_CONTROL_ALLOWED);
    EXPECT_EQ(g_remote_controlling, 1);
    EXPECT_EQ(windows.of(WindowSlot::share_view).back().msg, WM_MY_MSG_REMOTE_CONTROL_ALLOWED);
    dispatch_main(MSG_SHARE_APP_ENDED);
    EXPECT_EQ(g_remote_controlling, 0);
    EXPECT_EQ(windows.of(WindowSlot::main_frame).back().msg, WM_MY_MSG_SHARE_APP_ENDED);
    dispatch_main(MSG_DESK_CONTROL_ALLOWED);
    EXPECT_EQ(g_remote_controlling, 1);
    EXPECT_EQ(windows.of(WindowSlot::share_desktop_view).back().msg, WM_MY_MSG_REMOTE_CONTROL_ALLOWED_8033);
    dispatch_main(MSG_SHARE_DESK_ENDED);
    EXPECT_EQ(g_remote_controlling, 1) << "only 210 clears the flag";

    dispatch_main(MSG_SHARE_APP_REFUSED, "already shared");
    EXPECT_EQ(windows.of(WindowSlot::choose_app).back().body, "already shared");

    dispatch_main(MSG_PPT_SHARED, std::string(300, 'p'));
    EXPECT_EQ(g_ppt_sharer.get(), std::string(127, 'p'));
    EXPECT_EQ(windows.of(WindowSlot::files_page).back().msg, WM_MY_MSG_PPT_SHARED);
    dispatch_main(MSG_EXCEL_SHARED, "eve");
    EXPECT_EQ(g_excel_sharer.get(), "eve");
    EXPECT_EQ(windows.of(WindowSlot::files_page).back().msg, WM_MY_MSG_EXCEL_SHARED);
    dispatch_main(MSG_CLIPBOARD_OFFER, "notes.nclp.z");
    EXPECT_EQ(g_clipboard_file_name.get(), "notes.nclp.z");
    EXPECT_EQ(windows.of(WindowSlot::files_page).back().msg, WM_MY_MSG_CLIPBOARD_OFFERED);

    for (int number : { MSG_NET_SPEED_673, MSG_NET_SPEED_674, MSG_NET_SPEED_RESULT })
        EXPECT_TRUE(dispatch_on(ReceiveConnection::file, number)) << number;
    ASSERT_EQ(windows.of(WindowSlot::net_speed).size(), 3u);
    EXPECT_EQ(windows.of(WindowSlot::net_speed)[2].msg, WM_MY_MSG_NET_SPEED_RESULT);
    EXPECT_FALSE(dispatch_main(MSG_NET_SPEED_RESULT)) << "speed-test results arrive on the file connection";
}

TEST_F(ReceiveDispatch, MalformedSharingBodiesPostNothing)
{
    install_sharing_handlers();
    AllWindows windows;
    LogCapture log;
    dispatch_main(MSG_REMOTE_APP_MOUSE_MOVE, "nonsense");
    dispatch_main(MSG_REMOTE_APP_KEY, "");
    dispatch_main(MSG_SHARE_CURSOR_POS, "  12");
    dispatch_main(MSG_IE_OPEN_URL, "no colon here");
    dispatch_main(MSG_IE_OPEN_FRAME_URL, "page:  99:short:x");
    EXPECT_EQ(windows.total(), 0u);
    EXPECT_TRUE(log.contains("format error in do_remote_app_mouse_move_from_server\n"));
    EXPECT_TRUE(log.contains("share_my_ie_open_url_from_server format error:\n"));
    EXPECT_TRUE(log.contains("content is:no colon here\n"));
}

TEST_F(ReceiveDispatch, CursorPositionPostsOnlyWhenItMoved)
{
    install_sharing_handlers();
    AllWindows windows;
    g_share_cursor_x = 20;
    g_share_cursor_y = 20;
    dispatch_main(MSG_SHARE_CURSOR_POS, " 100: 200");
    EXPECT_EQ(g_share_cursor_x, 100);
    EXPECT_EQ(g_share_cursor_y, 200);
    EXPECT_EQ(g_share_cursor_prev_x, 20);
    EXPECT_EQ(g_share_cursor_prev_y, 20);
    dispatch_main(MSG_SHARE_CURSOR_POS, " 100: 200");
    EXPECT_EQ(g_share_cursor_prev_x, 100);
    dispatch_main(MSG_SHARE_CURSOR_POS, " 101: 200");
    ASSERT_EQ(windows.of(WindowSlot::share_view).size(), 2u);
    EXPECT_EQ(windows.of(WindowSlot::share_view)[0].msg, WM_MY_MSG_SHARE_CURSOR_MOVED);
}

TEST_F(ReceiveDispatch, CoBrowsingSplitsSenderFrameAndUrl)
{
    install_sharing_handlers();
    AllWindows windows;
    dispatch_main(MSG_IE_OPEN_URL, "page1:http://127.0.0.1:8080/a?b=c");
    EXPECT_EQ(g_browser_sender.get(), "page1");
    EXPECT_EQ(g_browser_url.get(), "http://127.0.0.1:8080/a?b=c");
    ASSERT_EQ(windows.of(WindowSlot::main_frame).size(), 1u);
    EXPECT_EQ(windows.of(WindowSlot::main_frame)[0].msg, WM_MY_MSG_OPEN_SHARED_BROWSER);

    dispatch_main(MSG_IE_OPEN_FRAME_URL, "page2:   5:top:1:http://127.0.0.1/f");
    EXPECT_EQ(g_browser_sender.get(), "page2");
    EXPECT_EQ(g_browser_frame_name.get(), "top:1");
    EXPECT_EQ(g_browser_url.get(), "http://127.0.0.1/f");
    EXPECT_EQ(windows.of(WindowSlot::main_frame).back().msg, WM_MY_MSG_IE_OPEN_FRAME_URL);
}

// The builders and the one answer that a pass-through handler sends.
class SharingWire : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (Cwf_socket* socket : { &g_main_sock, &g_file_sock }) {
            socket->host.set("127.0.0.1");
            socket->port = listener_.port();
            ASSERT_EQ(socket->connect_server(), 0);
        }
        main_peer_ = listener_.accept_one();
        file_peer_ = listener_.accept_one();
        ASSERT_GE(main_peer_, 0);
        ASSERT_GE(file_peer_, 0);
        reset_receive_handlers();
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        g_file_sock.close_socket();
        ::close(main_peer_);
        ::close(file_peer_);
        reset_receive_handlers();
    }

    // One message from the peer side, body unscrambled.
    static std::pair<std::string, std::string> read_message(int fd)
    {
        std::string head = read_bytes(fd, wire_head_len);
        WireHead parsed;
        if (head.size() != wire_head_len || !parse_wire_head(head.data(), parsed))
            return {};
        std::string body = read_bytes(fd, static_cast<size_t>(parsed.length));
        scramble_message_body(body.data(), static_cast<int>(body.size()));
        return { head, body };
    }

    TempHome home_;
    LoopbackListener listener_;
    int main_peer_ = -1;
    int file_peer_ = -1;
};

TEST_F(SharingWire, BuildersWriteTheirHeadsAndBodies)
{
    struct BuilderCase {
        std::function<int()> build;
        std::string head;
        std::string body;
    };
    const BuilderCase cases[] = {
        { [] { return send_share_app_start(1001); }, "   0:1001: 200:   0:", "" },
        { [] { return send_share_app_stop(1001); }, "   0:1001: 201:   0:", "" },
        { [] { return send_share_app_allow_control(1002); }, "   0:1002: 204:   0:", "" },
        { [] { return send_share_app_deny_control(1002); }, "   0:1002: 205:   0:", "" },
        { [] { return send_request_app_control(1003); }, "   0:1003: 206:   0:", "" },
        { [] { return send_release_app_control(1003); }, "   0:1003: 207:   0:", "" },
        { [] { return send_share_desk_start(); }, "   0:   0: 240:   0:", "" },
        { [] { return send_share_desk_stop(); }, "   0:   0: 241:   0:", "" },
        { [] { return send_share_desk_allow_control(); }, "   0:   0: 244:   0:", "" },
        { [] { return send_share_desk_deny_control(); }, "   0:   0: 245:   0:", "" },
        { [] { return send_request_desk_control(); }, "   0:   0: 246:   0:", "" },
        { [] { return send_release_desk_control(); }, "   0:   0: 247:   0:", "" },
        { [] { return send_app_mouse_move(1001, 10, -5); }, "   0:1001:  62:   9:", "  10:  -5" },
        { [] { return send_app_mouse_down(1001, 1, 2); }, "   0:1001:  61:   9:", "   1:   2" },
        { [] { return send_app_mouse_up(1001, 1, 2); }, "   0:1001:  63:   9:", "   1:   2" },
        { [] { return send_app_mouse_dblclk(1001, 1, 2); }, "   0:1001:  64:   9:", "   1:   2" },
        { [] { return send_desk_mouse_move(1004, 640, 480); }, "   0:1004:  66:   9:", " 640: 480" },
        { [] { return send_desk_mouse_down(1004, 3, 4); }, "   0:1004:  65:   9:", "   3:   4" },
        { [] { return send_desk_mouse_up(1004, 3, 4); }, "   0:1004:  67:   9:", "   3:   4" },
        { [] { return send_desk_mouse_dblclk(1004, 3, 4); }, "   0:1004:  68:   9:", "   3:   4" },
        { [] { return send_app_key_event(1001, 65, 1966081); }, "   0:1001: 211:  21:", "        65:   1966081" },
        { [] { return send_desk_key_event(13, -1); }, "   0:   0: 251:  21:", "        13:        -1" },
    };
    for (const BuilderCase& c : cases) {
        EXPECT_EQ(c.build(), 0) << c.head;
        auto [head, body] = read_message(main_peer_);
        EXPECT_EQ(head, c.head);
        EXPECT_EQ(body, c.body) << c.head;
    }
}

TEST_F(SharingWire, NextBitmapPieceIsAskedForOnTheFileConnection)
{
    install_sharing_handlers();
    ASSERT_TRUE(dispatch_received_message(ReceiveConnection::file, MSG_BMP_DOWNLOAD_NEXT, "  17", 4, 3));
    auto [head, body] = read_message(file_peer_);
    EXPECT_EQ(head, "   0:   3: 303:   4:");
    EXPECT_EQ(body, "  17");
}

} // namespace
