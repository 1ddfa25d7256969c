#pragma once
// The shared-screen view: the upper view that shows another attendee's screen.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

class CEditTextTool;

class CFormRightUpper2 : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightUpper2(QWidget* parent = nullptr);
    ~CFormRightUpper2() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

private:
    CViewCanvas* canvas_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::share_view, this };
};

// The text-entry box of the shared-screen view: made by the view as its child, hidden
// until text is typed onto the picture (UI thread only).
extern CEditTextTool* g_share_text_tool;
