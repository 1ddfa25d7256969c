#include "shell/ui/dlg_private_chat.h"

#include "core/control_messages.h"
#include "core/dbg_log.h"
#include "core/text_util.h"
#include "platform/ui/translations.h"
#include "shell/chat_rules.h"
#include "shell/ui/chat_rich_text.h"
#include "skin/ui/my_edit.h"

#include <QVBoxLayout>

namespace {

PrivateChatSlots<CDlgPrivateChat>& private_chat_table()
{
    static PrivateChatSlots<CDlgPrivateChat> table;
    return table;
}

} // namespace

CDlgPrivateChat::CDlgPrivateChat(const std::string& partner, int slot_index)
    : CChatDialogBase(155, 1045, nullptr), partner_(cut_copy(partner, private_chat_partner_limit)), slot_index_(slot_index)
{
    setWindowTitle(tr_ui("Private Chat"));
    conversation_edit_ = new CMyRichEdit(1002, this);
    conversation_edit_->setReadOnly(true);
    conversation_edit_->setMinimumSize(380, 180);
    conversation_area()->addWidget(conversation_edit_);
    typing_edit()->setFixedHeight(70);
    setWindowTitle(tr_ui("Private chat with %s").replace("%s", QString::fromStdString(partner_)));
}

CDlgPrivateChat::~CDlgPrivateChat() { private_chat_table().release(slot_index_); }

void CDlgPrivateChat::append_line(const ChatLine& line) { append_chat_line(*conversation_edit_, line); }

void CDlgPrivateChat::send_line(const std::string& text, const ChatStyle& s)
{
    send_private_chat(partner_, text, s.red, s.green, s.blue, s.size, s.effects);
}

const QTextEdit* CDlgPrivateChat::saved_edit() const { return conversation_edit_; }

size_t CDlgPrivateChat::send_limit() const { return private_chat_send_limit; }

CDlgPrivateChat* find_private_chat(const std::string& partner) { return private_chat_table().find(partner); }

CDlgPrivateChat* open_private_chat(const std::string& partner)
{
    CDlgPrivateChat* dialog = private_chat_table().find(cut_copy(partner, private_chat_partner_limit));
    if (!dialog) {
        int slot = private_chat_table().free_slot();
        if (slot < 0)
            return nullptr;
        dialog = new CDlgPrivateChat(partner, slot);
        private_chat_table().take(slot, dialog);
    }
    dialog->show();
    dialog->raise();
    return dialog;
}

int private_chat_from_server(const char* body, intptr_t length)
{
    std::optional<PrivateChatLine> line =
        parse_private_chat_body(body, length > 0 ? static_cast<size_t>(length) : 0);
    CDlgPrivateChat* dialog = line ? open_private_chat(line->partner) : nullptr;
    if (!dialog) {
        dbg_log("something goes wrong in CMainFrame::OnMyMsgPrivateChatFromServer\n");
        return -1;
    }
    dialog->append_line(line->line);
    return 0;
}

void destroy_private_chats()
{
    for (int i = 0; i < private_chat_slot_count; ++i)
        if (private_chat_table().slot(i).in_use)
            delete private_chat_table().slot(i).dialog;
}
