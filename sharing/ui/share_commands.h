#pragma once
// The main frame's Share application, Share desktop and the three Office
// document Share commands, and what the frame does when the server approves
// a desktop share. The frame checks the presenter rule first.

#include "sharing/office_driver.h"

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
// Share PowerPoint, Word or Excel File: the open-file dialog with the
// kind's filter, then the upload, the announcement and the office
// application; the result of do_share.
int OnShareOffice(QWidget* frame, OfficeKind kind);
