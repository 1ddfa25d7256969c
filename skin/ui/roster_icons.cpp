#include "skin/ui/roster_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <unordered_map>

namespace {

// Head and shoulders, filled in body and outlined a shade darker.
void draw_person(QPainter& p, QPointF centre, double scale, const QColor& body, const QColor& skin)
{
    const QColor edge = body.darker(160);
    p.setPen(QPen(edge, 1.0));
    p.setBrush(body);
    QPainterPath shoulders;
    const double x = centre.x();
    const double y = centre.y();
    shoulders.moveTo(x - 6.0 * scale, y + 7.5 * scale);
    shoulders.cubicTo(x - 6.0 * scale, y + 1.5 * scale, x - 3.5 * scale, y + 0.5 * scale, x, y + 0.5 * scale);
    shoulders.cubicTo(x + 3.5 * scale, y + 0.5 * scale, x + 6.0 * scale, y + 1.5 * scale, x + 6.0 * scale, y + 7.5 * scale);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    p.setPen(QPen(skin.darker(150), 1.0));
    p.setBrush(skin);
    p.drawEllipse(QPointF(x, y - 3.0 * scale), 3.0 * scale, 3.2 * scale);
}

QImage new_icon()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage paint_member()
{
    QImage image = new_icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    draw_person(p, QPointF(8, 8), 1.0, QColor(0x4a, 0x78, 0xb0), QColor(0xf2, 0xc8, 0xa0));
    return image;
}

// A person beside a small board with a pointer.
QImage paint_presenter()
{
    QImage image = new_icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0x30, 0x60, 0x30), 1.0));
    p.setBrush(QColor(0xf4, 0xfa, 0xf0));
    p.drawRect(QRectF(7.5, 0.5, 8, 6));
    p.setPen(QPen(QColor(0x28, 0xa0, 0x40), 1.2));
    p.drawLine(QPointF(9, 4.5), QPointF(11, 3));
    p.drawLine(QPointF(11, 3), QPointF(14, 4.5));
    draw_person(p, QPointF(5.5, 9), 0.85, QColor(0x30, 0x98, 0x48), QColor(0xf2, 0xc8, 0xa0));
    p.setPen(QPen(QColor(0x50, 0x40, 0x30), 1.0));
    p.drawLine(QPointF(9, 9), QPointF(12, 6.5));
    return image;
}

// A person under a small gold crown.
QImage paint_chairman()
{
    QImage image = new_icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    draw_person(p, QPointF(8, 9), 0.9, QColor(0xc0, 0x30, 0x30), QColor(0xf2, 0xc8, 0xa0));
    QPolygonF crown({ { 4.5, 4.0 }, { 4.5, 0.8 }, { 6.5, 2.4 }, { 8.0, 0.3 }, { 9.5, 2.4 }, { 11.5, 0.8 }, { 11.5, 4.0 } });
    p.setPen(QPen(QColor(0x90, 0x68, 0x00), 0.9));
    p.setBrush(QColor(0xf8, 0xc8, 0x20));
    p.drawPolygon(crown);
    return image;
}

} // namespace

QPixmap roster_icon(int icon_id)
{
    static std::unordered_map<int, QPixmap> cache;
    if (auto it = cache.find(icon_id); it != cache.end())
        return it->second;
    QImage image;
    switch (icon_id) {
    case roster_icon_presenter: image = paint_presenter(); break;
    case roster_icon_chairman: image = paint_chairman(); break;
    case roster_icon_member: image = paint_member(); break;
    default: return QPixmap();
    }
    return cache[icon_id] = QPixmap::fromImage(image);
}

std::vector<QPixmap> roster_image_list()
{
    return { roster_icon(roster_icon_member), roster_icon(roster_icon_presenter), roster_icon(roster_icon_chairman) };
}
