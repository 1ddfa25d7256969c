#include "shell/ui/main_frame.h"

#include "core/global_state.h"
#include "platform/ui/translations.h"
#include "shell/ui/about_dlg.h"

#include <QMenuBar>
#include <QStatusBar>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("main_frame");
    QMenu* menu = menuBar()->addMenu("&Tamblo");
    QAction* exit = menu->addAction(tr_ui("E&xit"), this, &QWidget::close);
    exit->setObjectName("cmd_57665");
    QAction* about = menu->addAction(tr_ui("About Tamblo"), this, &CMainFrame::OnAppAbout);
    about->setObjectName("cmd_57664");
    statusBar();
}

intptr_t CMainFrame::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    switch (msg) {
    case WM_MY_MSG_SET_TITLE: OnMyMsgSetTitle(); break;
    case WM_MY_MSG_STATUS_TEXT: OnMyMsgStatusText(); break;
    default: break;
    }
    return 0;
}

void CMainFrame::OnMyMsgSetTitle() { setWindowTitle(QString::fromStdString(g_title_text.get())); }

void CMainFrame::OnMyMsgStatusText() { statusBar()->showMessage(QString::fromStdString(g_status_text.get())); }

void CMainFrame::OnAppAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}
