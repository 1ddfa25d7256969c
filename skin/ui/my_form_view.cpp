#include "skin/ui/my_form_view.h"

#include "core/dbg_log.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"
#include "skin/ui/skin_scroll_bars.h"

#include <QPainter>

CMyFormView::CMyFormView(int template_id, QWidget* parent) : QScrollArea(parent), template_id_(template_id)
{
    setFrameShape(QFrame::NoFrame);
    use_skin_scroll_bars(this, ScrollBarKind::view);
}

void paint_view_background(QPainter& p, const QRect& rect)
{
    QPixmap bitmap = skin_word_bitmap(skin_word::view_background);
    if (bitmap.isNull())
        return;
    // A column one pixel wide, each row to one row, as the view bitmaps are drawn.
    p.drawPixmap(rect, bitmap, QRect(0, 0, 1, std::min(rect.height(), bitmap.height())));
}

CViewCanvas::CViewCanvas(QWidget* parent) : QWidget(parent) {}

void CViewCanvas::paintEvent(QPaintEvent*)
{
    try {
        QPainter p(this);
        paint_view_background(p, rect());
    } catch (...) {
        dbg_log("exception in CViewCanvas::paintEvent.\n");
    }
}
