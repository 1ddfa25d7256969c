#include "skin/ui/tool_tip_relay.h"

#include "core/dbg_log.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {
// Below the pointer's picture, as the window system puts tips.
constexpr QPoint tip_offset { 2, 20 };
} // namespace

// Not a child of the control: it lives as the control's member, and a child
// would reach the control's event handler before it is made.
ToolTipRelay::ToolTipRelay(QWidget* control) : control_(control)
{
    wait_.setSingleShot(true);
    auto_pop_.setSingleShot(true);
    connect(&wait_, &QTimer::timeout, this, [this] { show_tip(); });
    connect(&auto_pop_, &QTimer::timeout, this, [this] { pop(); });
}

void ToolTipRelay::create()
{
    // Made without a parent first: giving it one sends the control an event
    // that comes back here.
    tip_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    tip_->setObjectName("tool_tip");
    tip_->setMargin(2);
    tip_->setStyleSheet("QLabel { background: #ffffe1; color: black; border: 1px solid #767676; }");
    tip_->hide();
    tip_->setParent(control_, tip_->windowFlags());
}

void ToolTipRelay::relay(QEvent* event)
{
    try {
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved
            || event->type() == QEvent::ChildPolished)
            return;
        if (!tip_)
            create();
        switch (event->type()) {
        case QEvent::MouseMove:
            pointer_at(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            suppressed_ = tool_at(static_cast<QMouseEvent*>(event)->position().toPoint());
            pop();
            break;
        case QEvent::Leave:
        case QEvent::Hide:
        case QEvent::WindowDeactivate:
            current_ = -1;
            suppressed_ = -1;
            pop();
            break;
        case QEvent::Wheel:
        case QEvent::KeyPress:
            pop();
            break;
        default: break;
        }
    } catch (...) {
        dbg_log("exception in ToolTipRelay::relay.\n");
    }
}

int ToolTipRelay::tool_at(QPoint pos) const
{
    for (const Tool& t : tools_)
        if (t.rect.contains(pos))
            return t.id;
    return -1;
}

const ToolTipRelay::Tool* ToolTipRelay::find(int id) const
{
    auto it = std::find_if(tools_.begin(), tools_.end(), [id](const Tool& t) { return t.id == id; });
    return it == tools_.end() ? nullptr : &*it;
}

void ToolTipRelay::pointer_at(QPoint pos)
{
    last_pos_ = pos;
    int tool = tool_at(pos);
    if (tool != suppressed_)
        suppressed_ = -1;
    if (tool == current_ && (shown_ || tool < 0))
        return;
    const bool was_shown = shown_;
    current_ = tool;
    if (tool < 0 || tool == suppressed_ || !active_) {
        pop();
        return;
    }
    // Resting is what shows a tip; moving from one tip to the next is quick.
    wait_.start(was_shown ? reshow_delay_ms : initial_delay_ms);
}

void ToolTipRelay::show_tip()
{
    const Tool* tool = find(current_);
    if (!tip_ || !tool || tool->text.isEmpty() || !active_ || !control_->isVisible())
        return;
    fit_tip(tool->text);
    QPoint at = control_->mapToGlobal(last_pos_) + tip_offset;
    if (QScreen* screen = control_->screen()) {
        QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - tip_->width())));
        if (at.y() + tip_->height() > area.bottom())
            at.setY(control_->mapToGlobal(last_pos_).y() - tip_->height() - 2);
    }
    tip_->move(at);
    tip_->show();
    shown_ = true;
    auto_pop_.start(auto_pop_ms);
}

void ToolTipRelay::fit_tip(const QString& text)
{
    // One line while it fits in the maximum width, wrapped at that width past it.
    tip_->setWordWrap(false);
    tip_->setMinimumWidth(0);
    tip_->setMaximumWidth(QWIDGETSIZE_MAX);
    tip_->setText(text);
    if (tip_->sizeHint().width() > max_tip_width_px) {
        tip_->setWordWrap(true);
        tip_->setFixedWidth(max_tip_width_px);
    }
    tip_->adjustSize();
}

void ToolTipRelay::pop()
{
    wait_.stop();
    auto_pop_.stop();
    shown_ = false;
    if (tip_)
        tip_->hide();
    tip_->setParent(control_, tip_->windowFlags());
}

bool ToolTipRelay::tip_shown() const { return shown_ && tip_ && tip_->isVisible(); }

QString ToolTipRelay::shown_text() const { return tip_shown() ? tip_->text() : QString(); }

void ToolTipRelay::add_tool(int id, const QRect& rect, const QString& text)
{
    remove_tool(id);
    tools_.push_back(Tool { id, rect, text });
}

void ToolTipRelay::set_tool_rect(int id, const QRect& rect)
{
    for (Tool& t : tools_)
        if (t.id == id)
            t.rect = rect;
}

void ToolTipRelay::set_tool_text(int id, const QString& text)
{
    for (Tool& t : tools_)
        if (t.id == id)
            t.text = text;
    if (shown_ && current_ == id && tip_)
        fit_tip(text);
}

void ToolTipRelay::remove_tool(int id)
{
    std::erase_if(tools_, [id](const Tool& t) { return t.id == id; });
    if (current_ == id) {
        current_ = -1;
        pop();
    }
}

void ToolTipRelay::clear_tools()
{
    tools_.clear();
    current_ = -1;
    pop();
}

void ToolTipRelay::activate(bool active)
{
    active_ = active;
    if (!active)
        pop();
}
