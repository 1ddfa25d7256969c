#include "shell/ui/members_page.h"

#include "core/control_messages.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "core/wire_builders.h"
#include "dialogs/ui/prop_meeting_room_options.h"
#include "media/ui/video_view.h"
#include "media/ui/video_wnd.h"
#include "media/voice_state.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "shell/connect_flow.h"
#include "shell/ui/change_chairman_password_dlg.h"
#include "shell/ui/change_room_password_dlg.h"
#include "shell/ui/command_registry.h"
#include "shell/chat_rules.h"
#include "shell/ui/dlg_private_chat.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/meeting_room_dlg.h"
#include "shell/ui/text_box.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_list_ctrl_owner_draw.h"
#include "skin/ui/my_menu.h"
#include "skin/ui/my_property_sheet.h"
#include "skin/ui/my_static.h"
#include "skin/ui/roster_icons.h"
#include "skin/ui/skin_scroll_bars.h"
#include "whiteboard/board_model.h"

#include <QContextMenuEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace {

CMainFrame* main_frame()
{
    return dynamic_cast<CMainFrame*>(window_in_slot(WindowSlot::main_frame));
}

QString shown(const char* source) { return source ? tr_ui(source) : QString(); }

struct ButtonDef {
    int id;
    const char* text;
};
constexpr ButtonDef button_defs[] = {
    { CLeftFormMembers::id_refresh, "Refresh" },
    { CLeftFormMembers::id_raise_hand, "Raise Hand" },
    { CLeftFormMembers::id_private_chat, "Private Chat" },
    { CLeftFormMembers::id_private_voice, "Private Voice Chat" },
    { CLeftFormMembers::id_request_chairman, "Request Chairman" },
    { CLeftFormMembers::id_request_presenter, "Request Presenter" },
    { CLeftFormMembers::id_start_meeting, "Start meeting" },
    { CLeftFormMembers::id_stop_meeting, "Stop Meeting" },
    { CLeftFormMembers::id_allow_talk, "Allow Talk" },
    { CLeftFormMembers::id_boost, "Boost" },
    { CLeftFormMembers::id_set_passwd, "Set Passwd" },
    { CLeftFormMembers::id_set_chairman_passwd, "Set Chairman Passwd" },
    { CLeftFormMembers::id_room_options, "Meeting Room Options" },
    { CLeftFormMembers::id_invite, "Invite" },
    { CLeftFormMembers::id_show_rooms, "Show Meeting Rooms" },
    { CLeftFormMembers::id_leave, "Leave" },
};

} // namespace

CLeftFormMembers::CLeftFormMembers(QWidget* parent) : Cgood_dlg_no_upper(131, parent)
{
    // A page inside the tab control, not a window of its own.
    setWindowFlags(Qt::Widget);
    auto* where = new CMyStatic(1089, tr_ui("You are currently in:"), this);
    room_label_ = new CMyStatic(1025, tr_ui("meeting room"), this);
    list_ = new CMyListCtrlOwnerDraw(1026, this);
    insert_roster_columns(*list_);
    list_->set_image_list(roster_image_list());
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { OnContextMenu(list_->viewport()->mapToGlobal(p)); });
    connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { OnPrivateChat(); });

    const std::map<int, void (CLeftFormMembers::*)()> handlers {
        { id_refresh, &CLeftFormMembers::OnRefresh },
        { id_boost, &CLeftFormMembers::OnBoost },
        { id_set_passwd, &CLeftFormMembers::OnSetPasswd },
        { id_show_rooms, &CLeftFormMembers::OnShowMeetingRooms },
        { id_leave, &CLeftFormMembers::OnLeave },
        { id_start_meeting, &CLeftFormMembers::OnStartMeeting },
        { id_stop_meeting, &CLeftFormMembers::OnStopMeeting },
        { id_private_chat, &CLeftFormMembers::OnPrivateChat },
        { id_raise_hand, &CLeftFormMembers::OnRaiseHand },
        { id_private_voice, &CLeftFormMembers::OnPrivateVoiceChat },
        { id_allow_talk, &CLeftFormMembers::OnAllowTalk },
        { id_room_options, &CLeftFormMembers::OnMeetingRoomOptions },
        { id_invite, &CLeftFormMembers::OnInvite },
        { id_request_chairman, &CLeftFormMembers::OnRequestChairman },
        { id_request_presenter, &CLeftFormMembers::OnRequestPresenter },
        { id_set_chairman_passwd, &CLeftFormMembers::OnSetChairmanPasswd },
    };
    buttons_area_ = new QWidget;
    buttons_area_->setAutoFillBackground(false);
    for (const ButtonDef& def : button_defs) {
        auto* b = new CMyButton(def.id, tr_ui(def.text), buttons_area_);
        connect(b, &QPushButton::clicked, this, handlers.at(def.id));
        buttons_[def.id] = b;
    }
    buttons_scroll_ = new QScrollArea(this);
    buttons_scroll_->setFrameShape(QFrame::NoFrame);
    buttons_scroll_->setWidget(buttons_area_);
    buttons_scroll_->setWidgetResizable(false);
    buttons_scroll_->viewport()->setAutoFillBackground(false);
    use_skin_scroll_bars(buttons_scroll_, ScrollBarKind::view);

    // The labels above the list, the list at y 60 and 200 high, the buttons
    // below in as many columns as their texts leave room for.
    auto* labels = new QVBoxLayout;
    labels->setContentsMargins(4, 4, 4, 0);
    labels->addWidget(where);
    labels->addWidget(room_label_);
    labels->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* label_box = new QWidget(this);
    label_box->setLayout(labels);
    label_box->setFixedHeight(list_top_px);
    layout->addWidget(label_box);
    list_->setFixedHeight(list_height_px);
    layout->addWidget(list_);
    layout->addSpacing(6);
    layout->addWidget(buttons_scroll_, 1);
    refresh_buttons();
}

CMyButton* CLeftFormMembers::button(int id) const
{
    auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

int CLeftFormMembers::selected_row() const { return list_->next_selected_item(-1); }

void CLeftFormMembers::repaint_list() { list_->viewport()->update(); }

MembersSession CLeftFormMembers::session() const
{
    MembersSession s;
    s.logged_in = g_logged_in == 1;
    s.room_number = g_room_number;
    s.chairman = g_is_chairman == 1;
    s.presenter = g_is_presenter == 1;
    s.chairman_control = g_chairman_control_mode == 1;
    s.meeting_started = g_meeting_started == 1;
    s.hand_raised = g_hand_raised == 1;
    s.private_voice = g_private_voice_chat != 0;
    s.push_mode = g_push_mode == 1;
    s.has_selection = selected_row() >= 0;
    return s;
}

bool CLeftFormMembers::allowed(MembersAction action) const
{
    const char* refusal = members_refusal(action, session());
    if (!refusal)
        return true;
    show_text_box(refusal);
    return false;
}

std::vector<QString> CLeftFormMembers::row_texts(int row) const
{
    const RosterRow& r = roster_.rows()[static_cast<size_t>(row)];
    std::vector<QString> texts { QString::fromStdString(r.name) };
    for (const char* sub : r.sub)
        texts.push_back(shown(sub));
    return texts;
}

void CLeftFormMembers::show_row(int row)
{
    if (row < 0 || row >= static_cast<int>(roster_.rows().size()))
        return;
    const RosterRow& r = roster_.rows()[static_cast<size_t>(row)];
    list_->set_item(row, row_texts(row), r.image, r.customer_id);
}

void CLeftFormMembers::show_rows()
{
    const int count = static_cast<int>(roster_.rows().size());
    if (list_->item_count() != count) {
        list_->delete_all_items();
        for (int i = 0; i < count; ++i) {
            const RosterRow& r = roster_.rows()[static_cast<size_t>(i)];
            list_->insert_item(i, row_texts(i), r.image, r.customer_id);
        }
    }
    for (int i = 0; i < count; ++i)
        show_row(i);
    repaint_list();
}

void CLeftFormMembers::empty_list()
{
    roster_.clear();
    list_->delete_all_items();
    repaint_list();
}

void CLeftFormMembers::end_private_voice()
{
    roster_.end_private_voice();
    show_rows();
    refresh_buttons();
}

void CLeftFormMembers::refresh_buttons()
{
    MembersButtons b = members_buttons(session());
    button(id_start_meeting)->setEnabled(b.start_meeting_enabled);
    button(id_stop_meeting)->setEnabled(b.stop_meeting_enabled);
    button(id_raise_hand)->setText(tr_ui(b.hand_text));
    button(id_private_voice)->setText(tr_ui(b.voice_text));
    button(id_request_chairman)->setText(tr_ui(b.chairman_text));
    button(id_request_presenter)->setText(tr_ui(b.presenter_text));
    // The frame's invitation command stands disabled until its dialog exists.
    CMainFrame* frame = main_frame();
    button(id_invite)->setEnabled(frame && frame->commands().has_handler(cmd::invite_url));
    place_buttons();
}

void CLeftFormMembers::repaint_views()
{
    repaint_list();
    post_window_message(WindowSlot::video_view, WM_MY_MSG_REPAINT);
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT);
}

void CLeftFormMembers::add_member(const char* record, intptr_t flags)
{
    if (!record)
        return;
    // The record is the name, its NUL and four characters of id: at most 127 bytes.
    size_t length = strnlen(record, member_record_limit + 1);
    if (length <= member_record_limit)
        length = std::min(member_record_limit + 1, length + 1 + strnlen(record + length + 1, 4));
    if (!roster_.add_member(record, length, static_cast<int32_t>(flags)))
        return;
    // The list repaints the new row by itself.
    const RosterRow& r = roster_.rows().front();
    list_->insert_item(0, row_texts(0), r.image, r.customer_id);
}

// --- Buttons -------------------------------------------------------------

void CLeftFormMembers::OnRefresh()
{
    empty_list();
    send_get_member_list();
}

void CLeftFormMembers::OnBoost()
{
    if (!allowed(MembersAction::boost))
        return;
    send_boost_member(cut_copy(roster_.rows()[static_cast<size_t>(selected_row())].name, roster_name_limit));
}

void CLeftFormMembers::OnSetPasswd()
{
    if (!allowed(MembersAction::set_password))
        return;
    CDlgChangeMeetingRoomPasswd dlg(this);
    if (dlg.exec() == IDOK)
        send_set_meeting_room_password(dlg.old_password(), dlg.new_password());
}

void CLeftFormMembers::OnSetChairmanPasswd()
{
    if (!allowed(MembersAction::set_chairman_password))
        return;
    CDlgChangeMeetingRoomChairmanPasswd dlg(this);
    if (dlg.exec() == IDOK)
        send_set_chairman_password(dlg.old_password(), dlg.new_password());
}

void CLeftFormMembers::OnShowMeetingRooms()
{
    {
        // The dialog holds the meeting state's pointer while it runs.
        CDlgMeetingRoom dlg(this);
        dlg.exec();
    }
    update();
}

void CLeftFormMembers::OnLeave() { send_leave_meeting_room(); }

void CLeftFormMembers::OnStartMeeting()
{
    if (allowed(MembersAction::start_meeting))
        send_start_meeting();
}

void CLeftFormMembers::OnStopMeeting()
{
    if (!allowed(MembersAction::stop_meeting))
        return;
    if (g_talk_active == 1)
        send_talk_stop();
    send_stop_meeting();
}

void CLeftFormMembers::OnPrivateChat()
{
    if (allowed(MembersAction::private_chat))
        open_private_chat_with_selection();
}

void CLeftFormMembers::open_private_chat_with_selection()
{
    int row = selected_row();
    if (row < 0)
        return;
    open_private_chat(cut_copy(roster_.rows()[static_cast<size_t>(row)].name, private_chat_partner_limit));
}

void CLeftFormMembers::OnRaiseHand()
{
    // The button's text changes only when the server answers.
    send_cmd(g_hand_raised == 1 ? MSG_LOWER_HAND : MSG_RAISE_HAND);
}

void CLeftFormMembers::OnPrivateVoiceChat()
{
    if (g_private_voice_chat != 0) {
        end_private_voice();
        return;
    }
    if (!allowed(MembersAction::private_voice))
        return;
    if (message_box_printf_yes_no("%s", tr_text(private_voice_question).c_str()) != IDYES)
        return;
    int row = selected_row();
    if (row < 0)
        return;
    int id = roster_.rows()[static_cast<size_t>(row)].customer_id;
    roster_.begin_private_voice(id);
    show_rows();
    refresh_buttons();
    send_cmd_to_user(MSG_PRIVATE_VOICE_REQUEST, id);
    send_cmd_to_user(MSG_PRIVATE_VOICE_85, id);
}

void CLeftFormMembers::send_to_selected(int number)
{
    int row = selected_row();
    if (row >= 0)
        send_cmd_to_user(number, roster_.rows()[static_cast<size_t>(row)].customer_id);
}

void CLeftFormMembers::OnAllowTalk()
{
    if (allowed(MembersAction::allow_talk))
        send_to_selected(MSG_ALLOW_TALK);
}

void CLeftFormMembers::OnMeetingRoomOptions()
{
    if (!allowed(MembersAction::room_options))
        return;
    CMyPropertySheet sheet(tr_ui("Meeting Room Options..."), this);
    auto* page = new CPropMeetingRoomOptions(&sheet);
    sheet.AddPage(page);
    sheet.DoModal();
}

void CLeftFormMembers::OnInvite()
{
    if (CMainFrame* frame = main_frame())
        frame->commands().trigger(cmd::invite_url);
}

void CLeftFormMembers::OnRequestChairman()
{
    if (CMainFrame* frame = main_frame())
        frame->commands().trigger(cmd::request_chairman);
}

void CLeftFormMembers::OnRequestPresenter()
{
    if (CMainFrame* frame = main_frame())
        frame->commands().trigger(cmd::request_presenter);
}

// --- Context menu --------------------------------------------------------

QMenu* CLeftFormMembers::build_context_menu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const struct {
        const char* text;
        int id;
    } items[] = {
        { "Show Video", menu_show_video },
        { "Show All Video", menu_show_all_video },
        { "Hide Video", menu_hide_video },
        { "Hide All Video", menu_hide_all_video },
        { members_buttons(session()).voice_menu_text, menu_private_voice },
        { "Private Chat", menu_private_chat },
        { "Allow Talk", menu_allow_talk },
        { "Set As Presenter", menu_set_presenter },
        { "Remove Presenter", menu_remove_presenter },
        { "Zoom", menu_zoom },
        { "Restore", menu_restore },
    };
    for (const auto& item : items) {
        QAction* a = menu->addAction(tr_ui(item.text));
        a->setData(item.id);
        a->setObjectName(QString("ctl_%1").arg(item.id));
        connect(a, &QAction::triggered, this, [this, id = item.id] { run_menu_command(id); });
    }
    skin_menu(menu);
    return menu;
}

void CLeftFormMembers::OnContextMenu(const QPoint& global_pos)
{
    QMenu* menu = build_context_menu(this);
    menu->exec(global_pos);
    delete menu;
}

void CLeftFormMembers::show_video_of_selection(bool show)
{
    if (!allowed(show ? MembersAction::show_video : MembersAction::hide_video))
        return;
    int row = selected_row();
    roster_.show_video(row, show);
    show_row(row);
    repaint_views();
    if (g_video_view && row >= 0) {
        int member = roster_.rows()[static_cast<size_t>(row)].customer_id;
        if (show)
            g_video_view->video_window_assign(member);
        else
            g_video_view->video_window_close_user(member);
    }
}

void CLeftFormMembers::show_all_video(bool show)
{
    if (show)
        roster_.show_all_video();
    else
        roster_.hide_all_video();
    show_rows();
    repaint_views();
    if (!g_video_view)
        return;
    for (const RosterRow& r : roster_.rows()) {
        if (show)
            g_video_view->video_window_assign(r.customer_id);
        else
            g_video_view->video_window_close_user(r.customer_id);
    }
}

void CLeftFormMembers::zoom_selection()
{
    if (!allowed(MembersAction::zoom))
        return;
    bool to_all = roster_.zoom(selected_row(), g_is_presenter == 1, g_push_mode == 1);
    show_rows();
    repaint_views();
    if (to_all)
        send_cmd_data_to_all(MSG_ZOOM_ONE_PERSON, format_text("%d", g_zoomed_customer_id.load()));
    if (g_video_view && g_zoomed_customer_id >= 0)
        g_video_view->video_window_zoom_user(g_zoomed_customer_id);
}

void CLeftFormMembers::restore_zoom()
{
    bool to_all = roster_.restore_zoom(g_is_presenter == 1, g_push_mode == 1);
    repaint_views();
    if (to_all)
        send_cmd_to_all(MSG_RESTORE_ZOOM);
    int row = selected_row();
    if (g_video_view && row >= 0)
        g_video_view->video_zoom_window_hide(roster_.rows()[static_cast<size_t>(row)].customer_id);
}

void CLeftFormMembers::run_menu_command(int id)
{
    switch (id) {
    case menu_show_video: show_video_of_selection(true); break;
    case menu_hide_video: show_video_of_selection(false); break;
    case menu_show_all_video: show_all_video(true); break;
    case menu_hide_all_video: show_all_video(false); break;
    case menu_private_voice: OnPrivateVoiceChat(); break;
    case menu_private_chat: OnPrivateChat(); break;
    case menu_allow_talk: OnAllowTalk(); break;
    case menu_set_presenter:
        if (allowed(MembersAction::set_presenter))
            send_to_selected(MSG_SET_PRESENTER);
        break;
    case menu_remove_presenter:
        if (allowed(MembersAction::remove_presenter))
            send_to_selected(MSG_REMOVE_PRESENTER);
        break;
    case menu_zoom: zoom_selection(); break;
    case menu_restore: restore_zoom(); break;
    default: break;
    }
}

// --- Window messages -----------------------------------------------------

void CLeftFormMembers::OnMyMsgMemberListFirst(const char* record, intptr_t flags)
{
    empty_list();
    add_member(record, flags);
    // A room entered without the meeting-room dialog (the launcher, Reconnect)
    // is first heard of here. Only the label is redone: every join in the room
    // brings a first record, and repainting the whole page for each made a
    // burst of joins slow.
    show_room_label();
}

void CLeftFormMembers::OnMyMsgMemberListAdd(const char* record, intptr_t flags) { add_member(record, flags); }

void CLeftFormMembers::OnMyMsgMemberState(int customer_id, int flags)
{
    int row = roster_.update_member(customer_id, flags);
    if (row < 0)
        return;
    show_row(row);
    repaint_list();
}

void CLeftFormMembers::OnMyMsgKickedOut()
{
    show_text_box(kicked_out_text);
    if (CMainFrame* frame = main_frame())
        frame->commands().trigger(cmd::disconnect_server);
    else
        disconnect_server();
    OnRefresh();
    update();
}

void CLeftFormMembers::OnMyMsgLeaveRoomOk()
{
    if (g_talk_active == 1)
        send_talk_stop();
    for (AtomicInt* flag : { &g_is_chairman, &g_is_presenter, &g_talk_allowed, &g_hand_raised })
        flag->store(0);
    g_push_mode = 1;
    g_room_number = -1;
    end_private_voice();
    g_current_room_name.clear();
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_ROOM_CAPTION);
    // The members of a room left behind are no longer shown.
    empty_list();
    refresh_buttons();
    update();
    show_text_box("Leave meeting room success.");
}

void CLeftFormMembers::OnMyMsgMeetingStarted()
{
    g_meeting_started = 1;
    refresh_buttons();
    update();
}

void CLeftFormMembers::OnMyMsgMeetingStopped()
{
    g_meeting_started = 0;
    refresh_buttons();
    for (board_record& b : g_board)
        b.tool = 0;
    update();
}

void CLeftFormMembers::OnMyMsgHandButton() { refresh_buttons(); }

void CLeftFormMembers::OnMyMsgPrivateVoiceRequest(int requester_id)
{
    send_cmd_to_user(MSG_PRIVATE_VOICE_85, requester_id);
    int row = roster_.row_of(requester_id);
    if (row < 0)
        return;
    std::string name = cut_copy(roster_.rows()[static_cast<size_t>(row)].name, 127);
    if (message_box_printf_yes_no(tr_text(private_voice_request_question).c_str(), name.c_str()) != IDYES)
        return;
    roster_.begin_private_voice(requester_id);
    show_rows();
    refresh_buttons();
}

void CLeftFormMembers::OnMyMsgZoomOnePerson(int customer_id)
{
    roster_.zoom_told(customer_id);
    show_rows();
    repaint_views();
}

void CLeftFormMembers::OnMyMsgMembersNotice780()
{
    // The member list is whole: every video window's list offers its rows.
    std::vector<VideoMemberChoice> members;
    for (const RosterRow& row : roster_.rows())
        members.push_back({ row.name, row.customer_id });
    video_windows_set_member_choices(members);
}

void CLeftFormMembers::OnMyMsgRepaint()
{
    // Out of every room (disconnected, logged out, refused): no members to show.
    if (g_room_number < 0 && !roster_.rows().empty())
        empty_list();
    if (g_connected_to_server == 0 && g_private_voice_chat != 0)
        end_private_voice();
    refresh_buttons();
    update();
    repaint_list();
}

intptr_t CLeftFormMembers::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    const char* record = reinterpret_cast<const char*>(wparam);
    switch (msg) {
    case WM_MY_MSG_MEMBER_LIST_FIRST: OnMyMsgMemberListFirst(record, lparam); break;
    case WM_MY_MSG_MEMBER_LIST_ADD: OnMyMsgMemberListAdd(record, lparam); break;
    case WM_MY_MSG_MEMBER_STATE: OnMyMsgMemberState(static_cast<int>(wparam), static_cast<int>(lparam)); break;
    case WM_MY_MSG_KICKED_OUT: OnMyMsgKickedOut(); break;
    case WM_MY_MSG_MEMBERS_NOTICE_116: OnRefresh(); break;
    case WM_MY_MSG_LEAVE_ROOM_OK: OnMyMsgLeaveRoomOk(); break;
    case WM_MY_MSG_MEETING_STARTED: OnMyMsgMeetingStarted(); break;
    case WM_MY_MSG_MEETING_STOPPED: OnMyMsgMeetingStopped(); break;
    case WM_MY_MSG_HAND_BUTTON: OnMyMsgHandButton(); break;
    case WM_MY_MSG_PRIVATE_VOICE_REQUEST: OnMyMsgPrivateVoiceRequest(static_cast<int>(wparam)); break;
    case WM_MY_MSG_ZOOM_ONE_PERSON: OnMyMsgZoomOnePerson(static_cast<int>(wparam)); break;
    case WM_MY_MSG_MEMBERS_NOTICE_780: OnMyMsgMembersNotice780(); break;
    case WM_MY_MSG_SET_ROOM_PASSWORD_OK: show_text_box("Set meeting room password success."); break;
    case WM_MY_MSG_SET_ROOM_PASSWORD_FAILED:
        show_text_box("Set meeting room password Failed.\n Possibly, the old password is not correct");
        break;
    case WM_MY_MSG_SET_CHAIRMAN_PASSWORD_OK: message_box_printf("Set Chairman passwd success."); break;
    case WM_MY_MSG_SET_CHAIRMAN_PASSWORD_FAILED:
        message_box_printf("Set Chairman passwd failed. Your old password is not correct.");
        break;
    case WM_MY_MSG_REPAINT: OnMyMsgRepaint(); break;
    default: break;
    }
    return 0;
}

void CLeftFormMembers::paintEvent(QPaintEvent* event)
{
    show_room_label();
    Cgood_dlg_no_upper::paintEvent(event);
}

void CLeftFormMembers::show_room_label()
{
    // Label 1025 tells the room and whether its meeting runs, read at each paint.
    QString label = QString::fromStdString(members_room_label(g_current_room_name.get(), g_meeting_started.load()));
    if (room_label_->text() != label)
        room_label_->setText(label);
}

void CLeftFormMembers::resizeEvent(QResizeEvent* event)
{
    Cgood_dlg_no_upper::resizeEvent(event);
    place_buttons();
}

void CLeftFormMembers::place_buttons()
{
    // Columns as wide as the widest text; as many as the page's width holds.
    constexpr int margin_px = 4, gap_px = 4, row_gap_px = 3, max_columns = 4;
    int cell_px = 0, height_px = 0;
    for (const auto& [id, b] : buttons_) {
        cell_px = std::max(cell_px, b->sizeHint().width() + 8);
        height_px = std::max(height_px, b->sizeHint().height());
    }
    const int count = static_cast<int>(std::size(button_defs));
    auto columns_for = [&](int width_px) {
        return std::clamp((width_px - 2 * margin_px + gap_px) / (cell_px + gap_px), 1, max_columns);
    };
    int width_px = buttons_scroll_->width();
    int columns = columns_for(width_px);
    // Taller than the area: the vertical bar takes its share of the width.
    if (((count + columns - 1) / columns) * (height_px + row_gap_px) + margin_px > buttons_scroll_->height()) {
        width_px -= skin_scroll_bar_extent_px;
        columns = columns_for(width_px);
    }
    const int column_px = std::max(cell_px, (width_px - 2 * margin_px - (columns - 1) * gap_px) / columns);
    int n = 0;
    for (const ButtonDef& def : button_defs) {
        const int row = n / columns, column = n % columns;
        buttons_.at(def.id)->setGeometry(margin_px + column * (column_px + gap_px), row * (height_px + row_gap_px),
                                         column_px, height_px);
        ++n;
    }
    const int rows = (n + columns - 1) / columns;
    buttons_area_->resize(2 * margin_px + columns * column_px + (columns - 1) * gap_px,
                          rows * (height_px + row_gap_px) + margin_px);
}
