#pragma once
// The chat view: the lower pane on the right, with the room's public chat in
// one rich-text control that fills it. Lines arrive through the receiver of
// public chat lines, in their writers' styles; the chat reload of the server
// starts the view and the history again.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

#include <string>

class CMyRichEdit;

class CFormRightLower : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightLower(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // WM_MY_MSG_CHAT_APPEND: the received line (wparam: a const ChatLine*).
    void OnMyMsgChatAppend(const void* line);
    // 126: the history and the view emptied, then the body as a quiet line; 127: a quiet line.
    void OnMyMsgChatReloadFirst(const char* body, intptr_t len);
    void OnMyMsgChatReloadAdd(const char* body, intptr_t len);
    // The playback's start: the whole text at once, scrolled to its end.
    void set_whole_text(const std::string& text);

    CMyRichEdit* rich_edit() const { return edit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CViewCanvas* canvas_ = nullptr;
    CMyRichEdit* edit_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::chat_view, this };
};

// The chat view while it exists, else nullptr.
CFormRightLower* chat_view();
