#include "shell/ui/room_password_dlg.h"

#include "core/text_util.h"
#include "platform/ui/translations.h"
#include "shell/room_rules.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgMeetingRoomPasswd::CDlgMeetingRoomPasswd(QWidget* parent) : Cgood_dlg(149, parent)
{
    setWindowTitle(tr_ui("Please enter meeting room password"));
    auto* prompt = new CMyStatic(-1, tr_ui("Please enter meeting room password:"), this);
    edit_ = new CMyEdit_no_scroll(1002, this);
    edit_->setEchoMode(QLineEdit::Password);
    auto* hint = new CMyStatic(-1, tr_ui("(If no passwd set for the meeting room, just leave it blank)"), this);
    QHBoxLayout* buttons = ok_cancel_row();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(prompt);
    layout->addWidget(edit_);
    layout->addWidget(hint);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    edit_->setFocus();
}

std::string CDlgMeetingRoomPasswd::password() const { return cut_copy(edit_->text().toStdString(), room_password_limit); }
