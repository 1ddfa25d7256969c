#pragma once
// Scroll bars painted in the skin's colours. The bars stay the toolkit's own
// (it still hit-tests, drags and scrolls), but a style gives them the drawn
// geometry, so what the user sees is what the mouse meets: an arrow box of the
// bar's thickness at each end, the hatched track between, a raised thumb.

#include "platform/ui/gdi_painter.h"

#include <QRect>
#include <QStyle>

class QAbstractScrollArea;
class QScrollBar;

// View bars (scroll views, form views) and range bars (edits, lists) differ in
// how the thumb is sized and in their light colour; a list's thumb is lined in
// the highlight colour.
enum class ScrollBarKind { view, edit, list };

inline constexpr int skin_scroll_bar_extent_px = 17;

// Along the bar: where the thumb starts and ends (end excluded); start == end: no thumb.
struct ScrollThumb {
    int start_px = 0;
    int end_px = 0;
};

// bar_length_px: the bar's length; thickness_px: its arrow boxes' size; the scroll
// numbers as the toolkit keeps them (position from 0, page, total = range + page).
ScrollThumb view_scroll_thumb(int bar_length_px, int thickness_px, int position, int page, int total);
ScrollThumb range_scroll_thumb(int bar_length_px, int thickness_px, int position, int page, int total);

// A raised box (l, t)-(r, b) inclusive: panel and dark outer ring, light and
// dark inner ring, panel face; pressed draws it sunk in.
void paint_raised_box(GdiPainter& dc, int l, int t, int r, int b, COLORREF light, bool pressed = false);

// Paints one bar filling rect (bar coordinates), vertical or horizontal.
void paint_skin_scroll_bar(GdiPainter& dc, const QRect& rect, bool vertical, ScrollThumb thumb, ScrollBarKind kind);

// Where the skin's style puts a bar's part (bar coordinates), and which part
// lies under pos, for the bar as it stands.
QRect skin_scroll_bar_part_rect(const QScrollBar* bar, QStyle::SubControl part);
QStyle::SubControl skin_scroll_bar_part_at(const QScrollBar* bar, QPoint pos);

// The style that gives bars of a kind this look and geometry (lives for the process).
QStyle* skin_scroll_style(ScrollBarKind kind);
// Puts both bars of area under the style and a white box in the corner.
void use_skin_scroll_bars(QAbstractScrollArea* area, ScrollBarKind kind);
