#include "skin/ui/my_splitter_wnd.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"

#include <QMouseEvent>

namespace {
constexpr int max_panes_per_direction = 16;
} // namespace

CMySplitterWnd::CMySplitterWnd(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    CreateStatic(1, 1);
}

bool CMySplitterWnd::CreateStatic(int rows, int cols)
{
    if (rows < 1 || cols < 1 || rows > max_panes_per_direction || cols > max_panes_per_direction)
        return false;
    rows_.ideal_px.assign(static_cast<size_t>(rows), 0);
    rows_.min_px.assign(static_cast<size_t>(rows), 0);
    cols_.ideal_px.assign(static_cast<size_t>(cols), 0);
    cols_.min_px.assign(static_cast<size_t>(cols), 0);
    panes_.assign(static_cast<size_t>(rows * cols), Pane {});
    RecalcLayout();
    return true;
}

CMySplitterWnd::Pane* CMySplitterWnd::pane(int row, int col)
{
    if (row < 0 || col < 0 || row >= GetRowCount() || col >= GetColumnCount())
        return nullptr;
    return &panes_[static_cast<size_t>(row * GetColumnCount() + col)];
}

const CMySplitterWnd::Pane* CMySplitterWnd::pane(int row, int col) const
{
    return const_cast<CMySplitterWnd*>(this)->pane(row, col);
}

bool CMySplitterWnd::CreateView(int row, int col, QWidget* view, QSize size_init)
{
    Pane* p = pane(row, col);
    if (!p || !view)
        return false;
    view->setParent(this);
    p->views.push_back(view);
    p->current = view;
    rows_.ideal_px[static_cast<size_t>(row)] = size_init.height();
    cols_.ideal_px[static_cast<size_t>(col)] = size_init.width();
    view->show();
    RecalcLayout();
    return true;
}

void CMySplitterWnd::show_pane_view(int row, int col, QWidget* view)
{
    Pane* p = pane(row, col);
    if (!p)
        return;
    for (const QPointer<QWidget>& v : p->views)
        if (v && v != view)
            v->hide();
    p->current = view;
    if (view)
        view->show();
    RecalcLayout();
}

QWidget* CMySplitterWnd::GetPane(int row, int col) const
{
    const Pane* p = pane(row, col);
    return p ? p->current.data() : nullptr;
}

void CMySplitterWnd::SetRowInfo(int row, int ideal_px, int min_px)
{
    if (row < 0 || row >= GetRowCount())
        return;
    rows_.ideal_px[static_cast<size_t>(row)] = std::max(0, ideal_px);
    rows_.min_px[static_cast<size_t>(row)] = std::max(0, min_px);
}

void CMySplitterWnd::SetColumnInfo(int col, int ideal_px, int min_px)
{
    if (col < 0 || col >= GetColumnCount())
        return;
    cols_.ideal_px[static_cast<size_t>(col)] = std::max(0, ideal_px);
    cols_.min_px[static_cast<size_t>(col)] = std::max(0, min_px);
}

void CMySplitterWnd::GetRowInfo(int row, int& current_px, int& min_px) const
{
    std::vector<PaneSpan> spans = layout_splitter_track(rows_, height());
    current_px = row >= 0 && row < GetRowCount() ? spans[static_cast<size_t>(row)].size : 0;
    min_px = row >= 0 && row < GetRowCount() ? rows_.min_px[static_cast<size_t>(row)] : 0;
}

void CMySplitterWnd::GetColumnInfo(int col, int& current_px, int& min_px) const
{
    std::vector<PaneSpan> spans = layout_splitter_track(cols_, width());
    current_px = col >= 0 && col < GetColumnCount() ? spans[static_cast<size_t>(col)].size : 0;
    min_px = col >= 0 && col < GetColumnCount() ? cols_.min_px[static_cast<size_t>(col)] : 0;
}

QRect CMySplitterWnd::pane_rect(int row, int col) const
{
    if (!pane(row, col))
        return QRect();
    PaneSpan r = layout_splitter_track(rows_, height())[static_cast<size_t>(row)];
    PaneSpan c = layout_splitter_track(cols_, width())[static_cast<size_t>(col)];
    return QRect(c.start, r.start, c.size, r.size);
}

QRect CMySplitterWnd::row_gap(int row) const
{
    PaneSpan g = splitter_gap(rows_, height(), row);
    return g.size > 0 ? QRect(0, g.start, width(), g.size) : QRect();
}

QRect CMySplitterWnd::column_gap(int col) const
{
    PaneSpan g = splitter_gap(cols_, width(), col);
    return g.size > 0 ? QRect(g.start, 0, g.size, height()) : QRect();
}

void CMySplitterWnd::RecalcLayout()
{
    for (int r = 0; r < GetRowCount(); ++r)
        for (int c = 0; c < GetColumnCount(); ++c) {
            QRect rect = pane_rect(r, c);
            // Every view of a pane takes its place; the caller shows one.
            for (const QPointer<QWidget>& v : pane(r, c)->views)
                if (v)
                    v->setGeometry(rect);
        }
    update();
}

void CMySplitterWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RecalcLayout();
}

void CMySplitterWnd::OnDrawSplitter(GdiPainter* dc, SplitterPart part, const QRect& rect)
{
    if (!dc) {
        update(rect);
        return;
    }
    SplitterPartLook look = splitter_part_look(part);
    if (part == SplitterPart::border) {
        dc->draw_3d_rect(rect, skin_word_value(look.outer_top_left_word), skin_word_value(look.outer_bottom_right_word));
        dc->draw_3d_rect(rect.adjusted(1, 1, -1, -1), skin_word_value(look.inner_top_left_word),
                         skin_word_value(look.inner_bottom_right_word));
        return;
    }
    dc->fill_rect(rect, skin_word_value(look.fill_word));
}

void CMySplitterWnd::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        // Everything outside the panes is bar; the crossings of two bars are drawn as such.
        dc.fill_rect(rect(), skin_word_value(skin_word::panel));
        for (int r = 0; r + 1 < GetRowCount(); ++r)
            OnDrawSplitter(&dc, SplitterPart::bar, row_gap(r));
        for (int c = 0; c + 1 < GetColumnCount(); ++c)
            OnDrawSplitter(&dc, SplitterPart::bar, column_gap(c));
        for (int r = 0; r + 1 < GetRowCount(); ++r)
            for (int c = 0; c + 1 < GetColumnCount(); ++c)
                OnDrawSplitter(&dc, SplitterPart::intersection, row_gap(r).intersected(column_gap(c)));
        const int border = rows_.border_px;
        for (int r = 0; r < GetRowCount(); ++r)
            for (int c = 0; c < GetColumnCount(); ++c)
                OnDrawSplitter(&dc, SplitterPart::border, pane_rect(r, c).adjusted(-border, -border, border, border));
    } catch (...) {
        dbg_log("exception in CMySplitterWnd::paintEvent.\n");
    }
}

std::pair<int, int> CMySplitterWnd::gaps_at(QPoint pos) const
{
    int row = -1;
    int col = -1;
    for (int r = 0; r + 1 < GetRowCount(); ++r)
        if (row_gap(r).contains(pos))
            row = r;
    for (int c = 0; c + 1 < GetColumnCount(); ++c)
        if (column_gap(c).contains(pos))
            col = c;
    return { row, col };
}

void CMySplitterWnd::set_cursor_for(std::pair<int, int> gaps)
{
    if (gaps.first >= 0 && gaps.second >= 0)
        setCursor(Qt::SizeAllCursor);
    else if (gaps.first >= 0)
        setCursor(Qt::SplitVCursor);
    else if (gaps.second >= 0)
        setCursor(Qt::SplitHCursor);
    else
        unsetCursor();
}

void CMySplitterWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    QPoint p = event->position().toPoint();
    auto [row, col] = gaps_at(p);
    drag_row_ = row;
    drag_col_ = col;
    // Where in the gap the press landed, so the gap keeps its place under the pointer.
    grab_offset_ = QPoint(col >= 0 ? p.x() - column_gap(col).left() : 0, row >= 0 ? p.y() - row_gap(row).top() : 0);
}

void CMySplitterWnd::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    if (drag_row_ < 0 && drag_col_ < 0) {
        set_cursor_for(gaps_at(p));
        return;
    }
    if (drag_col_ >= 0)
        drag_splitter_bar(cols_, width(), drag_col_, p.x() - grab_offset_.x());
    if (drag_row_ >= 0)
        drag_splitter_bar(rows_, height(), drag_row_, p.y() - grab_offset_.y());
    RecalcLayout();
}

void CMySplitterWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    drag_row_ = -1;
    drag_col_ = -1;
}

void CMySplitterWnd::leaveEvent(QEvent* event)
{
    if (drag_row_ < 0 && drag_col_ < 0)
        unsetCursor();
    QWidget::leaveEvent(event);
}
