#pragma once
// One event notice (dialog 228 "Event"): a small skinned window at the
// bottom right of the work area that rises, stands, shrinks and closes by
// itself. It stays on top and never takes the focus, so whatever the user is
// typing into keeps it. Made by show_event_printf's window sink.

#include "skin/ui/good_dlg.h"

#include <QBasicTimer>
#include <QPointer>

class CMyStatic;

inline constexpr int event_dlg_width_px = 260;
inline constexpr int event_dlg_height_px = 110;

class CDlgEvent : public Cgood_dlg {
    Q_OBJECT
public:
    CDlgEvent(int position, const QString& text);

    int position() const { return position_; }
    int remaining() const { return remaining_; }
    int full_height() const { return full_height_; }
    CMyStatic* label() const { return label_; }

    // Places the window for its position and shows it without activating it.
    void show_notice();
    // One tick of the timer.
    void OnTimer();
    // Stops the timer: a test runs the ticks itself.
    void stop_ticking() { timer_.stop(); }
    void OnCancel() override;
    // Where the keyboard focus goes back to, should a platform activate the
    // notice in spite of its flags.
    void set_return_focus(QWidget* widget) { return_focus_ = widget; }

protected:
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;

private:
    void close_notice();

    int position_ = 0;
    int remaining_ = 0;
    int full_height_ = event_dlg_height_px;
    bool closed_ = false;
    CMyStatic* label_ = nullptr;
    QBasicTimer timer_;
    QPointer<QWidget> return_focus_;
};
