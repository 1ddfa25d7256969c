#include "sharing/ui/share_commands.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/translations.h"
#include "sharing/office_share.h"
#include "sharing/share_sharer.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/choose_app_dlg.h"

#include <QWidget>

void OnShareApplication(QWidget* frame, std::function<void()> show_share_view)
{
    if (g_sharing_app) {
        share_sharer().stop_app_share();
        return;
    }
    CDlgChooseApp dlg(frame);
    dlg.set_on_share_started(std::move(show_share_view));
    dlg.exec();
}

void OnShareDesktop()
{
    if (g_sharing_desktop) {
        share_sharer().stop_desktop_share();
        return;
    }
    int answer = message_box_yes_no_cancel_id(33945);
    if (answer == IDYES)
        send_share_desk_allow_control();
    else if (answer == IDNO)
        send_share_desk_deny_control();
    else
        return;
    send_share_desk_start();
}

int OnShareOffice(QWidget* frame, OfficeKind kind)
{
    OfficeFileChooser choose = [frame](const char* filter) {
        return choose_open_file(frame, tr_ui(filter)).toStdString();
    };
    return office_share(kind).do_share(choose);
}

void start_approved_desktop_share(QWidget* frame)
{
    if (frame)
        frame->showMinimized();
    share_sharer().desktop_share_approved();
}
