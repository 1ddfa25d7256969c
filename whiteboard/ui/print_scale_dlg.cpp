#include "whiteboard/ui/print_scale_dlg.h"

#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_spin_button_ctrl.h"
#include "whiteboard/board_tool_values.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgPrintScale::CDlgPrintScale(QWidget* parent) : Cgood_dlg(159, parent)
{
    setWindowTitle(tr_ui("Set Print Scale"));
    edit_ = new CMyEdit_no_scroll(1002, this);
    edit_->setMaxLength(static_cast<int>(tool_value_chars));
    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));

    // The spin has no buddy: its arrows step the number the edit shows.
    spin_ = new CMySpinButtonCtrl(1056, Qt::Vertical, this);
    spin_->set_range(print_scale_min, print_scale_max);
    spin_->setFixedHeight(edit_->sizeHint().height());
    connect(spin_, &CMySpinButtonCtrl::position_changed, this, [this](int position) {
        OnDeltaposSpin(position - spin_shown_);
    });

    auto* ok = new CMyButton(IDOK, tr_ui("OK"), this);
    auto* cancel = new CMyButton(IDCANCEL, tr_ui("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(edit_, 1);
    row->addWidget(spin_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

bool CDlgPrintScale::OnInitDialog()
{
    Cgood_dlg::OnInitDialog();
    edit_->setText(QString::number(g_print_scale));
    spin_shown_ = g_print_scale;
    spin_->set_pos(g_print_scale);
    edit_->selectAll();
    edit_->setFocus();
    return true;
}

void CDlgPrintScale::OnDeltaposSpin(int delta)
{
    // Steps from what the edit shows, so that each press counts, and the
    // spin follows it.
    const int value = board_print_scale_step(edit_->text().toStdString(), delta);
    edit_->setText(QString::number(value));
    spin_shown_ = value;
    spin_->set_pos(value);
}

void CDlgPrintScale::OnOK()
{
    ToolValueCheck check = board_check_print_scale(edit_->text().toStdString());
    if (!check.accepted) {
        edit_->setText(QString::fromStdString(check.edit_text));
        message_box_id(check.refusal_string_id);
        return;
    }
    g_print_scale = check.value;
    Cgood_dlg::OnOK();
}
