#include "dialogs/ui/dlg_contact.h"

#include "core/message_box.h"
#include "core/ui_text.h"
#include "platform/ui/translations.h"
#include "platform/ui/utf8_limit.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgContact::CDlgContact(int template_id, const char* caption, QWidget* parent) : Cgood_dlg(template_id, parent)
{
    setWindowTitle(tr_ui(caption));
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    int row = 0;
    auto field = [&](int id, const char* label, size_t limit_bytes) {
        auto* edit = new CMyEdit_no_scroll(id, this);
        limit_utf8_bytes(edit, static_cast<int>(limit_bytes));
        fields->addWidget(new CMyStatic(-1, tr_ui(label), this), row, 0);
        fields->addWidget(edit, row++, 1);
        return edit;
    };
    email_ = field(1002, "Email:", contact_text_limit);
    first_name_ = field(1073, "First Name:", contact_name_limit);
    last_name_ = field(1074, "Last Name:", contact_name_limit);
    comment_ = field(1075, "Comment:", contact_text_limit);
    group_ = new CMyComboBox(1077, this);
    for (const GroupChoice& g : group_choices())
        group_->addItem(QString::fromStdString(g.name), g.id);
    fields->addWidget(new CMyStatic(-1, tr_ui("Group:"), this), row, 0);
    fields->addWidget(group_, row, 1);
    fields->setColumnStretch(1, 1);
    fields->setColumnMinimumWidth(1, 240);

    QHBoxLayout* buttons = ok_cancel_row();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    email_->setFocus();
}

CDlgContact::CDlgContact(QWidget* parent) : CDlgContact(add_template, "Add Contact", parent)
{
    group_->setCurrentIndex(group_->count() > 0 ? 0 : -1);
}

CDlgContact::CDlgContact(const ContactFields& contact, QWidget* parent)
    : CDlgContact(edit_template, "Edit Contact", parent)
{
    email_->setText(QString::fromStdString(contact.email));
    first_name_->setText(QString::fromStdString(contact.first_name));
    last_name_->setText(QString::fromStdString(contact.last_name));
    comment_->setText(QString::fromStdString(contact.comment));
    // A group the list lacks shows nothing chosen, so OK keeps "no group"
    // rather than moving the contact into the first group.
    group_->setCurrentIndex(group_->findData(contact.group_id));
}

void CDlgContact::OnOK()
{
    ContactFields f;
    f.email = email_->text().toStdString();
    f.first_name = first_name_->text().toStdString();
    f.last_name = last_name_->text().toStdString();
    f.comment = comment_->text().toStdString();
    f.group_id = group_->currentIndex() >= 0 ? group_->currentData().toInt() : no_group_id;
    std::string refusal = contact_fields_refusal(f);
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    fields_ = f;
    Cgood_dlg::OnOK();
}
