#pragma once
// "Choose Save Format" (dialog 257): "Save As RTF File" and "Save As Text
// File" close it with OK and the choice (1 or 2); "Cancel" with 0.

#include "skin/ui/good_dlg.h"

class CDlgChooseSaveFormat : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgChooseSaveFormat(QWidget* parent = nullptr);
    int choice() const { return choice_; }
    void choose(int choice);

private:
    int choice_ = 0;
};
