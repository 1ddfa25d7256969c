#pragma once
// The main window. It shows the title and status texts that any thread sets.

#include "core/window_messages.h"

#include <QMainWindow>

class CMainFrame : public QMainWindow, public WindowTarget {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    void OnMyMsgSetTitle();
    void OnMyMsgStatusText();
    void OnAppAbout();

private:
    WindowSlotBinding slot_binding_ { WindowSlot::main_frame, this };
};
