#pragma once
// The members page (dialog 131), first page of the left panel: the room
// this client is in and its members, newest first, from the server's member
// records. It asks for the list when the room changes (116, and on entering)
// and forgets it when the client is in no room.

#include "core/window_messages.h"
#include "skin/ui/good_dlg_no_upper.h"

#include <string>

class CMyButton;
class CMyListCtrl;
class CMyStatic;

class CLeftFormMembers : public Cgood_dlg_no_upper, public WindowTarget {
    Q_OBJECT
public:
    explicit CLeftFormMembers(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Refresh: the rows and the attendee table emptied, the list asked for again.
    void OnRefresh();
    // No room any more: the rows and the attendee table emptied, nothing asked.
    void empty_list();
    // record: name, a zero byte, the id in four characters; flags from head field 2.
    void add_member(const char* record, int flags);

    CMyListCtrl* member_list() const { return list_; }
    CMyStatic* room_label() const { return room_label_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show_room();

    CMyStatic* in_label_ = nullptr;
    CMyStatic* room_label_ = nullptr;
    CMyListCtrl* list_ = nullptr;
    CMyButton* refresh_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::members_page, this };
};
