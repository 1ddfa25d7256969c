#pragma once

#include "skin/ui/good_dlg.h"

// "About Tamblo": the icon, the version line and OK.
class CAboutDlg : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
