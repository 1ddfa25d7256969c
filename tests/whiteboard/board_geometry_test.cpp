// The geometry of painting and picking, checked against the worked values.

#include "whiteboard/board_geometry.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_text.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using Kind = ShapeStroke::Kind;

TEST(BoardGeometry, PointDiscPixelCountsByWidth)
{
    struct Case { int width; int64_t pixels; };
    for (Case c : { Case { -5, 0 }, { 0, 0 }, { 1, 0 }, { 2, 1 }, { 3, 5 }, { 4, 9 }, { 5, 21 } })
        EXPECT_EQ(board_point_pixel_count(c.width), c.pixels) << "width " << c.width;

    // Width 3 is a plus: the centre row of three, one pixel above and below.
    std::vector<PointRow> rows = board_point_rows(3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].dy, -1);
    EXPECT_EQ(rows[0].half_span, 0);
    EXPECT_EQ(rows[1].half_span, 1);
    // A width far out of range stays bounded instead of taking the memory.
    EXPECT_LE(board_point_rows(2000000000).size(), 10001u);
}

TEST(BoardGeometry, RoundRectangleCornersOutlineAndFilled)
{
    struct Case { int x1, y1, x2, y2; int outline_diameter; int filled_corner; };
    for (Case c : {
             Case { 0, 0, 600, 600, 100, 60 },
             { 0, 0, 1200, 1200, 120, 60 },
             { 1200, 1200, 0, 0, 120, 60 },     // corners given the other way round
             { 0, 0, 60, 600, 10, 10 },         // the shorter side decides
             { 10, 10, 10, 10, 0, 0 },          // zero size
             { 0, 0, 11, 11, 0, 1 },            // 11 / 3 / 2 = 1: the outline's r = 0
             { -2000000000, -2000000000, 2000000000, 2000000000, 120, 60 },
         }) {
        EXPECT_EQ(board_round_rect_outline_diameter(c.x1, c.y1, c.x2, c.y2), c.outline_diameter)
            << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        EXPECT_EQ(board_round_rect_filled_corner(c.x1, c.y1, c.x2, c.y2), c.filled_corner);
    }
}

std::vector<BoardPoint> single_polyline(int code, int x1, int y1, int x2, int y2)
{
    std::vector<ShapeStroke> s = board_shape_strokes(code, x1, y1, x2, y2, 1);
    if (s.size() != 1 || s[0].kind != Kind::lines)
        return {};
    return s[0].points;
}

TEST(BoardGeometry, ClosedFiguresHaveTheirVerticesAndCloseOnTheFirst)
{
    using P = std::vector<BoardPoint>;
    struct Case { int code; int x1, y1, x2, y2; P want; };
    const std::vector<Case> cases {
        { 40, 0, 0, 100, 40, { { 0, 0 }, { 100, 0 }, { 50, 40 }, { 0, 0 } } },
        { 40, 100, 40, 0, 0, { { 0, 0 }, { 100, 0 }, { 50, 40 }, { 0, 0 } } },  // bottom-right first: same triangle
        { 41, 0, 0, 100, 40, { { 50, 0 }, { 0, 40 }, { 100, 40 }, { 50, 0 } } },
        { 44, 0, 0, 10, 20, { { 0, 0 }, { 0, 20 }, { 10, 20 }, { 0, 0 } } },
        { 47, 0, 0, 10, 20, { { 10, 0 }, { 10, 20 }, { 0, 20 }, { 10, 0 } } },
        { 50, 0, 0, 100, 40, { { 0, 20 }, { 50, 40 }, { 100, 20 }, { 50, 0 }, { 0, 20 } } },
        { 60, 0, 0, 100, 40, { { 25, 0 }, { 75, 0 }, { 100, 40 }, { 0, 40 }, { 25, 0 } } },
        { 63, 0, 0, 100, 40, { { 0, 0 }, { 0, 40 }, { 100, 30 }, { 100, 10 }, { 0, 0 } } },
        { 70, 0, 0, 100, 40, { { 50, 0 }, { 100, 0 }, { 50, 40 }, { 0, 40 }, { 50, 0 } } },
        { 70, 100, 0, 0, 40, { { 50, 0 }, { 0, 0 }, { 50, 40 }, { 100, 40 }, { 50, 0 } } },  // mirrored
        { 80, 0, 0, 90, 40,
          { { 30, 0 }, { 0, 20 }, { 30, 40 }, { 60, 40 }, { 90, 20 }, { 60, 0 }, { 30, 0 } } },
        { 81, 0, 0, 90, 60,
          { { 30, 0 }, { 0, 20 }, { 0, 40 }, { 30, 60 }, { 60, 60 }, { 90, 40 }, { 90, 20 }, { 60, 0 }, { 30, 0 } } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(single_polyline(c.code, c.x1, c.y1, c.x2, c.y2), c.want) << "code " << c.code;
}

TEST(BoardGeometry, DecoratedLinesHeadsAndEndPieces)
{
    // Along the x axis from (0, 0) to (100, 0), width 2: h = 6, s = 5.
    std::vector<ShapeStroke> open = board_shape_strokes(20, 0, 0, 100, 0, 2);
    ASSERT_EQ(open.size(), 3u);
    EXPECT_EQ(open[0].points, (std::vector<BoardPoint> { { 0, 0 }, { 100, 0 } }));
    EXPECT_EQ(open[1].points, (std::vector<BoardPoint> { { 100, 0 }, { 92, 6 } }));
    EXPECT_EQ(open[2].points, (std::vector<BoardPoint> { { 100, 0 }, { 92, -6 } }));

    // A filled head: the line stops at the middle of the triangle's base.
    std::vector<ShapeStroke> filled = board_shape_strokes(26, 0, 0, 100, 0, 2);
    ASSERT_EQ(filled.size(), 2u);
    EXPECT_EQ(filled[0].points, (std::vector<BoardPoint> { { 0, 0 }, { 92, 0 } }));
    EXPECT_EQ(filled[1].kind, Kind::filled_polygon);
    EXPECT_EQ(filled[1].points, (std::vector<BoardPoint> { { 100, 0 }, { 92, 6 }, { 92, -6 } }));

    // Circles centred s from the ends, the line from centre to centre.
    std::vector<ShapeStroke> circles = board_shape_strokes(24, 0, 0, 100, 0, 2);
    ASSERT_EQ(circles.size(), 3u);
    EXPECT_EQ(circles[0].points, (std::vector<BoardPoint> { { 5, 0 }, { 95, 0 } }));
    EXPECT_EQ(circles[1].kind, Kind::ellipse);
    EXPECT_EQ(circles[1].box, (BoardBox { 0, -5, 10, 5 }));
    EXPECT_EQ(circles[2].box, (BoardBox { 90, -5, 100, 5 }));
    EXPECT_EQ(board_shape_strokes(30, 0, 0, 100, 0, 2)[1].kind, Kind::filled_ellipse);

    // Diamonds: the end, 2s along, s along +- s n; the line from the far corner.
    std::vector<ShapeStroke> diamonds = board_shape_strokes(25, 0, 0, 100, 0, 2);
    ASSERT_EQ(diamonds.size(), 3u);
    EXPECT_EQ(diamonds[0].points, (std::vector<BoardPoint> { { 10, 0 }, { 90, 0 } }));
    EXPECT_EQ(diamonds[1].points,
              (std::vector<BoardPoint> { { 0, 0 }, { 5, 5 }, { 10, 0 }, { 5, -5 }, { 0, 0 } }));
    std::vector<ShapeStroke> solid = board_shape_strokes(31, 0, 0, 100, 0, 2);
    EXPECT_EQ(solid[1].kind, Kind::filled_polygon);

    // Length 0 draws nothing; a diagonal truncates toward zero.
    for (int code = 20; code <= 31; ++code)
        EXPECT_TRUE(board_shape_strokes(code, 7, 7, 7, 7, 3).empty()) << code;
    std::vector<ShapeStroke> diagonal = board_shape_strokes(20, 0, 0, 30, 40, 0);
    EXPECT_EQ(diagonal[1].points[1], (BoardPoint { 21, 36 }));  // (25.2 - 4, 33.6 + 3) truncated
}

TEST(BoardGeometry, RoundEndedFiguresBulgeAwayAndPreviewWithoutArcs)
{
    for (int code = 71; code <= 74; ++code)
        EXPECT_TRUE(board_shape_strokes(code, 0, 10, 100, 10, 1).empty()) << code;

    std::vector<ShapeStroke> right = board_shape_strokes(71, 0, 0, 100, 40, 1);
    ASSERT_EQ(right.size(), 2u);
    EXPECT_EQ(right[0].points, (std::vector<BoardPoint> { { 100, 0 }, { 0, 0 }, { 0, 40 }, { 100, 40 } }));
    EXPECT_EQ(right[1].kind, Kind::arc);
    EXPECT_EQ(right[1].box, (BoardBox { 80, 0, 120, 40 }));
    EXPECT_EQ(right[1].start_deg, -90);  // bottom, counter-clockwise through the right
    std::vector<ShapeStroke> left = board_shape_strokes(71, 100, 0, 0, 40, 1);
    EXPECT_EQ(left[1].start_deg, 90);

    std::vector<ShapeStroke> up = board_shape_strokes(72, 0, 50, 40, 200, 1);
    EXPECT_EQ(up[1].box, (BoardBox { 0, 30, 40, 70 }));
    EXPECT_EQ(up[1].start_deg, 0);

    EXPECT_EQ(board_shape_strokes(73, 0, 0, 100, 40, 1).size(), 4u);
    std::vector<ShapeStroke> preview = board_shape_preview_strokes(73, 0, 0, 100, 40);
    ASSERT_EQ(preview.size(), 2u);
    for (const ShapeStroke& s : preview)
        EXPECT_EQ(s.kind, Kind::lines);
    EXPECT_EQ(board_shape_preview_strokes(71, 0, 0, 100, 40).size(), 2u);  // 71 keeps its arc
    // Decorated lines preview as the plain line.
    EXPECT_EQ(board_shape_preview_strokes(27, 0, 0, 100, 40)[0].points,
              (std::vector<BoardPoint> { { 0, 0 }, { 100, 40 } }));
    EXPECT_TRUE(board_shape_strokes(99, 0, 0, 10, 10, 1).empty());
}

using IndexZ = std::vector<std::pair<int, int>>;

std::array<bmp_slot, board_bmp_count> slots_with(const IndexZ& index_z)
{
    std::array<bmp_slot, board_bmp_count> slots {};
    for (auto [index, z] : index_z) {
        bmp_slot& s = slots[static_cast<size_t>(index)];
        s.used = 1;
        s.z_order = z;
        s.x = 10;
        s.y = 10;
        s.width = 100;
        s.height = 100;
    }
    return slots;
}

TEST(BoardGeometry, PicturesPaintBackToFrontAndTheFrontOneIsPicked)
{
    struct Case { IndexZ slots; std::vector<int> order; int picked; };
    const std::vector<Case> cases {
        { { { 2, 0 }, { 5, 0 } }, { 2, 5 }, 5 },          // equal: the lower slot first, the other in front
        { { { 1, -1 }, { 3, 0 } }, { 3, 1 }, 1 },         // -1 lies in front of 0
        { { { 0, 7 }, { 9, 3 }, { 4, 5 } }, { 0, 4, 9 }, 9 },
        { { { 6, -10000 }, { 7, 2 } }, { 7 }, 7 },        // -10000 or less is never painted
        { {}, {}, -1 },
    };
    for (const Case& c : cases) {
        auto slots = slots_with(c.slots);
        EXPECT_EQ(board_bmp_paint_order(slots), c.order);
        EXPECT_EQ(board_bmp_pick(slots, 50, 50), c.picked);
    }
    auto slots = slots_with({ { 0, 0 } });
    EXPECT_EQ(board_bmp_pick(slots, 10, 50), -1);   // on the edge is not inside
    EXPECT_EQ(board_bmp_pick(slots, 109, 109), 0);
    EXPECT_EQ(board_bmp_pick(slots, 110, 50), -1);
}

TEST(BoardGeometry, PutToBackAndFrontZOrders)
{
    struct Case { std::initializer_list<std::pair<int, int>> slots; int back; int front; };
    for (const Case& c : { Case { { { 0, 0 }, { 1, -1 } }, 1, -2 }, { {}, 1, -1 }, { { { 3, 9 } }, 10, 8 },
                           { { { 3, 2147483647 }, { 4, -2147483647 - 1 } }, 2147483647, -2147483647 - 1 } }) {
        auto slots = slots_with(c.slots);
        EXPECT_EQ(board_bmp_back_z_order(slots), c.back);
        EXPECT_EQ(board_bmp_front_z_order(slots), c.front);
    }
}

TEST(BoardGeometry, PointerMarkHitStrictlyInside)
{
    struct Case { int x, y; bool hit; };
    for (Case c : { Case { 85, 90, true }, { 71, 82, true }, { 70, 90, false }, { 100, 90, false },
                    { 85, 81, false }, { 85, 100, false } })
        EXPECT_EQ(board_pointer_mark_hit(100, 100, c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST(BoardGeometry, ZoomedPageDoublesCoordinatesAndWidthsOnTheWindow)
{
    board_action line;
    line.kind = ACTION_LINE;
    line.data = { 10, 10, 20, 10, 2, 1, 2, 3, 0 };
    board_action on_window = board_action_on_window(line, true, 5, 7);
    EXPECT_EQ(on_window.data[0], 15);
    EXPECT_EQ(on_window.data[1], 13);
    EXPECT_EQ(on_window.data[2], 35);
    EXPECT_EQ(on_window.data[3], 13);
    EXPECT_EQ(on_window.data[4], 4);
    EXPECT_EQ(on_window.data[5], 1);

    board_action text;
    text.kind = ACTION_TEXT;
    text.data = { 10, 20, 255, 0, 0, 3, 1, 4, 0 };
    board_action t = board_action_on_window(text, true, 0, 0);
    EXPECT_EQ(t.data[0], 20);
    EXPECT_EQ(t.data[1], 40);
    EXPECT_EQ(t.data[2], 255);  // colour, not a coordinate
    EXPECT_EQ(t.data[5], 3);

    board_action point;
    point.kind = ACTION_POINT;
    point.data = { 2000000000, -2000000000, 3, 0, 0, 0, 0, 0, 0 };
    board_action p = board_action_on_window(point, true, 0, 0);
    EXPECT_EQ(p.data[0], 2147483647);   // saturates instead of wrapping
    EXPECT_EQ(p.data[1], -2147483647 - 1);
    EXPECT_EQ(p.data[2], 6);
    EXPECT_EQ(board_action_on_window(point, false, 0, 0).data[2], 3);
}

TEST(BoardGeometry, ActionColourTakesTheLowByteOfEachWord)
{
    EXPECT_EQ(board_action_colour(0x1ff, 0x2, 0x303), 0x0302ffu);
}

// ---- the text being typed ----

TEST(BoardText, LineHelpers)
{
    const std::string t = "ab\rcdef\r\rg";  // lines: "ab", "cdef", "", "g"
    EXPECT_EQ(text_count_lines(t).lines, 4);
    EXPECT_EQ(text_count_lines(t).length, 10);
    EXPECT_EQ(text_count_lines("").lines, 1);
    EXPECT_EQ(text_longest_line_start(t), 3);
    EXPECT_EQ(text_longest_line_end(t), 7);
    EXPECT_EQ(text_longest_line_start("ab\rcd"), 0);  // the first of equal lines

    struct Case { int pos; int line_start; int line_number; int home; int end; int prev; int next; };
    for (Case c : {
             Case { 0, 0, 0, 0, 2, 0, 3 },
             { 2, 0, 1, 0, 2, 0, 3 },     // on the CR that ends the first line
             { 5, 3, 1, 3, 7, 2, 8 },
             { 8, 8, 3, 8, 8, 7, 9 },     // the empty line
             { 9, 9, 3, 9, 10, 8, 10 },   // the last line: next is the length
             { 50, 9, 3, 9, 10, 8, 10 },  // clamped to the last character
             { -3, 0, 0, 0, 2, 0, 3 },
         }) {
        EXPECT_EQ(text_line_start_before(t, c.pos), c.line_start) << "pos " << c.pos;
        EXPECT_EQ(text_line_number(t, c.pos), c.line_number) << "pos " << c.pos;
        EXPECT_EQ(text_line_home(t, c.pos), c.home) << "pos " << c.pos;
        EXPECT_EQ(text_line_end(t, c.pos), c.end) << "pos " << c.pos;
        EXPECT_EQ(text_prev_line(t, c.pos), c.prev) << "pos " << c.pos;
        EXPECT_EQ(text_next_line(t, c.pos), c.next) << "pos " << c.pos;
    }
}

TEST(BoardText, InsertAndDeleteKeepTheLimit)
{
    std::string t = "ac";
    EXPECT_EQ(text_insert_char(t, 1, 'b'), 0);
    EXPECT_EQ(t, "abc");
    EXPECT_EQ(text_insert_char(t, 4, 'x'), -1);
    EXPECT_EQ(text_insert_char(t, -1, 'x'), -1);
    EXPECT_EQ(text_delete_char(t, 3), -1);
    EXPECT_EQ(text_delete_char(t, 0), 0);
    EXPECT_EQ(t, "bc");

    std::string full(board_text_limit - 1, 'x');
    EXPECT_EQ(text_insert_char(full, 0, 'y'), 0);  // the 3999th character
    EXPECT_EQ(text_insert_char(full, 0, 'z'), 1);  // the 4000th is refused
    EXPECT_EQ(full.size(), static_cast<size_t>(board_text_limit));
    EXPECT_EQ(full[0], 'y');

    EXPECT_EQ(board_text_from_box("ab\nc"), "ab\rc");
    EXPECT_EQ(board_text_from_box("ab\r\nc\n"), "ab\rc\r");
}

} // namespace
