#pragma once
// "Rest Room" (dialog 158): who is logged in and in no meeting room, and
// their chat. Modeless, made once with the main frame as its parent and then
// only shown again.

#include "core/window_messages.h"
#include "skin/ui/good_dlg.h"

#include <string>

class CMyCheckBox;
class CMyEdit;
class CMyListBox;

class CDlgRestRoom : public Cgood_dlg, public WindowTarget {
    Q_OBJECT
public:
    explicit CDlgRestRoom(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    void OnCancel() override;
    void OnOK() override {}

    // Opening: "Send On Return" checked, the list asked for again.
    void open_rest_room();
    void OnSend();
    void OnClear();
    void OnRefreshList();
    void OnInputChanged();

    void OnMyMsgRestRoomListFirst(const char* body, intptr_t len);
    void OnMyMsgRestRoomListAdd(const char* body, intptr_t len);
    void OnMyMsgRestRoomChat(const char* body, intptr_t len);

    CMyListBox* people_list() const { return people_; }
    CMyEdit* history_edit() const { return history_edit_; }
    CMyEdit* input_edit() const { return input_; }
    CMyCheckBox* send_on_return_check() const { return send_on_return_; }
    const std::string& history() const { return history_; }

private:
    CMyListBox* people_ = nullptr;
    CMyEdit* history_edit_ = nullptr;
    CMyEdit* input_ = nullptr;
    CMyCheckBox* send_on_return_ = nullptr;
    std::string history_;
    bool clearing_input_ = false;
    WindowSlotBinding slot_binding_ { WindowSlot::rest_room, this };
};
