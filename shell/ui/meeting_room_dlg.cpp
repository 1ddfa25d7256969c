#include "shell/ui/meeting_room_dlg.h"

#include "core/control_messages.h"
#include "core/global_state.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "shell/room_rules.h"
#include "shell/ui/change_room_password_dlg.h"
#include "shell/ui/room_password_dlg.h"
#include "shell/ui/text_box.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QVBoxLayout>

CDlgMeetingRoom::CDlgMeetingRoom(QWidget* parent) : Cgood_dlg(147, parent)
{
    setWindowTitle(tr_ui("Meeting Room"));
    auto* first_line = new CMyStatic(-1, tr_ui("Choose a meeting room and press Join, or type a new name and press Create."), this);
    first_line->setWordWrap(true);
    auto* second_line =
        new CMyStatic(-1, tr_ui("A room you create has no password until you set one; it closes when its last member leaves."), this);
    second_line->setWordWrap(true);
    auto* name_label = new CMyStatic(-1, tr_ui("Room Name:"), this);
    name_edit_ = new CMyEdit_no_scroll(1002, this);
    auto* create = new CMyButton(1017, tr_ui("Create"), this);
    room_list_ = new CMyListBox(1019, this);
    room_list_->setMinimumHeight(150);
    auto* join = new CMyButton(1018, tr_ui("Join"), this);
    auto* refresh = new CMyButton(1020, tr_ui("Refresh"), this);
    auto* set_passwd = new CMyButton(1023, tr_ui("Set Passwd"), this);
    auto_join_check_ = new CMyCheckBox(1152, tr_ui("Automatically join this meeting room after login"), this);
    auto* close = new CMyButton(1, tr_ui("Close"), this);
    auto* cancel = new CMyButton(2, tr_ui("Cancel"), this);
    join->setDefault(true);

    connect(create, &QPushButton::clicked, this, &CDlgMeetingRoom::OnCreate);
    connect(join, &QPushButton::clicked, this, &CDlgMeetingRoom::OnJoin);
    connect(room_list_, &QListWidget::itemDoubleClicked, this, &CDlgMeetingRoom::OnJoin);
    connect(refresh, &QPushButton::clicked, this, &CDlgMeetingRoom::OnRefresh);
    connect(set_passwd, &QPushButton::clicked, this, &CDlgMeetingRoom::OnSetPasswd);
    connect(auto_join_check_, &QCheckBox::clicked, this, &CDlgMeetingRoom::OnAutoJoinClicked);
    connect(close, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* name_row = new QHBoxLayout;
    name_row->addWidget(name_label);
    name_row->addWidget(name_edit_, 1);
    name_row->addWidget(create);
    auto* side = new QVBoxLayout;
    side->addWidget(join);
    side->addWidget(refresh);
    side->addWidget(set_passwd);
    side->addStretch(1);
    auto* list_row = new QHBoxLayout;
    list_row->addWidget(room_list_, 1);
    list_row->addLayout(side);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(first_line);
    layout->addLayout(name_row);
    layout->addLayout(list_row, 1);
    layout->addWidget(second_line);
    layout->addWidget(auto_join_check_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setMinimumWidth(440);
}

bool CDlgMeetingRoom::OnInitDialog()
{
    auto_join_check_->setChecked(auto_join_checked());
    send_get_meeting_room_list();
    name_edit_->setFocus();
    Cgood_dlg::OnInitDialog();
    return true;
}

void CDlgMeetingRoom::OnCreate()
{
    std::string name = cut_copy(name_edit_->text().toStdString(), room_name_limit);
    std::string refusal = create_room_refusal(name);
    if (!refusal.empty()) {
        show_text_box(refusal);
        return;
    }
    create_room(name);
}

void CDlgMeetingRoom::OnJoin()
{
    QListWidgetItem* item = room_list_->currentItem();
    if (!item || !item->isSelected()) {
        show_text_box("Please select a meeting room.");
        return;
    }
    const std::string room = item->text().toStdString();
    // The room's answer may close this dialog while the password is typed:
    // the password dialog is not its child, and nothing of it is used after.
    QPointer<CDlgMeetingRoom> self(this);
    CDlgMeetingRoomPasswd password_dlg(parentWidget());
    if (password_dlg.exec() != IDOK || !self)
        return;
    join_room(room, password_dlg.password(), auto_join_check_->isChecked());
}

void CDlgMeetingRoom::OnRefresh()
{
    room_list_->clear();
    room_list_clear();
    send_get_meeting_room_list();
}

void CDlgMeetingRoom::OnSetPasswd()
{
    if (g_room_number < 0) {
        show_text_box("Please join a meeting room before set meeting room password.");
        return;
    }
    QPointer<CDlgMeetingRoom> self(this);
    CDlgChangeMeetingRoomPasswd change_dlg(parentWidget());
    if (change_dlg.exec() != IDOK || !self)
        return;
    send_set_meeting_room_password(change_dlg.old_password(), change_dlg.new_password());
}

void CDlgMeetingRoom::OnAutoJoinClicked() { store_auto_join(auto_join_check_->isChecked()); }

void CDlgMeetingRoom::OnMyMsgRoomListFirst(const char* body, intptr_t len)
{
    room_list_->clear();
    room_list_clear();
    OnMyMsgRoomListAdd(body, len);
    if (room_list_->count() > 0)
        room_list_->setCurrentRow(0);
}

void CDlgMeetingRoom::OnMyMsgRoomListAdd(const char* body, intptr_t len)
{
    std::string name = room_list_name(body, len);
    if (name.empty())
        return;
    room_list_add(name);
    room_list_->addItem(QString::fromStdString(name));
}

void CDlgMeetingRoom::OnMyMsgRoomListChanged() { send_get_meeting_room_list(); }

void CDlgMeetingRoom::OnMyMsgCreateRoomFailed()
{
    show_text_box("create meeting room failed, max number of meeting room reached, \nor meeting room already exist.");
}

void CDlgMeetingRoom::OnMyMsgSetRoomPasswordOk() { show_text_box("Set meeting room password success."); }

void CDlgMeetingRoom::OnMyMsgSetRoomPasswordFailed()
{
    show_text_box("Set meeting room password failed.\nPossibly, the old password is not correct.");
}

void CDlgMeetingRoom::OnMyMsgRoomCurrent()
{
    if (g_room_number < 0) {
        post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
        show_text_box("Join meeting room failed.");
        return;
    }
    show_text_box("Join meeting room success.");
    Cgood_dlg::OnOK();
    if (g_enter_full_screen)
        post_window_message(WindowSlot::main_frame, WM_MY_MSG_FULL_SCREEN);
}

intptr_t CDlgMeetingRoom::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    const char* body = reinterpret_cast<const char*>(wparam);
    switch (msg) {
    case WM_MY_MSG_ROOM_LIST_FIRST: OnMyMsgRoomListFirst(body, lparam); break;
    case WM_MY_MSG_ROOM_LIST_ADD: OnMyMsgRoomListAdd(body, lparam); break;
    case WM_MY_MSG_ROOM_LIST_CHANGED: OnMyMsgRoomListChanged(); break;
    case WM_MY_MSG_CREATE_ROOM_FAILED: OnMyMsgCreateRoomFailed(); break;
    case WM_MY_MSG_SET_ROOM_PASSWORD_OK: OnMyMsgSetRoomPasswordOk(); break;
    case WM_MY_MSG_SET_ROOM_PASSWORD_FAILED: OnMyMsgSetRoomPasswordFailed(); break;
    case WM_MY_MSG_ROOM_CURRENT: OnMyMsgRoomCurrent(); break;
    default: break;
    }
    return 0;
}
