#pragma once
// Mouse gestures on a page turned into whiteboard messages, without a window.
// The view feeds button and move events with the mouse point plus its scroll
// position (board coordinates at window scale); the controller sends through
// BoardBuilders and tells the surface what to draw at once (the pen's
// segments, a finished figure) and which rubber band to show or take away.
// Nothing here changes the page's drawing: that happens when the relayed
// message arrives (or, off line, inside the builders).

#include "whiteboard/board_action.h"

#include <string_view>

// Tool codes of a page (its tool field).
inline constexpr int tool_select = 0;
inline constexpr int tool_pen = 1;
inline constexpr int tool_eraser = 2;
inline constexpr int tool_text = 3;
inline constexpr int tool_line = 4;
inline constexpr int tool_rect = 5;
inline constexpr int tool_filled_rect = 6;
inline constexpr int tool_ellipse = 7;
inline constexpr int tool_filled_ellipse = 8;
inline constexpr int tool_round_rect = 9;
inline constexpr int tool_filled_round_rect = 10;
inline constexpr int tool_pointer_drag = 11;
inline constexpr int tool_pointer_place = 12;
inline constexpr int tool_bitmap_drag = 13;

// Cursors by tool (0: leave the cursor as it is).
inline constexpr int cursor_eraser = 136;
inline constexpr int cursor_drawing = 137;
inline constexpr int cursor_text = 138;
inline constexpr int cursor_pointer_place = 493;
int board_tool_cursor(int tool);
// True for the tools that draw a rubber band (line, figures, shapes).
bool board_tool_has_rubber_band(int tool);
// The action kind a figure tool (5-10) sends.
int board_figure_kind(int tool);

// The three move counters (pen, eraser, pointer drag): global, never reset,
// so a stroke goes on counting where the last one stopped.
extern int g_board_pen_moves;
extern int g_board_eraser_moves;
extern int g_board_pointer_moves;

inline constexpr int pen_send_every = 4;          // moves per sent segment
inline constexpr int pen_gesture_end_every = 40;  // moves per gesture end
inline constexpr int pointer_send_every = 10;
inline constexpr int pointer_click_travel = 20;

// The builders a gesture calls; the program's go to the server.
class BoardBuilders {
public:
    virtual ~BoardBuilders() = default;
    virtual void point(int board, int red, int green, int blue, int x, int y, int width);
    virtual void line(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width, int end);
    // Tools 5-10: the builder of their figure.
    virtual void figure(int tool, int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                        int end);
    virtual void shape(int board, int kind, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                       int end);
    virtual void pointer(int board, int x, int y);
    virtual void bmp_pos(int board, int index, int x, int y);
};

// A rubber band in page coordinates: the tool's outline from (x1, y1) to
// (x2, y2); tool 13 is a picture's outline. Drawn with the XOR pen, so
// drawing the same one again takes it away.
struct BoardRubberBand {
    int tool = 0;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    bool operator==(const BoardRubberBand&) const = default;
};

class BoardGestureSurface {
public:
    virtual ~BoardGestureSurface() = default;
    // Draws an action (page coordinates) on the window now, as it will look.
    virtual void draw_now(int board, const board_action& action) = 0;
    virtual void xor_rubber_band(int board, const BoardRubberBand& band) = 0;
    virtual void set_cursor(int cursor_id) = 0;
    virtual void capture_mouse() = 0;
    // Sends the text still being typed; hides the text box unless keep_open.
    virtual void flush_text_entry(int board, bool keep_open) = 0;
    // Opens the text box at the page's text position.
    virtual void open_text_entry(int board) = 0;
    virtual void invalidate(int board) = 0;
};

// What sets one surface's gestures apart from the view's.
struct BoardGestureOptions {
    // The pen's and the eraser's move counters; the global ones when null.
    int* pen_moves = nullptr;
    int* eraser_moves = nullptr;
    // The select tool picks the pointer mark or a picture (tools 11-13);
    // without it those tools do nothing.
    bool pointer_and_pictures = true;
};

class BoardGestureController {
public:
    BoardGestureController(BoardBuilders& builders, BoardGestureSurface& surface, BoardGestureOptions options = {});

    // (x, y): the mouse point plus the scroll position.
    void button_down(int board, int x, int y);
    // outside: the point lies outside the client area or over the caption window.
    void mouse_move(int board, int x, int y, bool outside = false);
    void button_up(int board, int x, int y);

    bool button_is_down() const { return button_down_; }

private:
    struct Point {
        int x = 0;
        int y = 0;
    };
    // Page coordinates of a point at window scale (halved on a zoomed page).
    static Point page_point(int board, int x, int y);
    void move_free_hand(int board, Point at, bool eraser);
    BoardRubberBand band_to(int board, int tool, Point end) const;

    BoardBuilders& builders_;
    BoardGestureSurface& surface_;
    int& pen_moves_;
    int& eraser_moves_;
    bool pointer_and_pictures_ = true;
    bool button_down_ = false;
    Point previous_;          // window scale: the pen's last sent point
    Point start_;             // window scale: the rubber band's start
    Point last_end_ { -1, -1 };
    bool band_shown_ = false;
    int band_tool_ = 0;
    // Pointer and picture drags, in page coordinates.
    Point drag_click_;
    Point drag_origin_;
    Point drag_size_;
    int drag_bmp_ = -1;
    bool outline_shown_ = false;
    BoardRubberBand outline_;
};

// Whether the page takes changes from this member now: not while it is
// locked, unless working off line.
bool board_accepts_changes(int board);
