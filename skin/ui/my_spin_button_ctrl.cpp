#include "skin/ui/my_spin_button_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/control_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_scroll_bars.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

namespace {
constexpr COLORREF arrow_light_colour = 0xfffcfa;
constexpr int first_repeat_ms = 400;
constexpr int repeat_ms = 80;
} // namespace

void paint_skin_arrow_box(GdiPainter& dc, const QRect& box, ArrowDirection direction, bool pressed)
{
    const int l = box.left();
    const int t = box.top();
    const int r = box.left() + box.width() - 1;
    const int b = box.top() + box.height() - 1;
    paint_raised_box(dc, l, t, r, b, arrow_light_colour, pressed);
    const int shift = pressed ? 1 : 0;
    const int cx = (l + r + 1) / 2 + shift;
    const int cy = (t + b + 1) / 2 + shift;
    const int s = std::max(2, std::min(box.width(), box.height()) / 4);
    const COLORREF dark = skin_word_value(skin_word::outline);
    const int h = std::max(1, s / 2);
    switch (direction) {
    case ArrowDirection::up: dc.solid_polygon({ { cx, cy - h - 1 }, { cx - s, cy + h }, { cx + s, cy + h } }, dark); break;
    case ArrowDirection::down: dc.solid_polygon({ { cx, cy + h }, { cx - s, cy - h - 1 }, { cx + s, cy - h - 1 } }, dark); break;
    case ArrowDirection::left: dc.solid_polygon({ { cx - h - 1, cy }, { cx + h, cy - s }, { cx + h, cy + s } }, dark); break;
    case ArrowDirection::right: dc.solid_polygon({ { cx + h, cy }, { cx - h - 1, cy - s }, { cx - h - 1, cy + s } }, dark); break;
    }
}

CMySpinButtonCtrl::CMySpinButtonCtrl(int id, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation)
{
    set_control_id(this, id);
    setFocusPolicy(Qt::NoFocus);
    repeat_.setSingleShot(false);
    connect(&repeat_, &QTimer::timeout, this, &CMySpinButtonCtrl::repeat);
}

QSize CMySpinButtonCtrl::sizeHint() const
{
    return orientation_ == Qt::Vertical ? QSize(16, 22) : QSize(32, 16);
}

void CMySpinButtonCtrl::set_range(int lower, int upper)
{
    lower_ = lower;
    upper_ = upper;
    set_pos(position_);
}

void CMySpinButtonCtrl::set_pos(int position)
{
    position_ = std::clamp(position, std::min(lower_, upper_), std::max(lower_, upper_));
    if (buddy_)
        buddy_->setText(QString::number(position_));
    update();
}

void CMySpinButtonCtrl::set_buddy(QLineEdit* buddy)
{
    if (buddy_)
        buddy_->removeEventFilter(this);
    buddy_ = buddy;
    if (buddy_) {
        buddy_->installEventFilter(this);
        buddy_->setText(QString::number(position_));
    }
}

int CMySpinButtonCtrl::box_at(QPoint pos) const
{
    if (!rect().contains(pos))
        return 0;
    if (orientation_ == Qt::Vertical)
        return pos.y() < height() / 2 ? 1 : -1;
    return pos.x() >= width() / 2 ? 1 : -1;
}

void CMySpinButtonCtrl::step(int direction)
{
    // The buddy's text is the position as the user left it.
    if (buddy_) {
        bool ok = false;
        int typed = buddy_->text().toInt(&ok);
        if (ok)
            position_ = std::clamp(typed, std::min(lower_, upper_), std::max(lower_, upper_));
    }
    const int before = position_;
    set_pos(spin_position_after(position_, direction, lower_, upper_));
    if (position_ != before)
        emit position_changed(position_);
}

void CMySpinButtonCtrl::repeat()
{
    repeat_.setInterval(repeat_ms);
    if (pressed_ != 0 && box_at(pointer_) == pressed_)
        step(pressed_);
}

void CMySpinButtonCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pointer_ = event->position().toPoint();
    pressed_ = box_at(pointer_);
    if (pressed_ == 0)
        return;
    step(pressed_);
    repeat_.start(first_repeat_ms);
    update();
}

void CMySpinButtonCtrl::mouseMoveEvent(QMouseEvent* event) { pointer_ = event->position().toPoint(); }

void CMySpinButtonCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = 0;
    repeat_.stop();
    update();
}

bool CMySpinButtonCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool vertical = orientation_ == Qt::Vertical;
        if (key == (vertical ? Qt::Key_Up : Qt::Key_Right)) {
            step(1);
            return true;
        }
        if (key == (vertical ? Qt::Key_Down : Qt::Key_Left)) {
            step(-1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CMySpinButtonCtrl::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        if (orientation_ == Qt::Vertical) {
            paint_skin_arrow_box(dc, QRect(0, 0, w, h / 2), ArrowDirection::up, pressed_ == 1);
            paint_skin_arrow_box(dc, QRect(0, h / 2, w, h - h / 2), ArrowDirection::down, pressed_ == -1);
        } else {
            paint_skin_arrow_box(dc, QRect(0, 0, w / 2, h), ArrowDirection::left, pressed_ == -1);
            paint_skin_arrow_box(dc, QRect(w / 2, 0, w - w / 2, h), ArrowDirection::right, pressed_ == 1);
        }
    } catch (...) {
        dbg_log("exception in CMySpinButtonCtrl::paintEvent.\n");
    }
}
