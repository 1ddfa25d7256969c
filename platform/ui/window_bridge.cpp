#include "platform/ui/window_bridge.h"

#include "core/dbg_log.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace {

const QEvent::Type window_message_event_type = static_cast<QEvent::Type>(QEvent::registerEventType());

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam, std::optional<std::string> body)
        : QEvent(window_message_event_type), slot(slot), msg(msg), wparam(wparam), lparam(lparam), body(std::move(body))
    {
    }
    WindowSlot slot;
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    std::optional<std::string> body;
};

QtWindowMessageBridge* g_bridge = nullptr;

intptr_t deliver_guarded(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    try {
        return deliver_window_message(slot, msg, wparam, lparam);
    } catch (...) {
        dbg_log("exception in window message %u.\n", static_cast<unsigned>(msg));
        return 0;
    }
}

} // namespace

QtWindowMessageBridge& QtWindowMessageBridge::install()
{
    if (!g_bridge) {
        g_bridge = new QtWindowMessageBridge;
        set_window_message_dispatcher(g_bridge);
    }
    return *g_bridge;
}

void QtWindowMessageBridge::post(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam, std::optional<std::string> body)
{
    QCoreApplication::postEvent(this, new WindowMessageEvent(slot, msg, wparam, lparam, std::move(body)));
}

intptr_t QtWindowMessageBridge::send(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    intptr_t result = 0;
    run_on_ui_thread([&] { result = deliver_guarded(slot, msg, wparam, lparam); });
    return result;
}

void QtWindowMessageBridge::customEvent(QEvent* event)
{
    if (event->type() != window_message_event_type)
        return;
    auto* e = static_cast<WindowMessageEvent*>(event);
    uintptr_t wparam = e->body ? reinterpret_cast<uintptr_t>(e->body->c_str()) : e->wparam;
    deliver_guarded(e->slot, e->msg, wparam, e->lparam);
}

void run_on_ui_thread(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QObject* context = g_bridge ? static_cast<QObject*>(g_bridge) : app;
    QMetaObject::invokeMethod(context, fn, Qt::BlockingQueuedConnection);
}

void post_to_ui_thread(std::function<void()> fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        fn();
        return;
    }
    QObject* context = g_bridge ? static_cast<QObject*>(g_bridge) : app;
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}
