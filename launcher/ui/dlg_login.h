#pragma once
// "Information Required" (dialog 201): the name to show in the meeting,
// under the link's caption band.

#include "launcher/quillet_ctrl.h"
#include "skin/ui/good_dlg.h"

class CMyEdit_no_scroll;
class CquilletBand;

class CDlgLogin : public Cgood_dlg {
    Q_OBJECT
public:
    // OK puts the name into ctrl.
    explicit CDlgLogin(CquilletCtrl& ctrl, QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    CMyEdit_no_scroll* name_edit() const { return name_edit_; }
    CquilletBand* band() const { return band_; }

private:
    CquilletCtrl& ctrl_;
    CMyEdit_no_scroll* name_edit_ = nullptr;
    CquilletBand* band_ = nullptr;
};
