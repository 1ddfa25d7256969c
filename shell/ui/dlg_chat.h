#pragma once
// "Chat" (dialog 142): the room's public chat is typed here and shown in the
// chat view when the server relays it. Modeless, made once by the main
// frame's "Start Text Chat" and afterwards only shown again.

#include "shell/ui/chat_dialog_base.h"

class CDlgChat : public CChatDialogBase {
    Q_OBJECT
public:
    explicit CDlgChat(QWidget* parent = nullptr);

protected:
    void send_line(const std::string& text, const ChatStyle& style) override;
    // The chat view's control.
    const QTextEdit* saved_edit() const override;
};

// "Start Text Chat": the history made when missing, the one dialog made
// when missing (owned by parent), shown and given the focus.
CDlgChat* show_chat_dialog(QWidget* parent);
// The dialog while it exists, else nullptr.
CDlgChat* chat_dialog();
