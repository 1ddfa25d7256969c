#pragma once
// The member-pictures page (dialog 168), third page of the left panel. The
// members' video windows fill it; until then it is the skin's empty page.

#include "skin/ui/good_dlg_no_upper.h"

class CLeftFormChild4 : public Cgood_dlg_no_upper {
    Q_OBJECT
public:
    explicit CLeftFormChild4(QWidget* parent = nullptr);
};
