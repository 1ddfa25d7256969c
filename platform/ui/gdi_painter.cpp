#include "platform/ui/gdi_painter.h"

#include <QImage>
#include <QPixmap>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

GdiPainter::GdiPainter(QPaintDevice* device) : own_(device), painter_(&own_) { prepare(); }

GdiPainter::GdiPainter(QPainter& painter) : painter_(&painter) { prepare(); }

void GdiPainter::prepare()
{
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
}

void GdiPainter::select_pen(COLORREF colour, int width_px)
{
    pen_colour_ = colorref_color(colour);
    // Wider than any device: a width from outside cannot overflow the pen's reach.
    pen_width_px_ = std::clamp(width_px, 1, 10000);
}

void GdiPainter::move_to(int x, int y) { current_ = QPoint(x, y); }

void GdiPainter::line_to(int x, int y)
{
    QPoint to(x, y);
    line_pixels(current_, to);
    current_ = to;
}

void GdiPainter::polyline(std::initializer_list<QPoint> points)
{
    bool first = true;
    for (QPoint p : points) {
        if (first)
            move_to(p.x(), p.y());
        else
            line_to(p.x(), p.y());
        first = false;
    }
}

namespace {

// Cuts the segment a-b to box (Liang-Barsky); false when nothing of it is inside.
bool clip_segment(double& ax, double& ay, double& bx, double& by, const QRectF& box)
{
    double t0 = 0;
    double t1 = 1;
    const double dx = bx - ax;
    const double dy = by - ay;
    const double p[4] = { -dx, dx, -dy, dy };
    const double q[4] = { ax - box.left(), box.right() - ax, ay - box.top(), box.bottom() - ay };
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double sx = ax;
    const double sy = ay;
    ax = sx + t0 * dx;
    ay = sy + t0 * dy;
    bx = sx + t1 * dx;
    by = sy + t1 * dy;
    return true;
}

} // namespace

void GdiPainter::line_pixels(QPoint from, QPoint to)
{
    if (from == to)
        return;
    {
        // A line reaching far beyond what the device shows is cut to it first,
        // so that its pixels are not walked one by one.
        const QRect device(0, 0, painter_->device()->width(), painter_->device()->height());
        const QRectF seen = QRectF(painter_->transform().inverted().mapRect(device))
                                .adjusted(-pen_width_px_ - 2.0, -pen_width_px_ - 2.0, pen_width_px_ + 2.0,
                                          pen_width_px_ + 2.0);
        const double reach = 65536;
        const QRectF near = seen.adjusted(-reach, -reach, reach, reach);
        if (!near.contains(QPointF(from)) || !near.contains(QPointF(to))) {
            double ax = from.x(), ay = from.y(), bx = to.x(), by = to.y();
            if (!clip_segment(ax, ay, bx, by, seen))
                return;
            from = QPoint(static_cast<int>(std::lround(ax)), static_cast<int>(std::lround(ay)));
            to = QPoint(static_cast<int>(std::lround(bx)), static_cast<int>(std::lround(by)));
            if (from == to)
                return;
        }
    }
    if (xor_dotted_) {
        painter_->setPen(curve_pen());
        painter_->drawLine(from, to);
        return;
    }
    int dx = to.x() - from.x();
    int dy = to.y() - from.y();
    if (pen_width_px_ > 1) {
        // A wide pen covers width pixels across the line, centred as the device
        // does (the extra pixel to the top and left), and reaches half its width
        // past both ends so that the corners of a frame close.
        int before = pen_width_px_ / 2;
        int across = pen_width_px_;
        if (dy == 0) {
            int x0 = std::min(from.x(), to.x()) - before;
            int x1 = std::max(from.x(), to.x()) + (pen_width_px_ - 1) / 2;
            painter_->fillRect(QRect(x0, from.y() - before, x1 - x0 + 1, across), pen_colour_);
            return;
        }
        if (dx == 0) {
            int y0 = std::min(from.y(), to.y()) - before;
            int y1 = std::max(from.y(), to.y()) + (pen_width_px_ - 1) / 2;
            painter_->fillRect(QRect(from.x() - before, y0, across, y1 - y0 + 1), pen_colour_);
            return;
        }
        QPen pen(pen_colour_, pen_width_px_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter_->setPen(pen);
        painter_->drawLine(from, to);
        return;
    }
    if (dy == 0) {
        int x0 = dx > 0 ? from.x() : to.x() + 1;
        painter_->fillRect(QRect(x0, from.y(), std::abs(dx), 1), pen_colour_);
        return;
    }
    if (dx == 0) {
        int y0 = dy > 0 ? from.y() : to.y() + 1;
        painter_->fillRect(QRect(from.x(), y0, 1, std::abs(dy)), pen_colour_);
        return;
    }
    // Bresenham, the end point left out.
    std::vector<QPoint> points;
    int adx = std::abs(dx);
    int ady = std::abs(dy);
    int sx = dx > 0 ? 1 : -1;
    int sy = dy > 0 ? 1 : -1;
    int err = adx - ady;
    int x = from.x();
    int y = from.y();
    points.reserve(static_cast<size_t>(std::max(adx, ady)));
    while (x != to.x() || y != to.y()) {
        points.emplace_back(x, y);
        int e2 = 2 * err;
        if (e2 > -ady) {
            err -= ady;
            x += sx;
        }
        if (e2 < adx) {
            err += adx;
            y += sy;
        }
    }
    painter_->setPen(QPen(pen_colour_, 0));
    painter_->drawPoints(points.data(), static_cast<int>(points.size()));
}

void GdiPainter::set_pixel(int x, int y, COLORREF colour) { painter_->fillRect(QRect(x, y, 1, 1), colorref_color(colour)); }

void GdiPainter::fill_rect(int left, int top, int right, int bottom, COLORREF colour)
{
    if (right <= left || bottom <= top)
        return;
    const auto span = [](int from, int to) {
        return static_cast<int>(std::min<int64_t>(static_cast<int64_t>(to) - from, INT32_MAX));
    };
    painter_->fillRect(QRect(left, top, span(left, right), span(top, bottom)), colorref_color(colour));
}

void GdiPainter::fill_rect(const QRect& rect, COLORREF colour)
{
    fill_rect(rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height(), colour);
}

void GdiPainter::rectangle(int left, int top, int right, int bottom, COLORREF fill)
{
    if (right <= left || bottom <= top)
        return;
    fill_rect(left, top, right, bottom, fill);
    int saved_width = pen_width_px_;
    pen_width_px_ = 1;
    polyline({ { left, top }, { right - 1, top }, { right - 1, bottom - 1 }, { left, bottom - 1 }, { left, top } });
    pen_width_px_ = saved_width;
}

void GdiPainter::draw_3d_rect(const QRect& r, COLORREF top_left, COLORREF bottom_right)
{
    const int x = r.left();
    const int y = r.top();
    const int cx = r.width();
    const int cy = r.height();
    if (cx <= 0 || cy <= 0)
        return;
    fill_rect(x, y, x + cx - 1, y + 1, top_left);
    fill_rect(x, y, x + 1, y + cy - 1, top_left);
    fill_rect(x + cx - 1, y, x + cx, y + cy, bottom_right);
    fill_rect(x, y + cy - 1, x + cx, y + cy, bottom_right);
}

void GdiPainter::hatch_rect(int left, int top, int right, int bottom, COLORREF hatch, COLORREF background)
{
    if (right <= left || bottom <= top)
        return;
    QRect rect(left, top, right - left, bottom - top);
    painter_->fillRect(rect, colorref_color(background));
    // The pattern keeps to the device's origin, as a hatch brush does.
    painter_->setBrushOrigin(0, 0);
    painter_->fillRect(rect, QBrush(colorref_color(hatch), Qt::DiagCrossPattern));
}

void GdiPainter::solid_polygon(std::initializer_list<QPoint> points, COLORREF colour)
{
    QPolygon polygon;
    for (QPoint p : points)
        polygon << p;
    QColor c = colorref_color(colour);
    painter_->setPen(QPen(c, 0));
    painter_->setBrush(c);
    painter_->drawPolygon(polygon);
    painter_->setBrush(Qt::NoBrush);
}

QPen GdiPainter::curve_pen() const
{
    if (xor_dotted_)
        return QPen(Qt::white, 0, Qt::DotLine);
    if (pen_width_px_ <= 1)
        return QPen(pen_colour_, 0);
    return QPen(pen_colour_, pen_width_px_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void GdiPainter::set_xor_dotted(bool on)
{
    xor_dotted_ = on;
    painter_->setCompositionMode(on ? QPainter::RasterOp_SourceXorDestination : QPainter::CompositionMode_SourceOver);
}

void GdiPainter::ellipse(int left, int top, int right, int bottom, bool hollow, COLORREF fill)
{
    if (static_cast<int64_t>(right) - left < 1 || static_cast<int64_t>(bottom) - top < 1)
        return;
    // The device's ellipse stays inside [left, right) x [top, bottom).
    const QRectF box(left, top, static_cast<qreal>(right) - left - 1, static_cast<qreal>(bottom) - top - 1);
    painter_->setPen(curve_pen());
    painter_->setBrush(hollow || xor_dotted_ ? QBrush(Qt::NoBrush) : QBrush(colorref_color(fill)));
    painter_->drawEllipse(box);
    painter_->setBrush(Qt::NoBrush);
}

void GdiPainter::arc(int left, int top, int right, int bottom, int start_deg, int span_deg)
{
    if (static_cast<int64_t>(right) - left < 1 || static_cast<int64_t>(bottom) - top < 1 || span_deg == 0)
        return;
    const QRectF box(left, top, static_cast<qreal>(right) - left, static_cast<qreal>(bottom) - top);
    painter_->setPen(curve_pen());
    painter_->setBrush(Qt::NoBrush);
    painter_->drawArc(box, start_deg * 16, span_deg * 16);
}

void GdiPainter::round_rect(int left, int top, int right, int bottom, int corner_w, int corner_h, COLORREF fill)
{
    if (static_cast<int64_t>(right) - left < 1 || static_cast<int64_t>(bottom) - top < 1)
        return;
    const QRectF box(left, top, static_cast<qreal>(right) - left - 1, static_cast<qreal>(bottom) - top - 1);
    painter_->setPen(curve_pen());
    painter_->setBrush(xor_dotted_ ? QBrush(Qt::NoBrush) : QBrush(colorref_color(fill)));
    painter_->drawRoundedRect(box, corner_w / 2.0, corner_h / 2.0);
    painter_->setBrush(Qt::NoBrush);
}

void GdiPainter::solid_polygon(const QPolygon& polygon, COLORREF colour)
{
    QColor c = colorref_color(colour);
    painter_->setPen(QPen(c, 0));
    painter_->setBrush(c);
    painter_->drawPolygon(polygon);
    painter_->setBrush(Qt::NoBrush);
}

void GdiPainter::bit_blt(int x, int y, int w, int h, const QPixmap& src, int sx, int sy)
{
    if (w <= 0 || h <= 0 || src.isNull())
        return;
    painter_->drawPixmap(QRect(x, y, w, h), src, QRect(sx, sy, w, h));
}

void GdiPainter::stretch_blt(int x, int y, int w, int h, const QPixmap& src, int sx, int sy, int sw, int sh)
{
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || src.isNull())
        return;
    painter_->drawPixmap(QRect(x, y, w, h), src, QRect(sx, sy, sw, sh));
}

void GdiPainter::stretch_blt(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw, int sh)
{
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || src.isNull())
        return;
    painter_->drawImage(QRect(x, y, w, h), src, QRect(sx, sy, sw, sh));
}

void GdiPainter::draw_text(const QString& text, const QRect& rect, int flags, COLORREF colour)
{
    if (rect.isEmpty())
        return;
    painter_->save();
    painter_->setClipRect(rect, Qt::IntersectClip);
    painter_->setPen(colorref_color(colour));
    painter_->drawText(rect, flags | Qt::TextSingleLine, text);
    painter_->restore();
}
