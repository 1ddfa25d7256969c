#pragma once
// "Set Print Scale": how many printer pixels one board pixel becomes, 1-50.

#include "skin/ui/good_dlg.h"

class CMyEdit_no_scroll;
class CMySpinButtonCtrl;

class CDlgPrintScale : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgPrintScale(QWidget* parent = nullptr);
    CMyEdit_no_scroll* edit() const { return edit_; }
    // The spin's arrows (control 1056): +1 up, -1 down.
    void OnDeltaposSpin(int delta);
    CMySpinButtonCtrl* spin() const { return spin_; }

    bool OnInitDialog() override;
    void OnOK() override;

private:
    CMyEdit_no_scroll* edit_ = nullptr;
    CMySpinButtonCtrl* spin_ = nullptr;
    int spin_shown_ = 5;  // the spin's position, kept at the edit's value
};
