#include "whiteboard/ui/board_back_buffer.h"

#include "platform/ui/gdi_painter.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/shape_renderers.h"

#include <algorithm>

BoardBackBuffer::BoardBackBuffer() : picture_(board_page_width, board_page_height, QImage::Format_RGB32)
{
    picture_.fill(Qt::white);
}

bool BoardBackBuffer::show_board(int board)
{
    if (board == board_)
        return false;
    board_ = board;
    stale_ = true;
    return true;
}

const QImage& BoardBackBuffer::image()
{
    if (stale_)
        repaint();
    return picture_;
}

void BoardBackBuffer::repaint()
{
    stale_ = false;
    if (!board_index_valid(board_))
        return;
    GdiPainter dc(&picture_);
    const int count = g_board[static_cast<size_t>(board_)].visible_count;
    board_paint_first(board_, dc, count);
    painted_count_ = count;
    for (const BoardRubberBand& band : bands_)
        draw_rubber_band(dc, band);
}

bool BoardBackBuffer::add_actions(int board, int count)
{
    if (board != board_ || stale_)
        return false;
    if (count <= painted_count_)
        return true;
    // Rubber bands come off while the actions go on, then back over them.
    GdiPainter dc(&picture_);
    for (const BoardRubberBand& band : bands_)
        draw_rubber_band(dc, band);
    board_paint_actions(board, dc, painted_count_, count - 1);
    for (const BoardRubberBand& band : bands_)
        draw_rubber_band(dc, band);
    painted_count_ = count;
    return true;
}

bool BoardBackBuffer::draw(int board, const board_action& action)
{
    image();
    if (board != board_)
        return false;
    GdiPainter dc(&picture_);
    paint_action(dc, action);
    return true;
}

QRect BoardBackBuffer::xor_band(int board, const BoardRubberBand& band)
{
    image();
    if (board != board_)
        return {};
    auto shown = std::find(bands_.begin(), bands_.end(), band);
    if (shown != bands_.end())
        bands_.erase(shown);
    else
        bands_.push_back(band);
    GdiPainter dc(&picture_);
    draw_rubber_band(dc, band);
    const BoardBox b = board_box(band.x1, band.y1, band.x2, band.y2);
    return QRect(b.left - 2, b.top - 2, b.right - b.left + 5, b.bottom - b.top + 5);
}
