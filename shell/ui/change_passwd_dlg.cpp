#include "shell/ui/change_passwd_dlg.h"

#include "platform/ui/translations.h"
#include "shell/room_rules.h"
#include "shell/ui/text_box.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

CMyEdit_no_scroll* password_edit(int id, QWidget* parent)
{
    auto* edit = new CMyEdit_no_scroll(id, parent);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

} // namespace

CDlgChangePasswd::CDlgChangePasswd(int template_id, const QString& caption, QWidget* parent)
    : Cgood_dlg(template_id, parent)
{
    setWindowTitle(caption);
    old_edit_ = password_edit(1002, this);
    new_edit_ = password_edit(1021, this);
    retyped_edit_ = password_edit(1022, this);
    auto* hint = new CMyStatic(-1, tr_ui("If there is no old passwd, leave it blank"), this);
    auto* ok = new CMyButton(1, tr_ui("OK"), this);
    auto* cancel = new CMyButton(2, tr_ui("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* fields = new QGridLayout;
    fields->addWidget(new CMyStatic(-1, tr_ui("Old Passwd:"), this), 0, 0);
    fields->addWidget(old_edit_, 0, 1);
    fields->addWidget(new CMyStatic(-1, tr_ui("New Passwd:"), this), 1, 0);
    fields->addWidget(new_edit_, 1, 1);
    fields->addWidget(new CMyStatic(-1, tr_ui("Retype New Passwd:"), this), 2, 0);
    fields->addWidget(retyped_edit_, 2, 1);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(fields);
    layout->addWidget(hint);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setMinimumWidth(340);
    old_edit_->setFocus();
}

std::string CDlgChangePasswd::old_password() const { return old_edit_->text().toStdString(); }

std::string CDlgChangePasswd::new_password() const { return new_edit_->text().toStdString(); }

void CDlgChangePasswd::OnOK()
{
    std::optional<PasswordRefusal> refusal =
        check_password_change(old_password(), new_password(), retyped_edit_->text().toStdString());
    if (!refusal) {
        Cgood_dlg::OnOK();
        return;
    }
    show_text_box(refusal->text);
    if (refusal->empty_old)
        old_edit_->clear();
    if (refusal->empty_new) {
        new_edit_->clear();
        retyped_edit_->clear();
    }
    (refusal->focus == PasswordField::old_password ? old_edit_ : new_edit_)->setFocus();
}
