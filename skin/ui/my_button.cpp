#include "skin/ui/my_button.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QMouseEvent>

namespace {
constexpr COLORREF flat_face_colour = 0xe0e0c0;
constexpr COLORREF hover_text_colour = 0xffffff;
constexpr COLORREF normal_text_colour = 0xd0d0d0;
constexpr COLORREF disabled_text_colour = 0x808080;
} // namespace

CMyButton::CMyButton(int id, const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    set_control_id(this, id);
    setMouseTracking(true);
    setMinimumSize(75, 23);
}

void CMyButton::set_hover(int hover)
{
    if (m_hover == hover)
        return;
    m_hover = hover;
    update();
}

void CMyButton::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    bool inside = p.x() >= 0 && p.y() >= 0 && p.x() <= width() && p.y() <= height();
    set_hover(inside ? 1 : 0);
    QPushButton::mouseMoveEvent(event);
}

void CMyButton::enterEvent(QEnterEvent* event)
{
    set_hover(1);
    QPushButton::enterEvent(event);
}

void CMyButton::leaveEvent(QEvent* event)
{
    set_hover(0);
    QPushButton::leaveEvent(event);
}

void CMyButton::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        if (m_flat == 1) {
            dc.fill_rect(0, 0, w, h, flat_face_colour);
        } else {
            QPixmap face = skin_word_bitmap(skin_word::button_face);
            // Rows one to one; a button taller than the face stretches it.
            dc.stretch_blt(0, 0, w, h, face, 0, 0, 1, std::min(h, face.height()));
        }
        COLORREF text_colour = !isEnabled() ? disabled_text_colour : m_hover ? hover_text_colour : normal_text_colour;
        dc.draw_text(text(), rect(), Qt::AlignCenter, text_colour);
        if (isDown()) {
            dc.select_pen(skin_word_value(skin_word::button_frame_pushed));
            dc.polyline({ { 0, 0 }, { w, 0 }, { w, h }, { 0, h }, { 0, -1 } });
        }
        dc.select_pen(skin_word_value(hasFocus() ? skin_word::button_frame_focused : skin_word::button_frame_normal));
        dc.polyline({ { 0, 0 }, { w, 0 }, { w, h }, { 0, h }, { 0, -1 } });
    } catch (...) {
        dbg_log("exception in CMyButton::paintEvent.\n");
    }
}
