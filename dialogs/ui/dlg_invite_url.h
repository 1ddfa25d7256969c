#pragma once
// "Generate Invite URL" (template 266): the meeting's server, port, auth
// code, room and room password, made into the web host's join link, which is
// shown and copied to the clipboard for the user to pass on.

#include "skin/ui/good_dlg.h"

class CMyButton;
class CMyComboBox;
class CMyEdit;
class CMyEdit_no_scroll;

class CDlgInviteURL : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgInviteURL(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    // Generate URL and copy to clipboard.
    void OnGenerate();

    CMyComboBox* server_combo() const { return server_; }
    CMyComboBox* port_combo() const { return port_; }
    CMyEdit_no_scroll* code_edit() const { return code_; }
    CMyComboBox* room_combo() const { return room_; }
    CMyEdit_no_scroll* password_edit() const { return password_; }
    CMyEdit* link_edit() const { return link_; }
    CMyButton* generate_button() const { return generate_; }

private:
    CMyComboBox* server_ = nullptr;
    CMyComboBox* port_ = nullptr;
    CMyEdit_no_scroll* code_ = nullptr;
    CMyComboBox* room_ = nullptr;
    CMyEdit_no_scroll* password_ = nullptr;
    CMyEdit* link_ = nullptr;
    CMyButton* generate_ = nullptr;
};
