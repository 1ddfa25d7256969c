#pragma once
// A page of the model turned into pixels: board_paint paints a whole page at
// board scale (the view's back buffer, the printer, a saved picture), and
// board_paint_action paints a range of actions at window scale (new actions
// as they arrive, overlays). One painter per action kind.

#include "platform/sys/colorref.h"
#include "whiteboard/board_action.h"

#include <QImage>
#include <QString>

#include <string_view>

class GdiPainter;

// Paints page board (background in its eraser colour, pictures back to
// front, actions, the text being typed, the pointer mark). 0, or -1 with the
// message box "board_num out of range in board_paint." flag is unused.
int board_paint(int board, GdiPainter& dc, int flag = 0);
// The same with the first count actions (a view that counts what it painted).
int board_paint_first(int board, GdiPainter& dc, int count);
// Actions from .. to (both included, cut to the visible ones) at window
// scale: doubled on a zoomed page, minus the origin (the window's scroll
// position in window pixels).
void board_paint_action(int board, GdiPainter& dc, int from, int to, int origin_x, int origin_y);
// The same range at board scale, as board_paint draws actions.
void board_paint_actions(int board, GdiPainter& dc, int from, int to);

// Pictures of a page, back to front. 0, or -1 with "board_num out of range in bmp_paint_board.".
int bmp_paint_board(int board, GdiPainter& dc);
// One picture slot through the ".bmp" drawer; -1 with "Used==0 in bmp_paint_one."
// or "full_path is blank in bmp_paint_one.".
int bmp_paint_one(int board, int index, GdiPainter& dc);
// The pointer mark with its bottom-right corner on the page's pointer, when shown.
void paint_pointer_stamp(int board, GdiPainter& dc);
// The mark itself, 30 x 19.
const QImage& pointer_mark_image();

// The painter of each kind, from the action's words as stored.
void paint_action_point(GdiPainter& dc, const board_action& a);
void paint_action_line(GdiPainter& dc, const board_action& a);
void paint_action_text(GdiPainter& dc, const board_action& a);
void paint_action_rect(GdiPainter& dc, const board_action& a);
void paint_action_filled_rect(GdiPainter& dc, const board_action& a);
void paint_action_ellipse(GdiPainter& dc, const board_action& a);
void paint_action_filled_ellipse(GdiPainter& dc, const board_action& a);
void paint_action_round_rect(GdiPainter& dc, const board_action& a);
void paint_action_filled_round_rect(GdiPainter& dc, const board_action& a);
// By kind; kinds without a painter are skipped (false).
bool paint_action(GdiPainter& dc, const board_action& a);
// The outline of a rounded rectangle in the current pen: four quarter arcs
// of the corner diameter and the four sides between them.
void paint_round_rect_outline(GdiPainter& dc, int x1, int y1, int x2, int y2);

// A text with CR-separated lines at (x, y), clipped to (x, y)-(x + 5000, y + bottom_room).
void paint_board_text(GdiPainter& dc, int x, int y, int font_index, const QString& text, COLORREF colour,
                      int bottom_room);
// A page's text (bytes as stored: UTF-8, lines split by CR) as the painters show it.
QString board_text_to_qstring(std::string_view text);

// Page board painted at board scale into a new 1600 x 1000 image.
QImage board_page_image(int board);
