#include "dialogs/ui/dlg_notify_attenders.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "dialogs/contacts.h"
#include "dialogs/ui/dlg_notify_setting.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_property_sheet.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgNotifyAttenders::CDlgNotifyAttenders(ContactPageFactory make_contact_page, QWidget* parent)
    : Cgood_dlg(177, parent), make_contact_page_(std::move(make_contact_page))
{
    setWindowTitle(tr_ui("Notify attenders"));
    group_ = new CMyComboBox(1067, this);
    contacts_ = new CMyListCtrl(1063, this);
    contacts_->insert_column(0, tr_ui("Name"), 100);
    contacts_->insert_column(1, tr_ui("Email"), 120);
    contacts_->insert_column(2, tr_ui("comment"), 180);
    contacts_->setMinimumSize(420, 200);
    notify_group_ = new CMyButton(1081, tr_ui("Notify Goup"), this);
    notify_one_ = new CMyButton(1082, tr_ui("Notify One Person"), this);
    edit_contact_ = new CMyButton(1066, tr_ui("Edit Contact"), this);
    // Without a Contact page there is nothing the button could open.
    edit_contact_->setEnabled(static_cast<bool>(make_contact_page_));
    auto* close = new CMyButton(IDCANCEL, tr_ui("Close"), this);

    auto* group_row = new QHBoxLayout;
    group_row->addWidget(new CMyStatic(-1, tr_ui("Group:"), this));
    group_row->addWidget(group_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(notify_group_);
    buttons->addWidget(notify_one_);
    buttons->addWidget(edit_contact_);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(group_row);
    layout->addWidget(contacts_, 1);
    layout->addLayout(buttons);

    connect(group_, &QComboBox::currentIndexChanged, this, [this] { fill_contact_list(); });
    connect(notify_group_, &QPushButton::clicked, this, [this] { OnNotifyGroup(); });
    connect(notify_one_, &QPushButton::clicked, this, [this] { OnNotifyOnePerson(); });
    connect(edit_contact_, &QPushButton::clicked, this, [this] { OnEditContact(); });
    connect(close, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CDlgNotifyAttenders::OnInitDialog()
{
    read_address_book();
    return Cgood_dlg::OnInitDialog();
}

void CDlgNotifyAttenders::read_address_book()
{
    read_group_file();
    read_contact_file();
    fill_group_list();
    fill_contact_list();
}

void CDlgNotifyAttenders::fill_group_list()
{
    const QSignalBlocker quiet(group_);
    group_->clear();
    group_->addItem(tr_ui("All"), all_groups_id);
    for (const GroupChoice& g : group_choices())
        group_->addItem(QString::fromUtf8(g.name), g.id);
    group_->setCurrentIndex(0);
}

void CDlgNotifyAttenders::fill_contact_list()
{
    contacts_->delete_all_items();
    int row = 0;
    for (const ContactRow& c : contact_rows(group_->currentData().toInt())) {
        contacts_->insert_item(row++,
                               { QString::fromUtf8(c.name), QString::fromUtf8(c.email), QString::fromUtf8(c.comment) },
                               -1, c.index);
    }
}

void CDlgNotifyAttenders::OnNotifyGroup()
{
    std::vector<Addressee> people = group_addressees(group_->currentData().toInt());
    if (people.empty()) {
        message_box_printf("There is no one in this group to notify.");
        return;
    }
    notify(people);
}

void CDlgNotifyAttenders::OnNotifyOnePerson()
{
    int row = contacts_->next_selected_item();
    std::vector<Addressee> person;
    if (row >= 0)
        person = contact_addressees(static_cast<int>(contacts_->item_data(row)));
    if (person.empty()) {
        message_box_printf("Please select a person to notify.");
        return;
    }
    notify(person);
}

void CDlgNotifyAttenders::notify(const std::vector<Addressee>& addressees)
{
    CDlgNotifySetting settings(this);
    if (settings.exec() != IDOK)
        return;
    const NotifySettings& s = settings.settings();
    if (!start_invitation_mails(s, addressees, notify_join_link(s.server)))
        dbg_log("CDlgNotifyAttenders::notify: the mail thread did not start.\n");
}

void CDlgNotifyAttenders::OnEditContact()
{
    if (!make_contact_page_)
        return;
    CMyPropertySheet sheet(tr_ui("Options..."), this);
    CMyPropertyPage* page = make_contact_page_(&sheet);
    if (!page)
        return;
    sheet.AddPage(page);
    sheet.DoModal();
    read_address_book();
}
