#include "dialogs/ui/dlg_internet_update.h"

#include "core/text_util.h"
#include "core/ui_text.h"
#include "dialogs/internet_update.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_progress_ctrl.h"
#include "skin/ui/my_static.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

CDlgInternetUpdate::CDlgInternetUpdate(int template_id, int start_id, QWidget* parent) : Cgood_dlg(template_id, parent)
{
    setObjectName(QString("dlg_%1").arg(template_id));
    setWindowTitle(tr_ui("Internet Update"));
    label_ = new CMyStatic(template_id == 242 ? 1089 : 202, tr_ui("0% finished"), this);
    bar_ = new CMyProgressCtrl(template_id == 242 ? 1144 : 204, this);
    start_ = new CMyButton(start_id, tr_ui("Start"), this);
    install_ = new CMyButton(1, tr_ui("Install"), this);
    auto* cancel = new CMyButton(2, tr_ui("Cancel"), this);
    install_->setEnabled(false);
    start_->setDefault(true);
    connect(start_, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(install_, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, [this] { OnTimer(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(install_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

CDlgInternetUpdate::~CDlgInternetUpdate()
{
    if (downloading_)
        cancel_update(g_update_progress);
    wait_for_download();
}

void CDlgInternetUpdate::wait_for_download()
{
    // A failure box of the thread waits for this thread to show it.
    while (downloading_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (download_.joinable())
        download_.join();
}

void CDlgInternetUpdate::OnStart()
{
    wait_for_download();
    g_update_progress.cancel = 0;
    g_update_progress.state = UpdateState::downloading;
    start_->setEnabled(false);
    install_->setEnabled(false);
    downloading_ = true;
    download_ = std::thread([this] {
        g_update_thread();
        downloading_ = false;
    });
    timer_->start();
}

void CDlgInternetUpdate::OnCancel()
{
    timer_->stop();
    if (downloading_)
        cancel_update(g_update_progress);
    Cgood_dlg::OnCancel();
}

void CDlgInternetUpdate::OnTimer()
{
    int64_t total = g_update_progress.total;
    int64_t received = g_update_progress.received;
    if (total > 0) {
        label_->setText(QString::fromStdString(format_text(tr_text("Finished:%5.2f%% (%d/%d)").c_str(),
                                                           100.0 * static_cast<double>(received) / static_cast<double>(total),
                                                           static_cast<int>(received), static_cast<int>(total))));
        bar_->SetRange(0, static_cast<int>(total));
        bar_->SetPos(static_cast<int>(received));
    }
    if (downloading_)
        return;
    UpdateState state = g_update_progress.state;
    timer_->stop();
    // Only a package that is whole and checked may be installed; after a
    // failure (already said) the user may start again.
    install_->setEnabled(state == UpdateState::ready);
    start_->setEnabled(state != UpdateState::ready);
    if (state == UpdateState::ready) {
        label_->setText(tr_ui("The package is downloaded and checked."));
        bar_->SetPos(bar_->upper());
    }
}
