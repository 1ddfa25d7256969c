#include "dialogs/ui/dlg_group_name.h"

#include "core/message_box.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "dialogs/contacts.h"
#include "platform/ui/translations.h"
#include "platform/ui/utf8_limit.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgGroupName::CDlgGroupName(int template_id, const char* caption, const char* prompt, QWidget* parent)
    : Cgood_dlg(template_id, parent)
{
    setWindowTitle(tr_ui(caption));
    auto* label = new CMyStatic(-1, tr_ui(prompt), this);
    edit_ = new CMyEdit_no_scroll(1002, this);
    limit_utf8_bytes(edit_, static_cast<int>(group_name_dialog_limit));
    edit_->setMinimumWidth(260);
    QHBoxLayout* buttons = ok_cancel_row();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    edit_->setFocus();
}

CDlgGroupName::CDlgGroupName(QWidget* parent)
    : CDlgGroupName(add_template, "Add Group", "Please enter group name:", parent)
{
}

CDlgGroupName::CDlgGroupName(const std::string& name, QWidget* parent)
    : CDlgGroupName(edit_template, "Edit Group", "Please change group name here:", parent)
{
    edit_->setText(QString::fromStdString(name));
    edit_->selectAll();
}

void CDlgGroupName::OnOK()
{
    std::string name = edit_->text().toStdString();
    std::string refusal = group_name_refusal(name);
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    name_ = cut_copy(name, group_name_dialog_limit);
    Cgood_dlg::OnOK();
}
