#pragma once
// "Please enter meeting room password" (dialog 149): the password of the
// room being joined; empty when the room has none.

#include "skin/ui/good_dlg.h"

#include <string>

class CMyEdit_no_scroll;

class CDlgMeetingRoomPasswd : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgMeetingRoomPasswd(QWidget* parent = nullptr);
    // At most 16 characters.
    std::string password() const;
    CMyEdit_no_scroll* edit() const { return edit_; }

private:
    CMyEdit_no_scroll* edit_ = nullptr;
};
