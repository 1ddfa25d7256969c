// The sharer's Ctrl and Ctrl+Alt gestures over a share, working off line so
// that each line lands on board 9 at once.

#include "core/global_state.h"
#include "sharing/share_annotation.h"
#include "sharing/share_state.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

class ShareAnnotationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        g_offline_board = 1;
        g_sharing_app = 1;
    }
    void TearDown() override
    {
        g_offline_board = 0;
        g_sharing_app = 0;
        board_model_free();
    }
    ShareAnnotation::Step step(int x, int y, bool ctrl, bool alt = false)
    {
        states_.push_back({ x, y, ctrl, alt });
        return annotation_.overlay_step();
    }
    board_action action(int index)
    {
        std::lock_guard lock(board_actions_lock());
        const board_action* a = board_action_at(9, index);
        return a ? *a : board_action {};
    }

    TempHome home_;
    std::deque<platform::PointerState> states_;
    ShareAnnotation annotation_ { [this](platform::PointerState& s) {
        if (states_.empty())
            return false;
        s = states_.front();
        states_.pop_front();
        return true;
    } };
};

} // namespace

TEST_F(ShareAnnotationTest, CtrlDrawsFromTheLastPointAndCtrlAltClears)
{
    g_board[9].pen_red = 200;
    g_board[9].pen_width = 4;
    EXPECT_FALSE(step(10, 10, true).segment);  // the first point only starts the trail
    auto held = step(10, 10, true);            // held without moving: a segment of no length
    EXPECT_TRUE(held.segment);
    EXPECT_EQ(g_board[9].visible_count, 1);
    auto moved = step(30, 40, true);
    EXPECT_TRUE(moved.segment);
    EXPECT_EQ((std::array<int, 4> { moved.x1, moved.y1, moved.x2, moved.y2 }), (std::array<int, 4> { 10, 10, 30, 40 }));
    ASSERT_EQ(g_board[9].visible_count, 2);
    board_action line = action(1);
    EXPECT_EQ(line.kind, ACTION_LINE);
    EXPECT_EQ(line.data[0], 10);
    EXPECT_EQ(line.data[3], 40);
    EXPECT_EQ(line.data[4], 4);
    EXPECT_EQ(line.data[5], 200);

    // Released and pressed again: a new stroke, no segment joining the two.
    EXPECT_FALSE(step(30, 40, false).segment);
    EXPECT_FALSE(step(90, 90, true).segment);
    EXPECT_EQ(g_board[9].visible_count, 2);

    // Every tenth step shows board 9 again while it has actions.
    int repaints = 0;
    for (int i = 0; i < 10; ++i)
        repaints += step(0, 0, false).repaint ? 1 : 0;
    EXPECT_EQ(repaints, 1);

    EXPECT_TRUE(step(5, 5, true, true).cleared);
    EXPECT_EQ(g_board[9].visible_count, 0);
    for (int i = 0; i < 20; ++i)
        EXPECT_FALSE(step(0, 0, false).repaint) << "an empty board 9 paints nothing";

    // Not sharing: nothing is drawn.
    g_sharing_app = 0;
    EXPECT_FALSE(step(1, 1, true).segment);
    EXPECT_FALSE(step(2, 2, true).segment);
    EXPECT_EQ(g_board[9].visible_count, 0);
}
