#pragma once
// Packed DIBs to and from Qt images, and drawing ".bmp" files.

#include "core/bitmap_file.h"

#include <QImage>

class GdiPainter;

// A null image when the DIB cannot be read.
QImage dib_to_qimage(const PackedDib& dib);
// A 24-bit DIB; null for a null image.
std::unique_ptr<PackedDib> qimage_to_dib(const QImage& image);

// Reads the ".bmp" file and draws it at x, y at its own size; gives its size.
// 0, or -1 when the file cannot be read (nothing is drawn).
int bmp_draw_general(GdiPainter& dc, const std::string& path, int x, int y, int* width_px = nullptr, int* height_px = nullptr);
// Draws bitmap slot index of whiteboard page board from its file at the
// slot's position and stores the picture's size in the slot. A page or slot
// out of range, an unused slot or an unreadable file draws nothing. 0 or -1.
int bmp_draw(GdiPainter& dc, int board, int index);
