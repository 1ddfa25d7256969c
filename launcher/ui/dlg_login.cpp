#include "launcher/ui/dlg_login.h"

#include "launcher/start_program.h"
#include "launcher/ui/quillet_band.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgLogin::CDlgLogin(CquilletCtrl& ctrl, QWidget* parent) : Cgood_dlg(201, parent), ctrl_(ctrl)
{
    setObjectName("dlg_201");
    setWindowTitle(tr_ui("Information Required"));
    band_ = new CquilletBand(ctrl_, this);
    auto* label = new CMyStatic(202, tr_ui("Please enter the name you want to show in the conference:"), this);
    label->setWordWrap(true);
    name_edit_ = new CMyEdit_no_scroll(201, this);
    QHBoxLayout* buttons = ok_cancel_row();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(band_);
    layout->addSpacing(6);
    layout->addWidget(label);
    layout->addWidget(name_edit_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

bool CDlgLogin::OnInitDialog()
{
    name_edit_->setText(QString::fromStdString(ctrl_.user_name()));
    name_edit_->selectAll();
    name_edit_->setFocus();
    return Cgood_dlg::OnInitDialog();
}

void CDlgLogin::OnOK()
{
    if (!take_launcher_name(name_edit_->text().toStdString(), ctrl_)) {
        name_edit_->setFocus();
        return;
    }
    Cgood_dlg::OnOK();
}
