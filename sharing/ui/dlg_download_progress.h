#pragma once
// The download's progress (dialog 153 "Downloading Progress"): every 300 ms
// the counters of the download; OK once the file is whole under its name.
// A download that cannot be written cancels itself; one that the server no
// longer has, that ends short or whose connection is lost says so and ends
// with Cancel, leaving no file behind. Cancel stops the download.

#include "skin/ui/good_dlg.h"

#include <QBasicTimer>

class CMyButton;
class CMyStatic;
class QProgressBar;

class CDlgDownloadProgress : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgDownloadProgress(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer();

    int end_when_done = 1;
    QProgressBar* progress() const { return bar_; }
    CMyStatic* text() const { return text_; }
    CMyButton* ok_button() const { return ok_; }
    CMyButton* cancel_button() const { return cancel_; }
    // What the dialog said when the download ended without the file.
    QString outcome() const { return outcome_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void finish(int result);

    QProgressBar* bar_ = nullptr;
    CMyStatic* text_ = nullptr;
    CMyButton* ok_ = nullptr;
    CMyButton* cancel_ = nullptr;
    QBasicTimer timer_;
    QString outcome_;
};
