#include "sharing/ui/dlg_upload_progress.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "sharing/file_share.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <climits>

namespace {
constexpr int progress_tick_ms = 300;
}

QString transfer_progress_text(long long done, long long total)
{
    const double percent = total > 0 ? static_cast<double>(done) / static_cast<double>(total) * 100.0 : 100.0;
    return QString::asprintf(tr_ui("Finished:%5.2f%% (%d/%d)").toUtf8().constData(), percent, static_cast<int>(done),
                             static_cast<int>(total));
}

void set_transfer_progress(QProgressBar* bar, long long done, long long total)
{
    if (total <= 0) {
        bar->setRange(0, 1);
        bar->setValue(1);
        return;
    }
    if (total <= INT_MAX) {
        bar->setRange(0, static_cast<int>(total));
        bar->setValue(static_cast<int>(std::min(done, total)));
        return;
    }
    bar->setRange(0, 10000);
    bar->setValue(static_cast<int>(std::min(done, total) * 10000 / total));
}

CDlgUploadProgress::CDlgUploadProgress(QWidget* parent) : Cgood_dlg(152, parent)
{
    setWindowTitle(tr_ui("Uploading Progress"));
    bar_ = new QProgressBar(this);
    set_control_id(bar_, 1032);
    bar_->setTextVisible(false);
    text_ = new CMyStatic(1033, tr_ui("Finished: 0%"), this);
    ok_ = new CMyButton(IDOK, tr_ui("OK"), this);
    cancel_ = new CMyButton(IDCANCEL, tr_ui("Cancel"), this);
    connect(ok_, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(bar_);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

bool CDlgUploadProgress::OnInitDialog()
{
    Cgood_dlg::OnInitDialog();
    ok_->setEnabled(false);
    set_transfer_progress(bar_, 0, g_file_transfer.upload_total);
    timer_.start(progress_tick_ms, this);
    return true;
}

void CDlgUploadProgress::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timer_.timerId())
        OnTimer();
    else
        Cgood_dlg::timerEvent(event);
}

void CDlgUploadProgress::OnTimer()
{
    try {
        const long long total = g_file_transfer.upload_total;
        const long long sent = g_file_transfer.upload_sent;
        text_->setText(transfer_progress_text(sent, total));
        set_transfer_progress(bar_, sent, total);
        text_->repaint();
        // The thread's end, not the count, ends the dialog: a file that
        // shrank while it was read never reaches its measured size.
        if (g_file_transfer.upload_running == 0 && end_when_done == 1) {
            if (g_file_transfer.upload_result == 0) {
                ok_->setEnabled(true);
                cancel_->setEnabled(false);
                timer_.stop();
                QApplication::beep();
                finish(IDOK);
            } else {
                finish(IDCANCEL);
            }
        }
    } catch (...) {
        dbg_log("exception in CDlgUploadProgress::OnTimer.\n");
    }
}

void CDlgUploadProgress::finish(int result)
{
    timer_.stop();
    done(result);
}

void CDlgUploadProgress::OnOK() { finish(IDOK); }

void CDlgUploadProgress::OnCancel()
{
    if (g_file_transfer.upload_running == 1)
        upload_cancel_from_dialog();
    finish(IDCANCEL);
}
