#include "whiteboard/board_messages.h"

#include "core/connections.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "tests/core/loopback.h"
#include "tests/support/queued_window_messages.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

namespace {

struct SentMessage {
    WireHead head;
    std::string body;
};

// Records what a window receives.
class RecordingWindow : public WindowTarget {
public:
    struct Got {
        uint32_t msg;
        uintptr_t wparam;
        intptr_t lparam;
        std::string body;
    };
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        Got g { msg, wparam, lparam, {} };
        if (msg == WM_MY_MSG_BOARD_VERIFY)
            g.body.assign(reinterpret_cast<const char*>(wparam), static_cast<size_t>(lparam));
        got.push_back(g);
        return 0;
    }
    std::vector<Got> got;
};

class BoardMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        g_offline_board = 0;
        g_board_count = 10;
        set_message_box_presenter(&boxes);
        register_window(WindowSlot::board_view, &board_view);
        register_window(WindowSlot::main_frame, &main_frame);
        register_window(WindowSlot::left_tab, &left_tab);
        g_main_sock.host.set("127.0.0.1");
        g_main_sock.port = listener.port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        peer = listener.accept_one();
        ASSERT_GE(peer, 0);
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        ::close(peer);
        unregister_window(WindowSlot::board_view, &board_view);
        unregister_window(WindowSlot::main_frame, &main_frame);
        unregister_window(WindowSlot::left_tab, &left_tab);
        set_message_box_presenter(nullptr);
        g_offline_board = 0;
        g_board_count = 1;
        g_is_presenter = 0;
        set_board_sync(1);
        recorder().stop();
        board_model_free();
    }
    SentMessage next_sent()
    {
        FdByteSource source(peer);
        std::vector<char> buffer(wire_recv_buffer_len);
        SentMessage m;
        const HeadReaderLines lines { "test", "test format error at:%d.\n", "content is:%s.\n" };
        EXPECT_EQ(read_wire_message(source, buffer.data(), buffer.size(), lines, m.head), HeadReadResult::message);
        m.body.assign(buffer.data() + wire_head_len, static_cast<size_t>(std::max(m.head.length, 0)));
        return m;
    }
    // Hands a message to the dispatch as the receive thread would: from its
    // buffer, which the next message overwrites before the view gets what
    // was posted.
    void deliver(const SentMessage& m) { deliver(m.head.number, m.head.address, m.body); }
    void deliver(int number, int board, const std::string& body)
    {
        run_from_receive_buffer(queue, [&](const char* b, int len, int) {
            board_dispatch_message(WireHead { 0, board, number, len }, b, len);
        }, body);
    }
    // The body of a text message as a relay brings it: the action, then the characters.
    static std::string text_body(int x, int y, const std::string& text)
    {
        board_action a;
        a.kind = ACTION_TEXT;
        a.set_gesture_end(1);
        a.text_x() = x;
        a.text_y() = y;
        return std::string(reinterpret_cast<const char*>(&a), sizeof a) + text;
    }
    static board_action action_of(const std::string& body, size_t offset = 0)
    {
        board_action a;
        std::memcpy(&a, body.data() + offset, sizeof a);
        return a;
    }

    TempHome home;
    LogCapture log;
    QueuedWindowMessages queue;
    ScriptedMessageBoxes boxes;
    RecordingWindow board_view;
    RecordingWindow main_frame;
    RecordingWindow left_tab;
    LoopbackListener listener;
    int peer = -1;
};

TEST_F(BoardMessages, OnLineBuildersLeaveThePageUntilTheRelayAndOffLineEqualsOnLine)
{
    draw_every_kind();
    EXPECT_EQ(g_board[1].visible_count, 0);  // nothing drawn before the relay
    std::vector<SentMessage> sent;
    for (int i = 0; i < draw_every_kind_messages; ++i)
        sent.push_back(next_sent());
    EXPECT_EQ(sent.front().head.number, MSG_BOARD_FONT_UPLOAD);
    EXPECT_EQ(sent.front().head.address, 0);
    EXPECT_EQ(sent.back().head.number, MSG_BMP_DELETE);
    for (const SentMessage& m : sent)
        deliver(m);
    EXPECT_EQ(g_board[1].visible_count, 21);  // two undos took both texts, the redo brought one back
    EXPECT_EQ(g_board[3].visible_count, 1);
    std::string on_line = board_model_snapshot();

    board_model_setup();
    g_offline_board = 1;
    draw_every_kind();
    EXPECT_EQ(board_model_snapshot(), on_line);
}

TEST_F(BoardMessages, BuilderBodiesHaveTheirLayout)
{
    send_board_point(2, 1, 2, 3, 10, 20, 5);
    send_board_text(4, 7, 8, 3, "abc", 9, 8, 7);
    send_board_pointer(5, 123, 45);
    send_bmp_pos(1, 2, 30, 40);
    send_bmp_z_order(1, 2, 7);
    send_bmp_delete(1, 9);
    send_board_lock(6);
    send_board_reload(7);

    SentMessage point = next_sent();
    EXPECT_EQ(point.head.address, 2);
    EXPECT_EQ(point.head.number, MSG_BOARD_POINT);
    ASSERT_EQ(point.body.size(), 44u);
    board_action p = action_of(point.body);
    EXPECT_EQ(p.kind, ACTION_POINT);
    EXPECT_EQ(p.gesture_end(), 1);
    EXPECT_EQ(p.data, (std::array<int32_t, 9> { 10, 20, 5, 1, 2, 3, 0, 0, 0 }));

    SentMessage text = next_sent();
    EXPECT_EQ(text.head.number, MSG_BOARD_TEXT);
    ASSERT_EQ(text.body.size(), 47u);
    board_action t = action_of(text.body);
    EXPECT_EQ(t.kind, ACTION_TEXT);
    EXPECT_EQ(t.data, (std::array<int32_t, 9> { 7, 8, 9, 8, 7, 3, 0, 0, 0 }));
    EXPECT_EQ(text.body.substr(44), "abc");

    struct Want { int number; int board; const char* body; };
    const Want want[] = { { MSG_BOARD_POINTER, 5, " 123:  45" }, { MSG_BMP_POS, 1, "   2:  30:  40" },
                          { MSG_BMP_Z_ORDER, 1, "   2:       7" }, { MSG_BMP_DELETE, 1, "   9" },
                          { MSG_BOARD_LOCK, 6, "" }, { MSG_BOARD_RELOAD, 7, "" } };
    for (const Want& w : want) {
        SentMessage m = next_sent();
        EXPECT_EQ(m.head.number, w.number);
        EXPECT_EQ(m.head.address, w.board);
        EXPECT_EQ(m.body, w.body);
    }
}

TEST_F(BoardMessages, HalfSizePageHalvesFigureCoordinatesOnly)
{
    g_board[0].half_size = 1;
    send_board_line(0, 200, 100, 50, 101, 51, 10, 10, 6, 1);
    send_board_point(0, 1, 1, 1, -7, 9, 4);
    board_action line = action_of(next_sent().body);
    EXPECT_EQ(line.data, (std::array<int32_t, 9> { 50, 25, 5, 5, 6, 200, 100, 50, 0 }));
    board_action point = action_of(next_sent().body);
    EXPECT_EQ(point.data[0], -3);  // toward zero
    EXPECT_EQ(point.data[1], 4);
    EXPECT_EQ(point.data[2], 4);
}

TEST_F(BoardMessages, AppendingReceiverPostsNewCountAndRecords)
{
    std::string path = home.root() + "/r.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    board_action a;
    a.kind = ACTION_RECT;
    a.set_gesture_end(1);
    deliver(MSG_BOARD_RECT, 6, std::string(reinterpret_cast<const char*>(&a), sizeof a));
    deliver(MSG_BOARD_TEXT, 6, std::string(reinterpret_cast<const char*>(&a), sizeof a) + "hi");
    recorder().stop();
    ASSERT_EQ(board_view.got.size(), 2u);
    EXPECT_EQ(board_view.got[1].msg, WM_MY_MSG_BOARD_ACTIONS_ADDED);
    EXPECT_EQ(board_view.got[1].wparam, 6u);
    EXPECT_EQ(board_view.got[1].lparam, 2);
    EXPECT_EQ(board_action_at(6, 1)->kind, ACTION_TEXT);  // a text message always adds a text
    EXPECT_EQ(board_action_text(*board_action_at(6, 1)), "hi");
    std::string file = read_file(path);
    EXPECT_EQ(file.size(), 60u + (18 + 24 + 52) + (18 + 24 + 52 + 2));
}

TEST_F(BoardMessages, UndoRedoAndClearAreRecordedOnceByTheReceiver)
{
    std::string path = home.root() + "/ops.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    send_board_line(0, 1, 1, 1, 0, 0, 1, 1, 1, 1);
    send_board_undo(0);
    send_board_redo(0);
    send_board_clear(0);
    std::vector<SentMessage> sent;
    for (int i = 0; i < 4; ++i)
        sent.push_back(next_sent());
    EXPECT_EQ(read_file(path).size(), 60u);  // builders record nothing
    for (const SentMessage& m : sent)
        deliver(m);
    send_board_undo(0);  // nothing to undo after the clear: relayed, not recorded
    deliver(next_sent());
    recorder().stop();
    EXPECT_EQ(read_file(path).size(), 60u + (18 + 24 + 52) + 3 * (18 + 24 + 24));
}

// The seven-byte index field allows 999999; a server that sends it first
// must not make every page hold a million actions before any has arrived.
TEST_F(BoardMessages, ReloadIndexFarAheadTakesMemoryOnlyForTheActionsThatArrive)
{
    size_t allocated = 0;
    set_board_action_allocator([&](size_t count) {
        allocated += count;
        return std::unique_ptr<board_action[]>(new (std::nothrow) board_action[count]);
    });
    board_action a;
    a.kind = ACTION_LINE;
    a.set_gesture_end(1);
    a.data = { 1, 2, 3, 4, 1, 0, 0, 0, 0 };
    std::string action_bytes(reinterpret_cast<const char*>(&a), sizeof a);
    for (int b = 0; b < board_count; ++b)
        deliver(MSG_BOARD_SET_ACTION, b, "999999:" + action_bytes);
    for (const board_record& r : g_board) {
        EXPECT_EQ(r.visible_count, 1000000);
        EXPECT_EQ(r.redo_limit, 1000000);
    }
    EXPECT_LE(allocated, static_cast<size_t>(board_count * board_action_step));
    // The stream that follows fills the page from the start, a block at a time.
    for (int i = 0; i < 3; ++i)
        deliver(MSG_BOARD_SET_ACTION, 3, std::to_string(i) + ":" + std::string(6 - std::to_string(i).size(), ' ') + action_bytes);
    EXPECT_LE(allocated, static_cast<size_t>((board_count + 1) * board_action_step));
    {
        std::lock_guard<std::mutex> guard(board_actions_lock());
        ASSERT_NE(board_action_at(3, 999999), nullptr);
        EXPECT_EQ(*board_action_at(3, 999999), a);
        EXPECT_EQ(*board_action_at(3, 2), a);
        EXPECT_EQ(board_action_at(3, 500000), nullptr);  // nothing arrived there
        EXPECT_EQ(board_action_at(3, 1000000), nullptr);
    }
    // Undo walks back over the holes to the gesture that ends at index 2.
    deliver(MSG_BOARD_UNDO, 3, "");
    EXPECT_EQ(g_board[3].visible_count, 3);
    set_board_action_allocator(nullptr);
}

TEST_F(BoardMessages, ReloadStreamGrowsThePageAndFillsPoolsByIndex)
{
    board_action a;
    a.kind = ACTION_TEXT;
    a.set_gesture_end(1);
    a.text_pool() = board_pool_short;
    a.text_entry() = 7;
    a.text_address() = 0x1234;  // an address of the sender means nothing here
    std::string body = "2500:  " + std::string(reinterpret_cast<const char*>(&a), sizeof a);
    deliver(MSG_BOARD_SET_ACTION, 4, body);
    EXPECT_EQ(g_board[4].visible_count, 2501);
    EXPECT_EQ(g_board[4].redo_limit, 2501);
    EXPECT_EQ(g_board[4].capacity, 3000);
    EXPECT_EQ(board_action_at(4, 2500)->text_address(), 0);
    deliver(MSG_BOARD_SET_ACTION, 4, "3:     " + std::string(reinterpret_cast<const char*>(&a), sizeof a));
    EXPECT_EQ(g_board[4].visible_count, 2501);
    EXPECT_EQ(board_action_at(4, 3)->kind, ACTION_TEXT);

    deliver(MSG_BOARD_SHORT_STR, 4, "7:   short text");
    EXPECT_EQ(board_action_text(*board_action_at(4, 2500)), "short text");
    deliver(MSG_BOARD_LONG_STR, 0, "39:  " + std::string(5000, 'q'));
    EXPECT_EQ(g_board_long_str[39].length, 3999u);
    EXPECT_EQ(g_board_long_str[39].text[3999], '\0');
    deliver(MSG_BOARD_SHORT_STR, 0, "1:   " + std::string(600, 's'));
    EXPECT_EQ(g_board_short_str[1].length, 399u);

    board_logfont f {};
    f[5] = 77;
    deliver(MSG_BOARD_FONT, 0, "49:  " + std::string(reinterpret_cast<const char*>(f.data()), f.size()));
    EXPECT_EQ(g_board_font[49].used, 1u);
    EXPECT_EQ(g_board_font[49].logfont, f);
    EXPECT_TRUE(board_view.got.empty());  // the stream is not announced as new actions
}

// A user who has not answered yet: every shown box waits for a release;
// posted ones are only noted.
class UnansweredBoxes : public MessageBoxPresenter {
public:
    UnansweredBoxes() { set_message_box_presenter(this); }
    ~UnansweredBoxes() override
    {
        answer_all();
        set_message_box_presenter(nullptr);
    }
    int show(MessageBoxKind, int, const std::string&) override
    {
        std::unique_lock<std::mutex> hold(lock_);
        answered_.wait(hold, [&] { return answering_; });
        return IDOK;
    }
    void post(MessageBoxKind, int, const std::string& text) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        posted_.push_back(text);
    }
    void answer_all()
    {
        std::lock_guard<std::mutex> hold(lock_);
        answering_ = true;
        answered_.notify_all();
    }
    std::vector<std::string> posted()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return posted_;
    }

private:
    std::mutex lock_;
    std::condition_variable answered_;
    bool answering_ = false;
    std::vector<std::string> posted_;
};

// One member sending text after text once the long pool is full must not
// stop the receive thread on a box per text: the box is posted, once a page.
TEST_F(BoardMessages, FullTextPoolIsToldOncePerPageWithoutStoppingTheReceiveThread)
{
    for (int i = 0; i < board_long_str_count; ++i)
        deliver(MSG_BOARD_TEXT, 0, text_body(10, 10, std::string(500, 'l')));
    ASSERT_EQ(board_find_free_long_str(), -1);
    UnansweredBoxes user;
    std::future<void> receiving = std::async(std::launch::async, [this] {
        for (int board : { 2, 2, 5, 2, 5 })
            deliver(MSG_BOARD_TEXT, board, text_body(10, 10, std::string(500, 'm')));
    });
    bool returned = receiving.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    user.answer_all();
    receiving.wait();
    EXPECT_TRUE(returned) << "the receive thread waited for the user";
    EXPECT_EQ(user.posted(), (std::vector<std::string> { "Long str used up.", "Long str used up." }));
    EXPECT_EQ(g_board[2].visible_count, 0);
    EXPECT_EQ(g_board[5].visible_count, 0);
}

TEST_F(BoardMessages, BadBodiesAreDroppedAndLogged)
{
    std::string before = board_model_snapshot();
    std::string action(44, '\0');
    struct Case { int number; int board; std::string body; const char* log_part; };
    const Case cases[] = {
        { MSG_BOARD_LINE, 0, std::string(43, 'x'), "board_add_line_from_server: body of 43 bytes" },
        { MSG_BOARD_POINT, 0, "", "board_add_point_from_server: body of 0 bytes" },
        { MSG_BOARD_RECT, 10, action, "board_add_general_from_server: board_num:10" },
        { MSG_BOARD_SHAPE, -1, action, "board_add_general_from_server: board_num:-1" },
        { MSG_BOARD_TEXT, 0, action, "board_add_text_from_server: empty text" },
        { MSG_BOARD_FONT_UPLOAD, 0, std::string(59, 'f'), "board_font_upload_from_server: body of 59" },
        { MSG_BOARD_POINTER, 0, "abc", "board_set_pointer_from_server: bad body" },
        { MSG_BOARD_SET_ACTION, 0, "1:" + std::string(44, 'a'), "board_set_action_from_server: board_num:0, len:46" },
        { MSG_BOARD_SET_ACTION, 0, "-5:    " + action, "board_set_action_from_server: bad index" },
        { MSG_BOARD_SET_ACTION, 0, "xx:    " + action, "board_set_action_from_server: bad index" },
        { MSG_BOARD_SHORT_STR, 0, "500: text", "board_set_short_str_from_server: index out of range" },
        { MSG_BOARD_SHORT_STR, 0, "1:", "board_set_short_str_from_server: body of 2 bytes" },
        { MSG_BOARD_LONG_STR, 0, "40:  text", "board_set_long_str_from_server: index out of range" },
        { MSG_BOARD_LONG_STR, 0, "-1:  text", "board_set_long_str_from_server: index out of range" },
        { MSG_BOARD_FONT, 0, "50:  " + std::string(60, 'f'), "board_set_font_from_server: index out of range" },
        { MSG_BOARD_FONT, 0, "-1:  " + std::string(60, 'f'), "board_set_font_from_server: index out of range" },
        { MSG_BOARD_FONT, 0, "1:   " + std::string(59, 'f'), "board_set_font_from_server: body of 64 bytes" },
        { MSG_BMP_POS, 0, "  10:   1:   1", "bmp_set_pos_from_server: board_num:0, bmp_index:10" },
        { MSG_BMP_POS, 0, "   1:   1", "bmp_set_pos_from_server: bad body" },
        { MSG_BMP_Z_ORDER, 12, "   1:       1", "bmp_set_z_order_from_server: board_num:12" },
        { MSG_BMP_DELETE, 0, "  -1", "bmp_delete_from_server: board_num:0, bmp_index:-1" },
        { MSG_BMP_DELETE, 0, "", "bmp_delete_from_server: bad body" },
    };
    for (const Case& c : cases) {
        deliver(c.number, c.board, c.body);
        bool found = false;
        for (const std::string& line : log.lines())
            found = found || line.find(c.log_part) != std::string::npos;
        EXPECT_TRUE(found) << c.log_part;
    }
    EXPECT_EQ(board_model_snapshot(), before);
    EXPECT_TRUE(board_view.got.empty());
}

TEST_F(BoardMessages, BitmapMessagesChangeOnlyTheirField)
{
    bmp_slot& s = g_board[2].bitmaps[3];
    s.used = 1;
    s.x = 11;
    s.y = 12;
    s.width = 100;
    copy_to_field(s.path, "/tmp/p.bmp");
    deliver(MSG_BMP_Z_ORDER, 2, "   3:      -4");
    EXPECT_EQ(s.z_order, -4);
    EXPECT_EQ(s.x, 11);
    EXPECT_EQ(s.y, 12);
    deliver(MSG_BMP_POS, 2, "   3:-100: 250");
    EXPECT_EQ(s.x, -100);
    EXPECT_EQ(s.y, 250);
    EXPECT_EQ(s.width, 100);
    deliver(MSG_BMP_DELETE, 2, "   3");
    EXPECT_EQ(s.used, 0u);
    EXPECT_EQ(s.path[0], '\0');
    EXPECT_EQ(s.x, 0);
}

TEST_F(BoardMessages, PointerLockAndUnlockSetThePage)
{
    int invalidated = 0;
    board_window_hooks().invalidate_board_windows = [&](int) { ++invalidated; };
    deliver(MSG_BOARD_POINTER, 5, " 300: 400");
    EXPECT_EQ(g_board[5].pointer_x, 300);
    EXPECT_EQ(g_board[5].pointer_y, 400);
    g_board[5].tool = 22;
    deliver(MSG_BOARD_LOCK, 5, "");
    EXPECT_EQ(g_board[5].lock_flag, 1);
    EXPECT_EQ(g_board[5].tool, 0);
    deliver(MSG_BOARD_UNLOCK, 5, "");
    EXPECT_EQ(g_board[5].lock_flag, 0);
    g_current_board = 5;
    deliver(MSG_SHOW_POINTER, 0, "");
    EXPECT_EQ(g_board[5].show_pointer, 1);
    deliver(MSG_HIDE_POINTER, 0, "");
    EXPECT_EQ(g_board[5].show_pointer, 0);
    EXPECT_EQ(invalidated, 3);
    board_window_hooks() = BoardWindowHooks {};
}

TEST_F(BoardMessages, VerifyListIsCheckedAgainstVisibleCounts)
{
    g_board[0].visible_count = 3;
    g_board[1].visible_count = 5;
    struct Case { const char* list; int len; BoardVerifyStatus want; std::vector<int> pages; };
    const Case cases[] = {
        { "   3:   0:", 10, BoardVerifyStatus::differs, { 1 } },
        { "   3:   5:", 10, BoardVerifyStatus::consistent, {} },
        { "   3:  -5:", 10, BoardVerifyStatus::data_error, {} },
        { "   3:x", 6, BoardVerifyStatus::data_error, {} },
        { "   3:   5:", -1, BoardVerifyStatus::ended, {} },
        { "   0:   0:   0:", 15, BoardVerifyStatus::differs, { 0, 1 } },
        { "", 0, BoardVerifyStatus::consistent, {} },
    };
    for (const Case& c : cases) {
        BoardVerifyResult r = board_verify_check(c.list, c.len);
        EXPECT_EQ(r.status, c.want) << c.list;
        EXPECT_EQ(r.differing_pages, c.pages) << c.list;
    }
    // Only the first 50 characters count: page 10 is never read.
    std::string long_list;
    for (int i = 0; i < 12; ++i)
        long_list += i == 0 ? "   3:" : i == 1 ? "   5:" : "   0:";
    long_list += "zzz";
    EXPECT_EQ(board_verify_check(long_list.c_str(), static_cast<int>(long_list.size())).status,
              BoardVerifyStatus::consistent);
}

TEST_F(BoardMessages, VerifyRunAsksAndReloadsOnlyDifferingPages)
{
    g_board[0].visible_count = 3;
    g_board[1].visible_count = 5;
    deliver(MSG_BOARD_VERIFY, 0, "   3:   0:");
    ASSERT_EQ(board_view.got.size(), 1u);
    EXPECT_EQ(board_view.got[0].msg, WM_MY_MSG_BOARD_VERIFY);
    EXPECT_EQ(board_view.got[0].lparam, 10);
    const std::string list = board_view.got[0].body;

    boxes.answer_with(MessageBoxButton::yes);
    board_verify_run(list.c_str(), static_cast<int>(list.size()));
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].substr(0, 48), "Your white board is not consistent with server's");
    send_board_pointer(0, 1, 1);  // a marker after whatever the check sent
    SentMessage reload = next_sent();
    EXPECT_EQ(reload.head.number, MSG_BOARD_RELOAD);
    EXPECT_EQ(reload.head.address, 1);
    EXPECT_EQ(next_sent().head.number, MSG_BOARD_POINTER);

    boxes.clear();
    boxes.answer_with(MessageBoxButton::no);
    board_verify_run(list.c_str(), static_cast<int>(list.size()));
    send_board_pointer(0, 1, 1);
    EXPECT_EQ(next_sent().head.number, MSG_BOARD_POINTER);

    boxes.clear();
    board_verify_run("1;", 2);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "board verify data error.");
}

TEST_F(BoardMessages, BoardNavigationFollowsThePresenter)
{
    std::string path = home.root() + "/nav.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    g_board_count = 3;
    deliver(MSG_BOARD_SELECT, 7, "  10:  20");
    EXPECT_EQ(g_board_sync.load(), 0);
    EXPECT_EQ(g_current_board.load(), 0);
    EXPECT_EQ(read_file(path).size(), 60u);

    int kept = -1;
    board_window_hooks().keep_view_position = [&](int board) { kept = board; };
    deliver(MSG_BOARD_SELECT, 2, "  10:  20");
    EXPECT_EQ(kept, 0);
    EXPECT_EQ(g_current_board.load(), 2);
    EXPECT_EQ(g_board[2].scroll_x, 10);
    EXPECT_EQ(g_board[2].scroll_y, 20);
    board_window_hooks() = BoardWindowHooks {};

    set_board_sync(1);
    deliver(MSG_BOARD_NUMBER, 1, "");
    EXPECT_EQ(g_board_sync.load(), 0);
    deliver(MSG_BOARD_ZOOM_IN, 2, "");
    deliver(MSG_BOARD_ZOOM_OUT, 11, "");
    deliver(MSG_BOARD_NOTICE, 0, "3");
    deliver(MSG_BOARD_VIEW, 0, "1");
    deliver(MSG_BOARD_VIEW, 0, "7"); // no such view: recorded, not followed
    ASSERT_EQ(main_frame.got.size(), 2u);
    EXPECT_EQ(main_frame.got[0].msg, WM_MY_MSG_BOARD_ZOOM_ON);
    EXPECT_EQ(main_frame.got[0].wparam, 2u);
    EXPECT_EQ(main_frame.got[1].msg, WM_MY_MSG_UPPER_VIEW);
    EXPECT_EQ(main_frame.got[1].wparam, 1u);
    ASSERT_EQ(left_tab.got.size(), 1u);
    EXPECT_EQ(left_tab.got[0].msg, WM_MY_MSG_BOARD_NOTICE);
    EXPECT_EQ(left_tab.got[0].wparam, 3u);
    recorder().stop();
    // Select, zoom on, left tab, two upper views: five interface events.
    EXPECT_EQ(read_file(path).size(), 60u + 5 * (18 + 24 + 24));
}

TEST_F(BoardMessages, NavigationBuildersSendOnlyAsPresenterWithSync)
{
    g_current_board = 4;
    g_board_count = 5;
    EXPECT_EQ(send_board_number(), -1);
    g_is_presenter = 1;
    set_board_sync(0);
    EXPECT_EQ(send_board_select(1, 2), -1);
    set_board_sync(1);
    EXPECT_EQ(send_board_number(), 0);
    EXPECT_EQ(send_board_select(30, 40), 0);
    SentMessage number = next_sent();
    EXPECT_EQ(number.head.number, MSG_BOARD_NUMBER);
    EXPECT_EQ(number.head.address, 4);
    SentMessage select = next_sent();
    EXPECT_EQ(select.head.number, MSG_BOARD_SELECT);
    EXPECT_EQ(select.body, "  30:  40");
}

TEST_F(BoardMessages, PushMessagesAreHeldWhileARecordPlays)
{
    g_current_board = 2;
    g_board_count = 5;
    g_is_presenter = 1;
    set_board_sync(1);
    g_play_on = 1;
    send_board_select(5, 6);
    send_board_zoom(2, 1);
    send_cmd_data_to_all(MSG_BOARD_VIEW, "   3");
    send_cmd_to_all(MSG_FULL_SCREEN_VIEW);
    g_play_on = 0;
    send_board_select(7, 8);
    SentMessage first = next_sent();
    EXPECT_EQ(first.head.number, MSG_BOARD_SELECT);
    EXPECT_EQ(first.body, "   7:   8");
    EXPECT_TRUE(log.contains("message 411 not sent while a meeting record plays.\n"));
    EXPECT_TRUE(log.contains("message 416 not sent while a meeting record plays.\n"));
}

TEST_F(BoardMessages, HandlersAreInTheMainDispatch)
{
    install_board_handlers();
    for (int number : board_message_numbers())
        EXPECT_TRUE(has_receive_handler(ReceiveConnection::main, number)) << number;
    board_action a;
    a.kind = ACTION_LINE;
    a.set_gesture_end(1);
    EXPECT_TRUE(dispatch_received_message(ReceiveConnection::main, MSG_BOARD_LINE, reinterpret_cast<const char*>(&a),
                                          sizeof a, 3));
    EXPECT_EQ(g_board[3].visible_count, 1);
    reset_receive_handlers();
}

} // namespace
