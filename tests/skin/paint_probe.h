#pragma once
// Reading painted pixels back in tests: a widget rendered into an image, a
// pixel as a COLORREF word, and how many pixels show one colour.

#include "platform/ui/gdi_painter.h"

#include <QImage>
#include <QWidget>

inline QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

inline COLORREF at(const QImage& image, int x, int y) { return color_colorref(image.pixelColor(x, y)); }

inline int count_of(const QImage& image, COLORREF colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += at(image, x, y) == colour;
    return n;
}
