#include "shell/ui/change_chairman_password_dlg.h"

#include "platform/ui/translations.h"

CDlgChangeMeetingRoomChairmanPasswd::CDlgChangeMeetingRoomChairmanPasswd(QWidget* parent)
    : CDlgChangePasswd(269, tr_ui("Change Meeting Room Chairman Passwd"), parent)
{
}
