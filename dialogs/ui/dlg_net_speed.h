#pragma once
// "Network Speed Test" (template 252): the speed between this client and its
// server on the file connection. "Test Speed" sends the ten messages; both
// bars follow the server's answers up to 10, and the result label tells the
// time and the speed once the last answer is in.

#include "core/window_messages.h"
#include "dialogs/net_speed.h"
#include "skin/ui/good_dlg.h"

class CMyButton;
class CMyProgressCtrl;
class CMyStatic;

class CDlgNetSpeed : public Cgood_dlg, public WindowTarget {
    Q_OBJECT
public:
    explicit CDlgNetSpeed(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    void OnTestSpeed();
    void OnMyMsgNetSpeed673();
    void OnMyMsgNetSpeed674();
    void OnMyMsgNetSpeedResult();

    CMyProgressCtrl* sending_bar() const { return sending_; }
    CMyProgressCtrl* receiving_bar() const { return receiving_; }
    CMyStatic* result_label() const { return result_; }
    CMyButton* test_button() const { return test_; }
    const NetSpeedTest& test() const { return state_; }

private:
    NetSpeedTest state_;
    CMyProgressCtrl* sending_ = nullptr;
    CMyProgressCtrl* receiving_ = nullptr;
    CMyStatic* result_ = nullptr;
    CMyButton* test_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::net_speed, this };
};
