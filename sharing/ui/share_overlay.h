#pragma once
// The sharer's annotation overlay: board 9 painted where the viewers drew
// it, over the whole screen, on an X overlay whose shape is the drawn pixels
// only and which takes no input, so the sharer's clicks reach the programs
// under it.

#include "platform/x11/x11_overlay.h"

#include <QImage>

class CShareOverlay {
public:
    CShareOverlay();

    // Board 9 painted again at screen coordinates; hidden while it is empty.
    void refresh();
    // A Ctrl stroke's segment shown at once, before the server's copy arrives.
    void add_segment(int x1, int y1, int x2, int y2, int width, unsigned colorref);
    const QImage& picture() const { return picture_; }
    const platform::X11Overlay& window() const { return window_; }

private:
    void show_picture();

    QImage picture_;
    platform::X11Overlay window_;
};
