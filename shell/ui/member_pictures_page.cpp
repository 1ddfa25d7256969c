#include "shell/ui/member_pictures_page.h"

CLeftFormChild4::CLeftFormChild4(QWidget* parent) : Cgood_dlg_no_upper(168, parent)
{
    setWindowFlags(Qt::Widget);
}
