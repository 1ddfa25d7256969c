#include "launcher/ui/package_offer.h"

#include "core/message_box.h"
#include "dialogs/internet_update.h"
#include "dialogs/ui/dlg_internet_update.h"

int download_and_install_tamblo()
{
    CDlgInternetUpdate dialog(213, 203);
    if (dialog.exec() != IDOK)
        return 0;
    // quillet ends after this: the installer is handed over before it does.
    return open_update_package_now(update_final_path(update_target()));
}
