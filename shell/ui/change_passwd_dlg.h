#pragma once
// What the two change-password dialogs share: the old password, the new one
// typed twice, and one check on OK.

#include "skin/ui/good_dlg.h"

#include <string>

class CMyEdit_no_scroll;

class CDlgChangePasswd : public Cgood_dlg {
    Q_OBJECT
public:
    CDlgChangePasswd(int template_id, const QString& caption, QWidget* parent);

    void OnOK() override;

    std::string old_password() const;
    std::string new_password() const;

    CMyEdit_no_scroll* old_edit() const { return old_edit_; }
    CMyEdit_no_scroll* new_edit() const { return new_edit_; }
    CMyEdit_no_scroll* retyped_edit() const { return retyped_edit_; }

private:
    CMyEdit_no_scroll* old_edit_ = nullptr;
    CMyEdit_no_scroll* new_edit_ = nullptr;
    CMyEdit_no_scroll* retyped_edit_ = nullptr;
};
