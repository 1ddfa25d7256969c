#pragma once
// "Contact" (page 107), the first page of the Options sheet: the address
// book, one group or all of it at a time. Every change is written to the
// contact file when it is made, so the sheet's OK, Apply and Cancel have
// nothing left to store here.

#include "skin/ui/my_property_page.h"

#include <optional>

class CMyButton;
class CMyComboBox;
class CMyListCtrl;

class CPropContact : public CMyPropertyPage {
    Q_OBJECT
public:
    explicit CPropContact(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnEditGroup();

    CMyComboBox* group_combo() const { return group_; }
    CMyListCtrl* contact_list() const { return list_; }
    CMyButton* add_button() const { return add_; }
    CMyButton* delete_button() const { return delete_; }
    CMyButton* edit_button() const { return edit_; }
    CMyButton* edit_group_button() const { return edit_group_; }

private:
    // "All", then every group; the entry whose value is select_id chosen
    // ("All" when it is gone).
    void fill_group_list(int select_id);
    // The contacts of the chosen group, or everyone under "All".
    void fill_contact_list();
    int chosen_group() const;
    // The table index of the chosen row.
    std::optional<int> selected_contact() const;

    CMyComboBox* group_ = nullptr;
    CMyListCtrl* list_ = nullptr;
    CMyButton* add_ = nullptr;
    CMyButton* delete_ = nullptr;
    CMyButton* edit_ = nullptr;
    CMyButton* edit_group_ = nullptr;
};
