#include "platform/ui/gdi_painter.h"
#include "tests/skin/paint_probe.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

constexpr COLORREF white = 0xffffff;
constexpr COLORREF red = 0x0000ff;

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST(GdiPainter, ColorrefLowByteIsRed)
{
    EXPECT_EQ(colorref_color(0x0000ff), QColor(255, 0, 0));
    EXPECT_EQ(colorref_color(0xf0914d), QColor(0x4d, 0x91, 0xf0));
    EXPECT_EQ(color_colorref(QColor(0x12, 0x34, 0x56)), 0x563412u);
}

TEST(GdiPainter, LinesLeaveOutTheirEndPixel)
{
    struct Case {
        QPoint from, to;
        int pixels;
        QPoint first, last_drawn, left_out;
    };
    for (Case c : { Case { { 2, 5 }, { 10, 5 }, 8, { 2, 5 }, { 9, 5 }, { 10, 5 } },
                    Case { { 10, 5 }, { 2, 5 }, 8, { 10, 5 }, { 3, 5 }, { 2, 5 } },
                    Case { { 4, 1 }, { 4, 12 }, 11, { 4, 1 }, { 4, 11 }, { 4, 12 } },
                    Case { { 4, 12 }, { 4, 1 }, 11, { 4, 12 }, { 4, 2 }, { 4, 1 } },
                    Case { { 1, 1 }, { 9, 9 }, 8, { 1, 1 }, { 8, 8 }, { 9, 9 } } }) {
        QImage image = blank(16, 16);
        {
            GdiPainter dc(&image);
            dc.select_pen(red);
            dc.move_to(c.from.x(), c.from.y());
            dc.line_to(c.to.x(), c.to.y());
        }
        EXPECT_EQ(count_of(image, red), c.pixels);
        EXPECT_EQ(at(image, c.first.x(), c.first.y()), red);
        EXPECT_EQ(at(image, c.last_drawn.x(), c.last_drawn.y()), red);
        EXPECT_EQ(at(image, c.left_out.x(), c.left_out.y()), white);
    }
}

TEST(GdiPainter, RectanglesKeepToTheirBox)
{
    QImage image = blank(20, 20);
    {
        GdiPainter dc(&image);
        dc.fill_rect(2, 2, 6, 5, red);
        dc.select_pen(0x00ff00);
        dc.rectangle(10, 10, 15, 14, 0xff0000);
    }
    EXPECT_EQ(count_of(image, red), 4 * 3);
    EXPECT_EQ(at(image, 5, 4), red);
    EXPECT_EQ(at(image, 6, 4), white);
    EXPECT_EQ(at(image, 5, 5), white);
    // Outline on the edge pixels 10..14 x 10..13, inside filled.
    EXPECT_EQ(at(image, 10, 10), 0x00ff00u);
    EXPECT_EQ(at(image, 14, 13), 0x00ff00u);
    EXPECT_EQ(at(image, 15, 13), white);
    EXPECT_EQ(at(image, 14, 14), white);
    EXPECT_EQ(at(image, 11, 11), 0xff0000u);
    EXPECT_EQ(count_of(image, 0xff0000), 3 * 2);
}

TEST(GdiPainter, WidePenCoversTwoPixelsAcrossAndClosesCorners)
{
    QImage image = blank(20, 20);
    {
        GdiPainter dc(&image);
        dc.select_pen(red, 2);
        dc.polyline({ { 0, 5 }, { 0, 19 }, { 19, 19 }, { 19, 5 } });
    }
    EXPECT_EQ(at(image, 0, 10), red);
    EXPECT_EQ(at(image, 1, 10), white);
    EXPECT_EQ(at(image, 10, 18), red);
    EXPECT_EQ(at(image, 10, 19), red);
    EXPECT_EQ(at(image, 10, 17), white);
    EXPECT_EQ(at(image, 18, 10), red);
    EXPECT_EQ(at(image, 19, 10), red);
    EXPECT_EQ(at(image, 0, 19), red);
}

TEST(GdiPainter, BlitsCopyAndStretchWithoutBlending)
{
    QImage source(2, 3, QImage::Format_RGB32);
    source.setPixelColor(0, 0, Qt::red);
    source.setPixelColor(0, 1, Qt::green);
    source.setPixelColor(0, 2, Qt::blue);
    source.setPixelColor(1, 0, Qt::black);
    source.setPixelColor(1, 1, Qt::black);
    source.setPixelColor(1, 2, Qt::black);
    QPixmap pixmap = QPixmap::fromImage(source);
    QImage image = blank(20, 20);
    {
        GdiPainter dc(&image);
        dc.bit_blt(1, 1, 1, 3, pixmap, 0, 0);
        // One column widened, rows one to one.
        dc.stretch_blt(5, 5, 10, 3, pixmap, 0, 0, 1, 3);
    }
    EXPECT_EQ(at(image, 1, 1), 0x0000ffu);
    EXPECT_EQ(at(image, 1, 3), 0xff0000u);
    EXPECT_EQ(at(image, 2, 1), white);
    for (int x = 5; x < 15; ++x) {
        EXPECT_EQ(at(image, x, 5), 0x0000ffu);
        EXPECT_EQ(at(image, x, 6), 0x00ff00u);
        EXPECT_EQ(at(image, x, 7), 0xff0000u);
    }
    EXPECT_EQ(at(image, 15, 5), white);
}

TEST(GdiPainter, TextIsClippedToItsRectangle)
{
    QImage image = blank(60, 30);
    {
        GdiPainter dc(&image);
        dc.draw_text(QString(40, QChar('W')), QRect(10, 5, 20, 20), Qt::AlignHCenter | Qt::AlignTop, 0x000000);
    }
    int inside = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            bool in_rect = x >= 10 && x < 30 && y >= 5 && y < 25;
            if (at(image, x, y) != white) {
                EXPECT_TRUE(in_rect) << x << "," << y;
                ++inside;
            }
        }
    EXPECT_GT(inside, 0);
}

TEST(GdiPainter, HatchAndPolygon)
{
    QImage image = blank(20, 20);
    {
        GdiPainter dc(&image);
        dc.hatch_rect(0, 0, 10, 10, red, white);
        dc.solid_polygon({ { 15, 11 }, { 11, 18 }, { 19, 18 } }, 0x00ff00);
    }
    int hatch = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            hatch += at(image, x, y) == red;
    EXPECT_GT(hatch, 10);
    EXPECT_LT(hatch, 90);
    EXPECT_EQ(at(image, 10, 5), white);
    EXPECT_EQ(at(image, 15, 15), 0x00ff00u);
    EXPECT_EQ(at(image, 11, 11), white);
}
