#pragma once
// "Tell Friend" (template 251): a message to a friend about Tamblo, posted
// to the web host by "Submit" once every field is filled. The dialog closes
// only when the web host took it; on any failure the fields stay.

#include "skin/ui/good_dlg.h"

class CMyEdit;
class CMyEdit_no_scroll;

class CDlgTellFriend : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgTellFriend(QWidget* parent = nullptr);

    void OnOK() override;

    CMyEdit_no_scroll* friend_name_edit() const { return friend_name_; }
    CMyEdit_no_scroll* friend_email_edit() const { return friend_email_; }
    CMyEdit_no_scroll* name_edit() const { return name_; }
    CMyEdit_no_scroll* email_edit() const { return email_; }
    CMyEdit_no_scroll* subject_edit() const { return subject_; }
    CMyEdit* content_edit() const { return content_; }

private:
    CMyEdit_no_scroll* friend_name_ = nullptr;
    CMyEdit_no_scroll* friend_email_ = nullptr;
    CMyEdit_no_scroll* name_ = nullptr;
    CMyEdit_no_scroll* email_ = nullptr;
    CMyEdit_no_scroll* subject_ = nullptr;
    CMyEdit* content_ = nullptr;
};
