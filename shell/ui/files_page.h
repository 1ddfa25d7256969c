#pragma once
// The files page (dialog 151), second page of the left panel. The files in
// share fill it; until then it is the skin's empty page.

#include "skin/ui/good_dlg_no_upper.h"

class CLeftFormFiles : public Cgood_dlg_no_upper {
    Q_OBJECT
public:
    explicit CLeftFormFiles(QWidget* parent = nullptr);
};
