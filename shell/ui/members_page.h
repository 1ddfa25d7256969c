#pragma once
// The members page (dialog 131), the first page of the left panel: the room's
// attendees in the roster list with what each is doing, and the buttons with
// which a member or the chairman acts on the room or on the selected member.
// What it decides lives in MembersRoster and members_refusal; the page shows
// the roster and sends what the buttons say.

#include "core/window_messages.h"
#include "shell/members_roster.h"
#include "skin/ui/good_dlg_no_upper.h"
#include "skin/ui/my_list_ctrl_owner_draw.h"

#include <map>

class CMyButton;
class CMyStatic;
class QMenu;
class QScrollArea;

class CLeftFormMembers : public Cgood_dlg_no_upper, public WindowTarget {
    Q_OBJECT
public:
    // The page's buttons, by control id.
    static constexpr int id_refresh = 1027, id_boost = 1038, id_set_passwd = 1040, id_show_rooms = 1041,
                         id_leave = 1042, id_start_meeting = 1043, id_stop_meeting = 1044, id_private_chat = 1046,
                         id_raise_hand = 1088, id_private_voice = 1096, id_allow_talk = 1097, id_room_options = 1184,
                         id_invite = 1187, id_request_chairman = 1160, id_request_presenter = 1172,
                         id_set_chairman_passwd = 1188;
    // Context menu commands.
    static constexpr int menu_show_video = 32906, menu_show_all_video = 32920, menu_hide_video = 32908,
                         menu_hide_all_video = 32921, menu_private_voice = 32910, menu_private_chat = 32913,
                         menu_allow_talk = 32915, menu_set_presenter = 32948, menu_remove_presenter = 32950,
                         menu_zoom = 32952, menu_restore = 32954;
    static constexpr int list_top_px = 60;
    static constexpr int list_height_px = 200;

    explicit CLeftFormMembers(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Buttons.
    void OnRefresh();
    void OnBoost();
    void OnSetPasswd();
    void OnShowMeetingRooms();
    void OnLeave();
    void OnStartMeeting();
    void OnStopMeeting();
    void OnPrivateChat();
    void OnRaiseHand();
    void OnPrivateVoiceChat();
    void OnAllowTalk();
    void OnMeetingRoomOptions();
    void OnInvite();
    void OnRequestChairman();
    void OnRequestPresenter();
    void OnSetChairmanPasswd();

    // The context menu at a point of the list, built anew each time; runs the
    // chosen command. The menu itself, for tests: made but not run.
    void OnContextMenu(const QPoint& global_pos);
    QMenu* build_context_menu(QWidget* parent);
    void run_menu_command(int id);

    // Window messages.
    void OnMyMsgMemberListFirst(const char* record, intptr_t flags);
    void OnMyMsgMemberListAdd(const char* record, intptr_t flags);
    void OnMyMsgMemberState(int customer_id, int flags);
    void OnMyMsgKickedOut();
    void OnMyMsgLeaveRoomOk();
    void OnMyMsgMeetingStarted();
    void OnMyMsgMeetingStopped();
    void OnMyMsgHandButton();
    void OnMyMsgPrivateVoiceRequest(int requester_id);
    void OnMyMsgZoomOnePerson(int customer_id);
    void OnMyMsgMembersNotice780();
    void OnMyMsgRepaint();

    // What the frame's disconnect asks of the page: the list emptied (nothing
    // sent) and private voice ended.
    void empty_list();
    void end_private_voice();

    const MembersRoster& roster() const { return roster_; }
    CMyListCtrlOwnerDraw* member_list() const { return list_; }
    CMyButton* button(int id) const;
    CMyStatic* room_label() const { return room_label_; }
    // The row the actions act on: the first selected one, -1 when none.
    int selected_row() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void add_member(const char* record, intptr_t flags);
    void show_rows();
    void show_row(int row);
    std::vector<QString> row_texts(int row) const;
    // The buttons whose texts and states follow the meeting, from the state now.
    void refresh_buttons();
    void repaint_views();
    void repaint_list();
    void place_buttons();
    void show_room_label();
    MembersSession session() const;
    // Refusal check: true when the action may go on, else its box was shown.
    bool allowed(MembersAction action) const;
    void open_private_chat_with_selection();
    // Each also gives the members video windows, or takes them back.
    void show_video_of_selection(bool show);
    void show_all_video(bool show);
    void zoom_selection();
    void restore_zoom();
    void send_to_selected(int number);

    MembersRoster roster_;
    CMyListCtrlOwnerDraw* list_ = nullptr;
    CMyStatic* room_label_ = nullptr;
    std::map<int, CMyButton*> buttons_;
    QWidget* buttons_area_ = nullptr;
    QScrollArea* buttons_scroll_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::members_page, this };
};
