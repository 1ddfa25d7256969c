#pragma once
// The meeting room's password (dialog 148): old, new, retyped.

#include "shell/ui/change_passwd_dlg.h"

class CDlgChangeMeetingRoomPasswd : public CDlgChangePasswd {
    Q_OBJECT
public:
    explicit CDlgChangeMeetingRoomPasswd(QWidget* parent = nullptr);
};
