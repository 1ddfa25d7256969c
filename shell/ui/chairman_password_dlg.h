#pragma once
// "Please enter Chairman password": one password for the chairman request.

#include "skin/ui/good_dlg.h"

class CMyEdit_no_scroll;

inline constexpr int chairman_password_limit = 16;

class CDlgMeetingRoomChairmanPasswd : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgMeetingRoomChairmanPasswd(QWidget* parent = nullptr);
    // The password typed, at most 16 characters.
    std::string password() const;
    CMyEdit_no_scroll* edit() const { return edit_; }

private:
    CMyEdit_no_scroll* edit_ = nullptr;
};
