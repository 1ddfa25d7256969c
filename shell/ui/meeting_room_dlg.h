#pragma once
// "Meeting Room" (dialog 147): the server's rooms, creating one, joining one
// with its password, setting the password of the room one is in. While it is
// open the receive handlers reach it through its window slot.

#include "core/window_messages.h"
#include "skin/ui/good_dlg.h"

class CMyButton;
class CMyCheckBox;
class CMyEdit_no_scroll;
class CMyListBox;

class CDlgMeetingRoom : public Cgood_dlg, public WindowTarget {
    Q_OBJECT
public:
    explicit CDlgMeetingRoom(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    void OnCreate();
    void OnJoin();
    void OnRefresh();
    void OnSetPasswd();
    void OnAutoJoinClicked();

    void OnMyMsgRoomListFirst(const char* body, intptr_t len);
    void OnMyMsgRoomListAdd(const char* body, intptr_t len);
    void OnMyMsgRoomListChanged();
    void OnMyMsgCreateRoomFailed();
    void OnMyMsgSetRoomPasswordOk();
    void OnMyMsgSetRoomPasswordFailed();
    void OnMyMsgRoomCurrent();

    CMyEdit_no_scroll* name_edit() const { return name_edit_; }
    CMyListBox* room_list() const { return room_list_; }
    CMyCheckBox* auto_join_check() const { return auto_join_check_; }

private:
    CMyEdit_no_scroll* name_edit_ = nullptr;
    CMyListBox* room_list_ = nullptr;
    CMyCheckBox* auto_join_check_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::meeting_room, this };
};
