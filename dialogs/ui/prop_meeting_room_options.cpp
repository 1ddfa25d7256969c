#include "dialogs/ui/prop_meeting_room_options.h"

#include "core/global_state.h"
#include "core/messages.h"
#include "core/wire_builders.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_check_box.h"

#include <QVBoxLayout>

CPropMeetingRoomOptions::CPropMeetingRoomOptions(QWidget* parent)
    : CMyPropertyPage(268, tr_ui("Meeting Room Options"), parent)
{
    full_screen_ = new CMyCheckBox(1186, tr_ui("Enter full screen mode when enter"), this);
    connect(full_screen_, &QCheckBox::toggled, this, [this] { SetModified(true); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(full_screen_);
    layout->addStretch(1);
}

bool CPropMeetingRoomOptions::OnInitDialog()
{
    full_screen_->setChecked(g_enter_full_screen == 1);
    SetModified(false);
    return true;
}

void CPropMeetingRoomOptions::OnOK() { send_cmd_to_user(MSG_ROOM_OPTION_781, full_screen_->isChecked() ? 1 : 0); }
