#include "dialogs/ui/dlg_customer_feedback.h"

#include "core/message_box.h"
#include "dialogs/web_form.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

void lay_out_web_form(Cgood_dlg* dlg, QGridLayout* fields, const char* text_label, CMyEdit* text)
{
    auto* submit = new CMyButton(IDOK, tr_ui("Submit"), dlg);
    auto* cancel = new CMyButton(IDCANCEL, tr_ui("Cancel"), dlg);
    QObject::connect(submit, &QPushButton::clicked, dlg, [dlg] { dlg->OnOK(); });
    QObject::connect(cancel, &QPushButton::clicked, dlg, [dlg] { dlg->OnCancel(); });
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(submit);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(dlg);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(fields);
    layout->addWidget(new CMyStatic(-1, tr_ui(text_label), dlg));
    layout->addWidget(text, 1);
    layout->addLayout(buttons);
}

CDlgCustomerFeedBack::CDlgCustomerFeedBack(QWidget* parent) : Cgood_dlg(243, parent)
{
    setWindowTitle(tr_ui("Customer Feed Back"));
    name_ = new CMyEdit_no_scroll(1147, this);
    email_ = new CMyEdit_no_scroll(1146, this);
    for (CMyEdit_no_scroll* edit : { name_, email_ })
        edit->setMaxLength(feedback_field_limit);
    comment_ = new CMyEdit(1002, this);
    comment_->setAcceptRichText(false);
    comment_->setMinimumSize(380, 160);
    auto* fields = new QGridLayout;
    fields->addWidget(new CMyStatic(-1, tr_ui("Your Name:"), this), 0, 0);
    fields->addWidget(name_, 0, 1);
    fields->addWidget(new CMyStatic(-1, tr_ui("Your Email:"), this), 1, 0);
    fields->addWidget(email_, 1, 1);
    lay_out_web_form(this, fields, "Your Comment and Suggestions:", comment_);
    name_->setFocus();
}

void CDlgCustomerFeedBack::OnOK()
{
    const std::string body = web_form_body({
        { "name", name_->text().left(feedback_field_limit).toStdString() },
        { "email", email_->text().left(feedback_field_limit).toStdString() },
        { "content", comment_->toPlainText().left(feedback_comment_limit).toStdString() },
    });
    if (!post_web_form(feedback_form_path, body))
        return;
    message_box_printf("Your comment and suggestions is submitted successfully!");
    Cgood_dlg::OnOK();
}
