#include "skin/ui/wnd_status_button.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QMouseEvent>

CWndStatusButton::CWndStatusButton(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CWndStatusButton::set_bitmap(int bitmap_id)
{
    if (m_bitmap_id == bitmap_id)
        return;
    m_bitmap_id = bitmap_id;
    update();
}

void CWndStatusButton::set_image_pos(int x, int y)
{
    m_image_x = x;
    m_image_y = y;
    update();
}

void CWndStatusButton::paint_frame(GdiPainter& dc, int w, int h)
{
    dc.select_pen(skin_word_value(skin_word::panel));
    dc.polyline({ { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, 0 } });
    dc.select_pen(skin_word_value(skin_word::light_3d));
    dc.line_to(0, 0);
    dc.line_to(0, h - 1);
}

void CWndStatusButton::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        // Where the strip is shorter than the button, the face colour shows.
        dc.fill_rect(0, 0, w, h, skin_word_value(skin_word::light_3d));
        dc.bit_blt(1, 1, w, h, skin_bitmap(m_bitmap_id), m_image_x, m_image_y);
        paint_frame(dc, w, h);
    } catch (...) {
        dbg_log("exception in CWndStatusButton::OnPaint.\n");
    }
}

void CWndStatusButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_target && m_command_id > 0)
        post_window_message(*m_target, WM_COMMAND, static_cast<uintptr_t>(m_command_id), 0);
    QWidget::mousePressEvent(event);
}
