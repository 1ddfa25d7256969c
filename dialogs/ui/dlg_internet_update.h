#pragma once
// "Internet Update" (dialog 242; the web launcher's copy is 213 with "Start"
// 203): downloads the update package on a thread of its own, shows how far
// it got, and offers "Install" once the package is whole and checked.

#include "skin/ui/good_dlg.h"

#include <atomic>
#include <thread>

class CMyButton;
class CMyProgressCtrl;
class CMyStatic;
class QTimer;

class CDlgInternetUpdate : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgInternetUpdate(int template_id = 242, int start_id = 1145, QWidget* parent = nullptr);
    // Waits for a download still running (a cancel ends it soon).
    ~CDlgInternetUpdate() override;

    void OnStart();
    void OnCancel() override;
    // Reads the progress of the download.
    void OnTimer();

    CMyButton* start_button() const { return start_; }
    CMyButton* install_button() const { return install_; }

private:
    void wait_for_download();

    CMyStatic* label_ = nullptr;
    CMyProgressCtrl* bar_ = nullptr;
    CMyButton* start_ = nullptr;
    CMyButton* install_ = nullptr;
    QTimer* timer_ = nullptr;
    std::thread download_;
    std::atomic<bool> downloading_ { false };
};
