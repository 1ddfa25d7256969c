#include "whiteboard/board_model.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

board_action line_action(int x, int end)
{
    board_action a;
    a.kind = ACTION_LINE;
    a.set_gesture_end(end);
    a.data = { x, 1, x + 1, 2, 1, 10, 20, 30, 0 };
    return a;
}

class BoardModel : public ::testing::Test {
protected:
    void SetUp() override { board_model_setup(); }
    void TearDown() override
    {
        set_board_action_allocator(nullptr);
        board_model_free();
    }
    ScriptedMessageBoxes boxes;
};

TEST(BoardModelLayout, RecordBytesMatchTheFileLayout)
{
    board_record r;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&r);
    auto word = [&](size_t offset) {
        int32_t v = 0;
        std::memcpy(&v, bytes + offset, 4);
        return v;
    };
    struct Case { size_t offset; int32_t want; };
    for (Case c : { Case { 0, 0 }, { 4, 0 }, { 136, 100 }, { 140, 100 }, { 192, 1600 }, { 196, 1000 },
                    { 200, 1 }, { 216, 255 }, { 220, 255 }, { 224, 255 }, { 228, 40 }, { 9992, 0 }, { 9996, 1 } })
        EXPECT_EQ(word(c.offset), c.want) << "offset " << c.offset;

    board_action a = line_action(7, 1);
    const auto* ab = reinterpret_cast<const uint8_t*>(&a);
    EXPECT_EQ(ab[0], ACTION_LINE);
    EXPECT_EQ(ab[4], 1);
    EXPECT_EQ(ab[8], 7);
}

TEST_F(BoardModel, SetUpGivesStartValuesAndEmptyPools)
{
    g_board[3].visible_count = 5;
    g_board[3].pen_width = 9;
    g_board_short_str[2].used = 1;
    g_board_font[1].used = 1;
    g_current_board = 4;
    board_model_setup();
    EXPECT_EQ(g_board[3].visible_count, 0);
    EXPECT_EQ(g_board[3].pen_width, 1);
    EXPECT_EQ(g_board_short_str[2].used, 0u);
    EXPECT_EQ(g_board_font[1].used, 0u);
    EXPECT_EQ(g_current_board.load(), 0);
    EXPECT_EQ(board_action_at(3, 0), nullptr);
}

TEST_F(BoardModel, ThousandAndFirstActionGrowsArrayAndKeepsOldActions)
{
    EXPECT_EQ(board_check_action(2), 1);  // 0 -> 1000 on first use
    EXPECT_EQ(g_board[2].capacity, 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(board_append_action(2, line_action(i, 1)), 0);
    EXPECT_EQ(g_board[2].capacity, 1000);
    EXPECT_EQ(board_check_action(2), 1);
    EXPECT_EQ(g_board[2].capacity, 2000);
    ASSERT_EQ(board_append_action(2, line_action(1000, 1)), 0);
    EXPECT_EQ(g_board[2].visible_count, 1001);
    EXPECT_EQ(g_board[2].redo_limit, 1001);
    for (int i = 0; i <= 1000; ++i)
        ASSERT_EQ(board_action_at(2, i)->data[0], i);
    EXPECT_EQ(g_board[2].actions_address, 0u);
}

// The receive thread and the view append to one page at the same time; the
// growth points at 1000 and 2000 are where a check made apart from the write
// lets both writers in.
TEST_F(BoardModel, TwoThreadsAppendingToOnePageKeepEveryActionInsideTheArray)
{
    constexpr int per_thread = 1500;
    for (int round = 0; round < 40; ++round) {
        board_model_setup();
        std::atomic<bool> go { false };
        auto append_run = [&](int first) {
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < per_thread; ++i)
                ASSERT_EQ(board_append_action(4, line_action(first + i, 1)), 0);
        };
        std::thread a(append_run, 0);
        std::thread b(append_run, per_thread);
        go = true;
        a.join();
        b.join();
        std::lock_guard<std::mutex> guard(board_actions_lock());
        ASSERT_EQ(g_board[4].visible_count, 2 * per_thread);
        ASSERT_LE(g_board[4].visible_count, g_board[4].capacity);
        std::vector<int> seen(2 * per_thread, 0);
        for (int i = 0; i < 2 * per_thread; ++i) {
            int x = board_action_at(4, i)->data[0];
            ASSERT_TRUE(x >= 0 && x < 2 * per_thread) << "round " << round << " index " << i;
            ++seen[static_cast<size_t>(x)];
        }
        for (int x = 0; x < 2 * per_thread; ++x)
            ASSERT_EQ(seen[static_cast<size_t>(x)], 1) << "round " << round << " action " << x;
    }
}

TEST_F(BoardModel, FailedGrowthLeavesBoardUnchangedAndTellsUser)
{
    LogCapture log;
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(board_append_action(1, line_action(i, 1)), 0);
    set_board_action_allocator([](size_t) { return std::unique_ptr<board_action[]>(); });
    EXPECT_EQ(board_append_action(1, line_action(5000, 1)), -1);
    EXPECT_EQ(g_board[1].capacity, 1000);
    EXPECT_EQ(g_board[1].visible_count, 1000);
    EXPECT_EQ(board_action_at(1, 999)->data[0], 999);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Can not allocate memory for white board.");
    EXPECT_TRUE(log.contains("failed to allocate memory for white board_action\n"));
    EXPECT_TRUE(log.contains("board_num:1, action_size:1000, action_count\n"));
}

TEST_F(BoardModel, UndoAndRedoMoveByWholeGestures)
{
    // Two strokes of three segments each, a point between them.
    for (int end : { 0, 0, 1, 1, 0, 0, 1 })
        board_append_action(0, line_action(0, end));
    EXPECT_EQ(board_undo(0), 1);
    EXPECT_EQ(g_board[0].visible_count, 4);
    EXPECT_EQ(board_undo(0), 1);
    EXPECT_EQ(g_board[0].visible_count, 3);
    EXPECT_EQ(board_undo(0), 1);
    EXPECT_EQ(g_board[0].visible_count, 0);
    EXPECT_EQ(board_undo(0), 0);
    EXPECT_EQ(board_redo(0), 1);
    EXPECT_EQ(g_board[0].visible_count, 3);
    EXPECT_EQ(board_redo(0), 1);
    EXPECT_EQ(g_board[0].visible_count, 4);
    EXPECT_EQ(board_redo(0), 1);
    EXPECT_EQ(g_board[0].visible_count, 7);
    EXPECT_EQ(board_redo(0), 0);
}

TEST_F(BoardModel, WithoutGestureEndsUndoHidesAllAndRedoStopsAtLimit)
{
    for (int i = 0; i < 5; ++i)
        board_append_action(0, line_action(i, 0));
    board_undo(0);
    EXPECT_EQ(g_board[0].visible_count, 0);
    board_redo(0);
    EXPECT_EQ(g_board[0].visible_count, 5);
    EXPECT_EQ(g_board[0].redo_limit, 5);
}

TEST_F(BoardModel, NewActionAfterUndoDiscardsRedo)
{
    for (int i = 0; i < 3; ++i)
        board_append_action(0, line_action(i, 1));
    board_undo(0);
    board_undo(0);
    board_append_action(0, line_action(9, 1));
    EXPECT_EQ(g_board[0].visible_count, 2);
    EXPECT_EQ(g_board[0].redo_limit, 2);
    EXPECT_EQ(board_redo(0), 0);
    EXPECT_EQ(board_action_at(0, 1)->data[0], 9);
}

TEST_F(BoardModel, TextsGoToThePoolTheirLengthNeeds)
{
    struct Case { size_t length; int want_result; int want_pool; const char* box; };
    const Case cases[] = {
        { 0, -1, 0, nullptr },
        { 1, 0, board_pool_short, nullptr },
        { 399, 0, board_pool_short, nullptr },
        { 400, 0, board_pool_long, nullptr },
        { 3999, 0, board_pool_long, nullptr },
        { 4000, -1, 0, "Do not support text longer than 4000 now." },
    };
    for (const Case& c : cases) {
        boxes.clear();
        board_action a;
        a.kind = ACTION_TEXT;
        std::string text(c.length, 'x');
        EXPECT_EQ(board_store_text(0, a, text), c.want_result) << c.length;
        EXPECT_EQ(a.text_pool(), c.want_pool) << c.length;
        if (c.want_result == 0) {
            EXPECT_EQ(board_action_text(a), text);
        }
        if (c.box) {
            ASSERT_EQ(boxes.texts().size(), 1u);
            EXPECT_EQ(boxes.texts()[0], c.box);
        } else {
            EXPECT_TRUE(boxes.texts().empty());
        }
    }
}

TEST_F(BoardModel, PoolsRunOutWithTheirMessage)
{
    std::string long_text(500, 'l');
    for (int i = 0; i < board_long_str_count; ++i) {
        board_action a;
        ASSERT_EQ(board_store_text(0, a, long_text), 0);
        EXPECT_EQ(a.text_entry(), i);
    }
    EXPECT_EQ(board_find_free_long_str(), -1);
    board_action a;
    EXPECT_EQ(board_store_text(0, a, long_text), -1);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Long str used up.");

    for (auto& s : g_board_short_str)
        s.used = 1;
    EXPECT_EQ(board_find_free_short_str(), -1);
    EXPECT_EQ(board_store_text(0, a, "hi"), -1);
    EXPECT_EQ(boxes.texts().back(), "Short str used up.");
}

TEST_F(BoardModel, AddFontReusesEqualEntryAndIgnoresFullTable)
{
    board_logfont f1 {};
    f1[0] = 12;
    std::memcpy(f1.data() + 28, "Sans", 4);
    board_logfont f2 = f1;
    f2[0] = 20;
    g_current_board = 2;
    board_add_font(f1);
    EXPECT_EQ(g_board[2].font_index, 0);
    board_add_font(f2);
    EXPECT_EQ(g_board[2].font_index, 1);
    board_add_font(f1);
    EXPECT_EQ(g_board[2].font_index, 0);
    EXPECT_EQ(g_board_font[2].used, 0u);

    for (int i = 2; i < board_font_count; ++i) {
        board_logfont f {};
        f[1] = static_cast<uint8_t>(i);
        board_add_font(f);
    }
    EXPECT_EQ(g_board[2].font_index, board_font_count - 1);
    board_logfont extra {};
    extra[2] = 99;
    board_add_font(extra);
    EXPECT_EQ(g_board[2].font_index, board_font_count - 1);
}

TEST_F(BoardModel, ClearKeepsCapacityAndPoolEntries)
{
    board_action t;
    t.kind = ACTION_TEXT;
    t.set_gesture_end(1);
    ASSERT_EQ(board_store_text(5, t, "hello"), 0);
    board_append_action(5, t);
    g_board[5].bitmaps[3].used = 1;
    board_clear(5);
    EXPECT_EQ(g_board[5].visible_count, 0);
    EXPECT_EQ(g_board[5].redo_limit, 0);
    EXPECT_EQ(g_board[5].capacity, 1000);
    EXPECT_EQ(g_board[5].bitmaps[3].used, 0u);
    EXPECT_EQ(g_board_short_str[0].used, 1u);
    EXPECT_EQ(board_redo(5), 0);
}

TEST_F(BoardModel, ClearAllEmptiesEveryPageAndInvalidates)
{
    int invalidated = 0;
    board_window_hooks().invalidate_board_windows = [&](int) { ++invalidated; };
    for (int b = 0; b < board_count; ++b) {
        board_append_action(b, line_action(b, 1));
        g_board[static_cast<size_t>(b)].bitmaps[0].used = 1;
    }
    board_clear_all();
    for (const board_record& r : g_board) {
        EXPECT_EQ(r.visible_count, 0);
        EXPECT_EQ(r.bitmaps[0].used, 0u);
    }
    EXPECT_EQ(invalidated, 1);
    board_window_hooks() = BoardWindowHooks {};
}

TEST_F(BoardModel, OutOfRangeBoardsAreRefused)
{
    for (int b : { -1, 10, 1000 }) {
        EXPECT_EQ(board_check_action(b), -1);
        EXPECT_EQ(board_append_action(b, line_action(0, 1)), -1);
        EXPECT_EQ(board_undo(b), 0);
        EXPECT_EQ(board_redo(b), 0);
        EXPECT_EQ(board_action_at(b, 0), nullptr);
        board_clear(b);
    }
}

TEST(BoardModelSteps, InstalledStepsRunWithGlobalState)
{
    TempHome home;
    install_board_model();
    g_board[1].visible_count = 3;
    init_global_state();
    EXPECT_EQ(g_board[1].visible_count, 0);
    free_global_resources();
    global_state_steps().clear_boards = nullptr;
    global_state_steps().free_boards = nullptr;
}

} // namespace
