#include "shell/ui/chairman_password_dlg.h"

#include "core/text_util.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgMeetingRoomChairmanPasswd::CDlgMeetingRoomChairmanPasswd(QWidget* parent) : Cgood_dlg(270, parent)
{
    setWindowTitle(tr_ui("Please enter Chairman password"));
    auto* prompt = new CMyStatic(-1, tr_ui("Please enter chairman password:"), this);
    edit_ = new CMyEdit_no_scroll(1002, this);
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setMaxLength(chairman_password_limit);
    auto* hint = new CMyStatic(-1, tr_ui("(If no passwd set, just leave it blank)"), this);
    QHBoxLayout* buttons = ok_cancel_row();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(prompt);
    layout->addWidget(edit_);
    layout->addWidget(hint);
    layout->addLayout(buttons);
}

std::string CDlgMeetingRoomChairmanPasswd::password() const
{
    return cut_copy(edit_->text().toStdString(), chairman_password_limit);
}
