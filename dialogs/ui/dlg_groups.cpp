#include "dialogs/ui/dlg_groups.h"

#include "core/message_box.h"
#include "dialogs/contacts.h"
#include "dialogs/ui/dlg_group_name.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_list_ctrl.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
constexpr int no_selection_id = -1;
}

CDlgGroups::CDlgGroups(QWidget* parent) : Cgood_dlg(171, parent)
{
    setWindowTitle(tr_ui("Edit Group"));
    list_ = new CMyListCtrl(1072, this);
    list_->insert_column(0, tr_ui("Group Name"), 150);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setMinimumSize(200, 200);
    add_ = new CMyButton(1068, tr_ui("Add"), this);
    edit_ = new CMyButton(1069, tr_ui("Edit"), this);
    delete_ = new CMyButton(1070, tr_ui("Delete"), this);
    close_ = new CMyButton(IDOK, tr_ui("Close"), this);
    connect(add_, &QPushButton::clicked, this, &CDlgGroups::OnAdd);
    connect(edit_, &QPushButton::clicked, this, &CDlgGroups::OnEdit);
    connect(list_, &QAbstractItemView::doubleClicked, this, &CDlgGroups::OnEdit);
    connect(delete_, &QPushButton::clicked, this, &CDlgGroups::OnDelete);
    connect(close_, &QPushButton::clicked, this, [this] { OnOK(); });

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(add_);
    buttons->addWidget(edit_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->setSpacing(10);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
}

bool CDlgGroups::OnInitDialog()
{
    fill_list(no_selection_id);
    Cgood_dlg::OnInitDialog();
    return true;
}

void CDlgGroups::fill_list(int select_id)
{
    list_->delete_all_items();
    for (const GroupChoice& g : group_choices()) {
        int row = list_->insert_item(list_->item_count(), { QString::fromStdString(g.name) }, -1, g.id);
        if (g.id == select_id && select_id != no_selection_id)
            list_->set_item_selected(row, true);
    }
}

std::optional<int> CDlgGroups::selected_id() const
{
    int row = list_->next_selected_item();
    if (row < 0)
        return std::nullopt;
    return static_cast<int>(list_->item_data(row));
}

void CDlgGroups::OnAdd()
{
    CDlgGroupName dlg(this);
    if (dlg.exec() != IDOK)
        return;
    fill_list(add_group(dlg.name()));
}

void CDlgGroups::OnEdit()
{
    std::optional<int> id = selected_id();
    if (!id) {
        message_box_printf("Please select a group to edit.");
        return;
    }
    CDlgGroupName dlg(group_name_of(*id).value_or(""), this);
    if (dlg.exec() != IDOK)
        return;
    rename_group(*id, dlg.name());
    fill_list(*id);
}

void CDlgGroups::OnDelete()
{
    std::optional<int> id = selected_id();
    if (!id) {
        message_box_printf("Please select a group to delete.");
        return;
    }
    // A refusal or a No keeps the group chosen.
    fill_list(delete_group(*id) == 0 ? no_selection_id : *id);
}
