#include "dialogs/ui/dlg_net_speed.h"

#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_progress_ctrl.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <algorithm>
#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgNetSpeed::CDlgNetSpeed(QWidget* parent) : Cgood_dlg(252, parent)
{
    setWindowTitle(tr_ui("Network Speed Test"));
    auto* sending_text = new CMyStatic(-1, tr_ui("Sending:"), this);
    auto* receiving_text = new CMyStatic(-1, tr_ui("Receiving:"), this);
    sending_ = new CMyProgressCtrl(1154, this);
    receiving_ = new CMyProgressCtrl(1156, this);
    for (CMyProgressCtrl* bar : { sending_, receiving_ }) {
        bar->SetRange(0, net_speed_message_count);
        bar->setMinimumWidth(260);
    }
    result_ = new CMyStatic(1155, tr_ui("Result:"), this);
    // Room for the result's two lines with the widest figures, in the
    // language shown.
    const QFontMetrics fm = result_->fontMetrics();
    int widest = 0;
    for (const QString& line : QString::fromStdString(net_speed_result_text(10, 10, 99999)).split('\n'))
        widest = std::max(widest, fm.horizontalAdvance(line));
    result_->setMinimumSize(widest + 8, fm.lineSpacing() * 3);
    result_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    test_ = new CMyButton(1153, tr_ui("Test Speed"), this);
    auto* close = new CMyButton(2, tr_ui("Close"), this);
    test_->setDefault(true);
    connect(test_, &QPushButton::clicked, this, [this] { OnTestSpeed(); });
    connect(close, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* bars = new QGridLayout;
    bars->setHorizontalSpacing(10);
    bars->addWidget(sending_text, 0, 0);
    bars->addWidget(sending_, 0, 1);
    bars->addWidget(receiving_text, 1, 0);
    bars->addWidget(receiving_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(test_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addLayout(bars);
    layout->addWidget(result_);
    layout->addLayout(buttons);
}

intptr_t CDlgNetSpeed::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    switch (msg) {
    case WM_MY_MSG_NET_SPEED_673: OnMyMsgNetSpeed673(); break;
    case WM_MY_MSG_NET_SPEED_674: OnMyMsgNetSpeed674(); break;
    case WM_MY_MSG_NET_SPEED_RESULT: OnMyMsgNetSpeedResult(); break;
    default: break;
    }
    return 0;
}

void CDlgNetSpeed::OnTestSpeed()
{
    // Once per opening: answers still on their way would mix with a second run.
    test_->setEnabled(false);
    sending_->SetPos(0);
    receiving_->SetPos(0);
    state_.start();
}

void CDlgNetSpeed::OnMyMsgNetSpeed673() { state_.on_first_answer(); }

void CDlgNetSpeed::OnMyMsgNetSpeed674()
{
    int answers = state_.on_answer();
    sending_->SetPos(answers);
    receiving_->SetPos(answers);
}

void CDlgNetSpeed::OnMyMsgNetSpeedResult()
{
    std::string text = state_.on_result();
    sending_->SetPos(state_.answers());
    receiving_->SetPos(state_.answers());
    result_->setText(QString::fromStdString(text));
    update();
}
