#include "shell/ui/change_room_password_dlg.h"

#include "platform/ui/translations.h"

CDlgChangeMeetingRoomPasswd::CDlgChangeMeetingRoomPasswd(QWidget* parent)
    : CDlgChangePasswd(148, tr_ui("Change Meeting Room Passwd"), parent)
{
}
