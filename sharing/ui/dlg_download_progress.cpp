#include "sharing/ui/dlg_download_progress.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/translations.h"
#include "sharing/file_share.h"
#include "sharing/ui/dlg_upload_progress.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"

#include <QApplication>
#include <QProgressBar>
#include <QTimerEvent>

namespace {
constexpr int progress_tick_ms = 300;
}

CDlgDownloadProgress::CDlgDownloadProgress(QWidget* parent) : Cgood_dlg(153, parent)
{
    setWindowTitle(tr_ui("Downloading Progress"));
    ProgressControls c = make_progress_controls(this, 1036, 1035, true);
    bar_ = c.bar;
    text_ = c.text;
    ok_ = c.ok;
    cancel_ = c.cancel;
}

bool CDlgDownloadProgress::OnInitDialog()
{
    Cgood_dlg::OnInitDialog();
    ok_->setEnabled(false);
    timer_.start(progress_tick_ms, this);
    return true;
}

void CDlgDownloadProgress::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timer_.timerId())
        OnTimer();
    else
        Cgood_dlg::timerEvent(event);
}

void CDlgDownloadProgress::OnTimer()
{
    try {
        download_check_connection();
        const long long total = g_file_transfer.download_total;
        const long long done = g_file_transfer.download_done;
        switch (download_state()) {
        case DownloadState::idle:
        case DownloadState::announced: return;
        case DownloadState::failed:
            // The file could not be written: the download stops itself.
            g_file_transfer.download_failed = 0;
            OnCancel();
            return;
        case DownloadState::cancelled: finish(IDCANCEL); return;
        case DownloadState::running:
            set_transfer_progress(bar_, done, total);
            text_->setText(transfer_progress_text(done, total));
            text_->repaint();
            return;
        case DownloadState::done:
            set_transfer_progress(bar_, done, total);
            text_->setText(transfer_progress_text(done, total));
            if (end_when_done == 1) {
                ok_->setEnabled(true);
                cancel_->setEnabled(false);
                timer_.stop();
                QApplication::beep();
                finish(IDOK);
            }
            return;
        case DownloadState::missing:
        case DownloadState::incomplete:
        case DownloadState::lost: {
            timer_.stop();
            outcome_ = QString::fromStdString(download_outcome_text());
            text_->setText(outcome_);
            message_box_printf("%s", outcome_.toStdString().c_str());
            finish(IDCANCEL);
            return;
        }
        }
    } catch (...) {
        dbg_log("exception in CDlgDownloadProgress::OnTimer.\n");
    }
}

void CDlgDownloadProgress::finish(int result)
{
    timer_.stop();
    done(result);
}

void CDlgDownloadProgress::OnOK() { finish(IDOK); }

void CDlgDownloadProgress::OnCancel()
{
    DownloadState s = download_state();
    if (s == DownloadState::announced || s == DownloadState::running || s == DownloadState::failed) {
        download_cancel_from_dialog();
        if (s != DownloadState::failed) {
            outcome_ = QString::asprintf(tr_ui("Download of %s was cancelled.").toUtf8().constData(),
                                         g_file_transfer.download_remote_name.get().c_str());
            text_->setText(outcome_);
        }
    }
    finish(IDCANCEL);
}
