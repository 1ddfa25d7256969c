#include "sharing/ui/share_overlay.h"

#include "platform/ui/gdi_painter.h"
#include "platform/x11/x11_windows.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_paint.h"

#include <QPainter>

namespace {

constexpr int board_annotation = 9;

} // namespace

CShareOverlay::CShareOverlay()
{
    int w = 0, h = 0;
    if (!platform::x11_screen_size(w, h)) {
        w = 1600;
        h = 1000;
    }
    picture_ = QImage(w, h, QImage::Format_ARGB32);
    picture_.fill(Qt::transparent);
}

void CShareOverlay::refresh()
{
    picture_.fill(Qt::transparent);
    int count = g_board[board_annotation].visible_count;
    if (count > 0) {
        QPainter p(&picture_);
        GdiPainter dc(p);
        board_paint_action(board_annotation, dc, 0, count - 1, 0, 0);
    }
    show_picture();
}

void CShareOverlay::add_segment(int x1, int y1, int x2, int y2, int width, unsigned colorref)
{
    {
        QPainter p(&picture_);
        GdiPainter dc(p);
        dc.select_pen(colorref, width);
        dc.move_to(x1, y1);
        dc.line_to(x2, y2);
    }
    show_picture();
}

void CShareOverlay::show_picture()
{
    window_.show(reinterpret_cast<const uint32_t*>(picture_.constBits()), picture_.width(), picture_.height(),
                 static_cast<int>(picture_.bytesPerLine() / 4));
}
