#pragma once
// "Login" (dialog 150): the login name and the access code, each of which
// may be remembered on this machine.

#include "skin/ui/good_dlg.h"

#include <string>

class CMyCheckBox;
class CMyEdit_no_scroll;

class CDlgUserLogin : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgUserLogin(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    std::string login_name() const;
    std::string auth_code() const;

    CMyEdit_no_scroll* name_edit() const { return name_edit_; }
    CMyEdit_no_scroll* code_edit() const { return code_edit_; }
    CMyCheckBox* remember_name_check() const { return remember_name_; }
    CMyCheckBox* remember_code_check() const { return remember_code_; }

private:
    CMyEdit_no_scroll* name_edit_ = nullptr;
    CMyEdit_no_scroll* code_edit_ = nullptr;
    CMyCheckBox* remember_name_ = nullptr;
    CMyCheckBox* remember_code_ = nullptr;
};
