#pragma once
// "Notify attenders" (template 177): the address book's groups and contacts,
// from which one person or a whole group is invited by mail. The settings
// dialog asks what the invitation says; the mails are handed to the user's
// mail program on a thread of their own, which tells the outcome.

#include "dialogs/invitation_mail.h"
#include "skin/ui/good_dlg.h"

#include <functional>

class CMyButton;
class CMyComboBox;
class CMyListCtrl;
class CMyPropertyPage;

// The Contact page of the options sheet; empty while the program has none.
using ContactPageFactory = std::function<CMyPropertyPage*(QWidget* sheet)>;

class CDlgNotifyAttenders : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgNotifyAttenders(ContactPageFactory make_contact_page = {}, QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnNotifyGroup();
    void OnNotifyOnePerson();
    // A sheet "Options..." with only the Contact page; then both lists anew.
    void OnEditContact();

    CMyComboBox* group_combo() const { return group_; }
    CMyListCtrl* contact_list() const { return contacts_; }
    CMyButton* notify_group_button() const { return notify_group_; }
    CMyButton* notify_one_button() const { return notify_one_; }
    CMyButton* edit_contact_button() const { return edit_contact_; }

private:
    void read_address_book();
    void fill_group_list();
    void fill_contact_list();
    // Asks for the settings, then hands the mails over.
    void notify(const std::vector<Addressee>& addressees);

    ContactPageFactory make_contact_page_;
    CMyComboBox* group_ = nullptr;
    CMyListCtrl* contacts_ = nullptr;
    CMyButton* notify_group_ = nullptr;
    CMyButton* notify_one_ = nullptr;
    CMyButton* edit_contact_ = nullptr;
};
