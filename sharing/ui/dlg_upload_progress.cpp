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

ProgressControls make_progress_controls(Cgood_dlg* dlg, int bar_id, int text_id, bool text_first)
{
    ProgressControls c;
    c.bar = new QProgressBar(dlg);
    set_control_id(c.bar, bar_id);
    c.bar->setTextVisible(false);
    c.bar->setRange(0, 1);
    c.bar->setValue(0);
    c.text = new CMyStatic(text_id, tr_ui("Finished: 0%"), dlg);
    c.text->setWordWrap(true);
    c.ok = new CMyButton(IDOK, tr_ui("OK"), dlg);
    c.cancel = new CMyButton(IDCANCEL, tr_ui("Cancel"), dlg);
    QObject::connect(c.ok, &QPushButton::clicked, dlg, [dlg] { dlg->OnOK(); });
    QObject::connect(c.cancel, &QPushButton::clicked, dlg, [dlg] { dlg->OnCancel(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(c.ok);
    buttons->addWidget(c.cancel);
    auto* layout = new QVBoxLayout(dlg);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(text_first ? static_cast<QWidget*>(c.text) : c.bar);
    layout->addWidget(text_first ? static_cast<QWidget*>(c.bar) : c.text);
    layout->addLayout(buttons);
    dlg->setMinimumWidth(320);
    return c;
}

CDlgUploadProgress::CDlgUploadProgress(QWidget* parent) : Cgood_dlg(152, parent)
{
    setWindowTitle(tr_ui("Uploading Progress"));
    ProgressControls c = make_progress_controls(this, 1032, 1033, false);
    bar_ = c.bar;
    text_ = c.text;
    ok_ = c.ok;
    cancel_ = c.cancel;
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
