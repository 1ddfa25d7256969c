#include "shell/ui/files_page.h"

CLeftFormFiles::CLeftFormFiles(QWidget* parent) : Cgood_dlg_no_upper(151, parent)
{
    setWindowFlags(Qt::Widget);
}
