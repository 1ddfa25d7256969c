#pragma once
// "Edit Group" (template 171): the contact groups, added, renamed and
// deleted here; each change is written to the group file at once, so Close
// only closes.

#include "skin/ui/good_dlg.h"

#include <optional>

class CMyButton;
class CMyListCtrl;

class CDlgGroups : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgGroups(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnAdd();
    void OnEdit();
    void OnDelete();

    CMyListCtrl* list() const { return list_; }
    CMyButton* add_button() const { return add_; }
    CMyButton* edit_button() const { return edit_; }
    CMyButton* delete_button() const { return delete_; }
    CMyButton* close_button() const { return close_; }

private:
    // Every group in use, in table order; the group with select_id chosen.
    void fill_list(int select_id);
    // The chosen row's group id.
    std::optional<int> selected_id() const;

    CMyListCtrl* list_ = nullptr;
    CMyButton* add_ = nullptr;
    CMyButton* edit_ = nullptr;
    CMyButton* delete_ = nullptr;
    CMyButton* close_ = nullptr;
};
