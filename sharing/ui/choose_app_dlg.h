#pragma once
// "Please choose an application to share" (dialog 139): the top-level
// windows with their titles and icons; Share asks the server (204 or 205,
// then 200), whose 202 starts the share of the chosen window and closes the
// dialog, and whose 203 says another application is shared already.

#include "core/window_messages.h"
#include "platform/x11/screen_capture.h"
#include "skin/ui/good_dlg.h"

#include <functional>

class CMyCheckBox;
class CMyListCtrl;

class CDlgChooseApp : public Cgood_dlg, public WindowTarget {
    Q_OBJECT
public:
    explicit CDlgChooseApp(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    void OnShare();
    void OnAllowRemoteControl();
    void OnMyMsg202();
    void OnMyMsgShareAppRefused();
    // Lists the windows again (the dialog does it when it opens).
    void fill_list();

    // Runs once the share started, before the dialog closes (the frame shows the share view).
    void set_on_share_started(std::function<void()> started) { on_share_started_ = std::move(started); }

    CMyListCtrl* app_list() const { return list_; }
    CMyCheckBox* allow_control_check() const { return allow_control_; }
    platform::XWindowId requested_window() const { return requested_window_; }

private:
    CMyListCtrl* list_ = nullptr;
    CMyCheckBox* allow_control_ = nullptr;
    platform::XWindowId requested_window_ = 0;
    std::function<void()> on_share_started_;
    WindowSlotBinding slot_binding_ { WindowSlot::choose_app, this };
};
