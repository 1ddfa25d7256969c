#pragma once
// The geometry of what a page shows, without a device: which pixels a point
// sets, the corners of rounded rectangles, the outline of every shape code
// (closed figures, decorated lines with their heads and end pieces, figures
// with round ends), the order pictures are painted in and which one a click
// hits, and the doubling and halving of a zoomed page. The painters of the
// window layer draw exactly these strokes.

#include "platform/sys/colorref.h"
#include "whiteboard/board_action.h"

#include <array>
#include <cstdint>
#include <vector>

struct bmp_slot;

// Shape codes of the palette (action kinds and tool codes alike).
inline constexpr int shape_plain_line = 4;        // the line tool's line as a shape
bool board_is_shape_code(int code);               // 20-31, 40-47, 50, 60-63, 70-74, 80, 81
bool board_is_decorated_line(int code);           // 20-31

struct BoardPoint {
    int x = 0;
    int y = 0;
    bool operator==(const BoardPoint&) const = default;
};

// The page box L, T, R, B of two corners.
struct BoardBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const BoardBox&) const = default;
};
BoardBox board_box(int x1, int y1, int x2, int y2);

// An action's colour words as a COLORREF: only the low byte of each counts.
COLORREF board_action_colour(int32_t red, int32_t green, int32_t blue);

// A point of width w sets the pixels (x + dx, y + dy) with |dx|, |dy| <= w / 2
// and dx^2 + dy^2 < w^2 / 4 (integer divisions). As rows: for each dy the
// half-span of dx, or -1 when the row has no pixel. Width 1 sets nothing.
struct PointRow {
    int dy = 0;
    int half_span = -1;  // pixels dx = -half_span .. half_span
};
std::vector<PointRow> board_point_rows(int width);
// The pixel count of those rows (tests and sanity).
int64_t board_point_pixel_count(int width);

// Rounded rectangles: the outline's corner diameter 2r with
// r = min(((R - L) / 3 / 2) / 2, ((B - T) / 3 / 2) / 2) clamped to 0..60;
// the filled figure's corner size min(|x2 - x1| / 3 / 2, |y2 - y1| / 3 / 2)
// clamped to 0..60.
int board_round_rect_outline_diameter(int x1, int y1, int x2, int y2);
int board_round_rect_filled_corner(int x1, int y1, int x2, int y2);

// What a shape is drawn with, in page coordinates.
struct ShapeStroke {
    enum class Kind {
        lines,         // a polyline in the pen: points[0] -> points[1] -> ...
        filled_polygon,// the polygon filled with the brush (and its edge in the colour)
        ellipse,       // the outline of the ellipse in box
        filled_ellipse,// the ellipse in box, filled
        arc,           // part of the ellipse in box: start_deg, counter-clockwise span_deg
    };
    Kind kind = Kind::lines;
    std::vector<BoardPoint> points;
    BoardBox box;
    int start_deg = 0;
    int span_deg = 0;
};

// The final figure of a shape code (4, 20-31, 40-47, 50, 60-63, 70-74, 80, 81)
// from (x1, y1) to (x2, y2) with pen width. Empty for other codes and for the
// cases that draw nothing (a decorated line of length 0, a round-ended figure
// with y1 = y2).
std::vector<ShapeStroke> board_shape_strokes(int code, int x1, int y1, int x2, int y2, int width);
// The rubber band of a shape code while the button is held: the same
// vertices and arcs without fills; decorated lines as the plain line; the
// round-ended previews 73 and 74 only their straight sides.
std::vector<ShapeStroke> board_shape_preview_strokes(int code, int x1, int y1, int x2, int y2);

// Pictures: the used slots in painting order (largest z-order first; the
// lower slot index first among equal z-orders; z-order -10000 or less never
// painted). The last one painted lies in front.
std::vector<int> board_bmp_paint_order(const std::array<bmp_slot, board_bmp_count>& slots);
// The picture a click at page point (x, y) hits: among used slots whose
// picture holds the point strictly inside, the one painted in front; -1 when
// none does.
int board_bmp_pick(const std::array<bmp_slot, board_bmp_count>& slots, int x, int y);
// Put to back / front: the z-order that puts a picture behind / in front of
// every used picture of the page (1 / -1 when there is none).
int board_bmp_back_z_order(const std::array<bmp_slot, board_bmp_count>& slots);
int board_bmp_front_z_order(const std::array<bmp_slot, board_bmp_count>& slots);

// The pointer mark, 30 x 19, has its bottom-right corner on the pointer
// position; a click strictly inside it picks it.
inline constexpr int pointer_mark_width = 30;
inline constexpr int pointer_mark_height = 19;
bool board_pointer_mark_hit(int pointer_x, int pointer_y, int x, int y);

// A zoomed page shows its page coordinates doubled: an action as painted on
// a window of that page (every coordinate and the width doubled; for a text
// only x and y), minus the window's origin.
board_action board_action_on_window(const board_action& action, bool half_size, int origin_x, int origin_y);
