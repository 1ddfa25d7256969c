#pragma once
// The shared-screen view: the upper view that shows another attendee's screen.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

class CFormRightUpper2 : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightUpper2(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

private:
    CViewCanvas* canvas_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::share_view, this };
};
