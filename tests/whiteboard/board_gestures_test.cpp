// Gestures without a window: mouse events in, builder calls and window
// drawing out.

#include "whiteboard/board_gestures.h"

#include "core/global_state.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Sent {
    std::string what;
    std::vector<int> args;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Sent& s)
{
    os << s.what;
    for (int a : s.args)
        os << ' ' << a;
    return os;
}

class RecordingBuilders : public BoardBuilders {
public:
    std::vector<Sent> sent;
    void point(int board, int r, int g, int b, int x, int y, int width) override
    {
        sent.push_back({ "point", { board, r, g, b, x, y, width } });
    }
    void line(int board, int r, int g, int b, int x1, int y1, int x2, int y2, int width, int end) override
    {
        sent.push_back({ "line", { board, r, g, b, x1, y1, x2, y2, width, end } });
    }
    void figure(int tool, int board, int r, int g, int b, int x1, int y1, int x2, int y2, int width, int end) override
    {
        sent.push_back({ "figure", { tool, board, r, g, b, x1, y1, x2, y2, width, end } });
    }
    void shape(int board, int kind, int r, int g, int b, int x1, int y1, int x2, int y2, int width, int end) override
    {
        sent.push_back({ "shape", { board, kind, r, g, b, x1, y1, x2, y2, width, end } });
    }
    void pointer(int board, int x, int y) override { sent.push_back({ "pointer", { board, x, y } }); }
    void bmp_pos(int board, int index, int x, int y) override { sent.push_back({ "bmp_pos", { board, index, x, y } }); }
    size_t count(const std::string& what) const
    {
        size_t n = 0;
        for (const Sent& s : sent)
            n += s.what == what ? 1 : 0;
        return n;
    }
};

class RecordingSurface : public BoardGestureSurface {
public:
    std::vector<board_action> drawn;
    std::vector<BoardRubberBand> bands;
    int cursor = 0;
    int flushes = 0;
    bool last_keep_open = false;
    int opened = 0;
    int invalidated = 0;
    void draw_now(int, const board_action& a) override { drawn.push_back(a); }
    void xor_rubber_band(int, const BoardRubberBand& band) override { bands.push_back(band); }
    void set_cursor(int c) override { cursor = c; }
    void capture_mouse() override {}
    void flush_text_entry(int, bool keep_open) override
    {
        ++flushes;
        last_keep_open = keep_open;
    }
    void open_text_entry(int) override { ++opened; }
    void invalidate(int) override { ++invalidated; }
};

class BoardGestures : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        g_offline_board = 0;
        g_board_pen_moves = 0;
        g_board_eraser_moves = 0;
        g_board_pointer_moves = 0;
    }
    void TearDown() override
    {
        g_offline_board = 0;
        board_model_free();
    }
    board_record& page() { return g_board[0]; }
    RecordingBuilders builders;
    RecordingSurface surface;
    BoardGestureController gestures { builders, surface };
};

TEST_F(BoardGestures, FreeHandStrokeSendsEveryFourthMoveAndFlagsEveryFortieth)
{
    // The counter is global: 39 moves send 9 segments from 0, 10 from 1.
    struct Case { int counter_before; size_t segments; size_t gesture_ends; };
    for (Case c : { Case { 0, 9, 0 }, { 1, 10, 1 }, { 38, 10, 1 } }) {
        builders.sent.clear();
        g_board_pen_moves = c.counter_before;
        page().tool = tool_pen;
        page().pen_width = 3;
        page().pen_red = 200;
        gestures.button_down(0, 10, 10);
        for (int i = 1; i <= 39; ++i)
            gestures.mouse_move(0, 10 + i, 10 + i);
        gestures.button_up(0, 50, 50);
        ASSERT_EQ(builders.count("point"), 1u) << c.counter_before;
        EXPECT_EQ(builders.sent[0], (Sent { "point", { 0, 200, 0, 0, 10, 10, 3 } }));
        EXPECT_EQ(builders.count("line"), c.segments) << c.counter_before;
        size_t ends = 0;
        for (const Sent& s : builders.sent)
            ends += s.what == "line" && s.args[9] == 1 ? 1 : 0;
        EXPECT_EQ(ends, c.gesture_ends) << c.counter_before;
    }
    // Each segment starts where the last one ended.
    for (size_t i = 2; i < builders.sent.size(); ++i)
        EXPECT_EQ(builders.sent[i].args[4], builders.sent[i - 1].args[6]);
}

TEST_F(BoardGestures, EraserDrawsWhiteAndSendsTheEraserColourAndWidth)
{
    page().tool = tool_eraser;
    page().eraser_red = 250;
    page().eraser_width = 40;
    gestures.button_down(0, 0, 0);
    for (int i = 1; i <= 4; ++i)
        gestures.mouse_move(0, i * 10, 0);
    ASSERT_EQ(builders.sent.size(), 1u);
    EXPECT_EQ(builders.sent[0], (Sent { "line", { 0, 250, 255, 255, 0, 0, 40, 0, 40, 0 } }));
    ASSERT_EQ(surface.drawn.size(), 1u);
    EXPECT_EQ(surface.drawn[0].data[5], 255);  // drawn white on the window
    EXPECT_EQ(surface.cursor, cursor_eraser);
}

TEST_F(BoardGestures, RubberBandIsErasedBeforeEachNewOneAndTheFigureIsSent)
{
    struct Case { int tool; std::string builder; };
    for (const Case& c : { Case { tool_line, "line" }, { tool_filled_rect, "figure" }, { tool_round_rect, "figure" },
                           { 27, "shape" }, { 81, "shape" } }) {
        builders.sent.clear();
        surface.bands.clear();
        surface.drawn.clear();
        page().tool = c.tool;
        gestures.button_down(0, 10, 20);
        gestures.mouse_move(0, 30, 40);
        gestures.mouse_move(0, 50, 60);
        gestures.button_up(0, 70, 80);
        // shown, erased, shown, erased: every band drawn twice leaves nothing.
        ASSERT_EQ(surface.bands.size(), 4u) << c.tool;
        EXPECT_EQ(surface.bands[0], surface.bands[1]);
        EXPECT_EQ(surface.bands[2], surface.bands[3]);
        EXPECT_EQ(surface.bands[2], (BoardRubberBand { c.tool, 10, 20, 50, 60 }));
        ASSERT_EQ(builders.sent.size(), 1u) << c.tool;
        EXPECT_EQ(builders.sent[0].what, c.builder);
        std::vector<int> tail(builders.sent[0].args.end() - 6, builders.sent[0].args.end());
        EXPECT_EQ(tail, (std::vector<int> { 10, 20, 70, 80, 1, 1 })) << c.tool;  // start, end, width, gesture end
        ASSERT_EQ(surface.drawn.size(), 1u);
        int want_kind = c.tool == tool_line ? ACTION_LINE : c.tool == tool_filled_rect ? ACTION_FILLED_RECT
                        : c.tool == tool_round_rect                                  ? ACTION_ROUND_RECT
                                                                                     : c.tool;
        EXPECT_EQ(surface.drawn[0].kind, want_kind);
    }
}

TEST_F(BoardGestures, ZoomedPageHalvesThroughTheBuildersAndDrawsInPageCoordinates)
{
    page().half_size = 1;
    page().tool = tool_line;
    g_offline_board = 1;
    BoardBuilders real;
    BoardGestureController offline(real, surface);
    offline.button_down(0, 100, 100);
    offline.mouse_move(0, 200, 100);
    offline.button_up(0, 300, 100);
    ASSERT_EQ(page().visible_count, 1);
    board_action stored {};
    {
        std::lock_guard<std::mutex> guard(board_actions_lock());
        stored = *board_action_at(0, 0);
    }
    EXPECT_EQ(stored.kind, ACTION_LINE);
    EXPECT_EQ(stored.data[0], 50);
    EXPECT_EQ(stored.data[1], 50);
    EXPECT_EQ(stored.data[2], 150);
    EXPECT_EQ(stored.data[3], 50);
    EXPECT_EQ(surface.bands.back(), (BoardRubberBand { tool_line, 50, 50, 100, 50 }));
    EXPECT_EQ(surface.drawn.back().data[2], 150);
}

TEST_F(BoardGestures, ClickOnThePointerMarkArmsPlacingAndTheNextClickPlacesIt)
{
    page().show_pointer = 1;
    page().pointer_x = 100;
    page().pointer_y = 100;
    gestures.button_down(0, 90, 90);
    EXPECT_EQ(page().tool, tool_pointer_drag);
    gestures.button_up(0, 105, 95);  // 15 pixels: a click
    EXPECT_EQ(page().tool, tool_pointer_place);
    EXPECT_EQ(surface.cursor, cursor_pointer_place);
    gestures.button_down(0, 300, 200);
    gestures.button_up(0, 300, 200);
    EXPECT_EQ(page().tool, tool_select);
    ASSERT_EQ(builders.sent.size(), 1u);
    EXPECT_EQ(builders.sent[0], (Sent { "pointer", { 0, 305, 210 } }));
}

TEST_F(BoardGestures, DraggingThePointerMarkSendsEveryTenthMoveAndWhereItWasLetGo)
{
    page().show_pointer = 1;
    page().pointer_x = 100;
    page().pointer_y = 100;
    gestures.button_down(0, 90, 90);
    for (int i = 1; i <= 25; ++i)
        gestures.mouse_move(0, 90 + i * 2, 90);
    gestures.button_up(0, 140, 90);
    EXPECT_EQ(page().tool, tool_select);
    ASSERT_EQ(builders.sent.size(), 3u);  // moves 10 and 20, then the release
    EXPECT_EQ(builders.sent[0], (Sent { "pointer", { 0, 120, 100 } }));
    EXPECT_EQ(builders.sent[2], (Sent { "pointer", { 0, 150, 100 } }));
}

TEST_F(BoardGestures, DraggingPicksTheFrontPictureAndSendsItsNewPosition)
{
    for (int i : { 3, 6 }) {
        bmp_slot& s = page().bitmaps[static_cast<size_t>(i)];
        s.used = 1;
        s.x = 100;
        s.y = 100;
        s.width = 200;
        s.height = 100;
    }
    page().bitmaps[3].z_order = -1;  // in front of slot 6 (0)
    gestures.button_down(0, 150, 150);
    EXPECT_EQ(page().tool, tool_bitmap_drag);
    gestures.mouse_move(0, 160, 170);
    ASSERT_EQ(surface.bands.size(), 1u);
    EXPECT_EQ(surface.bands[0], (BoardRubberBand { tool_bitmap_drag, 110, 120, 310, 220 }));
    gestures.button_up(0, 170, 180);
    EXPECT_EQ(surface.bands.size(), 2u);  // the outline taken away
    EXPECT_EQ(page().tool, tool_select);
    ASSERT_EQ(builders.sent.size(), 1u);
    EXPECT_EQ(builders.sent[0], (Sent { "bmp_pos", { 0, 3, 120, 130 } }));
    EXPECT_EQ(page().bitmaps[3].x, 120);
    EXPECT_GE(surface.invalidated, 1);

    // A locked page keeps its pictures; off line it is the user's own page.
    builders.sent.clear();
    page().lock_flag = 1;
    gestures.button_down(0, 150, 150);
    EXPECT_EQ(page().tool, tool_select);
    gestures.button_up(0, 200, 200);
    EXPECT_TRUE(builders.sent.empty());
    g_offline_board = 1;
    gestures.button_down(0, 150, 150);
    EXPECT_EQ(page().tool, tool_bitmap_drag);
}

// A surface with its own counters and without the select tool's picks (the
// full-screen window's): strokes count apart from the view's, and the pointer
// mark, a picture and an armed placing click stay as they are.
TEST_F(BoardGestures, OwnCountersAndNoPicksLeaveTheViewsStateAlone)
{
    int pen_moves = 0;
    int eraser_moves = 0;
    BoardGestureController own(builders, surface, BoardGestureOptions { &pen_moves, &eraser_moves, false });
    g_board_pen_moves = 3;
    page().tool = tool_pen;
    own.button_down(0, 0, 0);
    for (int i = 1; i <= 8; ++i)
        own.mouse_move(0, i, 0);
    own.button_up(0, 8, 0);
    EXPECT_EQ(pen_moves, 8);
    EXPECT_EQ(g_board_pen_moves, 3);
    EXPECT_EQ(builders.count("line"), 2u);
    page().tool = tool_eraser;
    own.button_down(0, 0, 0);
    own.mouse_move(0, 1, 0);
    own.button_up(0, 1, 0);
    EXPECT_EQ(eraser_moves, 1);
    EXPECT_EQ(g_board_eraser_moves, 0);

    builders.sent.clear();
    page().show_pointer = 1;
    page().pointer_x = 100;
    page().pointer_y = 100;
    bmp_slot& picture = page().bitmaps[0];
    picture.used = 1;
    picture.x = 200;
    picture.y = 200;
    picture.width = 50;
    picture.height = 50;
    struct Case { int tool; int x; int y; };
    for (Case c : { Case { tool_select, 90, 90 }, { tool_select, 210, 210 }, { tool_pointer_place, 300, 300 },
                    { tool_pointer_drag, 90, 90 }, { tool_bitmap_drag, 210, 210 } }) {
        page().tool = c.tool;
        own.button_down(0, c.x, c.y);
        own.mouse_move(0, c.x + 30, c.y + 30);
        own.button_up(0, c.x + 30, c.y + 30);
        EXPECT_EQ(page().tool, c.tool) << c.tool;
    }
    EXPECT_TRUE(builders.sent.empty());
    EXPECT_TRUE(surface.bands.empty());
    EXPECT_EQ(picture.x, 200);
}

TEST_F(BoardGestures, MovesOutsideOrOverTheCaptionDoNothing)
{
    page().tool = tool_pen;
    gestures.button_down(0, 10, 10);
    for (int i = 0; i < 40; ++i)
        gestures.mouse_move(0, 20 + i, 20, true);
    EXPECT_EQ(builders.count("line"), 0u);
    EXPECT_EQ(g_board_pen_moves, 0);
}

TEST_F(BoardGestures, TextToolOpensTheEntryAtThePageClickAndOtherToolsCloseIt)
{
    page().tool = tool_text;
    page().half_size = 1;
    gestures.button_down(0, 201, 101);
    EXPECT_EQ(surface.flushes, 1);
    EXPECT_TRUE(surface.last_keep_open);
    EXPECT_EQ(surface.opened, 1);
    EXPECT_EQ(page().text_x, 100);  // page coordinates on a zoomed page
    EXPECT_EQ(page().text_y, 50);
    EXPECT_EQ(page().caret, 0);
    gestures.button_up(0, 201, 101);
    page().tool = tool_pen;
    gestures.button_down(0, 10, 10);
    EXPECT_EQ(surface.flushes, 2);
    EXPECT_FALSE(surface.last_keep_open);
}

TEST_F(BoardGestures, ReleaseWithoutPressSendsNothing)
{
    page().tool = tool_rect;
    gestures.button_up(0, 50, 50);
    EXPECT_TRUE(builders.sent.empty());
}

TEST(BoardTools, CursorsByTool)
{
    struct Case { int tool; int cursor; };
    for (Case c : { Case { 0, 0 }, { 1, 137 }, { 2, 136 }, { 3, 138 }, { 4, 137 }, { 10, 137 }, { 11, 0 },
                    { 12, 493 }, { 13, 0 }, { 20, 137 }, { 74, 137 }, { 81, 137 }, { 35, 0 } })
        EXPECT_EQ(board_tool_cursor(c.tool), c.cursor) << c.tool;
}

} // namespace
