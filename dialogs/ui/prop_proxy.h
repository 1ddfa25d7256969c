#pragma once
// "Proxy Settings" (page 170): whether and through which proxy the program
// connects. What OK stores is used from the next connection on; Test tries
// the current server through the stored settings, not the page's edits.

#include "skin/ui/my_property_page.h"

class CMyButton;
class CMyCheckBox;
class CMyComboBox;
class CMyEdit_no_scroll;
class CMyIPAddressCtrl;

class CPropProxy : public CMyPropertyPage {
    Q_OBJECT
public:
    explicit CPropProxy(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    // Refuses a port outside 1..65535 with a message; the page stays shown.
    bool OnApply() override;
    void OnOK() override;
    void OnTest();

    CMyCheckBox* use_proxy_check() const { return use_proxy_; }
    CMyIPAddressCtrl* address() const { return address_; }
    CMyEdit_no_scroll* port_edit() const { return port_; }
    CMyComboBox* type_combo() const { return type_; }
    CMyEdit_no_scroll* user_name_edit() const { return user_name_; }
    CMyEdit_no_scroll* password_edit() const { return password_; }
    CMyButton* test_button() const { return test_; }

private:
    CMyCheckBox* use_proxy_ = nullptr;
    CMyIPAddressCtrl* address_ = nullptr;
    CMyEdit_no_scroll* port_ = nullptr;
    CMyComboBox* type_ = nullptr;
    CMyEdit_no_scroll* user_name_ = nullptr;
    CMyEdit_no_scroll* password_ = nullptr;
    CMyButton* test_ = nullptr;
};
