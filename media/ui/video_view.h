#pragma once
// The video view: the upper view of the attendees' video windows.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

class CFormRightUpper3 : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightUpper3(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

private:
    CViewCanvas* canvas_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::video_view, this };
};
