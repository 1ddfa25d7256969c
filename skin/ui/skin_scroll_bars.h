#pragma once
// Scroll bars painted in the skin's colours. The bars stay the toolkit's own
// (it still hit-tests, drags and scrolls), but a style gives them the drawn
// geometry, so what the user sees is what the mouse meets: an arrow box of the
// bar's thickness at each end, the hatched track between, a raised thumb.

#include "platform/ui/gdi_painter.h"

#include <QRect>

class QAbstractScrollArea;
class QStyle;

// View bars (scroll views, form views) and range bars (edits) differ in how
// the thumb is sized and in their light colour.
enum class ScrollBarKind { view, edit };

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

// Paints one bar filling rect (bar coordinates), vertical or horizontal.
void paint_skin_scroll_bar(GdiPainter& dc, const QRect& rect, bool vertical, ScrollThumb thumb, ScrollBarKind kind);

// The style that gives bars of a kind this look and geometry (lives for the process).
QStyle* skin_scroll_style(ScrollBarKind kind);
// Puts both bars of area under the style and a white box in the corner.
void use_skin_scroll_bars(QAbstractScrollArea* area, ScrollBarKind kind);
