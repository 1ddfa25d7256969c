#include "dialogs/ui/prop_contact.h"

#include "core/message_box.h"
#include "dialogs/contacts.h"
#include "dialogs/ui/dlg_contact.h"
#include "dialogs/ui/dlg_groups.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

CPropContact::CPropContact(QWidget* parent) : CMyPropertyPage(107, tr_ui("Contact"), parent)
{
    auto* group_label = new CMyStatic(1089, tr_ui("Group:"), this);
    group_ = new CMyComboBox(1067, this);
    group_->setMinimumWidth(160);
    edit_group_ = new CMyButton(1071, tr_ui("Edit Group"), this);
    list_ = new CMyListCtrl(1063, this);
    list_->insert_column(0, tr_ui("Name"), 100);
    list_->insert_column(1, tr_ui("Email"), 120);
    list_->insert_column(2, tr_ui("comment"), 180);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The three columns whole, with the border and a vertical bar beside them.
    list_->setMinimumSize(100 + 120 + 180 + 24, 220);
    add_ = new CMyButton(1064, tr_ui("Add"), this);
    edit_ = new CMyButton(1066, tr_ui("Edit"), this);
    delete_ = new CMyButton(1065, tr_ui("Delete"), this);

    connect(group_, &QComboBox::currentIndexChanged, this, [this] { fill_contact_list(); });
    connect(add_, &QPushButton::clicked, this, &CPropContact::OnAdd);
    connect(edit_, &QPushButton::clicked, this, &CPropContact::OnEdit);
    connect(list_, &QAbstractItemView::doubleClicked, this, &CPropContact::OnEdit);
    connect(delete_, &QPushButton::clicked, this, &CPropContact::OnDelete);
    connect(edit_group_, &QPushButton::clicked, this, &CPropContact::OnEditGroup);

    auto* group_row = new QHBoxLayout;
    group_row->setSpacing(8);
    group_row->addWidget(group_label);
    group_row->addWidget(group_, 1);
    group_row->addWidget(edit_group_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(add_);
    buttons->addWidget(edit_);
    buttons->addWidget(delete_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    layout->addLayout(group_row);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
}

bool CPropContact::OnInitDialog()
{
    read_group_file();
    read_contact_file();
    fill_group_list(all_groups_id);
    return true;
}

void CPropContact::fill_group_list(int select_id)
{
    {
        // One refill of the contacts at the end, not one per entry.
        const QSignalBlocker quiet(group_);
        group_->clear();
        group_->addItem(tr_ui("All"), all_groups_id);
        for (const GroupChoice& g : group_choices())
            group_->addItem(QString::fromStdString(g.name), g.id);
        group_->setCurrentIndex(std::max(0, group_->findData(select_id)));
    }
    fill_contact_list();
}

int CPropContact::chosen_group() const { return group_->currentIndex() > 0 ? group_->currentData().toInt() : all_groups_id; }

void CPropContact::fill_contact_list()
{
    list_->delete_all_items();
    for (const ContactRow& c : contact_rows(chosen_group()))
        list_->insert_item(list_->item_count(),
                           { QString::fromStdString(c.name), QString::fromStdString(c.email),
                             QString::fromStdString(c.comment) },
                           -1, c.index);
}

std::optional<int> CPropContact::selected_contact() const
{
    int row = list_->next_selected_item();
    if (row < 0)
        return std::nullopt;
    return static_cast<int>(list_->item_data(row));
}

void CPropContact::OnAdd()
{
    CDlgContact dlg(this);
    if (dlg.exec() != IDOK)
        return;
    add_contact(dlg.fields());
    fill_contact_list();
}

void CPropContact::OnEdit()
{
    std::optional<int> index = selected_contact();
    if (!index) {
        message_box_printf("Please select a contact to edit.");
        return;
    }
    CDlgContact dlg(contact_fields(*index), this);
    if (dlg.exec() != IDOK)
        return;
    edit_contact(*index, dlg.fields());
    fill_contact_list();
}

void CPropContact::OnDelete()
{
    std::optional<int> index = selected_contact();
    if (!index) {
        message_box_printf("Please select a contact to delete.");
        return;
    }
    delete_contact(*index);
    fill_contact_list();
}

void CPropContact::OnEditGroup()
{
    CDlgGroups dlg(this);
    dlg.exec();
    fill_group_list(chosen_group());
}
