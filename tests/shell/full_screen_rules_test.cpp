// The full-screen window's rules without the window: scroll ranges by view,
// where the canvas is copied from, the attendees' rows, the cursor of a tool
// and the tool bar's buttons.

#include "shell/full_screen_rules.h"

#include "core/global_state.h"
#include "shell/frame_commands.h"
#include "skin/command_icons.h"
#include "whiteboard/board_gestures.h"

#include <gtest/gtest.h>

#include <set>

TEST(FullScreenRules, BoardScrollFollowsTheBoardSizeAndTheViewsPosition)
{
    struct Case {
        bool zoomed;
        int client_w, client_h, view_x, view_y;
        FullScreenScroll want;
    };
    const Case cases[] = {
        // 1600 x 1000 on 1024 x 768: 576 x 232 to scroll, steps a twentieth and a third.
        { false, 1024, 768, 100, 50, { 100, 50, 576, 232, 28, 11, 192, 77 } },
        // Zoomed: 3200 x 2000; the view's position lowered to the maximum.
        { true, 1024, 768, 5000, 1000, { 2176, 1000, 2176, 1232, 108, 61, 725, 410 } },
        // A screen larger than the board: nothing to scroll, never a negative range.
        { false, 1920, 1200, 300, 300, { 0, 0, 0, 0, 0, 0, 0, 0 } },
        { false, 1280, 1024, -20, 40, { 0, 0, 320, 0, 16, 0, 106, 0 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(full_screen_board_scroll(c.zoomed, c.client_w, c.client_h, c.view_x, c.view_y), c.want)
            << c.client_w << "x" << c.client_h << (c.zoomed ? " zoomed" : "");
    EXPECT_EQ(full_screen_other_scroll(), (FullScreenScroll { 0, 0, 1600, 1000, 80, 50, 533, 333 }));
}

TEST(FullScreenRules, EachViewCopiesFromItsOwnOrigin)
{
    struct Case {
        int view;
        bool zoomed;
        FullScreenCopy want;
    };
    for (Case c : { Case { upper_view_board, false, { 300, 200, false } }, Case { upper_view_board, true, { 150, 100, true } },
                    Case { upper_view_video, false, { 150, 100, false } }, Case { upper_view_share, false, { 300, 200, false } },
                    Case { upper_view_playback, false, { 150, 100, false } } })
        EXPECT_EQ(full_screen_copy_origin(c.view, c.zoomed, 300, 200), c.want) << c.view;
}

TEST(FullScreenRules, SevenPicturesFillRowsOfThreeThreeAndOne)
{
    const std::vector<PictureSize> sizes = { { 100, 80 }, { 120, 60 }, { 90, 90 }, { 50, 40 },
                                             { 60, 120 }, { 70, 30 }, { 160, 120 } };
    const std::vector<PicturePlace> want = {
        { 10, 10 }, { 120, 10 }, { 250, 10 },  // the row is 90 high
        { 10, 110 }, { 70, 110 }, { 140, 110 }, // 120 high
        { 10, 240 },
    };
    EXPECT_EQ(full_screen_people_places(sizes), want);
    EXPECT_TRUE(full_screen_people_places({}).empty());
}

TEST(FullScreenRules, CursorAndWhereDrawingAndSteeringHappen)
{
    struct Case {
        int tool;
        int cursor;
    };
    for (Case c : { Case { tool_select, 0 }, { tool_pen, 0 }, { tool_eraser, 0 }, { tool_text, cursor_text },
                    { tool_line, cursor_drawing }, { tool_filled_round_rect, cursor_drawing }, { 11, 0 }, { 20, cursor_drawing },
                    { 50, cursor_drawing }, { 81, cursor_drawing }, { 82, 0 } })
        EXPECT_EQ(full_screen_cursor(c.tool), c.cursor) << c.tool;
    EXPECT_TRUE(full_screen_draws(upper_view_board));
    EXPECT_TRUE(full_screen_draws(upper_view_share));
    EXPECT_FALSE(full_screen_draws(upper_view_video));
    EXPECT_FALSE(full_screen_draws(upper_view_playback));
    EXPECT_TRUE(full_screen_steers(upper_view_share));
    EXPECT_FALSE(full_screen_steers(upper_view_board));
}

TEST(FullScreenToolbar, ButtonsSpanTwentyPixelsFromTwentyWithTheirEdgesOutside)
{
    EXPECT_EQ(FullScreenToolbarModel::unfolded_width(), 445);
    struct Case {
        int x;
        int button;
    };
    for (Case c : { Case { 19, -1 }, { 20, -1 }, { 21, 0 }, { 39, 0 }, { 40, -1 }, { 41, 1 }, { 439, 20 }, { 440, -1 }, { 441, -1 } })
        EXPECT_EQ(FullScreenToolbarModel::button_at(c.x), c.button) << c.x;
}

TEST(FullScreenToolbar, APressPostsItsCommandAndKeepsOnePressedPerGroup)
{
    FullScreenToolbarModel bar;
    EXPECT_EQ(bar.press(10), 0);
    EXPECT_EQ(bar.press(30), 32935);                          // Close
    EXPECT_EQ(bar.press(20 + 6 * 20 + 10), cmd::tool_pen);    // Use pen
    EXPECT_EQ(bar.press(20 + 3 * 20 + 10), cmd::tool_eraser); // Use eraser
    EXPECT_TRUE(bar.pressed(3));
    EXPECT_FALSE(bar.pressed(6)) << "one tool at a time";
    EXPECT_TRUE(bar.pressed(0)) << "the other group keeps its own";
    EXPECT_EQ(bar.press(20 + 17 * 20 + 10), cmd::board_undo);
    EXPECT_FALSE(bar.pressed(0));
    EXPECT_TRUE(bar.pressed(3));

    // The tool chosen elsewhere shows; one that is not on the bar releases them all.
    bar.show_tool_command(cmd::tool_line);
    EXPECT_TRUE(bar.pressed(10));
    EXPECT_FALSE(bar.pressed(3));
    bar.show_tool_command(0);
    for (int i = 0; i < full_screen_tool_button_count; ++i)
        if (full_screen_tool_buttons()[static_cast<size_t>(i)].group == full_screen_tool_group_tools)
            EXPECT_FALSE(bar.pressed(i)) << i;

    EXPECT_EQ(bar.highlight_at(50), -1);
    EXPECT_EQ(bar.highlighted(), 1);
    EXPECT_EQ(bar.highlight_at(5), 1);
    EXPECT_EQ(bar.highlighted(), -1);
}

TEST(FullScreenToolbar, EveryButtonsCommandIsTheFramesOrTheWindowsAndItsPictureIsInTheStrip)
{
    std::set<int> commands;
    for (const FullScreenToolButton& b : full_screen_tool_buttons()) {
        EXPECT_TRUE(commands.insert(b.command).second) << b.command;
        const bool own = b.command == full_screen_close_command || b.command == full_screen_show_scroll_command;
        EXPECT_TRUE(own || find_frame_command(b.command)) << b.command;
        // The tools are the frame's tool commands, the rest are not.
        const FrameCommand* c = find_frame_command(b.command);
        EXPECT_EQ(b.group == full_screen_tool_group_tools, c && c->tool_code >= 0) << b.command;
        EXPECT_EQ(full_screen_strip_slot(b.set, b.image).command_id, b.command) << b.command;
    }
}
