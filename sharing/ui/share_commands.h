#pragma once
// The main frame's Share application and Share desktop commands, and what
// the frame does when the server approves a desktop share. The frame checks
// the presenter rule first.

#include <functional>

class QWidget;

// Stops the window share when one runs; else the choose-application dialog,
// which calls show_share_view once the share started.
void OnShareApplication(QWidget* frame, std::function<void()> show_share_view);
// Stops the desktop share when one runs; else asks whether others may
// control the desktop: Yes or No send 244 or 245 and then 240, Cancel nothing.
void OnShareDesktop();
// 242 arrived (after the frame's notice): the main window goes down to the
// task bar and the sharer starts.
void start_approved_desktop_share(QWidget* frame);
