#include "skin/ui/skin_bitmaps.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/command_icons.h"
#include "skin/skin_table.h"
#include "skin/ui/theme_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace {

QColor mix(const QColor& a, const QColor& b, double t)
{
    auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()), lerp(a.alpha(), b.alpha()));
}

const QColor white_colour(255, 255, 255);

// The scheme's colours under the names the bitmaps use them by.
struct Palette {
    explicit Palette(const SkinScheme& words)
    {
        auto c = [&](int w) { return colorref_color(words[static_cast<size_t>(w)]); };
        text = c(skin_word::text);
        outline = c(skin_word::outline);
        scroll_outline = c(skin_word::scroll_outline);
        light = c(skin_word::dialog_inner_frame);
        panel = c(skin_word::panel);
        highlight = c(skin_word::highlight);
        tab = c(skin_word::tab_outline);
        inner = c(skin_word::inner_border);
        light_3d = c(skin_word::light_3d);
        caption = c(skin_word::caption_fill);
        dark = c(skin_word::button_frame_pushed);
        hot = c(skin_word::tool_button_hot_selected);
    }
    QColor text, outline, scroll_outline, light, panel, highlight, tab, inner, light_3d, caption, dark, hot;

    // The caption band: light at the top, the caption colour in the middle, deeper at the bottom.
    QColor caption_row(int y) const
    {
        if (y <= 0)
            return mix(caption, white_colour, 0.40);
        if (y <= 10)
            return mix(mix(caption, white_colour, 0.18), mix(caption, dark, 0.12), y / 10.0);
        return mix(mix(caption, dark, 0.12), mix(caption, dark, 0.6), std::min(1.0, (y - 10) / 12.0));
    }
};

QImage new_image(int w, int h, const QColor& fill = Qt::transparent)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void fill_rows(QImage& image, const std::function<QColor(int)>& row_colour)
{
    QPainter p(&image);
    for (int y = 0; y < image.height(); ++y)
        p.fillRect(QRect(0, y, image.width(), 1), row_colour(y));
}

void fill_caption(QImage& image, const Palette& pal)
{
    fill_rows(image, [&](int y) { return pal.caption_row(y); });
}

// ---- caption pieces -------------------------------------------------------

QImage paint_caption_left(const Palette& pal, int w, int h)
{
    QImage image = new_image(w, h);
    fill_caption(image, pal);
    QPainter p(&image);
    // A soft highlight down the outer edge; the window's rounded corner cuts the rest.
    p.fillRect(QRect(0, 3, 1, h - 3), mix(pal.caption_row(6), white_colour, 0.3));
    return image;
}

QImage paint_caption_right(const Palette& pal, int w, int h)
{
    QImage image = new_image(w, h);
    fill_caption(image, pal);
    // A thin groove where the title ends and the buttons begin; the slice
    // covers the first 8 columns.
    QPainter p(&image);
    p.fillRect(QRect(w - 3, 4, 1, h - 9), mix(pal.caption_row(11), pal.dark, 0.35));
    p.fillRect(QRect(w - 2, 4, 1, h - 9), mix(pal.caption_row(11), white_colour, 0.35));
    return image;
}

enum class Glyph { close, maximise, restore, minimise };

// A caption button: the band, and in the rightmost 21 columns the glyph on
// a plate that shows hover and press.
QImage paint_caption_button(const Palette& pal, int w, int h, Glyph glyph, int state)
{
    QImage image = new_image(w, h);
    fill_caption(image, pal);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    int x0 = w - 21;
    QRectF plate(x0 + 2.5, 3.5, 16, 16);
    bool danger = glyph == Glyph::close;
    if (state == 1) {
        QColor top = danger ? QColor(0xf0, 0x70, 0x60) : mix(pal.caption_row(4), white_colour, 0.45);
        QColor bottom = danger ? QColor(0xd0, 0x38, 0x30) : mix(pal.caption_row(18), white_colour, 0.25);
        QLinearGradient g(plate.topLeft(), plate.bottomLeft());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setBrush(g);
        p.setPen(QPen(mix(white_colour, pal.caption, 0.2), 1));
        p.drawRoundedRect(plate, 3, 3);
    } else if (state == 2) {
        QColor fill = danger ? QColor(0xa0, 0x20, 0x20) : mix(pal.caption, pal.dark, 0.7);
        p.setBrush(fill);
        p.setPen(QPen(mix(fill, Qt::black, 0.3), 1));
        p.drawRoundedRect(plate, 3, 3);
    }
    double cx = x0 + 10.5 + (state == 2 ? 1 : 0);
    double cy = 11.5 + (state == 2 ? 1 : 0);
    QColor ink = state == 0 ? white_colour : QColor(255, 255, 255);
    QColor shadow = mix(pal.dark, Qt::transparent, 0.4);
    auto draw = [&](const QColor& colour, double dx, double dy) {
        QPen pen(colour, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        switch (glyph) {
        case Glyph::close:
            p.drawLine(QPointF(cx - 3.5 + dx, cy - 3.5 + dy), QPointF(cx + 3.5 + dx, cy + 3.5 + dy));
            p.drawLine(QPointF(cx + 3.5 + dx, cy - 3.5 + dy), QPointF(cx - 3.5 + dx, cy + 3.5 + dy));
            break;
        case Glyph::maximise:
            p.setPen(QPen(colour, 1));
            p.drawRect(QRectF(cx - 4.5 + dx, cy - 4 + dy, 9, 8));
            p.fillRect(QRectF(cx - 4.5 + dx, cy - 4.5 + dy, 9.5, 2), colour);
            break;
        case Glyph::restore:
            p.setPen(QPen(colour, 1));
            p.drawRect(QRectF(cx - 1.5 + dx, cy - 5 + dy, 6, 5));
            p.fillRect(QRectF(cx - 1.5 + dx, cy - 5.5 + dy, 6.5, 2), colour);
            p.setBrush(state == 0 ? pal.caption_row(static_cast<int>(cy)) : Qt::NoBrush);
            p.drawRect(QRectF(cx - 4.5 + dx, cy - 1.5 + dy, 6, 5));
            p.fillRect(QRectF(cx - 4.5 + dx, cy - 2 + dy, 6.5, 2), colour);
            break;
        case Glyph::minimise:
            p.fillRect(QRectF(cx - 4.5 + dx, cy + 2.5 + dy, 9, 2), colour);
            break;
        }
    };
    draw(shadow, 1, 1);
    draw(ink, 0, 0);
    return image;
}

// ---- faces and backgrounds -----------------------------------------------

double relative_luminance(const QColor& c)
{
    auto channel = [](int v) {
        double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

// The push button: a glossy bar deep enough for its light grey text.
QImage paint_button_face(const Palette& pal, int w, int h)
{
    QImage image = new_image(w, h);
    QColor base = mix(pal.caption, pal.dark, 0.42);
    auto row = [&](int y) {
        if (y == 0)
            return mix(base, white_colour, 0.45);
        if (y < 11)
            return mix(mix(base, white_colour, 0.22), mix(base, white_colour, 0.06), y / 11.0);
        return mix(base, pal.dark, std::min(1.0, (y - 11) / 18.0) * 0.45);
    };
    // The label (0xd0d0d0, white when hovered) sits on rows 5 and below: deepen
    // the scheme's colour until even the glossiest of them keeps a clear contrast.
    const double text_luminance = relative_luminance(QColor(0xd0, 0xd0, 0xd0));
    const QColor black(0, 0, 0);
    for (int step = 0; step < 40 && (text_luminance + 0.05) / (relative_luminance(row(5)) + 0.05) < 3.4; ++step)
        base = mix(base, black, 0.06);
    fill_rows(image, row);
    return image;
}

// Dialog, page and view backgrounds: a pale wash of the scheme, lighter downwards.
QImage paint_background(const QColor& top, const QColor& bottom, int w, int h, int fade_px)
{
    QImage image = new_image(w, h);
    fill_rows(image, [&](int y) { return mix(top, bottom, std::min(1.0, y / static_cast<double>(fade_px))); });
    return image;
}

QImage paint_header_face(const Palette& pal, int w, int h)
{
    QImage image = new_image(w, h);
    fill_rows(image, [&](int y) {
        if (y == 0)
            return white_colour;
        return mix(mix(pal.light_3d, white_colour, 0.5), pal.highlight, std::min(1.0, y / 24.0));
    });
    return image;
}

QImage paint_no_video(const Palette& pal, int w, int h)
{
    QImage image = new_image(w, h);
    {
        QPainter p(&image);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, mix(pal.highlight, white_colour, 0.3));
        g.setColorAt(1, pal.panel);
        p.fillRect(image.rect(), g);
        p.setRenderHint(QPainter::Antialiasing, true);
        // A person's outline: head and shoulders.
        QColor figure = mix(pal.panel, pal.dark, 0.35);
        p.setPen(Qt::NoPen);
        p.setBrush(figure);
        p.drawEllipse(QPointF(w / 2.0, h * 0.38), h * 0.16, h * 0.18);
        QPainterPath body;
        body.moveTo(w / 2.0 - h * 0.36, h);
        body.cubicTo(w / 2.0 - h * 0.36, h * 0.62, w / 2.0 - h * 0.18, h * 0.58, w / 2.0, h * 0.58);
        body.cubicTo(w / 2.0 + h * 0.18, h * 0.58, w / 2.0 + h * 0.36, h * 0.62, w / 2.0 + h * 0.36, h);
        body.closeSubpath();
        p.drawPath(body);
        p.setPen(QPen(mix(pal.panel, white_colour, 0.5), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    }
    return image;
}

// ---- small buttons and tool-bar glyphs -------------------------------------

// One distinct picture per index: sixteen shapes, each outlined and filled.
void draw_glyph(QPainter& p, int index, const QRectF& box, const QColor& ink, const QColor& fill)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    bool solid = (index / 16) % 2 == 1;
    p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(solid ? QBrush(fill) : QBrush(Qt::NoBrush));
    QRectF r = box.adjusted(1.5, 1.5, -1.5, -1.5);
    QPointF c = r.center();
    double s = std::min(r.width(), r.height()) / 2;
    auto poly = [&](std::initializer_list<QPointF> pts) { p.drawPolygon(QPolygonF(pts)); };
    switch (index % 16) {
    case 0: p.drawEllipse(c, s, s); break;
    case 1: p.drawRect(QRectF(c.x() - s, c.y() - s, 2 * s, 2 * s)); break;
    case 2: poly({ { c.x(), c.y() - s }, { c.x() + s, c.y() + s }, { c.x() - s, c.y() + s } }); break;
    case 3: p.drawRoundedRect(QRectF(c.x() - s, c.y() - s, 2 * s, 2 * s), s / 2, s / 2); break;
    case 4: // plus
        poly({ { c.x() - s / 3, c.y() - s }, { c.x() + s / 3, c.y() - s }, { c.x() + s / 3, c.y() - s / 3 },
               { c.x() + s, c.y() - s / 3 }, { c.x() + s, c.y() + s / 3 }, { c.x() + s / 3, c.y() + s / 3 },
               { c.x() + s / 3, c.y() + s }, { c.x() - s / 3, c.y() + s }, { c.x() - s / 3, c.y() + s / 3 },
               { c.x() - s, c.y() + s / 3 }, { c.x() - s, c.y() - s / 3 }, { c.x() - s / 3, c.y() - s / 3 } });
        break;
    case 5: // right arrow
        poly({ { c.x() - s, c.y() - s / 3 }, { c.x(), c.y() - s / 3 }, { c.x(), c.y() - s }, { c.x() + s, c.y() },
               { c.x(), c.y() + s }, { c.x(), c.y() + s / 3 }, { c.x() - s, c.y() + s / 3 } });
        break;
    case 6: // left arrow
        poly({ { c.x() + s, c.y() - s / 3 }, { c.x(), c.y() - s / 3 }, { c.x(), c.y() - s }, { c.x() - s, c.y() },
               { c.x(), c.y() + s }, { c.x(), c.y() + s / 3 }, { c.x() + s, c.y() + s / 3 } });
        break;
    case 7: // speaker
        poly({ { c.x() - s, c.y() - s / 3 }, { c.x() - s / 3, c.y() - s / 3 }, { c.x() + s / 3, c.y() - s },
               { c.x() + s / 3, c.y() + s }, { c.x() - s / 3, c.y() + s / 3 }, { c.x() - s, c.y() + s / 3 } });
        p.drawArc(QRectF(c.x() - s / 2, c.y() - s / 1.5, s * 1.4, s * 1.33), -50 * 16, 100 * 16);
        break;
    case 8: // microphone
        p.drawRoundedRect(QRectF(c.x() - s / 3, c.y() - s, s / 1.5, s * 1.2), s / 3, s / 3);
        p.drawArc(QRectF(c.x() - s / 1.5, c.y() - s / 2, s * 1.33, s * 1.1), 180 * 16, 180 * 16);
        p.drawLine(QPointF(c.x(), c.y() + s * 0.6), QPointF(c.x(), c.y() + s));
        break;
    case 9: // speech bubble
        p.drawRoundedRect(QRectF(c.x() - s, c.y() - s, 2 * s, s * 1.4), 2, 2);
        poly({ { c.x() - s / 2, c.y() + s * 0.4 }, { c.x() - s / 2, c.y() + s }, { c.x(), c.y() + s * 0.4 } });
        break;
    case 10: // person
        p.drawEllipse(QPointF(c.x(), c.y() - s / 2), s / 2.5, s / 2.5);
        p.drawChord(QRectF(c.x() - s * 0.8, c.y(), s * 1.6, s * 1.8), 0, 180 * 16);
        break;
    case 11: // plug / link
        p.drawEllipse(QPointF(c.x() - s / 2.2, c.y()), s / 2.2, s / 2.2);
        p.drawEllipse(QPointF(c.x() + s / 2.2, c.y()), s / 2.2, s / 2.2);
        break;
    case 12: // star
        {
            QPolygonF star;
            for (int i = 0; i < 10; ++i) {
                double a = -M_PI / 2 + i * M_PI / 5;
                double rad = i % 2 == 0 ? s : s * 0.45;
                star << QPointF(c.x() + rad * std::cos(a), c.y() + rad * std::sin(a));
            }
            p.drawPolygon(star);
        }
        break;
    case 13: // check
        p.drawPolyline(QPolygonF({ { c.x() - s, c.y() }, { c.x() - s / 3, c.y() + s * 0.7 }, { c.x() + s, c.y() - s * 0.7 } }));
        if (solid)
            p.drawEllipse(c, s / 4, s / 4);
        break;
    case 14: // cross
        p.drawLine(QPointF(c.x() - s, c.y() - s), QPointF(c.x() + s, c.y() + s));
        p.drawLine(QPointF(c.x() + s, c.y() - s), QPointF(c.x() - s, c.y() + s));
        if (solid)
            p.drawEllipse(c, s / 3, s / 3);
        break;
    case 15: // door
        p.drawRect(QRectF(c.x() - s * 0.7, c.y() - s, s * 1.4, 2 * s));
        p.drawEllipse(QPointF(c.x() + s * 0.35, c.y()), 0.8, 0.8);
        break;
    }
    p.restore();
}

// A strip of 16-pixel slots, one glyph each; first is the strip's first glyph number.
QImage paint_tool_strip(const Palette& pal, int w, int h, int first, const QColor& ink, const QColor& fill)
{
    QImage image = new_image(w, h);
    QPainter p(&image);
    for (int slot = 0; slot * 16 < w; ++slot) {
        int slot_w = std::min(16, w - slot * 16);
        if (slot_w < 8)
            break;
        draw_glyph(p, first + slot, QRectF(slot * 16, 0, slot_w - 1, h), ink, fill);
    }
    (void)pal;
    return image;
}

// The video-window and zoom buttons: a small raised plate with a glyph.
QImage paint_small_button(const Palette& pal, int w, int h, int glyph)
{
    QImage image = new_image(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, mix(pal.caption, white_colour, 0.4));
    g.setColorAt(1, mix(pal.caption, pal.dark, 0.3));
    p.setBrush(g);
    p.setPen(QPen(mix(pal.caption, pal.dark, 0.5), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 2, 2);
    if (glyph >= 0)
        draw_glyph(p, glyph, QRectF(1.5, 1.5, w - 3, h - 3), white_colour, white_colour);
    return image;
}

// The video window's buttons (zoom, pause or play, close) and the zoom
// dialog's corner (enlarge, shrink): the small plate with a white sign.
enum class VideoButton { zoom, pause, play, close, enlarge, shrink };

QImage paint_video_button(const Palette& pal, int w, int h, VideoButton kind)
{
    QImage image = paint_small_button(pal, w, h, -1);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink = white_colour;
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const double l = 3.0;
    const double t = 3.0;
    const double r = w - 3.0;
    const double b = h - 3.0;
    const QPointF c((l + r) / 2, (t + b) / 2);
    switch (kind) {
    case VideoButton::zoom: // a magnifying glass
        p.drawEllipse(QRectF(l, t, (r - l) * 0.68, (b - t) * 0.68));
        p.drawLine(QPointF(l + (r - l) * 0.6, t + (b - t) * 0.6), QPointF(r, b));
        break;
    case VideoButton::pause:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRectF(l + 0.5, t, 2.2, b - t));
        p.drawRect(QRectF(r - 2.7, t, 2.2, b - t));
        break;
    case VideoButton::play:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({ QPointF(l + 0.5, t), QPointF(r, c.y()), QPointF(l + 0.5, b) }));
        break;
    case VideoButton::close:
        p.drawLine(QPointF(l, t), QPointF(r, b));
        p.drawLine(QPointF(r, t), QPointF(l, b));
        break;
    case VideoButton::enlarge: // corners pointing out
    case VideoButton::shrink: { // corners pointing in
        const double k = (r - l) * 0.38;
        bool out = kind == VideoButton::enlarge;
        for (int corner = 0; corner < 4; ++corner) {
            double x = corner % 2 ? r : l;
            double y = corner / 2 ? b : t;
            double dx = corner % 2 ? -k : k;
            double dy = corner / 2 ? -k : k;
            QPointF tip = out ? QPointF(x, y) : QPointF(x + dx, y + dy);
            p.drawLine(tip, tip + QPointF(out ? dx : -dx, 0));
            p.drawLine(tip, tip + QPointF(0, out ? dy : -dy));
        }
        break;
    }
    }
    return image;
}

// A raised open hand, pixel by pixel: four fingers apart, the palm, the thumb.
void draw_hand(QPainter& p, const QRectF& box, const QColor& ink, const QColor& fill)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int x = static_cast<int>(box.x());
    const int y = static_cast<int>(box.y());
    p.setPen(QPen(ink, 1));
    p.setBrush(fill);
    p.drawRect(QRect(x + 3, y + 6, 7, 5));
    for (int f = 0; f < 4; ++f) {
        int fx = x + 4 + 2 * f;
        p.drawLine(fx, y + (f == 0 || f == 3 ? 2 : 1), fx, y + 6);
    }
    p.drawLine(x + 3, y + 8, x + 1, y + 6);
    p.drawLine(x + 1, y + 6, x + 1, y + 5);
    p.restore();
}

QImage paint_status_buttons(const Palette& pal, int w, int h)
{
    QImage image = new_image(w, h, mix(pal.panel, white_colour, 0.5));
    QPainter p(&image);
    // Slices at 0, 14 and 30, as the status bar cuts them: take over the
    // microphone, the volume dialog, raise hand.
    const QColor fill = mix(pal.text, white_colour, 0.5);
    draw_glyph(p, 8, QRectF(0, 0, 12, h), pal.text, fill);
    draw_glyph(p, 7, QRectF(14, 0, 12, h), pal.text, fill);
    draw_hand(p, QRectF(30, 0, 12, h), pal.text, mix(pal.text, white_colour, 0.7));
    return image;
}

QImage paint_check_tick(int w, int h)
{
    QImage image = new_image(w, h, white_colour);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0x20, 0x30, 0x40), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({ { 2.0, 4.5 }, { 4.0, 6.8 }, { 7.5, 2.0 } }));
    return image;
}

QImage paint_word(const Palette& pal, int word, int w, int h)
{
    using namespace skin_word;
    switch (word) {
    case button_face: return paint_button_face(pal, w, h);
    case background_tall: return paint_background(mix(pal.light, pal.highlight, 0.4), pal.light_3d, w, h, 360);
    case background_short: return paint_background(mix(pal.light, pal.highlight, 0.4), pal.light_3d, w, h, 240);
    case view_background: return paint_background(pal.light_3d, mix(pal.light, pal.highlight, 0.3), w, h, 900);
    case full_screen_background: return paint_background(mix(pal.light, pal.highlight, 0.5), pal.light_3d, w, h, 1200);
    case dialog_close_pressed:
    case frame_close_pressed: return paint_caption_button(pal, w, h, Glyph::close, 2);
    case dialog_close_hover:
    case frame_close_hover: return paint_caption_button(pal, w, h, Glyph::close, 1);
    case dialog_close_normal:
    case frame_close_normal: return paint_caption_button(pal, w, h, Glyph::close, 0);
    case maximise_pressed: return paint_caption_button(pal, w, h, Glyph::maximise, 2);
    case maximise_hover: return paint_caption_button(pal, w, h, Glyph::maximise, 1);
    case maximise_normal: return paint_caption_button(pal, w, h, Glyph::maximise, 0);
    case minimise_pressed: return paint_caption_button(pal, w, h, Glyph::minimise, 2);
    case minimise_hover: return paint_caption_button(pal, w, h, Glyph::minimise, 1);
    case minimise_normal: return paint_caption_button(pal, w, h, Glyph::minimise, 0);
    case restore_pressed: return paint_caption_button(pal, w, h, Glyph::restore, 2);
    case restore_hover: return paint_caption_button(pal, w, h, Glyph::restore, 1);
    case restore_normal: return paint_caption_button(pal, w, h, Glyph::restore, 0);
    case list_header_face: return paint_header_face(pal, w, h);
    case caption_slice:
    case caption_spare: {
        QImage image = new_image(w, h);
        fill_caption(image, pal);
        return image;
    }
    case caption_left: return paint_caption_left(pal, w, h);
    case caption_right: return paint_caption_right(pal, w, h);
    case no_video_picture: return paint_no_video(pal, w, h);
    case video_button_1: return paint_video_button(pal, w, h, VideoButton::zoom);
    case video_button_2: return paint_video_button(pal, w, h, VideoButton::pause);
    case zoom_button_1: return paint_video_button(pal, w, h, VideoButton::enlarge);
    case zoom_button_2: return paint_video_button(pal, w, h, VideoButton::shrink);
    case video_button_3: return paint_video_button(pal, w, h, VideoButton::play);
    case video_button_4: return paint_video_button(pal, w, h, VideoButton::close);
    case status_buttons: return paint_status_buttons(pal, w, h);
    case tool_strip_1: return paint_tool_strip(pal, w, h, 0, pal.text, mix(pal.text, white_colour, 0.55));
    case tool_strip_2: return paint_tool_strip(pal, w, h, 0, pal.tab, mix(pal.hot, white_colour, 0.2));
    case tool_strip_spare: return paint_tool_strip(pal, w, h, 2, pal.outline, pal.highlight);
    case tool_strip_3: return paint_tool_strip(pal, w, h, 7, pal.text, mix(pal.text, white_colour, 0.55));
    case tool_strip_4: return paint_tool_strip(pal, w, h, 3, pal.tab, mix(pal.hot, white_colour, 0.2));
    case tool_strip_5: return paint_tool_strip(pal, w, h, 20, mix(pal.text, QColor(0x80, 0x80, 0x80), 0.6), mix(pal.light_3d, QColor(0xc0, 0xc0, 0xc0), 0.5));
    case tool_strip_6: return paint_tool_strip(pal, w, h, 9, pal.text, mix(pal.text, white_colour, 0.55));
    default: return QImage();
    }
}

// ---- the full-screen tool bar's strips ------------------------------------

struct StripKind {
    int set = -1;
    GlyphLook look = GlyphLook::normal;
    bool pressed = false;
};

StripKind full_screen_strip_kind(int bitmap_id)
{
    switch (bitmap_id) {
    case full_screen_strip_normal_0: return { 0, GlyphLook::normal, false };
    case full_screen_strip_hot_0: return { 0, GlyphLook::hot, false };
    case full_screen_strip_pressed_0: return { 0, GlyphLook::normal, true };
    case full_screen_strip_normal_1: return { 1, GlyphLook::normal, false };
    case full_screen_strip_hot_1: return { 1, GlyphLook::hot, false };
    case full_screen_strip_pressed_1: return { 1, GlyphLook::normal, true };
    default: return {};
    }
}

// Each slot the picture of its command; a highlighted one lit by a plate
// behind it, a pressed one a pixel lower and to the right, as a pushed
// button's face. Slots the bar does not use
// keep a glyph of their own, so that no two slots look alike.
QImage paint_full_screen_strip(int bitmap_id)
{
    const StripKind kind = full_screen_strip_kind(bitmap_id);
    if (kind.set < 0)
        return QImage();
    const int slot_count = full_screen_strip_slot_count(kind.set);
    const int w = full_screen_strip_slot_width;
    const int h = full_screen_strip_slot_height;
    QImage image = new_image(slot_count * w, h);
    QPainter p(&image);
    const QColor unused_ink(0x60, 0x60, 0x60);
    for (int slot = 0; slot < slot_count; ++slot) {
        const StripSlot content = full_screen_strip_slot(kind.set, slot);
        const int shift = kind.pressed ? 1 : 0;
        const QRect box(slot * w + shift, shift, w - shift, h - shift);
        if (content.command_id == 0) {
            draw_glyph(p, slot, QRectF(box), unused_ink, mix(unused_ink, white_colour, 0.55));
            continue;
        }
        if (kind.look == GlyphLook::hot) {
            // Lit: a soft plate behind the picture.
            p.save();
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 130));
            p.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
            p.restore();
        }
        draw_command_picture(p, box, content.command_id, kind.look);
        if (content.badge_command_id != 0)
            draw_command_picture(p, QRect(box.right() - 7, box.bottom() - 7, 8, 8), content.badge_command_id, kind.look);
    }
    return image;
}

std::unordered_map<int, QPixmap>& bitmap_cache()
{
    static std::unordered_map<int, QPixmap> cache;
    return cache;
}

void paint_scheme(int scheme)
{
    const SkinScheme& words = skin_table().schemes[static_cast<size_t>(scheme)];
    Palette pal(words);
    for (int w = skin_first_bitmap_word; w < skin_word_count; ++w) {
        int width = 0;
        int height = 0;
        skin_bitmap_size(scheme, w, width, height);
        const int id = static_cast<int>(words[static_cast<size_t>(w)]);
        // Scheme 0 names the full-screen bar's pressed strips among its words.
        QImage strip = paint_full_screen_strip(id);
        bitmap_cache()[id] = QPixmap::fromImage(strip.isNull() ? paint_word(pal, w, width, height) : strip);
    }
}

} // namespace

QPixmap skin_bitmap(int bitmap_id)
{
    auto& cache = bitmap_cache();
    if (auto it = cache.find(bitmap_id); it != cache.end())
        return it->second;
    SkinBitmapInfo info = skin_bitmap_info(bitmap_id);
    if (info.width == 0)
        return QPixmap();
    try {
        if (bitmap_id == check_box_tick_bitmap)
            cache[bitmap_id] = QPixmap::fromImage(paint_check_tick(info.width, info.height));
        else if (info.scheme < 0)
            cache[bitmap_id] = QPixmap::fromImage(paint_full_screen_strip(bitmap_id));
        else
            paint_scheme(info.scheme);
    } catch (...) {
        dbg_log("exception in skin_bitmap %d.\n", bitmap_id);
        return QPixmap();
    }
    return cache[bitmap_id];
}

void paint_skin_glyph(QPainter& p, int index, const QRectF& box, const QColor& ink, const QColor& fill)
{
    draw_glyph(p, index, box, ink, fill);
}

QPixmap skin_word_bitmap(int word)
{
    if (word < skin_first_bitmap_word || word >= skin_word_count)
        return QPixmap();
    return skin_bitmap(static_cast<int>(skin_word_value(word) & 0xffff));
}
