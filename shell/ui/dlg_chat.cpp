#include "shell/ui/dlg_chat.h"

#include "core/control_messages.h"
#include "platform/ui/translations.h"
#include "shell/ui/chat_view.h"
#include "skin/ui/my_edit.h"

#include <QPointer>

namespace {

QPointer<CDlgChat>& the_dialog()
{
    static QPointer<CDlgChat> dialog;
    return dialog;
}

} // namespace

CDlgChat::CDlgChat(QWidget* parent) : CChatDialogBase(142, 1002, parent)
{
    setWindowTitle(tr_ui("Chat"));
    typing_edit()->setMinimumSize(380, 90);
}

void CDlgChat::send_line(const std::string& text, const ChatStyle& s)
{
    send_chat_text(text, s.red, s.green, s.blue, s.size, s.effects);
}

const QTextEdit* CDlgChat::saved_edit() const
{
    CFormRightLower* view = chat_view();
    return view ? view->rich_edit() : nullptr;
}

CDlgChat* show_chat_dialog(QWidget* parent)
{
    {
        // The history exists from the first chat on, even before a line.
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().append("", 0);
    }
    QPointer<CDlgChat>& dialog = the_dialog();
    if (!dialog)
        dialog = new CDlgChat(parent);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->typing_edit()->setFocus();
    return dialog;
}

CDlgChat* chat_dialog() { return the_dialog(); }
