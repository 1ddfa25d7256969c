#pragma once
// "Set Print Scale": how many printer pixels one board pixel becomes, 1-50.

#include "skin/ui/good_dlg.h"

class CMyEdit_no_scroll;
class QToolButton;

class CDlgPrintScale : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgPrintScale(QWidget* parent = nullptr);
    CMyEdit_no_scroll* edit() const { return edit_; }
    // The spin's arrows (control 1056): +1 up, -1 down.
    void OnDeltaposSpin(int delta);
    QToolButton* spin_up() const { return up_; }
    QToolButton* spin_down() const { return down_; }

    bool OnInitDialog() override;
    void OnOK() override;

private:
    CMyEdit_no_scroll* edit_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
};
