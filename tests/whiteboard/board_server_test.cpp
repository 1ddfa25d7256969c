// Two attendees and a late joiner keep the ten pages in step through a real
// tamblo-server: the drawing side is the program's own connection, builders
// and receivers; the others are headless peers whose arrivals are applied
// to the model afterwards.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/head_reader.h"
#include "core/messages.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_shared_state.h"
#include "tests/whiteboard/board_test_util.h"
#include "whiteboard/board_messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <chrono>
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

// The program's side: the main receive thread with its dispatch, the
// control handlers that log in and enter the room, and the board handlers.
class BoardClient {
public:
    ~BoardClient() { close(); }

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

bool is_board_message(int number)
{
    const std::vector<int>& numbers = board_message_numbers();
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

void apply_arrivals(const std::vector<ArrivedMessage>& arrived)
{
    for (const ArrivedMessage& m : arrived)
        if (m.channel == PeerChannel::main && is_board_message(m.head.number))
            board_dispatch_message(m.head, m.body.data(), static_cast<int>(m.body.size()));
}

// What a reload can carry: each page's visible actions with their texts, and the fonts.
std::string visible_state()
{
    std::string out;
    for (int b = 0; b < board_count; ++b) {
        const board_record& r = g_board[static_cast<size_t>(b)];
        out += format_text("page %d: %d\n", b, r.visible_count);
        for (int i = 0; i < r.visible_count; ++i) {
            const board_action& a = *board_action_at(b, i);
            out.append(reinterpret_cast<const char*>(&a), sizeof a);
            if (a.kind == ACTION_TEXT)
                out.append(board_action_text(a));
        }
    }
    for (const board_font_entry& f : g_board_font)
        if (f.used)
            out.append(reinterpret_cast<const char*>(f.logfont.data()), f.logfont.size());
    return out;
}

// The script of the meeting: every kind, undo, redo and clear, then one more
// line so that nothing undone is left for a redo.
void draw_meeting()
{
    draw_every_kind();
    send_board_line(1, 9, 9, 9, 500, 500, 600, 600, 3, 1);
}
constexpr int draw_meeting_messages = draw_every_kind_messages + 1;

TEST(BoardThroughServer, TwoPeersStayInStepOffLineMatchesAndLateJoinerReloads)
{
    TempHome home;
    ServerProcess server;
    board_model_setup();
    g_offline_board = 0;
    g_board_count = 10;

    HeadlessPeer watcher("watcher");
    ASSERT_EQ(watcher.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(watcher.join_room("board room"), 0);
    BoardClient drawer;
    ASSERT_EQ(drawer.connect_and_join(server.port(), "board room"), 0);

    draw_meeting();
    // The pointer always goes to the server: its relay marks the end.
    send_board_pointer(9, 77, 66);
    ASSERT_TRUE(wait_until([] {
        std::lock_guard<std::mutex> guard(board_actions_lock());
        return g_board[9].pointer_x == 77;
    }));
    auto watcher_board_messages = [&] {
        size_t n = 0;
        for (const ArrivedMessage& m : watcher.arrived())
            n += is_board_message(m.head.number) ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(wait_until([&] { return watcher_board_messages() == static_cast<size_t>(draw_meeting_messages + 1); }));
    EXPECT_EQ(watcher.count(MSG_BOARD_VERIFY), 0u);  // the room was empty when it joined
    drawer.close();
    const std::string drawer_model = board_model_snapshot();
    const std::string drawer_visible = visible_state();
    std::vector<int> drawer_counts;
    for (const board_record& r : g_board)
        drawer_counts.push_back(r.visible_count);
    EXPECT_GT(drawer_counts[1], 0);

    board_model_setup();
    g_current_board = 1;  // where the drawer's font upload landed
    apply_arrivals(watcher.arrived());
    EXPECT_EQ(board_model_snapshot(), drawer_model);

    board_model_setup();
    g_offline_board = 1;
    draw_meeting();
    g_offline_board = 0;
    board_set_pointer_from_server("  77:  66", 9, 9);
    EXPECT_EQ(board_model_snapshot(), drawer_model);

    // A late joiner learns the counts on entry and reloads every page.
    HeadlessPeer late("late joiner");
    ASSERT_EQ(late.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(late.join_room("board room"), 0);
    std::optional<ArrivedMessage> verify = late.await_number(MSG_BOARD_VERIFY);
    ASSERT_TRUE(verify);
    board_model_setup();
    BoardVerifyResult check = board_verify_check(verify->body.data(), static_cast<int>(verify->body.size()));
    ASSERT_EQ(check.status, BoardVerifyStatus::differs);
    std::vector<int> want_pages;
    for (int b = 0; b < board_count; ++b)
        if (drawer_counts[static_cast<size_t>(b)] != 0)
            want_pages.push_back(b);
    EXPECT_EQ(check.differing_pages, want_pages);

    int total = 0;
    for (int page : check.differing_pages) {
        late.send(PeerChannel::main, MSG_BOARD_RELOAD, page);
        total += drawer_counts[static_cast<size_t>(page)];
    }
    ASSERT_TRUE(wait_until([&] { return late.count(MSG_BOARD_SET_ACTION) == static_cast<size_t>(total); }));
    apply_arrivals(late.arrived());
    EXPECT_EQ(visible_state(), drawer_visible);

    watcher.close();
    late.close();
    EXPECT_EQ(server.stop(), 0);
    board_model_free();
    g_board_count = 1;
}

// A member who joins after an undo reloads the page with what the undo hid,
// so that a redo afterwards brings the same actions back for everyone, and
// the texts keep their fonts (entry 0 of every table is the member's own
// view font).
TEST(BoardThroughServer, LateJoinerAfterUndoStaysInStepThroughRedo)
{
    TempHome home;
    ServerProcess server;
    board_model_setup();
    g_offline_board = 0;
    g_board_count = 10;
    g_current_board = 0;
    auto reserve_view_font = [] {
        g_board_font[0].logfont[0] = 12;
        g_board_font[0].used = 1;
    };
    reserve_view_font();

    HeadlessPeer host("host");  // makes the room
    ASSERT_EQ(host.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(host.join_room("undo room"), 0);
    BoardClient drawer;
    ASSERT_EQ(drawer.connect_and_join(server.port(), "undo room"), 0);
    board_logfont font {};
    font[0] = 20;
    std::memcpy(font.data() + 28, "Serif", 5);
    // What the receive thread wrote is read under the page lock, after it.
    auto page_says = [](const std::function<bool(const board_record&)>& check) {
        return wait_until([&] {
            std::lock_guard<std::mutex> guard(board_actions_lock());
            return check(g_board[0]);
        });
    };
    send_board_font(font);
    send_board_pointer(0, 11, 11);
    ASSERT_TRUE(page_says([](const board_record& r) { return r.pointer_x == 11; }));
    EXPECT_EQ(g_board[0].font_index, 1);
    send_board_point(0, 1, 2, 3, 10, 10, 5);
    for (int i = 0; i < 5; ++i)
        send_board_line(0, 4, 5, 6, i * 10, 0, i * 10 + 9, 9, 1, i == 4 ? 1 : 0);
    send_board_text(0, 30, 40, 1, "a text in Serif", 0, 0, 0);
    send_board_rect(0, 7, 8, 9, 5, 5, 50, 50, 2, 1);
    ASSERT_TRUE(page_says([](const board_record& r) { return r.visible_count == 8; }));
    // The rectangle and the text back, the text again, then the text and the
    // lines back: the point is left, seven actions undone.
    send_board_undo(0);
    send_board_undo(0);
    send_board_redo(0);
    send_board_undo(0);
    send_board_undo(0);
    ASSERT_TRUE(page_says([](const board_record& r) { return r.visible_count == 1 && r.redo_limit == 8; }));

    HeadlessPeer late("late joiner");
    ASSERT_EQ(late.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(late.join_room("undo room"), 0);
    std::optional<ArrivedMessage> verify = late.await_number(MSG_BOARD_VERIFY);
    ASSERT_TRUE(verify);
    late.send(PeerChannel::main, MSG_BOARD_RELOAD, 0);
    ASSERT_TRUE(late.await_count(MSG_BOARD_SET_ACTION, 8));
    ASSERT_TRUE(late.await_count(MSG_BOARD_UNDO, 3));
    EXPECT_TRUE(server.wait_for_log("board 0 reloaded with 8 actions, 7 of them undone"));

    // Everyone brings the undone gestures back, one after the other.
    send_board_redo(0);
    send_board_redo(0);
    send_board_pointer(0, 77, 66);
    ASSERT_TRUE(page_says([](const board_record& r) { return r.pointer_x == 77; }));
    ASSERT_TRUE(late.await_number(MSG_BOARD_POINTER));
    EXPECT_EQ(g_board[0].visible_count, 7);
    drawer.close();
    const std::string drawer_state = board_shared_state(0);

    board_model_setup();
    reserve_view_font();
    apply_arrivals(late.arrived());
    EXPECT_EQ(board_shared_state(0), drawer_state);
    EXPECT_EQ(g_board_font[1].logfont, font);

    late.close();
    host.close();
    EXPECT_EQ(server.stop(), 0);
    board_model_free();
    g_board_count = 1;
}

TEST(BoardThroughServer, BadBoardMessagesAreDroppedByTheServer)
{
    TempHome home;
    ServerProcess server;
    HeadlessPeer a("a");
    HeadlessPeer b("b");
    ASSERT_EQ(a.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_EQ(b.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(a.join_room("r"), 0);
    ASSERT_GE(b.join_room("r"), 0);
    board_action line;
    line.kind = ACTION_LINE;
    line.set_gesture_end(1);
    std::string action(reinterpret_cast<const char*>(&line), sizeof line);
    a.send(PeerChannel::main, MSG_BOARD_LINE, 0, action.substr(0, 40));  // short
    a.send(PeerChannel::main, MSG_BOARD_LINE, 10, action);                // no such board
    a.send(PeerChannel::main, MSG_BOARD_TEXT, 0, action);                 // no text
    a.send(PeerChannel::main, MSG_BOARD_RELOAD, -3);
    a.send(PeerChannel::main, MSG_BOARD_LINE, 2, action);                 // the one that counts
    std::optional<ArrivedMessage> got = b.await_number(MSG_BOARD_LINE);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->head.address, 2);
    EXPECT_EQ(got->body, action);
    ASSERT_TRUE(a.await_number(MSG_BOARD_LINE));  // the sender gets its own action back
    EXPECT_EQ(b.count(MSG_BOARD_LINE), 1u);
    EXPECT_EQ(b.count(MSG_BOARD_TEXT), 0u);
    EXPECT_TRUE(server.wait_for_log("shorter than an action"));
    EXPECT_TRUE(server.running());
    a.close();
    b.close();
    EXPECT_EQ(server.stop(), 0);
}

} // namespace
