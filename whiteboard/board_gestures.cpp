#include "whiteboard/board_gestures.h"

#include "whiteboard/board_geometry.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

int g_board_pen_moves = 0;
int g_board_eraser_moves = 0;
int g_board_pointer_moves = 0;

int board_tool_cursor(int tool)
{
    if (tool == tool_eraser)
        return cursor_eraser;
    if (tool == tool_text)
        return cursor_text;
    if (tool == tool_pointer_place)
        return cursor_pointer_place;
    if (tool == tool_pen || board_tool_has_rubber_band(tool))
        return cursor_drawing;
    return 0;
}

bool board_tool_has_rubber_band(int tool)
{
    return (tool >= tool_line && tool <= tool_filled_round_rect) || board_is_shape_code(tool);
}

int board_figure_kind(int tool)
{
    switch (tool) {
    case tool_rect: return ACTION_RECT;
    case tool_filled_rect: return ACTION_FILLED_RECT;
    case tool_ellipse: return ACTION_ELLIPSE;
    case tool_filled_ellipse: return ACTION_FILLED_ELLIPSE;
    case tool_round_rect: return ACTION_ROUND_RECT;
    case tool_filled_round_rect: return ACTION_FILLED_ROUND_RECT;
    default: return 0;
    }
}

bool board_accepts_changes(int board)
{
    return board_index_valid(board) && (g_board[static_cast<size_t>(board)].lock_flag == 0 || g_offline_board == 1);
}

// ---- the program's builders ----

void BoardBuilders::point(int board, int red, int green, int blue, int x, int y, int width)
{
    send_board_point(board, red, green, blue, x, y, width);
}

void BoardBuilders::line(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width, int end)
{
    send_board_line(board, red, green, blue, x1, y1, x2, y2, width, end);
}

void BoardBuilders::figure(int tool, int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                           int end)
{
    switch (tool) {
    case tool_rect: send_board_rect(board, red, green, blue, x1, y1, x2, y2, width, end); break;
    case tool_filled_rect: send_board_filled_rect(board, red, green, blue, x1, y1, x2, y2, width, end); break;
    case tool_ellipse: send_board_ellipse(board, red, green, blue, x1, y1, x2, y2, width, end); break;
    case tool_filled_ellipse: send_board_filled_ellipse(board, red, green, blue, x1, y1, x2, y2, width, end); break;
    case tool_round_rect: send_board_round_rect(board, red, green, blue, x1, y1, x2, y2, width, end); break;
    case tool_filled_round_rect:
        send_board_filled_round_rect(board, red, green, blue, x1, y1, x2, y2, width, end);
        break;
    default: break;
    }
}

void BoardBuilders::shape(int board, int kind, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                          int end)
{
    send_board_shape(board, kind, red, green, blue, x1, y1, x2, y2, width, end);
}

void BoardBuilders::pointer(int board, int x, int y) { send_board_pointer(board, x, y); }

void BoardBuilders::bmp_pos(int board, int index, int x, int y) { send_bmp_pos(board, index, x, y); }

// ---- the controller ----

namespace {

board_record& page(int board) { return g_board[static_cast<size_t>(board)]; }

// A position moved by the mouse's travel; the position may have come from
// the network as any int.
int moved(int at, int from, int to)
{
    return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(at) + to - from, INT32_MIN, INT32_MAX));
}

// An action as the builders will make it, in page coordinates.
board_action line_action(int kind, int x1, int y1, int x2, int y2, int width, int red, int green, int blue)
{
    board_action a;
    a.kind = kind;
    a.set_gesture_end(1);
    a.data = { x1, y1, x2, y2, width, red, green, blue, 0 };
    return a;
}

} // namespace

BoardGestureController::BoardGestureController(BoardBuilders& builders, BoardGestureSurface& surface,
                                               BoardGestureOptions options)
    : builders_(builders),
      surface_(surface),
      pen_moves_(options.pen_moves ? *options.pen_moves : g_board_pen_moves),
      eraser_moves_(options.eraser_moves ? *options.eraser_moves : g_board_eraser_moves),
      pointer_and_pictures_(options.pointer_and_pictures)
{
}

BoardGestureController::Point BoardGestureController::page_point(int board, int x, int y)
{
    // The builders halve the same way: signed division, toward zero.
    if (board_index_valid(board) && page(board).half_size == 1)
        return { x / 2, y / 2 };
    return { x, y };
}

BoardRubberBand BoardGestureController::band_to(int board, int tool, Point end) const
{
    // Rubber bands are drawn where the builders will put the figure.
    Point a = page_point(board, start_.x, start_.y);
    Point b = page_point(board, end.x, end.y);
    return { tool, a.x, a.y, b.x, b.y };
}

void BoardGestureController::button_down(int board, int x, int y)
{
    if (!board_index_valid(board))
        return;
    board_record& r = page(board);
    previous_ = { x, y };
    surface_.capture_mouse();
    surface_.flush_text_entry(board, r.tool == tool_text);
    const Point at = page_point(board, x, y);
    const int tool = r.tool;
    if (!pointer_and_pictures_ && (tool == tool_select || (tool >= tool_pointer_drag && tool <= tool_bitmap_drag))) {
        // Nothing on the page here: no mark to pick or place, no picture to drag.
    } else if (tool == tool_select && r.show_pointer == 1 && board_pointer_mark_hit(r.pointer_x, r.pointer_y, at.x, at.y)) {
        r.tool = tool_pointer_drag;
        drag_click_ = at;
        drag_origin_ = { r.pointer_x, r.pointer_y };
    } else if (tool == tool_select) {
        // A locked page keeps its pictures where they are.
        int hit = board_accepts_changes(board) ? board_bmp_pick(r.bitmaps, at.x, at.y) : -1;
        if (hit >= 0) {
            const bmp_slot& s = r.bitmaps[static_cast<size_t>(hit)];
            r.tool = tool_bitmap_drag;
            drag_bmp_ = hit;
            drag_click_ = at;
            drag_origin_ = { s.x, s.y };
            drag_size_ = { s.width, s.height };
            outline_shown_ = false;
        }
    } else if (tool == tool_pointer_place) {
        r.tool = tool_select;
        builders_.pointer(board, at.x + 5, at.y + 10);
    } else if (tool == tool_text) {
        r.text_x = at.x;
        r.text_y = at.y;
        r.text_click_x = at.x;
        r.text_click_y = at.y;
        r.caret = 0;
        surface_.open_text_entry(board);
    } else if (tool == tool_pen) {
        board_action dot;
        dot.kind = ACTION_POINT;
        dot.set_gesture_end(1);
        dot.data = { at.x, at.y, r.pen_width, r.pen_red, r.pen_green, r.pen_blue, 0, 0, 0 };
        surface_.draw_now(board, dot);
        builders_.point(board, r.pen_red, r.pen_green, r.pen_blue, x, y, r.pen_width);
    } else if (board_tool_has_rubber_band(tool)) {
        start_ = { x, y };
        last_end_ = { -1, -1 };
        band_shown_ = false;
        band_tool_ = tool;
    }
    button_down_ = true;
}

void BoardGestureController::move_free_hand(int board, Point at, bool eraser)
{
    board_record& r = page(board);
    int& counter = eraser ? eraser_moves_ : pen_moves_;
    ++counter;
    if (counter % pen_send_every != 0)
        return;
    const int end = counter % pen_gesture_end_every == 0 ? 1 : 0;
    const Point a = page_point(board, previous_.x, previous_.y);
    const Point b = page_point(board, at.x, at.y);
    if (eraser) {
        surface_.draw_now(board, line_action(ACTION_LINE, a.x, a.y, b.x, b.y, r.eraser_width, 255, 255, 255));
        builders_.line(board, r.eraser_red, r.eraser_green, r.eraser_blue, previous_.x, previous_.y, at.x, at.y,
                       r.eraser_width, end);
    } else {
        surface_.draw_now(board, line_action(ACTION_LINE, a.x, a.y, b.x, b.y, r.pen_width, r.pen_red, r.pen_green,
                                             r.pen_blue));
        builders_.line(board, r.pen_red, r.pen_green, r.pen_blue, previous_.x, previous_.y, at.x, at.y, r.pen_width,
                       end);
    }
    previous_ = at;
}

void BoardGestureController::mouse_move(int board, int x, int y, bool outside)
{
    if (outside || !board_index_valid(board))
        return;
    board_record& r = page(board);
    surface_.capture_mouse();
    if (int cursor = board_tool_cursor(r.tool))
        surface_.set_cursor(cursor);
    if (!button_down_)
        return;
    const Point at { x, y };
    const int tool = r.tool;
    if (tool == tool_pen || tool == tool_eraser) {
        move_free_hand(board, at, tool == tool_eraser);
    } else if (board_tool_has_rubber_band(tool) && tool == band_tool_) {
        if (band_shown_)
            surface_.xor_rubber_band(board, band_to(board, tool, last_end_));
        surface_.xor_rubber_band(board, band_to(board, tool, at));
        band_shown_ = true;
        last_end_ = at;
    } else if (tool == tool_pointer_drag && pointer_and_pictures_) {
        ++g_board_pointer_moves;
        if (g_board_pointer_moves % pointer_send_every == 0) {
            const Point p = page_point(board, x, y);
            builders_.pointer(board, moved(drag_origin_.x, drag_click_.x, p.x), moved(drag_origin_.y, drag_click_.y, p.y));
        }
    } else if (tool == tool_bitmap_drag && pointer_and_pictures_) {
        const Point p = page_point(board, x, y);
        const int left = moved(drag_origin_.x, drag_click_.x, p.x);
        const int top = moved(drag_origin_.y, drag_click_.y, p.y);
        if (outline_shown_)
            surface_.xor_rubber_band(board, outline_);
        outline_ = { tool_bitmap_drag, left, top, moved(left, 0, drag_size_.x), moved(top, 0, drag_size_.y) };
        surface_.xor_rubber_band(board, outline_);
        outline_shown_ = true;
    }
}

void BoardGestureController::button_up(int board, int x, int y)
{
    if (!board_index_valid(board))
        return;
    board_record& r = page(board);
    const bool was_down = button_down_;
    button_down_ = false;
    if (!was_down)
        return;
    const int tool = r.tool;
    const Point end { x, y };
    if (board_tool_has_rubber_band(tool) && tool == band_tool_) {
        if (band_shown_)
            surface_.xor_rubber_band(board, band_to(board, tool, last_end_));
        band_shown_ = false;
        const BoardRubberBand placed = band_to(board, tool, end);
        int kind = tool == tool_line ? ACTION_LINE : board_figure_kind(tool);
        if (kind == 0)
            kind = tool;  // a shape's kind is its code
        surface_.draw_now(board, line_action(kind, placed.x1, placed.y1, placed.x2, placed.y2, r.pen_width, r.pen_red,
                                             r.pen_green, r.pen_blue));
        if (tool == tool_line)
            builders_.line(board, r.pen_red, r.pen_green, r.pen_blue, start_.x, start_.y, end.x, end.y, r.pen_width, 1);
        else if (board_figure_kind(tool) != 0)
            builders_.figure(tool, board, r.pen_red, r.pen_green, r.pen_blue, start_.x, start_.y, end.x, end.y,
                             r.pen_width, 1);
        else
            builders_.shape(board, tool, r.pen_red, r.pen_green, r.pen_blue, start_.x, start_.y, end.x, end.y,
                            r.pen_width, 1);
    } else if (tool == tool_pointer_drag && pointer_and_pictures_) {
        const Point p = page_point(board, x, y);
        const int dx = moved(p.x, drag_click_.x, 0);
        const int dy = moved(p.y, drag_click_.y, 0);
        if (std::abs(dx) < pointer_click_travel && std::abs(dy) < pointer_click_travel) {
            r.tool = tool_pointer_place;
            surface_.set_cursor(cursor_pointer_place);
        } else {
            r.tool = tool_select;
            // The mark ends where it was let go, whatever the move counter says.
            builders_.pointer(board, moved(drag_origin_.x, 0, dx), moved(drag_origin_.y, 0, dy));
        }
    } else if (tool == tool_bitmap_drag && pointer_and_pictures_) {
        r.tool = tool_select;
        if (outline_shown_)
            surface_.xor_rubber_band(board, outline_);
        outline_shown_ = false;
        const Point p = page_point(board, x, y);
        if (drag_bmp_ >= 0 && drag_bmp_ < board_bmp_count) {
            bmp_slot& s = r.bitmaps[static_cast<size_t>(drag_bmp_)];
            const int nx = moved(drag_origin_.x, drag_click_.x, p.x);
            const int ny = moved(drag_origin_.y, drag_click_.y, p.y);
            s.x = nx;
            s.y = ny;
            surface_.invalidate(board);
            builders_.bmp_pos(board, drag_bmp_, nx, ny);
        }
        drag_bmp_ = -1;
    }
}
