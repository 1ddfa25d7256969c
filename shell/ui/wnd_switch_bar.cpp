#include "shell/ui/wnd_switch_bar.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "shell/float_bar.h"
#include "skin/skin_table.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace {

constexpr int label_padding = 8;
constexpr int labels[] = { upper_view_board, upper_view_video };

QColor skin_colour(int word) { return colorref_color(skin_word_value(word)); }

} // namespace

CWndSwitchBar::CWndSwitchBar(QWidget* host, SwitchHandler on_switch) : QWidget(host), on_switch_(std::move(on_switch))
{
    set_control_id(this, 1);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(float_bar::top_left, float_bar::top_left, unfolded_width(), float_bar::height);
    // A view's own content is laid out after the bar; the bar stays on top of it.
    host->installEventFilter(this);
    raise();
    show();
}

QString CWndSwitchBar::label_text(int label) const { return tr_ui(label == 0 ? "WhiteBoard" : "Video"); }

int CWndSwitchBar::label_right(int label) const
{
    // Measured bold, as the current label is drawn, so either label fits its zone.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int right = float_bar::content_left;
    for (int i = 0; i <= label && i < 2; ++i)
        right += metrics.horizontalAdvance(label_text(i)) + label_padding;
    return right;
}

// Wider than its usual 120 pixels where the labels need it, so no text is cut.
int CWndSwitchBar::unfolded_width() const { return std::max(unfolded_min_width, label_right(1) + 4); }

int CWndSwitchBar::label_at(int x) const
{
    if (folded_ || float_bar::zone_at(x) != float_bar::Zone::content)
        return -1;
    if (x < label_right(0))
        return 0;
    if (x < label_right(1))
        return 1;
    return -1;
}

void CWndSwitchBar::paintEvent(QPaintEvent*)
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
        p.setBrush(skin_colour(skin_word::text));
        p.setPen(Qt::NoPen);
        p.drawPolygon(arrow);
        if (folded_)
            return;
        int left = float_bar::content_left;
        for (int i = 0; i < 2; ++i) {
            const int right = label_right(i);
            const bool current = g_current_view == labels[i];
            p.setPen(skin_colour(current ? skin_word::switch_bar_current_text : skin_word::text));
            QFont f = font();
            f.setBold(current);
            p.setFont(f);
            p.drawText(QRect(left, 0, right - left, height()), Qt::AlignCenter, label_text(i));
            if (i == 0) {
                p.setPen(skin_colour(skin_word::outline));
                p.drawLine(right, 3, right, height() - 4);
            }
            left = right;
        }
    } catch (...) {
        dbg_log("exception in CWndSwitchBar::paintEvent.\n");
    }
}

void CWndSwitchBar::mousePressEvent(QMouseEvent* event)
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
    const int label = label_at(x);
    if (label >= 0 && on_switch_)
        on_switch_(labels[label]);
}

void CWndSwitchBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    // The start stays where the grip was taken, so the bar follows the pointer.
    move(pos() + event->position().toPoint() - drag_start_);
    keep_inside_host();
}

void CWndSwitchBar::mouseReleaseEvent(QMouseEvent*)
{
    if (dragging_)
        releaseMouse();
    dragging_ = false;
}

// A bar dragged or left outside its view could no longer be reached.
void CWndSwitchBar::keep_inside_host()
{
    const QWidget* host = parentWidget();
    if (!host)
        return;
    const int x = std::clamp(pos().x(), 0, std::max(0, host->width() - width()));
    const int y = std::clamp(pos().y(), 0, std::max(0, host->height() - height()));
    if (QPoint(x, y) != pos())
        move(x, y);
}

bool CWndSwitchBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        raise();
        if (event->type() == QEvent::Resize && !dragging_ && pos() != QPoint(float_bar::top_left, float_bar::top_left))
            keep_inside_host();
        // The current label follows the view brought forward.
        update();
    }
    return QWidget::eventFilter(watched, event);
}
