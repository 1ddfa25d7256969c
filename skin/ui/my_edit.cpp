#include "skin/ui/my_edit.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_scroll_bars.h"

#include <QPaintEvent>
#include <QScrollBar>

namespace {

// White behind the text, the text in the skin's colour, read at each paint.
void apply_edit_colours(QWidget* edit, QWidget* viewport)
{
    QColor text = colorref_color(skin_word_value(skin_word::text));
    QPalette pal = edit->palette();
    if (pal.color(QPalette::Active, QPalette::Text) == text && pal.color(QPalette::Base) == Qt::white)
        return;
    pal.setColor(QPalette::Text, text);
    // A disabled field reads as one: the system's grey text.
    pal.setColor(QPalette::Disabled, QPalette::Text, colorref_color(0x808080));
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Window, Qt::white);
    edit->setPalette(pal);
    if (viewport)
        viewport->setPalette(pal);
}

} // namespace

void paint_edit_border(GdiPainter& dc, int w, int h, int bar_width_px, int bar_height_px)
{
    dc.select_pen(skin_word_value(skin_word::outline));
    dc.polyline({ { 0, h }, { 0, 0 }, { w, 0 } });
    dc.select_pen(0xffffff);
    const int a = bar_height_px;
    const int b = bar_width_px;
    dc.polyline({ { 2, h - a - 1 }, { w - b - 1, h - a - 1 } });
    dc.polyline({ { 2, h - a - 2 }, { w - b - 1, h - a - 2 } });
    dc.polyline({ { w - b - 1, 2 }, { w - b - 1, h - a - 1 } });
    dc.polyline({ { w - b - 2, 2 }, { w - b - 2, h - a - 1 } });
}

void paint_flat_edit_border(GdiPainter& dc, int w, int h)
{
    dc.select_pen(skin_word_value(skin_word::outline));
    dc.polyline({ { 0, h - 1 }, { 0, 0 }, { w, 0 } });
    dc.polyline({ { 1, h - 2 }, { 1, 1 }, { w - 1, 1 } });
    dc.select_pen(0xffffff);
    dc.polyline({ { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, -1 } });
    dc.select_pen(skin_word_value(skin_word::inner_border));
    dc.polyline({ { 1, h - 2 }, { w - 2, h - 2 }, { w - 2, 0 } });
}

CMyEdit::CMyEdit(int id, QWidget* parent) : QTextEdit(parent)
{
    set_control_id(this, id);
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    // Room for the border on the left and top, and the white lines before the bars.
    setViewportMargins(2, 2, 2, 2);
    use_skin_scroll_bars(this, ScrollBarKind::edit);
    apply_edit_colours(this, viewport());
}

bool CMyEdit::event(QEvent* event)
{
    bool handled = QTextEdit::event(event);
    // The area's own paint: the border around the text and the bars.
    if (event->type() == QEvent::Paint) {
        try {
            GdiPainter dc(this);
            const int w = width();
            const int h = height();
            dc.fill_rect(0, 0, w, h, 0xffffff);
            int b = verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0;
            int a = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0;
            paint_edit_border(dc, w, h, b, a);
            if (a > 0 && b > 0)
                dc.fill_rect(w - b - corner_extra_px_, h - a - corner_extra_px_, w, h, 0xffffff);
        } catch (...) {
            dbg_log("exception in CMyEdit::event.\n");
        }
    }
    return handled;
}

void CMyEdit::paintEvent(QPaintEvent* event)
{
    apply_edit_colours(this, viewport());
    QTextEdit::paintEvent(event);
}

CMyRichEdit::CMyRichEdit(int id, QWidget* parent) : CMyEdit(id, parent)
{
    setAcceptRichText(true);
    corner_extra_px_ = 2;
}

CMyEdit_no_scroll::CMyEdit_no_scroll(int id, QWidget* parent) : QLineEdit(parent)
{
    set_control_id(this, id);
    setFrame(false);
    setTextMargins(3, 2, 3, 2);
}

void CMyEdit_no_scroll::paintEvent(QPaintEvent* event)
{
    try {
        apply_edit_colours(this, nullptr);
        {
            GdiPainter dc(this);
            dc.fill_rect(0, 0, width(), height(), 0xffffff);
        }
        QLineEdit::paintEvent(event);
        if (isVisible()) {
            GdiPainter dc(this);
            paint_flat_edit_border(dc, width(), height());
        }
    } catch (...) {
        dbg_log("exception in CMyEdit_no_scroll::paintEvent.\n");
    }
}
