#pragma once
// "Notification Settings" (template 229): which server and meeting room the
// invitation names, when the meeting starts and how long it lasts, the
// mail's title and text. OK keeps the dialog open on a date the month lacks
// or when no server can be named.

#include "dialogs/invitation_mail.h"
#include "skin/ui/good_dlg.h"

class CMyComboBox;
class CMyEdit;
class CMyEdit_no_scroll;

class CDlgNotifySetting : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgNotifySetting(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    // What OK read, the server's host and port filled in.
    const NotifySettings& settings() const { return settings_; }

    CMyComboBox* server_combo() const { return server_; }
    CMyEdit_no_scroll* code_edit() const { return code_; }
    CMyComboBox* room_combo() const { return room_; }
    CMyEdit_no_scroll* password_edit() const { return password_; }
    CMyComboBox* year_combo() const { return year_; }
    CMyComboBox* month_combo() const { return month_; }
    CMyComboBox* day_combo() const { return day_; }
    CMyComboBox* hour_combo() const { return hour_; }
    CMyComboBox* minute_combo() const { return minute_; }
    CMyComboBox* duration_hours_combo() const { return duration_hours_; }
    CMyComboBox* duration_minutes_combo() const { return duration_minutes_; }
    CMyEdit_no_scroll* title_edit() const { return title_; }
    CMyEdit* content_edit() const { return content_; }

private:
    CMyComboBox* server_ = nullptr;
    CMyEdit_no_scroll* code_ = nullptr;
    CMyComboBox* room_ = nullptr;
    CMyEdit_no_scroll* password_ = nullptr;
    CMyComboBox* year_ = nullptr;
    CMyComboBox* month_ = nullptr;
    CMyComboBox* day_ = nullptr;
    CMyComboBox* hour_ = nullptr;
    CMyComboBox* minute_ = nullptr;
    CMyComboBox* duration_hours_ = nullptr;
    CMyComboBox* duration_minutes_ = nullptr;
    CMyEdit_no_scroll* title_ = nullptr;
    CMyEdit* content_ = nullptr;
    NotifySettings settings_;
};
