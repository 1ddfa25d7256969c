#pragma once
// "Add Group" (template 172) and "Edit Group" (173): one group's name. OK
// refuses a line break (it would start another record in the group file)
// and keeps the dialog open; otherwise it reads the name and closes.

#include "skin/ui/good_dlg.h"

#include <string>

class CMyEdit_no_scroll;

class CDlgGroupName : public Cgood_dlg {
    Q_OBJECT
public:
    static constexpr int add_template = 172;
    static constexpr int edit_template = 173;

    // Add: "Please enter group name:", an empty edit.
    explicit CDlgGroupName(QWidget* parent = nullptr);
    // Edit: "Please change group name here:", the edit holding the name.
    CDlgGroupName(const std::string& name, QWidget* parent);

    void OnOK() override;
    // What OK read, cut to the dialog's 49 bytes.
    const std::string& name() const { return name_; }

    CMyEdit_no_scroll* name_edit() const { return edit_; }

private:
    CDlgGroupName(int template_id, const char* caption, const char* prompt, QWidget* parent);

    std::string name_;
    CMyEdit_no_scroll* edit_ = nullptr;
};
