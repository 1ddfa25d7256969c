#include "dialogs/ui/options_sheet.h"

#include "dialogs/ui/prop_contact.h"
#include "dialogs/ui/prop_proxy.h"
#include "dialogs/ui/prop_skin.h"
#include "dialogs/ui/prop_video.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_property_sheet.h"

CMyPropertySheet* make_options_sheet(QWidget* parent, const OptionsSheetHooks& hooks)
{
    auto* sheet = new CMyPropertySheet(tr_ui("Options..."), parent);
    sheet->AddPage(new CPropContact(sheet));
    sheet->AddPage(new CPropProxy(sheet));
    sheet->AddPage(new CPropVideo(sheet, hooks.video_changed));
    sheet->AddPage(new CPropSkin(sheet, hooks.skin_changed, hooks.repaint_frame));
    return sheet;
}
