#pragma once
// What the window system did for a window with its own caption: where a point
// lies (caption, a caption button, a sizing edge), moving and sizing through the
// window manager, and the rounded window shape.

#include <QPoint>
#include <QRegion>
#include <QSize>

class QWidget;

enum class HitArea { nowhere, client, caption, close, maximise, minimise, left, right, top, bottom, top_left, top_right, bottom_left, bottom_right };

inline bool is_caption_button(HitArea area)
{
    return area == HitArea::close || area == HitArea::maximise || area == HitArea::minimise;
}
bool is_sizing_edge(HitArea area);

// The sizing edge under pos of a window of size, border_px thick; HitArea::nowhere when none.
HitArea sizing_edge_at(QPoint pos, QSize size, int border_px);

// Hands a caption press (move) or an edge press (resize) to the window manager.
// False when the platform cannot (the offscreen platform, for one).
bool start_system_drag(QWidget* window, HitArea area);
void set_cursor_for(QWidget* window, HitArea area);

// Two 8 x 8 ellipses at the top corners, the 4-pixel strip between them and the body from y = 4.
QRegion rounded_top_region(int width, int height);
