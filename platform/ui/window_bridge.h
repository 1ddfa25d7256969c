#pragma once
// The window-message bridge: posted messages become queued events on the UI
// thread; a sent message runs its handler on the UI thread while the sender
// waits. The bridge looks the slot up on the UI thread at delivery, so a
// window destroyed in between simply gets nothing.

#include "core/window_messages.h"

#include <QObject>

class QtWindowMessageBridge : public QObject, public WindowMessageDispatcher {
    Q_OBJECT
public:
    // Creates the bridge on the calling (UI) thread and installs it.
    static QtWindowMessageBridge& install();

    void post(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam, std::optional<std::string> body) override;
    intptr_t send(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

protected:
    void customEvent(QEvent* event) override;

private:
    QtWindowMessageBridge() = default;
};

// Runs fn on the UI thread and waits for it (at once when already there).
void run_on_ui_thread(const std::function<void()>& fn);
// Queues fn to the UI thread's event loop and returns at once, also on the
// UI thread; without an application it runs fn now.
void post_to_ui_thread(std::function<void()> fn);
