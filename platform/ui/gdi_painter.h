#pragma once
// Painting with the device-context rules the program's drawing code is
// written for: no antialiasing, a line leaves out its end pixel, a pen has a
// width in whole pixels, a filled rectangle covers [left, right) x [top, bottom)
// and an outlined one puts its pen inside that box. Colours are COLORREF words.

#include "platform/sys/colorref.h"

#include <QColor>
#include <QPainter>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QString>

#include <initializer_list>

class QPixmap;
class QImage;

// The one conversion from a COLORREF word to a Qt colour (0x0000ff is red).
inline QColor colorref_color(COLORREF c) { return QColor(colorref_red(c), colorref_green(c), colorref_blue(c)); }
inline COLORREF color_colorref(const QColor& c)
{
    return make_colorref(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

class GdiPainter {
public:
    // Paints on device (a widget inside its paint event, a QImage, a QPixmap).
    explicit GdiPainter(QPaintDevice* device);
    // Paints through a painter the caller already holds.
    explicit GdiPainter(QPainter& painter);
    GdiPainter(const GdiPainter&) = delete;
    GdiPainter& operator=(const GdiPainter&) = delete;

    QPainter& painter() { return *painter_; }

    void select_pen(COLORREF colour, int width_px = 1);
    void move_to(int x, int y);
    // From the current point to (x, y), leaving (x, y) out; (x, y) becomes current.
    void line_to(int x, int y);
    // move_to the first point, line_to each following one.
    void polyline(std::initializer_list<QPoint> points);
    void set_pixel(int x, int y, COLORREF colour);

    // [left, right) x [top, bottom).
    void fill_rect(int left, int top, int right, int bottom, COLORREF colour);
    void fill_rect(const QRect& rect, COLORREF colour);
    // The outline with the current pen on the box's edge pixels, the inside filled.
    void rectangle(int left, int top, int right, int bottom, COLORREF fill);
    // The device's 3-D rectangle of [left, right) x [top, bottom): the top and
    // left lines in top_left, the right and bottom lines in bottom_right.
    void draw_3d_rect(const QRect& rect, COLORREF top_left, COLORREF bottom_right);
    // The diagonal-cross hatch in colour over a background.
    void hatch_rect(int left, int top, int right, int bottom, COLORREF hatch, COLORREF background);
    // A closed polygon filled and outlined in one colour.
    void solid_polygon(std::initializer_list<QPoint> points, COLORREF colour);
    // GDI's Ellipse of the box [left, right) x [top, bottom): the edge in the
    // current pen, the inside in fill unless hollow.
    void ellipse(int left, int top, int right, int bottom, bool hollow, COLORREF fill);
    // GDI's Arc: part of the box's ellipse in the current pen, from start_deg
    // counter-clockwise over span_deg (degrees as the screen shows them).
    void arc(int left, int top, int right, int bottom, int start_deg, int span_deg);
    // GDI's RoundRect: the box with corners of corner_w x corner_h ellipses,
    // the edge in the pen, the inside in fill.
    void round_rect(int left, int top, int right, int bottom, int corner_w, int corner_h, COLORREF fill);
    // A closed polygon filled and outlined in one colour.
    void solid_polygon(const QPolygon& polygon, COLORREF colour);
    // Rubber bands: while on, lines, arcs and ellipse outlines are drawn with
    // a dotted pen of width 1 that inverts every pixel it covers, so drawing
    // the same band again takes it away. (A black pen XORed in would change
    // nothing.)
    void set_xor_dotted(bool on);

    // Copies (sx, sy, w, h) of src to (x, y).
    void bit_blt(int x, int y, int w, int h, const QPixmap& src, int sx, int sy);
    // Stretches (sx, sy, sw, sh) of src over (x, y, w, h), pixels repeated, never blended.
    void stretch_blt(int x, int y, int w, int h, const QPixmap& src, int sx, int sy, int sw, int sh);
    void stretch_blt(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw, int sh);

    // Transparent background; the text is clipped to rect. flags are Qt::Alignment bits.
    void draw_text(const QString& text, const QRect& rect, int flags, COLORREF colour);

private:
    void line_pixels(QPoint from, QPoint to);
    void prepare();
    QPen curve_pen() const;

    QPainter own_;
    QPainter* painter_ = nullptr;
    QColor pen_colour_ { Qt::black };
    int pen_width_px_ = 1;
    QPoint current_ { 0, 0 };
    bool xor_dotted_ = false;
};
