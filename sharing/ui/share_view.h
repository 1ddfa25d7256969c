#pragma once
// The shared-screen view: the upper view that shows another attendee's screen.
// On the sharer's side it runs the capture timer and hands the paint
// library's notices to the sharer (share_sharer).

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

#include <QTimer>

class CEditTextTool;

class CFormRightUpper2 : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightUpper2(QWidget* parent = nullptr);
    ~CFormRightUpper2() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Timer 1 of the sharer: a capture tick every second while a share runs.
    void start_share_timer();
    void stop_share_timer();
    bool share_timer_running() const { return capture_timer_.isActive(); }

private:
    CViewCanvas* canvas_ = nullptr;
    QTimer capture_timer_;
    WindowSlotBinding slot_binding_ { WindowSlot::share_view, this };
};

// The text-entry box of the shared-screen view: made by the view as its child, hidden
// until text is typed onto the picture (UI thread only).
extern CEditTextTool* g_share_text_tool;
