#include "skin/ui/my_rebar.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/bar_rules.h"
#include "skin/skin_table.h"

#include <QEvent>
#include <QMouseEvent>

#include <algorithm>

namespace {
// The gripper and the band borders, shaded from the rebar's own background.
constexpr int gripper_light_k = 170;
constexpr int gripper_shadow_k = 70;
} // namespace

CMyRebar::CMyRebar(int id, QWidget* parent) : QWidget(parent)
{
    set_control_id(this, id);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int CMyRebar::add_band(QWidget* child)
{
    child->setParent(this);
    bands_.push_back(Band { child, 0, true });
    child->show();
    relayout();
    updateGeometry();
    return band_count() - 1;
}

QWidget* CMyRebar::band_child(int index) const
{
    return index >= 0 && index < band_count() ? bands_[static_cast<size_t>(index)].child.data() : nullptr;
}

void CMyRebar::show_band(int index, bool show)
{
    if (index < 0 || index >= band_count() || bands_[static_cast<size_t>(index)].shown == show)
        return;
    bands_[static_cast<size_t>(index)].shown = show;
    relayout();
    updateGeometry();
    update();
}

bool CMyRebar::band_shown(int index) const { return index >= 0 && index < band_count() && bands_[static_cast<size_t>(index)].shown; }

void CMyRebar::minimize_band(int index) { set_band_width(index, 0); }

void CMyRebar::set_band_width(int index, int width_px)
{
    if (index < 0 || index >= band_count())
        return;
    bands_[static_cast<size_t>(index)].width_px = std::max(0, width_px);
    relayout();
    update();
}

std::vector<RebarBand> CMyRebar::geometry() const
{
    std::vector<RebarBand> out;
    for (const Band& b : bands_) {
        int child_w = b.child ? b.child->sizeHint().width() : 0;
        out.push_back(RebarBand { gripper_px + child_w + band_margin_px, b.width_px, b.shown && b.child });
    }
    return out;
}

std::vector<PaneSpan> CMyRebar::spans() const { return layout_rebar_row(geometry(), width()); }

int CMyRebar::child_height() const
{
    int h = 0;
    for (const Band& b : bands_)
        if (b.shown && b.child)
            h = std::max(h, b.child->sizeHint().height());
    return h;
}

QSize CMyRebar::sizeHint() const
{
    int w = 0;
    for (const RebarBand& b : geometry())
        if (b.visible)
            w += b.min_px;
    int h = child_height();
    return QSize(w, h > 0 ? h + 2 * band_margin_px : 0);
}

QSize CMyRebar::minimumSizeHint() const { return QSize(0, sizeHint().height()); }

QRect CMyRebar::band_rect(int index) const
{
    if (!band_shown(index))
        return QRect();
    PaneSpan s = spans()[static_cast<size_t>(index)];
    return QRect(s.start, 0, s.size, height());
}

QRect CMyRebar::gripper_rect(int index) const
{
    QRect band = band_rect(index);
    return band.isEmpty() ? QRect() : QRect(band.left(), 0, gripper_px, height());
}

void CMyRebar::relayout()
{
    std::vector<PaneSpan> s = spans();
    const int h = child_height();
    for (size_t i = 0; i < bands_.size(); ++i) {
        QWidget* child = bands_[i].child;
        if (!child)
            continue;
        if (!bands_[i].shown) {
            child->hide();
            continue;
        }
        // The child fills its band beside the gripper, cut where the row ends.
        int x = s[i].start + gripper_px;
        int w = std::max(0, std::min(s[i].end(), width()) - band_margin_px - x);
        child->setGeometry(x, band_margin_px, w, h);
        child->show();
    }
}

void CMyRebar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

bool CMyRebar::event(QEvent* event)
{
    // A tool bar that gains or loses buttons asks for another width.
    if (event->type() == QEvent::LayoutRequest) {
        relayout();
        updateGeometry();
        update();
    }
    return QWidget::event(event);
}

void CMyRebar::draw_gripper(GdiPainter& dc, const QRect& band)
{
    const COLORREF face = skin_word_value(skin_word::highlight);
    const COLORREF light = lighten_colour(face, gripper_light_k);
    const COLORREF shadow = darken_colour(face, gripper_shadow_k);
    // The band border: an etched line at the band's left edge.
    if (band.left() > 0) {
        dc.fill_rect(band.left(), 1, band.left() + 1, height() - 1, shadow);
        dc.fill_rect(band.left() + 1, 1, band.left() + 2, height() - 1, light);
    }
    // The gripper: a raised bar 3 pixels wide.
    QRect grip(band.left() + 3, band_margin_px + 1, 3, std::max(0, height() - 2 * band_margin_px - 2));
    dc.draw_3d_rect(grip, light, shadow);
}

void CMyRebar::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        dc.fill_rect(rect(), skin_word_value(skin_word::highlight));
        for (int i = 0; i < band_count(); ++i)
            if (band_shown(i))
                draw_gripper(dc, band_rect(i));
    } catch (...) {
        dbg_log("exception in CMyRebar::paintEvent.\n");
    }
}

int CMyRebar::gripper_at(QPoint pos) const
{
    for (int i = 0; i < band_count(); ++i)
        if (gripper_rect(i).contains(pos))
            return i;
    return -1;
}

void CMyRebar::mousePressEvent(QMouseEvent* event)
{
    int g = event->button() == Qt::LeftButton ? gripper_at(event->position().toPoint()) : -1;
    if (g <= 0)
        return QWidget::mousePressEvent(event);
    dragging_ = g;
    drag_x_ = event->position().toPoint().x();
    // The drag moves from the widths shown now; the last shown band keeps only what it asked for.
    drag_start_ = geometry();
    std::vector<PaneSpan> s = layout_rebar_row(drag_start_, width());
    int last = -1;
    for (size_t i = 0; i < drag_start_.size(); ++i)
        if (drag_start_[i].visible)
            last = static_cast<int>(i);
    for (size_t i = 0; i < drag_start_.size(); ++i)
        if (drag_start_[i].visible && static_cast<int>(i) != last)
            drag_start_[i].width_px = s[i].size;
}

void CMyRebar::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    if (dragging_ < 0) {
        setCursor(gripper_at(p) > 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    std::vector<RebarBand> g = drag_start_;
    drag_rebar_gripper(g, width(), dragging_, p.x() - drag_x_);
    for (size_t i = 0; i < g.size() && i < bands_.size(); ++i)
        bands_[i].width_px = g[i].width_px;
    relayout();
    update();
}

void CMyRebar::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_ < 0)
        return QWidget::mouseReleaseEvent(event);
    dragging_ = -1;
}
