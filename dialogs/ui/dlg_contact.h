#pragma once
// "Add Contact" (template 175) and "Edit Contact" (176): e-mail, first and
// last name, comment and the contact's group. OK refuses what the contact
// file cannot hold and keeps the dialog open; otherwise the fields are read
// and the dialog closes. Nothing is stored here: the contact page does that.

#include "dialogs/contacts.h"
#include "skin/ui/good_dlg.h"

class CMyComboBox;
class CMyEdit_no_scroll;

class CDlgContact : public Cgood_dlg {
    Q_OBJECT
public:
    static constexpr int add_template = 175;
    static constexpr int edit_template = 176;

    // Add: empty fields, the first group chosen.
    explicit CDlgContact(QWidget* parent = nullptr);
    // Edit: the contact's fields, its group chosen (none when the list lacks it).
    CDlgContact(const ContactFields& contact, QWidget* parent);

    void OnOK() override;
    // What OK read (the group -1 when none is chosen).
    const ContactFields& fields() const { return fields_; }

    CMyEdit_no_scroll* email_edit() const { return email_; }
    CMyEdit_no_scroll* first_name_edit() const { return first_name_; }
    CMyEdit_no_scroll* last_name_edit() const { return last_name_; }
    CMyEdit_no_scroll* comment_edit() const { return comment_; }
    CMyComboBox* group_combo() const { return group_; }

private:
    CDlgContact(int template_id, const char* caption, QWidget* parent);

    ContactFields fields_;
    CMyEdit_no_scroll* email_ = nullptr;
    CMyEdit_no_scroll* first_name_ = nullptr;
    CMyEdit_no_scroll* last_name_ = nullptr;
    CMyEdit_no_scroll* comment_ = nullptr;
    CMyComboBox* group_ = nullptr;
};
