#include "dialogs/ui/dlg_event.h"

#include "core/dbg_log.h"
#include "dialogs/event_notice.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_static.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>

namespace {

constexpr int label_margin_px = 8;

QRect work_area()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

} // namespace

CDlgEvent::CDlgEvent(int position, const QString& text) : Cgood_dlg(228, nullptr), position_(position)
{
    // A tool window of our own rather than a desktop notification: the
    // stacking and the animation are the program's.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(tr_ui("Event"));
    setMinimumSize(event_dlg_width_px, event_min_height_px);
    setMaximumSize(event_dlg_width_px, event_dlg_height_px);
    // Placed by hand, not by a layout: while the window is short, the text
    // stays where it is and the window shows its top part.
    label_ = new CMyStatic(1102, text, this);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setTextFormat(Qt::PlainText);
    label_->setToolTip(text);
    label_->setGeometry(3 + label_margin_px, drawn_caption_height_px + label_margin_px / 2,
                        event_dlg_width_px - 6 - 2 * label_margin_px,
                        event_dlg_height_px - drawn_caption_height_px - 3 - label_margin_px);
    remaining_ = event_remaining_ticks;
    full_height_ = event_dlg_height_px;
    resize(event_dlg_width_px, event_dlg_height_px);
}

void CDlgEvent::show_notice()
{
    const QRect area = work_area();
    const EventPlace place = event_notice_start(area.y() + area.height(), position_, full_height_,
                                                g_skin_not_show_animation == 1);
    setGeometry(area.x() + area.width() - event_dlg_width_px, place.y, event_dlg_width_px, place.height);
    show();
    timer_.start(event_tick_ms, this);
}

void CDlgEvent::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timer_.timerId())
        OnTimer();
    else
        Cgood_dlg::timerEvent(event);
}

bool CDlgEvent::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && return_focus_ && return_focus_->window() != this) {
        QWidget* back = return_focus_;
        QTimer::singleShot(0, back, [back] {
            back->window()->activateWindow();
            back->setFocus(Qt::OtherFocusReason);
        });
    }
    return Cgood_dlg::event(event);
}

void CDlgEvent::OnTimer()
{
    if (closed_)
        return;
    try {
        EventTick tick = event_notice_tick(remaining_, height(), full_height_, g_skin_not_show_animation == 1);
        remaining_ = tick.remaining;
        if (tick.close) {
            close_notice();
            return;
        }
        if (tick.height != height()) {
            // The bottom edge stays; the top moves.
            const int bottom = y() + height();
            setGeometry(x(), bottom - tick.height, width(), tick.height);
        }
    } catch (...) {
        dbg_log("exception in CDlgEvent::OnTimer.\n");
    }
}

void CDlgEvent::OnCancel() { close_notice(); }

void CDlgEvent::close_notice()
{
    if (closed_)
        return;
    closed_ = true;
    timer_.stop();
    free_event_position(g_event_position_counter, position_);
    hide();
    deleteLater();
}
