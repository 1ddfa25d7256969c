#include "skin/ui/wnd_status_button.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/command_icons.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"
#include "skin/ui/theme_icons.h"

#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int status_glyph_px = 12;
// A picture this small must keep some pixels well apart from its face to be
// seen at all: a theme glyph scaled down from fine strokes may not.
constexpr int legible_grey_step = 96;
constexpr int legible_pixels = 10;

bool legible_on(const QImage& picture, const QColor& face)
{
    const int face_grey = qGray(face.rgb());
    int strong = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            strong += std::abs(qGray(picture.pixel(x, y)) - face_grey) >= legible_grey_step;
    return strong >= legible_pixels;
}

} // namespace

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

QImage CWndStatusButton::themed_picture(const QPixmap& strip, int w, int h) const
{
    const CommandIcon* icon = command_icon(m_command_id);
    if (!icon || !icon->theme_name || !theme_has_icon(icon->theme_name) || strip.isNull() || w <= 0 || h <= 0)
        return QImage();
    // The strip's plain face: its columns right of each 12-pixel glyph.
    QImage source = strip.toImage();
    QPoint plain(std::min(m_image_x + status_glyph_px, source.width() - 1), std::clamp(m_image_y, 0, source.height() - 1));
    QColor face_colour = source.pixelColor(plain);
    QImage face(w, h, QImage::Format_ARGB32_Premultiplied);
    face.fill(face_colour);
    QImage picture = command_picture_on_face(face, m_command_id);
    return legible_on(picture, face_colour) ? picture : QImage();
}

void CWndStatusButton::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        // Where the strip is shorter than the button, the face colour shows.
        dc.fill_rect(0, 0, w, h, skin_word_value(skin_word::light_3d));
        QPixmap strip = skin_bitmap(m_bitmap_id);
        QImage themed = themed_picture(strip, w - 2, h - 2);
        if (!themed.isNull())
            dc.painter().drawImage(1, 1, themed);
        else
            dc.bit_blt(1, 1, w, h, strip, m_image_x, m_image_y);
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
