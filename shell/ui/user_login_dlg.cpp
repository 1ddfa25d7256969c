#include "shell/ui/user_login_dlg.h"

#include "platform/ui/translations.h"
#include "shell/login_rules.h"
#include "shell/ui/text_box.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgUserLogin::CDlgUserLogin(QWidget* parent) : Cgood_dlg(150, parent)
{
    setWindowTitle(tr_ui("Login"));
    auto* instruction =
        new CMyStatic(-1, tr_ui("Enter the name the others will see, and the auth code if the server asks for one."), this);
    instruction->setWordWrap(true);
    auto* name_label = new CMyStatic(-1, tr_ui("Login Name:"), this);
    name_edit_ = new CMyEdit_no_scroll(1002, this);
    auto* code_label = new CMyStatic(-1, tr_ui("Auth Code:"), this);
    code_edit_ = new CMyEdit_no_scroll(1024, this);
    code_edit_->setEchoMode(QLineEdit::Password);
    remember_name_ = new CMyCheckBox(1150, tr_ui("Remember my name on this machine"), this);
    remember_code_ = new CMyCheckBox(1151, tr_ui("Remember auth code on this machine"), this);
    auto* ok = new CMyButton(1, tr_ui("OK"), this);
    auto* cancel = new CMyButton(2, tr_ui("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* fields = new QGridLayout;
    fields->addWidget(name_label, 0, 0);
    fields->addWidget(name_edit_, 0, 1);
    fields->addWidget(code_label, 1, 0);
    fields->addWidget(code_edit_, 1, 1);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(instruction);
    layout->addSpacing(4);
    layout->addLayout(fields);
    layout->addWidget(remember_name_);
    layout->addWidget(remember_code_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

bool CDlgUserLogin::OnInitDialog()
{
    LoginMemory memory = read_login_memory();
    remember_name_->setChecked(memory.remember_name);
    if (memory.remember_name)
        name_edit_->setText(QString::fromStdString(memory.name));
    remember_code_->setChecked(memory.remember_code);
    if (memory.remember_code)
        code_edit_->setText(QString::fromStdString(memory.code));
    name_edit_->setFocus();
    Cgood_dlg::OnInitDialog();
    return true;
}

std::string CDlgUserLogin::login_name() const { return name_edit_->text().toStdString(); }

std::string CDlgUserLogin::auth_code() const { return code_edit_->text().toStdString(); }

void CDlgUserLogin::OnOK()
{
    if (std::optional<LoginRefusal> refusal = check_login_fields(login_name(), auth_code())) {
        show_text_box(refusal->text);
        CMyEdit_no_scroll* field = refusal->field == LoginField::name ? name_edit_ : code_edit_;
        if (refusal->empty_field)
            field->clear();
        field->setFocus();
        return;
    }
    store_login_memory({ remember_name_->isChecked(), login_name(), remember_code_->isChecked(), auth_code() });
    Cgood_dlg::OnOK();
}
