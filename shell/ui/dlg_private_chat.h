#pragma once
// "Private chat with %s" (dialog 155): one conversation with one member, typed
// in field 1045 and shown in the rich-text control 1002. A line typed here
// shows only when the partner's client answers. Hidden by Close, the dialog
// keeps its slot among the 20 private chats, so the next line from or to the
// partner shows the same conversation; it is destroyed at the program's end.

#include "shell/ui/chat_dialog_base.h"

#include <string>

class CMyRichEdit;

class CDlgPrivateChat : public CChatDialogBase {
    Q_OBJECT
public:
    CDlgPrivateChat(const std::string& partner, int slot_index);
    ~CDlgPrivateChat() override;

    const std::string& partner_name() const { return partner_; }
    int slot_index() const { return slot_index_; }
    CMyRichEdit* conversation() const { return conversation_edit_; }

    // A line of the conversation: text (at most 4096 bytes) in its style.
    void append_line(const ChatLine& line);

protected:
    void send_line(const std::string& text, const ChatStyle& style) override;
    const QTextEdit* saved_edit() const override;
    size_t send_limit() const override;

private:
    std::string partner_;
    int slot_index_ = -1;
    CMyRichEdit* conversation_edit_ = nullptr;
};

// The dialog of a partner: shown again when one is open, else made in the
// first free slot and shown; nullptr when all 20 slots are taken.
CDlgPrivateChat* open_private_chat(const std::string& partner);
// The open conversation with a partner, nullptr when none.
CDlgPrivateChat* find_private_chat(const std::string& partner);
// The main frame's 171: the writer's dialog opened and the line appended.
// -1 (and the frame's log line) when the body is unreadable or no slot is free.
int private_chat_from_server(const char* body, intptr_t length);
// Program end: every private dialog destroyed, its slot freed.
void destroy_private_chats();
