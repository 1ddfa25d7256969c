#include "dialogs/ui/event_notices.h"

#include "dialogs/event_notice.h"
#include "dialogs/ui/dlg_event.h"
#include "dialogs/ui/dlg_event_history.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

CDlgEvent* pop_up_event(const std::string& text)
{
    // The user goes on typing where they were: the notice takes no focus,
    // and the focus is put back should a window manager give it anyway.
    QPointer<QWidget> focused = QApplication::focusWidget();
    add_event_history(text);
    int position = take_event_position(g_event_position_counter);
    auto* dlg = new CDlgEvent(position, QString::fromStdString(text));
    dlg->set_return_focus(focused);
    dlg->show_notice();
    if (focused && QApplication::focusWidget() != focused) {
        if (QApplication::activeWindow() != focused->window())
            focused->window()->activateWindow();
        focused->setFocus(Qt::OtherFocusReason);
    }
    return dlg;
}

void install_event_notices()
{
    set_event_notice_sink([](const std::string& text) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        if (QThread::currentThread() == app->thread())
            pop_up_event(text);
        else
            QMetaObject::invokeMethod(app, [text] { pop_up_event(text); }, Qt::QueuedConnection);
    });
}

void remove_event_notices()
{
    set_event_notice_sink(nullptr);
    g_event_position_counter = {};
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dlg = qobject_cast<CDlgEvent*>(w))
            dlg->OnCancel();
    }
    delete_event_history();
}
