#pragma once
// Works the update dialog as a user does: "Start" once it is up, then
// "Install" once it may be pressed, or "Cancel" when the download has ended
// without it.

#include "dialogs/ui/dlg_internet_update.h"
#include "skin/ui/my_button.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

class DownloadDriver {
public:
    DownloadDriver()
    {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
        timer_.start();
    }
    bool started = false;
    bool installed = false;
    bool cancelled = false;

private:
    void step()
    {
        auto* dialog = qobject_cast<CDlgInternetUpdate*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (!started && dialog->start_button()->isEnabled()) {
            started = true;
            QTest::mouseClick(dialog->start_button(), Qt::LeftButton);
        } else if (started && dialog->install_button()->isEnabled()) {
            installed = true;
            QTest::mouseClick(dialog->install_button(), Qt::LeftButton);
        } else if (started && dialog->start_button()->isEnabled()) {
            cancelled = true;
            dialog->OnCancel();
        }
    }
    QTimer timer_;
};
