#include "whiteboard/board_geometry.h"

#include "whiteboard/board_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Widths past this paint as this: a point's rows and a pen's reach stay bounded.
constexpr int max_paint_width = 10000;

int32_t saturate(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Midpoints and fractions of a box, in 64 bits so that far-off pages cannot overflow.
int mid(int a, int b) { return saturate((static_cast<int64_t>(a) + b) / 2); }
// (a + 3b) / 4
int quarter(int a, int b) { return saturate((static_cast<int64_t>(a) + 3 * static_cast<int64_t>(b)) / 4); }
// (a + 2b) / 3
int third(int a, int b) { return saturate((static_cast<int64_t>(a) + 2 * static_cast<int64_t>(b)) / 3); }

ShapeStroke closed(std::vector<BoardPoint> vertices)
{
    ShapeStroke s;
    s.kind = ShapeStroke::Kind::lines;
    s.points = std::move(vertices);
    s.points.push_back(s.points.front());
    return s;
}

ShapeStroke open_lines(std::vector<BoardPoint> points)
{
    ShapeStroke s;
    s.kind = ShapeStroke::Kind::lines;
    s.points = std::move(points);
    return s;
}

ShapeStroke arc(BoardBox box, int start_deg, int span_deg)
{
    ShapeStroke s;
    s.kind = ShapeStroke::Kind::arc;
    s.box = box;
    s.start_deg = start_deg;
    s.span_deg = span_deg;
    return s;
}

// Closed figures 40-47, 50, 60-63, 70, 80, 81: their vertices in drawing order.
std::vector<BoardPoint> closed_vertices(int code, int x1, int y1, int x2, int y2)
{
    const BoardBox b = board_box(x1, y1, x2, y2);
    const int L = b.left, T = b.top, R = b.right, B = b.bottom;
    const int mx = mid(L, R), my = mid(T, B);
    switch (code) {
    case 40: return { { L, T }, { R, T }, { mx, B } };
    case 41: return { { mx, T }, { L, B }, { R, B } };
    case 42: return { { L, my }, { R, T }, { R, B } };
    case 43: return { { L, T }, { L, B }, { R, my } };
    case 44: return { { L, T }, { L, B }, { R, B } };
    case 45: return { { L, T }, { R, T }, { R, B } };
    case 46: return { { L, T }, { R, T }, { L, B } };
    case 47: return { { R, T }, { R, B }, { L, B } };
    case 50: return { { L, my }, { mx, B }, { R, my }, { mx, T } };
    case 60: return { { quarter(R, L), T }, { quarter(L, R), T }, { R, B }, { L, B } };
    case 61: return { { L, T }, { R, T }, { quarter(L, R), B }, { quarter(R, L), B } };
    case 62: return { { L, quarter(B, T) }, { L, quarter(T, B) }, { R, B }, { R, T } };
    case 63: return { { L, T }, { L, B }, { R, quarter(T, B) }, { R, quarter(B, T) } };
    case 70: {
        // Not normalised: dragging right to left mirrors it.
        const int m = mid(x1, x2);
        return { { m, y1 }, { x2, y1 }, { m, y2 }, { x1, y2 } };
    }
    case 80: {
        const int a = third(R, L), c = third(L, R);
        return { { a, T }, { L, my }, { a, B }, { c, B }, { R, my }, { c, T } };
    }
    case 81: {
        const int a = third(R, L), c = third(L, R);
        const int e = third(B, T), f = third(T, B);
        return { { a, T }, { L, e }, { L, f }, { a, B }, { c, B }, { R, f }, { R, e }, { c, T } };
    }
    default: return {};
    }
}

// Half ellipses of the round-ended figures, bulging away from the figure.
// Angles count counter-clockwise from three o'clock, as the screen shows them.
ShapeStroke half_ellipse_right(BoardBox box) { return arc(box, -90, 180); }
ShapeStroke half_ellipse_left(BoardBox box) { return arc(box, 90, 180); }
ShapeStroke half_ellipse_up(BoardBox box) { return arc(box, 0, 180); }
ShapeStroke half_ellipse_down(BoardBox box) { return arc(box, 180, 180); }

std::vector<ShapeStroke> rounded_strokes(int code, int x1, int y1, int x2, int y2, bool preview)
{
    if (y1 == y2)
        return {};
    const BoardBox b = board_box(x1, y1, x2, y2);
    const int T = b.top, B = b.bottom, L = b.left, R = b.right;
    std::vector<ShapeStroke> out;
    if (code == 71 || code == 73) {
        const int r = saturate((static_cast<int64_t>(B) - T) / 2);
        auto box_at = [&](int x) { return BoardBox { saturate(static_cast<int64_t>(x) - r), T, saturate(static_cast<int64_t>(x) + r), B }; };
        const bool x2_right = x1 <= x2;
        if (code == 71) {
            out.push_back(open_lines({ { x2, T }, { x1, T }, { x1, B }, { x2, B } }));
            out.push_back(x2_right ? half_ellipse_right(box_at(x2)) : half_ellipse_left(box_at(x2)));
        } else {
            out.push_back(open_lines({ { x2, T }, { x1, T } }));
            out.push_back(open_lines({ { x1, B }, { x2, B } }));
            if (!preview) {
                out.push_back(x2_right ? half_ellipse_right(box_at(x2)) : half_ellipse_left(box_at(x2)));
                out.push_back(x2_right ? half_ellipse_left(box_at(x1)) : half_ellipse_right(box_at(x1)));
            }
        }
        return out;
    }
    const int r = saturate((static_cast<int64_t>(R) - L) / 2);
    auto box_at = [&](int y) { return BoardBox { L, saturate(static_cast<int64_t>(y) - r), R, saturate(static_cast<int64_t>(y) + r) }; };
    const bool y1_up = y1 <= y2;
    if (code == 72) {
        out.push_back(open_lines({ { L, y1 }, { L, y2 }, { R, y2 }, { R, y1 } }));
        out.push_back(y1_up ? half_ellipse_up(box_at(y1)) : half_ellipse_down(box_at(y1)));
    } else {
        out.push_back(open_lines({ { L, y1 }, { L, y2 } }));
        out.push_back(open_lines({ { R, y2 }, { R, y1 } }));
        if (!preview) {
            out.push_back(y1_up ? half_ellipse_up(box_at(y1)) : half_ellipse_down(box_at(y1)));
            out.push_back(y1_up ? half_ellipse_down(box_at(y2)) : half_ellipse_up(box_at(y2)));
        }
    }
    return out;
}

// The end pieces of decorated lines.
enum class EndPiece { none, open_head, filled_head, circle, filled_circle, diamond, filled_diamond };

struct DecoratedEnds {
    EndPiece at_p1;
    EndPiece at_p2;
};

DecoratedEnds decorated_ends(int code)
{
    switch (code) {
    case 20: return { EndPiece::none, EndPiece::open_head };
    case 21: return { EndPiece::open_head, EndPiece::open_head };
    case 22: return { EndPiece::circle, EndPiece::open_head };
    case 23: return { EndPiece::diamond, EndPiece::open_head };
    case 24: return { EndPiece::circle, EndPiece::circle };
    case 25: return { EndPiece::diamond, EndPiece::diamond };
    case 26: return { EndPiece::none, EndPiece::filled_head };
    case 27: return { EndPiece::filled_head, EndPiece::filled_head };
    case 28: return { EndPiece::filled_circle, EndPiece::filled_head };
    case 29: return { EndPiece::filled_diamond, EndPiece::filled_head };
    case 30: return { EndPiece::filled_circle, EndPiece::filled_circle };
    case 31: return { EndPiece::filled_diamond, EndPiece::filled_diamond };
    default: return { EndPiece::none, EndPiece::none };
    }
}

struct Vec {
    double x = 0;
    double y = 0;
};
Vec operator+(Vec a, Vec b) { return { a.x + b.x, a.y + b.y }; }
Vec operator-(Vec a, Vec b) { return { a.x - b.x, a.y - b.y }; }
Vec operator*(double k, Vec a) { return { k * a.x, k * a.y }; }

BoardPoint truncated(Vec v)
{
    auto t = [](double d) {
        if (!(d == d))
            return 0;
        return saturate(static_cast<int64_t>(std::clamp(d, -9.0e18, 9.0e18)));
    };
    return { t(v.x), t(v.y) };
}

// One end piece at end point e, with u pointing from e into the line. Gives
// the point where the line meets the piece.
Vec end_piece(EndPiece piece, Vec e, Vec u, Vec n, int width, std::vector<ShapeStroke>& out)
{
    const double head_length = 8;
    const double h = width / 2 + 5;
    const double s = width / 2 + 4;
    switch (piece) {
    case EndPiece::none: return e;
    case EndPiece::open_head: {
        Vec base = e + head_length * u;
        out.push_back(open_lines({ truncated(e), truncated(base + h * n) }));
        out.push_back(open_lines({ truncated(e), truncated(base - h * n) }));
        return e;
    }
    case EndPiece::filled_head: {
        Vec base = e + head_length * u;
        ShapeStroke tri;
        tri.kind = ShapeStroke::Kind::filled_polygon;
        tri.points = { truncated(e), truncated(base + h * n), truncated(base - h * n) };
        out.push_back(tri);
        return base;
    }
    case EndPiece::circle:
    case EndPiece::filled_circle: {
        Vec c = e + s * u;
        BoardPoint lt = truncated(c - Vec { s, s });
        BoardPoint rb = truncated(c + Vec { s, s });
        ShapeStroke circle;
        circle.kind = piece == EndPiece::circle ? ShapeStroke::Kind::ellipse : ShapeStroke::Kind::filled_ellipse;
        circle.box = { lt.x, lt.y, rb.x, rb.y };
        out.push_back(circle);
        return c;
    }
    case EndPiece::diamond:
    case EndPiece::filled_diamond: {
        Vec far = e + 2 * s * u;
        Vec m = e + s * u;
        std::vector<BoardPoint> corners { truncated(e), truncated(m + s * n), truncated(far), truncated(m - s * n) };
        if (piece == EndPiece::filled_diamond) {
            ShapeStroke fill;
            fill.kind = ShapeStroke::Kind::filled_polygon;
            fill.points = corners;
            out.push_back(fill);
        }
        out.push_back(closed(corners));
        return far;
    }
    }
    return e;
}

std::vector<ShapeStroke> decorated_strokes(int code, int x1, int y1, int x2, int y2, int width)
{
    const double dx = static_cast<double>(x2) - x1;
    const double dy = static_cast<double>(y2) - y1;
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d == 0)
        return {};
    const Vec u { dx / d, dy / d };
    const Vec n { -u.y, u.x };
    const Vec p1 { static_cast<double>(x1), static_cast<double>(y1) };
    const Vec p2 { static_cast<double>(x2), static_cast<double>(y2) };
    width = std::clamp(width, 0, max_paint_width);
    std::vector<ShapeStroke> pieces;
    const DecoratedEnds ends = decorated_ends(code);
    Vec from = end_piece(ends.at_p1, p1, u, n, width, pieces);
    Vec to = end_piece(ends.at_p2, p2, -1 * u, n, width, pieces);
    std::vector<ShapeStroke> out;
    out.push_back(open_lines({ truncated(from), truncated(to) }));
    out.insert(out.end(), pieces.begin(), pieces.end());
    return out;
}

} // namespace

bool board_is_decorated_line(int code) { return code >= 20 && code <= 31; }

bool board_is_shape_code(int code)
{
    return board_is_decorated_line(code) || (code >= 40 && code <= 47) || code == 50 || (code >= 60 && code <= 63) ||
           (code >= 70 && code <= 74) || code == 80 || code == 81;
}

BoardBox board_box(int x1, int y1, int x2, int y2)
{
    return { std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2) };
}

COLORREF board_action_colour(int32_t red, int32_t green, int32_t blue)
{
    return make_colorref(static_cast<uint8_t>(red & 0xff), static_cast<uint8_t>(green & 0xff),
                         static_cast<uint8_t>(blue & 0xff));
}

std::vector<PointRow> board_point_rows(int width)
{
    std::vector<PointRow> rows;
    width = std::min(width, max_paint_width);
    if (width <= 0)
        return rows;
    const int half = width / 2;
    const int64_t limit = (static_cast<int64_t>(width) * width) / 4;
    for (int dy = -half; dy <= half; ++dy) {
        const int64_t room = limit - static_cast<int64_t>(dy) * dy;  // dx^2 < room
        PointRow row { dy, -1 };
        if (room > 0) {
            int64_t span = static_cast<int64_t>(std::sqrt(static_cast<double>(room)));
            while (span * span >= room)
                --span;
            while ((span + 1) * (span + 1) < room)
                ++span;
            row.half_span = static_cast<int>(std::min<int64_t>(span, half));
        }
        if (row.half_span >= 0)
            rows.push_back(row);
    }
    return rows;
}

int64_t board_point_pixel_count(int width)
{
    int64_t n = 0;
    for (const PointRow& row : board_point_rows(width))
        n += 2 * static_cast<int64_t>(row.half_span) + 1;
    return n;
}

int board_round_rect_outline_diameter(int x1, int y1, int x2, int y2)
{
    const BoardBox b = board_box(x1, y1, x2, y2);
    const int64_t w = static_cast<int64_t>(b.right) - b.left;
    const int64_t h = static_cast<int64_t>(b.bottom) - b.top;
    const int64_t r = std::clamp<int64_t>(std::min((w / 3 / 2) / 2, (h / 3 / 2) / 2), 0, 60);
    return static_cast<int>(2 * r);
}

int board_round_rect_filled_corner(int x1, int y1, int x2, int y2)
{
    const int64_t w = std::abs(static_cast<int64_t>(x2) - x1);
    const int64_t h = std::abs(static_cast<int64_t>(y2) - y1);
    return static_cast<int>(std::clamp<int64_t>(std::min(w / 3 / 2, h / 3 / 2), 0, 60));
}

std::vector<ShapeStroke> board_shape_strokes(int code, int x1, int y1, int x2, int y2, int width)
{
    if (code == shape_plain_line)
        return { open_lines({ { x1, y1 }, { x2, y2 } }) };
    if (board_is_decorated_line(code))
        return decorated_strokes(code, x1, y1, x2, y2, width);
    if (code >= 71 && code <= 74)
        return rounded_strokes(code, x1, y1, x2, y2, false);
    std::vector<BoardPoint> vertices = closed_vertices(code, x1, y1, x2, y2);
    if (vertices.empty())
        return {};
    return { closed(std::move(vertices)) };
}

std::vector<ShapeStroke> board_shape_preview_strokes(int code, int x1, int y1, int x2, int y2)
{
    if (code == shape_plain_line || board_is_decorated_line(code))
        return { open_lines({ { x1, y1 }, { x2, y2 } }) };
    if (code >= 71 && code <= 74)
        return rounded_strokes(code, x1, y1, x2, y2, true);
    std::vector<BoardPoint> vertices = closed_vertices(code, x1, y1, x2, y2);
    if (vertices.empty())
        return {};
    return { closed(std::move(vertices)) };
}

std::vector<int> board_bmp_paint_order(const std::array<bmp_slot, board_bmp_count>& slots)
{
    std::array<bool, board_bmp_count> picked {};
    std::vector<int> order;
    for (int pass = 0; pass < board_bmp_count; ++pass) {
        int best = -1;
        int best_z = -10000;
        for (int i = 0; i < board_bmp_count; ++i) {
            const bmp_slot& s = slots[static_cast<size_t>(i)];
            if (s.used != 1 || picked[static_cast<size_t>(i)])
                continue;
            if (s.z_order > best_z) {
                best_z = s.z_order;
                best = i;
            }
        }
        if (best < 0)
            break;
        picked[static_cast<size_t>(best)] = true;
        order.push_back(best);
    }
    return order;
}

int board_bmp_pick(const std::array<bmp_slot, board_bmp_count>& slots, int x, int y)
{
    int hit = -1;
    for (int i : board_bmp_paint_order(slots)) {
        const bmp_slot& s = slots[static_cast<size_t>(i)];
        const int64_t right = static_cast<int64_t>(s.x) + s.width;
        const int64_t bottom = static_cast<int64_t>(s.y) + s.height;
        if (x > s.x && x < right && y > s.y && y < bottom)
            hit = i;  // painted later, so in front
    }
    return hit;
}

int board_bmp_back_z_order(const std::array<bmp_slot, board_bmp_count>& slots)
{
    bool any = false;
    int32_t largest = 0;
    for (const bmp_slot& s : slots) {
        if (s.used != 1)
            continue;
        largest = any ? std::max(largest, s.z_order) : s.z_order;
        any = true;
    }
    return any ? saturate(static_cast<int64_t>(largest) + 1) : 1;
}

int board_bmp_front_z_order(const std::array<bmp_slot, board_bmp_count>& slots)
{
    bool any = false;
    int32_t smallest = 0;
    for (const bmp_slot& s : slots) {
        if (s.used != 1)
            continue;
        smallest = any ? std::min(smallest, s.z_order) : s.z_order;
        any = true;
    }
    return any ? saturate(static_cast<int64_t>(smallest) - 1) : -1;
}

bool board_pointer_mark_hit(int pointer_x, int pointer_y, int x, int y)
{
    return static_cast<int64_t>(pointer_x) - pointer_mark_width < x && x < pointer_x &&
           static_cast<int64_t>(pointer_y) - pointer_mark_height < y && y < pointer_y;
}

board_action board_action_on_window(const board_action& action, bool half_size, int origin_x, int origin_y)
{
    board_action a = action;
    const int k = half_size ? 2 : 1;
    auto place = [&](int32_t& word, int origin) { word = saturate(static_cast<int64_t>(word) * k - origin); };
    auto scale = [&](int32_t& word) { word = saturate(static_cast<int64_t>(word) * k); };
    switch (a.kind) {
    case ACTION_POINT:
        place(a.data[0], origin_x);
        place(a.data[1], origin_y);
        scale(a.data[2]);
        break;
    case ACTION_TEXT:
        place(a.data[0], origin_x);
        place(a.data[1], origin_y);
        break;
    default:
        place(a.data[0], origin_x);
        place(a.data[1], origin_y);
        place(a.data[2], origin_x);
        place(a.data[3], origin_y);
        scale(a.data[4]);
        break;
    }
    return a;
}
