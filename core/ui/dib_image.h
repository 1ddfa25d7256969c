#pragma once
// Packed DIBs to and from Qt images, and drawing ".bmp" files.

#include "core/bitmap_file.h"

#include <QImage>

class QPainter;

// A null image when the DIB cannot be read.
QImage dib_to_qimage(const PackedDib& dib);
// A 24-bit DIB; null for a null image.
std::unique_ptr<PackedDib> qimage_to_dib(const QImage& image);

// Reads the ".bmp" file and draws it at x, y at its own size; gives its size.
// 0, or -1 when the file cannot be read (nothing is drawn).
int bmp_draw_general(QPainter& dc, const std::string& path, int x, int y, int* width_px = nullptr, int* height_px = nullptr);
