#include "shell/ui/wnd_float_bar.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "shell/float_bar.h"
#include "skin/skin_table.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace {

QColor skin_colour(int word) { return colorref_color(skin_word_value(word)); }

} // namespace

CWndFloatBar::CWndFloatBar(QWidget* host) : QWidget(host)
{
    set_control_id(this, 1);
    setAttribute(Qt::WA_OpaquePaintEvent);
    move(float_bar::top_left, float_bar::top_left);
    // The window's own content is laid out after the bar; the bar stays on top of it.
    host->installEventFilter(this);
    raise();
    show();
}

void CWndFloatBar::take_unfolded_size() { resize(unfolded_width(), float_bar::height); }

void CWndFloatBar::paintEvent(QPaintEvent*)
{
    try {
        QPainter p(this);
        const QRect r = rect();
        p.fillRect(r, skin_colour(skin_word::tool_bar_background));
        p.setPen(skin_colour(skin_word::outline));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        // The grip: two raised lines.
        for (int x : { 2, 5 }) {
            p.setPen(Qt::white);
            p.drawLine(x, 3, x, height() - 4);
            p.setPen(skin_colour(skin_word::outline));
            p.drawLine(x + 1, 3, x + 1, height() - 4);
        }
        // The fold arrow points the way the bar goes when pressed.
        QPolygon arrow;
        const int mid = height() / 2;
        if (folded_)
            arrow << QPoint(10, mid - 4) << QPoint(14, mid) << QPoint(10, mid + 4);
        else
            arrow << QPoint(14, mid - 4) << QPoint(10, mid) << QPoint(14, mid + 4);
        p.save();
        p.setBrush(skin_colour(skin_word::text));
        p.setPen(Qt::NoPen);
        p.drawPolygon(arrow);
        p.restore();
        if (!folded_)
            paint_content(p);
    } catch (...) {
        dbg_log("exception in CWndFloatBar::paintEvent.\n");
    }
}

void CWndFloatBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int x = event->position().toPoint().x();
    switch (float_bar::zone_at(x)) {
    case float_bar::Zone::fold:
        folded_ = !folded_;
        resize(folded_ ? float_bar::folded_width : unfolded_width(), float_bar::height);
        update();
        return;
    case float_bar::Zone::grip:
        dragging_ = true;
        drag_start_ = event->position().toPoint();
        grabMouse();
        return;
    default: break;
    }
    if (!folded_)
        content_press(x);
}

void CWndFloatBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) {
        if (!folded_)
            content_move(event->position().toPoint().x());
        return;
    }
    // The start stays where the grip was taken, so the bar follows the pointer.
    move(pos() + event->position().toPoint() - drag_start_);
    keep_inside_host();
}

void CWndFloatBar::mouseReleaseEvent(QMouseEvent*)
{
    if (dragging_)
        releaseMouse();
    dragging_ = false;
}

// A bar dragged or left outside its window could no longer be reached.
void CWndFloatBar::keep_inside_host()
{
    const QWidget* host = parentWidget();
    if (!host)
        return;
    const int x = std::clamp(pos().x(), 0, std::max(0, host->width() - width()));
    const int y = std::clamp(pos().y(), 0, std::max(0, host->height() - height()));
    if (QPoint(x, y) != pos())
        move(x, y);
}

bool CWndFloatBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        raise();
        if (event->type() == QEvent::Resize && !dragging_ && pos() != QPoint(float_bar::top_left, float_bar::top_left))
            keep_inside_host();
        // What the content shows may follow the window (the current view, the tool).
        update();
    }
    return QWidget::eventFilter(watched, event);
}
