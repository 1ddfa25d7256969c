#pragma once
// "Customer Feed Back" (template 243): the user's name, e-mail and comment,
// posted to the web host by "Submit". The dialog closes only when the web
// host took the form; on any failure the fields stay for another try.

#include "skin/ui/good_dlg.h"

class CMyEdit;
class CMyEdit_no_scroll;
class QGridLayout;

inline constexpr int feedback_comment_limit = 10229;
inline constexpr int feedback_field_limit = 127;

// Lays out a form: its fields, the label and edit of its long text, and
// "Submit" and "Cancel" wired to the dialog's OnOK and OnCancel.
void lay_out_web_form(Cgood_dlg* dlg, QGridLayout* fields, const char* text_label, CMyEdit* text);

class CDlgCustomerFeedBack : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgCustomerFeedBack(QWidget* parent = nullptr);

    void OnOK() override;

    CMyEdit_no_scroll* name_edit() const { return name_; }
    CMyEdit_no_scroll* email_edit() const { return email_; }
    CMyEdit* comment_edit() const { return comment_; }

private:
    CMyEdit_no_scroll* name_ = nullptr;
    CMyEdit_no_scroll* email_ = nullptr;
    CMyEdit* comment_ = nullptr;
};
