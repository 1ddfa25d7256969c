#pragma once
// "Connect to server" (dialog 154): a server of the list with one of the
// nine port choices, or an address and port typed in; Refresh List asks the
// current server for its list without holding the window, and refills the
// list when the new one has arrived.

#include "core/window_messages.h"
#include "shell/server_choice.h"
#include "skin/ui/good_dlg.h"

#include <atomic>
#include <thread>

class CMyButton;
class CMyCheckBox;
class CMyEdit_no_scroll;
class CMyComboBox;
class CMyIPAddressCtrl;
class CMyListBox;
class CMyStatic;

class CDlgConnectServer : public Cgood_dlg, public WindowTarget {
    Q_OBJECT
public:
    explicit CDlgConnectServer(QWidget* parent = nullptr);
    ~CDlgConnectServer() override;

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    void OnRefreshList();
    void OnMyMsgServerListRefreshed(int result);

    // What OK chose: the current server is set from it by the caller.
    const ServerChoice& choice() const { return choice_; }
    bool refreshing() const { return refreshing_; }

    CMyListBox* server_list() const { return server_list_; }
    CMyComboBox* port_combo() const { return port_combo_; }
    CMyCheckBox* manual_check() const { return manual_check_; }
    CMyIPAddressCtrl* address_edit() const { return address_edit_; }
    CMyEdit_no_scroll* port_edit() const { return port_edit_; }
    CMyCheckBox* auto_connect_check() const { return auto_connect_check_; }
    CMyButton* refresh_button() const { return refresh_button_; }
    CMyButton* ok_button() const { return ok_button_; }

private:
    void fill_server_list();
    void update_enabled();
    void end_refresh_worker();
    std::array<int, 4> typed_address() const;

    CMyListBox* server_list_ = nullptr;
    CMyComboBox* port_combo_ = nullptr;
    CMyCheckBox* manual_check_ = nullptr;
    CMyIPAddressCtrl* address_edit_ = nullptr;
    CMyEdit_no_scroll* port_edit_ = nullptr;
    CMyCheckBox* auto_connect_check_ = nullptr;
    CMyButton* refresh_button_ = nullptr;
    CMyButton* ok_button_ = nullptr;
    CMyButton* cancel_button_ = nullptr;
    CMyStatic* refresh_status_ = nullptr;
    ServerChoice choice_;

    std::thread refresh_worker_;
    std::atomic<bool> refresh_cancel_ { false };
    bool refreshing_ = false;
    WindowSlotBinding slot_binding_ { WindowSlot::connect_server, this };
};
