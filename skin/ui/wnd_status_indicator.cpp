#include "skin/ui/wnd_status_indicator.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/status_bar_rules.h"

CWndStatusIndicator::CWndStatusIndicator(QWidget* parent)
    : CWndStatusButton(parent), m_colour(connection_light_colour(connection_retry_sum()))
{
}

COLORREF CWndStatusIndicator::refresh_light()
{
    COLORREF now = connection_light_colour(connection_retry_sum());
    if (now != m_colour) {
        m_colour = now;
        update();
    }
    return now;
}

void CWndStatusIndicator::paintEvent(QPaintEvent*)
{
    try {
        m_colour = connection_light_colour(connection_retry_sum());
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        dc.fill_rect(0, 0, w, h, skin_word_value(skin_word::connection_light_background));
        paint_frame(dc, w, h);
        // A filled disc inside (2, 2, w - 3, h - 3).
        QPainter& p = dc.painter();
        p.setPen(Qt::NoPen);
        p.setBrush(colorref_color(m_colour));
        p.drawEllipse(QRect(2, 2, w - 5, h - 5));
        p.setBrush(Qt::NoBrush);
    } catch (...) {
        dbg_log("exception in CWndStatusIndicator::OnPaint.\n");
    }
}
