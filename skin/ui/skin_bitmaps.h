#pragma once
// The skin's bitmaps. Each number of the skin table is painted from its own
// scheme's colours at the size the table gives, all of a scheme at its first
// use, and kept for the rest of the process. UI thread only.

#include <QPixmap>

class QColor;
class QPainter;
class QRectF;

// A null pixmap for a number no scheme names (0 among them).
QPixmap skin_bitmap(int bitmap_id);
// The bitmap a word of the current scheme names.
QPixmap skin_word_bitmap(int word);

// One of the glyphs the tool strips are painted with: 16 shapes, 16 + n the
// solid shape n; outlined in ink, solid ones filled with fill.
void paint_skin_glyph(QPainter& p, int index, const QRectF& box, const QColor& ink, const QColor& fill);
