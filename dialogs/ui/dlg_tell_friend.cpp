#include "dialogs/ui/dlg_tell_friend.h"

#include "core/message_box.h"
#include "core/ui_text.h"
#include "dialogs/ui/dlg_customer_feedback.h"
#include "dialogs/web_form.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>

CDlgTellFriend::CDlgTellFriend(QWidget* parent) : Cgood_dlg(251, parent)
{
    setWindowTitle(tr_ui("Tell Friend"));
    auto* fields = new QGridLayout;
    int row = 0;
    auto field = [&](int id, const char* label) {
        auto* edit = new CMyEdit_no_scroll(id, this);
        edit->setMaxLength(feedback_field_limit);
        fields->addWidget(new CMyStatic(-1, tr_ui(label), this), row, 0);
        fields->addWidget(edit, row++, 1);
        return edit;
    };
    friend_name_ = field(1146, "Your Friend's Name:");
    friend_email_ = field(1148, "Your Friend's Email:");
    name_ = field(1147, "Your Name:");
    email_ = field(1149, "Your Email:");
    subject_ = field(1150, "Mail Subject:");
    content_ = new CMyEdit(1002, this);
    content_->setAcceptRichText(false);
    content_->setMinimumSize(380, 140);
    lay_out_web_form(this, fields, "Mail Content:", content_);
    friend_name_->setFocus();
}

void CDlgTellFriend::OnOK()
{
    auto text = [](CMyEdit_no_scroll* edit) { return edit->text().left(feedback_field_limit).toStdString(); };
    TellFriendFields f;
    f.friend_name = text(friend_name_);
    f.friend_email = text(friend_email_);
    f.name = text(name_);
    f.email = text(email_);
    f.subject = text(subject_);
    f.content = content_->toPlainText().left(feedback_comment_limit).toStdString();
    if (const char* refusal = tell_friend_refusal(f)) {
        message_box_printf("%s", tr_text(refusal).c_str());
        return;
    }
    if (!post_web_form(tell_friend_form_path(), tell_friend_body(f)))
        return;
    message_box_printf("Your message is sent to your friend, thank you!");
    Cgood_dlg::OnOK();
}
