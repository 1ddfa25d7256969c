#pragma once
// "Change Meeting Room Chairman Passwd" (dialog 269): old, new, retyped.

#include "shell/ui/change_passwd_dlg.h"

class CDlgChangeMeetingRoomChairmanPasswd : public CDlgChangePasswd {
    Q_OBJECT
public:
    explicit CDlgChangeMeetingRoomChairmanPasswd(QWidget* parent = nullptr);
};
