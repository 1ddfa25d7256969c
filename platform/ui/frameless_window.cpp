#include "platform/ui/frameless_window.h"

#include <QCursor>
#include <QWidget>
#include <QWindow>

bool is_sizing_edge(HitArea area)
{
    switch (area) {
    case HitArea::left:
    case HitArea::right:
    case HitArea::top:
    case HitArea::bottom:
    case HitArea::top_left:
    case HitArea::top_right:
    case HitArea::bottom_left:
    case HitArea::bottom_right: return true;
    default: return false;
    }
}

HitArea sizing_edge_at(QPoint pos, QSize size, int border_px)
{
    // Corners reach further along the edges, as the window system's do.
    const int corner_px = border_px + 12;
    bool left = pos.x() < border_px;
    bool right = pos.x() >= size.width() - border_px;
    bool top = pos.y() < border_px;
    bool bottom = pos.y() >= size.height() - border_px;
    bool near_left = pos.x() < corner_px;
    bool near_right = pos.x() >= size.width() - corner_px;
    bool near_top = pos.y() < corner_px;
    bool near_bottom = pos.y() >= size.height() - corner_px;
    if ((top && near_left) || (left && near_top))
        return HitArea::top_left;
    if ((top && near_right) || (right && near_top))
        return HitArea::top_right;
    if ((bottom && near_left) || (left && near_bottom))
        return HitArea::bottom_left;
    if ((bottom && near_right) || (right && near_bottom))
        return HitArea::bottom_right;
    if (left)
        return HitArea::left;
    if (right)
        return HitArea::right;
    if (top)
        return HitArea::top;
    if (bottom)
        return HitArea::bottom;
    return HitArea::nowhere;
}

bool start_system_drag(QWidget* window, HitArea area)
{
    QWindow* handle = window ? window->window()->windowHandle() : nullptr;
    if (!handle)
        return false;
    Qt::Edges edges;
    switch (area) {
    case HitArea::caption: return handle->startSystemMove();
    case HitArea::left: edges = Qt::LeftEdge; break;
    case HitArea::right: edges = Qt::RightEdge; break;
    case HitArea::top: edges = Qt::TopEdge; break;
    case HitArea::bottom: edges = Qt::BottomEdge; break;
    case HitArea::top_left: edges = Qt::TopEdge | Qt::LeftEdge; break;
    case HitArea::top_right: edges = Qt::TopEdge | Qt::RightEdge; break;
    case HitArea::bottom_left: edges = Qt::BottomEdge | Qt::LeftEdge; break;
    case HitArea::bottom_right: edges = Qt::BottomEdge | Qt::RightEdge; break;
    default: return false;
    }
    return handle->startSystemResize(edges);
}

void set_cursor_for(QWidget* window, HitArea area)
{
    switch (area) {
    case HitArea::left:
    case HitArea::right: window->setCursor(Qt::SizeHorCursor); break;
    case HitArea::top:
    case HitArea::bottom: window->setCursor(Qt::SizeVerCursor); break;
    case HitArea::top_left:
    case HitArea::bottom_right: window->setCursor(Qt::SizeFDiagCursor); break;
    case HitArea::top_right:
    case HitArea::bottom_left: window->setCursor(Qt::SizeBDiagCursor); break;
    default: window->unsetCursor(); break;
    }
}

QRegion rounded_top_region(int width, int height)
{
    QRegion region(QRect(4, 0, width - 8, 4));
    region += QRegion(QRect(0, 0, 8, 8), QRegion::Ellipse);
    region += QRegion(QRect(width - 8, 0, 8, 8), QRegion::Ellipse);
    region += QRegion(QRect(0, 4, width, height - 4));
    return region;
}
