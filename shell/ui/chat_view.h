#pragma once
// The chat view: the lower pane on the right, with the room's public chat.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

class CFormRightLower : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightLower(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

private:
    CViewCanvas* canvas_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::chat_view, this };
};
