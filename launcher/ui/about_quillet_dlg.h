#pragma once

#include "skin/ui/good_dlg.h"

// "About quillet Control": what the launcher is, its version and OK.
class CAboutQuilletDlg : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CAboutQuilletDlg(QWidget* parent = nullptr);
};
