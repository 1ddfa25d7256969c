#pragma once
// The upload's progress (dialog 152 "Uploading Progress"): a bar and
// "Finished:%5.2f%% (%d/%d)" from the upload counters every 300 ms. It ends
// when the upload thread does: OK when the file went whole, Cancel
// otherwise. Cancel stops the upload.

#include "skin/ui/good_dlg.h"

#include <QBasicTimer>

class CMyButton;
class CMyStatic;
class QProgressBar;

// The progress text of both dialogs; a total of 0 is 100%.
QString transfer_progress_text(long long done, long long total);
// The bar's range and position for a count (a range beyond an int is scaled).
void set_transfer_progress(QProgressBar* bar, long long done, long long total);

// The controls both progress dialogs are made of, laid out: the bar and the
// text (in that order, or the text first), OK and Cancel at the right,
// wired to the dialog's OnOK and OnCancel.
struct ProgressControls {
    QProgressBar* bar = nullptr;
    CMyStatic* text = nullptr;
    CMyButton* ok = nullptr;
    CMyButton* cancel = nullptr;
};
ProgressControls make_progress_controls(Cgood_dlg* dlg, int bar_id, int text_id, bool text_first);

class CDlgUploadProgress : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgUploadProgress(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // One tick of the timer.
    void OnTimer();

    int end_when_done = 1;
    QProgressBar* progress() const { return bar_; }
    CMyStatic* text() const { return text_; }
    CMyButton* ok_button() const { return ok_; }
    CMyButton* cancel_button() const { return cancel_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void finish(int result);

    QProgressBar* bar_ = nullptr;
    CMyStatic* text_ = nullptr;
    CMyButton* ok_ = nullptr;
    CMyButton* cancel_ = nullptr;
    QBasicTimer timer_;
};
