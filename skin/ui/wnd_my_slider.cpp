#include "skin/ui/wnd_my_slider.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QMouseEvent>

CWndMySlider::CWndMySlider(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CWndMySlider::set_value(int value)
{
    m_model.set_value(value);
    update();
}

void CWndMySlider::set_range(int minimum, int maximum)
{
    m_model.set_range(minimum, maximum);
    update();
}

void CWndMySlider::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        QPixmap background = skin_bitmap(slider_background_bitmap);
        int rows = std::max(1, std::min(h, background.height() - slider_background_row));
        dc.stretch_blt(0, 0, w, h, background, 0, slider_background_row, 1, rows);

        const COLORREF ink = skin_word_value(skin_word::outline);
        const VolumeSliderModel& s = m_model;
        const int m = s.mid_y(h);
        const int right = w - s.right_margin;
        dc.select_pen(ink);
        dc.polyline({ { s.left_margin, m }, { right, m }, { right, m - s.thumb_height }, { s.left_margin, m } });
        dc.solid_polygon({ { s.left_margin, m }, { right, m }, { right, m - s.thumb_height } }, ink);
        if (s.has_range()) {
            const int t = s.thumb_x(w);
            dc.fill_rect(t - 2, m - 5, t + 2, m + 3, ink);
            dc.polyline({ { t - 2, m + 3 }, { t + 2, m + 3 }, { t + 2, m - 6 } });
        }
    } catch (...) {
        dbg_log("exception in CWndMySlider::OnPaint.\n");
    }
}

void CWndMySlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        QPoint p = event->position().toPoint();
        if (m_model.press(p.x(), p.y(), width(), height()))
            update();
    }
    QWidget::mousePressEvent(event);
}

void CWndMySlider::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    if (m_model.drag_to(p.x(), p.y(), width(), height()))
        update();
    QWidget::mouseMoveEvent(event);
}

void CWndMySlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_model.release();
        apply_value();
    }
    QWidget::mouseReleaseEvent(event);
}
