#include "shell/ui/main_frame.h"

#include "core/build_config.h"
#include "core/control_messages.h"
#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/title_status.h"
#include "core/ui_text.h"
#include "core/wire_builders.h"
#include "media/ui/dlg_show_me.h"
#include "media/ui/dlg_video_snap.h"
#include "whiteboard/ui/board_pictures.h"
#include "media/voice_state.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/translations.h"
#include "dialogs/event_notice.h"
#include "dialogs/internet_update.h"
#include "dialogs/ui/dlg_choose_browser.h"
#include "dialogs/ui/dlg_customer_feedback.h"
#include "dialogs/ui/dlg_internet_update.h"
#include "dialogs/ui/dlg_invite_url.h"
#include "dialogs/ui/dlg_event_history.h"
#include "dialogs/ui/dlg_tell_friend.h"
#include "dialogs/ui/dlg_notify_attenders.h"
#include "sharing/co_browse.h"
#include "sharing/remote_control.h"
#include "sharing/share_state.h"
#include "sharing/share_viewer.h"
#include "sharing/ui/dlg_ie.h"
#include "sharing/ui/share_commands.h"
#include "shell/ui/about_dlg.h"
#include "shell/ui/brenmo_view.h"
#include "dialogs/ui/options_sheet.h"
#include "dialogs/ui/prop_contact.h"
#include "dialogs/ui/prop_skin.h"
#include "media/ui/dlg_volume.h"
#include "shell/ui/chairman_password_dlg.h"
#include "skin/ui/my_property_sheet.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/dlg_chat.h"
#include "shell/ui/dlg_private_chat.h"
#include "shell/ui/left_form.h"
#include "shell/ui/member_pictures_page.h"
#include "shell/ui/connect_server_dlg.h"
#include "shell/ui/meeting_room_dlg.h"
#include "shell/ui/rest_room_dlg.h"
#include "shell/ui/session_commands.h"
#include "shell/ui/user_login_dlg.h"
#include "shell/ui/wnd_full_screen.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_commands.h"
#include "whiteboard/ui/board_view.h"
#include "whiteboard/ui/play_commands.h"
#include "sharing/ui/share_view.h"
#include "shell/ui/chat_view.h"

#include "skin/ui/my_menu.h"
#include "skin/ui/my_rebar.h"
#include "skin/ui/my_splitter_wnd.h"
#include "skin/ui/my_status_bar.h"
#include "skin/ui/my_tool_bar.h"
#include "skin/command_icons.h"
#include "skin/ui/theme_icons.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenuBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdarg>
#include <cstdio>
#include <cstring>

CMainFrame* g_main_frame = nullptr;

MainFrameHooks& main_frame_hooks()
{
    static MainFrameHooks hooks;
    return hooks;
}

namespace {

constexpr int band_talk = 0;
constexpr int band_draw = 1;
constexpr int band_misc = 2;
constexpr int zoomed_scroll_width = 3200;
constexpr int zoomed_scroll_height = 2000;

const char* const meeting_record_filter = "Meeting Record Files (*.mrd)|*.mrd|All Files (*.*)|*.*||";

// The bands' resources and the settings that show them, in band order.
struct BandInfo {
    int resource;
    const char* setting;
    std::vector<int> buttons;
};
const std::array<BandInfo, 3> band_infos = { {
    { 161, "show_talk_bar", { cmd::take_over_mic, cmd::show_video } },
    { 131, "show_draw_bar", { cmd::meeting_talk, cmd::volume_control, cmd::text_chat } },
    { 144, "show_misc_bar",
      { cmd::connect_server, cmd::reconnect_server, cmd::disconnect_server, cmd::login, cmd::logout,
        cmd::join_meeting_room, cmd::rest_room, cmd::start_meeting, cmd::stop_meeting } },
} };

board_record* current_board()
{
    int board = g_current_board;
    return board_index_valid(board) ? &g_board[static_cast<size_t>(board)] : nullptr;
}

std::string name_of(const char* name) { return cut_copy(name ? name : "", member_name_limit); }

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : CMyFrameWnd(parent)
{
    setObjectName("main_frame");
    if (OnCreate() != 0)
        dbg_log("CMainFrame::OnCreate failed.\n");
    if (!OnCreateClient())
        dbg_log("CMainFrame::OnCreateClient failed.\n");
    g_main_frame = this;
    // The whiteboard's "Paste Video" opens the snapshot dialog, which pastes into the current page.
    board_paste_video_opener() = [this] { video_snap_open(this); };
    video_snap_paste_target() = [](const std::string& path) {
        return board_paste_bitmap_file(g_current_board.load(), path, g_board_paste_x, g_board_paste_y);
    };
    commands_->refresh();
}

CMainFrame::~CMainFrame()
{
    board_paste_video_opener() = nullptr;
    video_snap_paste_target() = nullptr;
    if (g_main_frame == this)
        g_main_frame = nullptr;
}

int CMainFrame::OnCreate()
{
    picking_window = 0;
    picking_desktop = 0;
    commands_ = new CommandRegistry(this);
    commands_->set_state_source([this] { return command_state(); });
    session_ = new SessionCommands(this);
    install_handlers();
    install_full_screen_commands(this);
    create_bands();
    FrameLayoutSettings layout = read_frame_layout_settings();
    show_talk_bar = layout.show_talk_bar;
    show_draw_bar = layout.show_draw_bar;
    show_misc_bar = layout.show_misc_bar;
    set_band_shown(band_talk, show_talk_bar == 1);
    set_band_shown(band_draw, show_draw_bar == 1);
    set_band_shown(band_misc, show_misc_bar == 1);
    for (int band = 0; band < 3; ++band)
        rebar_->minimize_band(band);
    rebar_->set_band_width(band_talk, talk_bar_width_px);
    create_status_bar();
    create_menu();
    return 0;
}

bool CMainFrame::OnCreateClient()
{
    FrameLayoutSettings layout = read_frame_layout_settings();
    stored_layout_ = layout;
    auto* client = new QWidget(this);
    client->setObjectName("frame_client");
    splitter_ = new CMySplitterWnd(client);
    splitter_->setObjectName("outer_splitter");
    left_form_ = new CLeftForm;
    brenmo_view_ = new CBrenmoView;
    brenmo_view_->set_switch_handler([this](int index) { show_upper_view(index); });
    // The left panel is at least as wide as its three tabs.
    const int left_width = std::max(layout.left_width, left_form_->minimumWidth());
    if (!splitter_->CreateStatic(1, 2) || !splitter_->CreateView(0, 0, left_form_, QSize(left_width, 100))
        || !splitter_->CreateView(0, 1, brenmo_view_, QSize(100, 100))
        || !brenmo_view_->OnCreateClient(layout.upper_height, layout.lower_height)) {
        delete client;
        splitter_ = nullptr;
        return false;
    }
    // The bands sit above the panes, inside the frame's client area.
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(rebar_);
    column->addWidget(splitter_, 1);
    setCentralWidget(client);
    return true;
}

void CMainFrame::create_bands()
{
    rebar_ = new CMyRebar(59419, this);
    rebar_->setObjectName("rebar");
    // The bands in rebar order: 161, 131, 144.
    for (size_t i = 0; i < band_infos.size(); ++i) {
        const BandInfo& info = band_infos[i];
        auto* bar = new CMyToolBar(info.resource);
        bar->setObjectName(QString("band_%1").arg(info.resource));
        bar->set_image_lists(command_image_lists(info.buttons));
        for (size_t b = 0; b < info.buttons.size(); ++b)
            bar->add_action(commands_->action(info.buttons[b]), static_cast<int>(b));
        bar->set_tool_tips(true);
        bar->set_fly_by(true);
        connect(bar, &CMyToolBarCtrl::fly_by_text, this, [this](const QString& text) { set_status_text(text); });
        rebar_->add_band(bar);
        bands_[i] = bar;
    }
}

void CMainFrame::create_status_bar()
{
    status_bar_ = new CMyStatusBar(this);
    status_bar_->setObjectName("status_bar");
    status_bar_->set_indicators(2);
    status_bar_->set_pane_width(1, meeting_clock_width_px);
    status_bar_->set_pane_text(1, QString::fromStdString(::meeting_clock_text(tr_text("Meeting Started"), 0)));
    setStatusBar(status_bar_);
}

QString CMainFrame::status_text() const { return status_bar_->pane_text(0); }

QString CMainFrame::meeting_clock_text() const { return status_bar_->pane_text(1); }

bool CMainFrame::band_shown(int index) const { return rebar_->band_shown(index); }

void CMainFrame::create_menu()
{
    auto* bar = new CMyMenu(this);
    bar->setObjectName("menu_128");
    setMenuBar(bar);
    menu_bar_ = bar;
    auto add_menu = [&](const char* title, std::initializer_list<int> ids) {
        QMenu* m = bar->add_popup(tr_ui(title));
        m->setObjectName(QString("menu_%1").arg(menus_.size()));
        for (int id : ids) {
            if (id == 0)
                m->addSeparator();
            else
                m->addAction(commands_->action(id));
        }
        menus_.push_back(m);
        return m;
    };
    add_menu("&Meeting", { cmd::connect_server, cmd::reconnect_server, cmd::disconnect_server, 0, cmd::login,
                           cmd::logout, 0, cmd::join_meeting_room, cmd::rest_room, 0, cmd::start_meeting,
                           cmd::stop_meeting, 0, cmd::request_chairman, cmd::request_presenter, cmd::raise_hand, 0,
                           cmd::chairman_control_mode, cmd::free_lance_mode, cmd::push_mode, 0, cmd::work_offline, 0,
                           cmd::exit });
    add_menu("&Edit", { cmd::board_undo, cmd::board_redo, 0, cmd::edit_copy, cmd::edit_paste, 0, cmd::paste_area,
                        cmd::paste_window });
    add_menu("&View", { cmd::misc_bar, cmd::ctrl_bar, cmd::audio_video_bar, 0, cmd::full_screen });
    add_menu("&Talk", { cmd::meeting_talk, cmd::take_over_mic, cmd::volume_control, 0, cmd::show_video, 0,
                        cmd::text_chat, cmd::reload_chat });
    QMenu* board = add_menu("&Whiteboard",
                            { cmd::tool_pointer, cmd::tool_pen, cmd::tool_eraser, cmd::tool_text, 0, cmd::tool_line,
                              cmd::tool_void_rect, cmd::tool_solid_rect, cmd::tool_void_circle, cmd::tool_solid_circle,
                              cmd::tool_void_round_rect, cmd::tool_solid_round_rect, 0, cmd::pen_colour,
                              cmd::pen_width, cmd::eraser_width, cmd::board_font, 0, cmd::show_pointer,
                              cmd::board_zoom, cmd::board_lock, 0, cmd::board_clear, cmd::board_reload,
                              cmd::board_upload, 0, cmd::board_open, cmd::board_save, cmd::board_save_as,
                              cmd::board_save_picture, 0, cmd::print, cmd::print_direct, cmd::print_preview });
    (void)board;
    add_menu("&Share", { cmd::share_desktop, cmd::share_application, cmd::request_remote_control, 0, cmd::share_word,
                         cmd::share_excel, cmd::share_powerpoint, 0, cmd::share_browser });
    add_menu("&Record", { cmd::record_start, cmd::record_pause, cmd::record_stop, 0, cmd::play_record,
                          cmd::play_pause, cmd::play_stop });
    add_menu("T&ools", { cmd::options, cmd::net_speed_test, cmd::event_history, 0, cmd::invite_url,
                         cmd::invite_outlook, 0, cmd::internet_update, cmd::customer_feedback, cmd::tell_friend });
    add_menu("&Help", { cmd::help, 0, cmd::about });
    bar->apply_background();

    // The usual desktop keys.
    commands_->action(cmd::exit)->setShortcut(QKeySequence::Quit);
    commands_->action(cmd::edit_copy)->setShortcut(QKeySequence::Copy);
    commands_->action(cmd::edit_paste)->setShortcut(QKeySequence::Paste);
    commands_->action(cmd::board_undo)->setShortcut(QKeySequence::Undo);
    commands_->action(cmd::board_redo)->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence::Redo });
    commands_->action(cmd::full_screen)->setShortcut(QKeySequence(Qt::Key_F11));
    commands_->action(cmd::help)->setShortcut(QKeySequence::HelpContents);
    commands_->action(cmd::board_open)->setShortcut(QKeySequence::Open);
    commands_->action(cmd::board_save)->setShortcut(QKeySequence::Save);
    commands_->action(cmd::print)->setShortcut(QKeySequence::Print);
    // The frame owns the actions, so their keys work while the menu is closed;
    // the menu shows the bands' pictures beside their commands.
    for (const FrameCommand& c : frame_commands()) {
        QAction* a = commands_->action(c.id);
        addAction(a);
        if (command_icon(c.id))
            a->setIcon(QIcon(QPixmap::fromImage(command_picture(c.id, QSize(16, 16)))));
    }
}

QMenu* CMainFrame::menu(int index) const
{
    return index >= 0 && index < menu_count() ? menus_[static_cast<size_t>(index)] : nullptr;
}

int CMainFrame::menu_count() const { return static_cast<int>(menus_.size()); }

void CMainFrame::install_handlers()
{
    CommandRegistry& r = *commands_;
    SessionCommands& session = *session_;
    r.set_handler(cmd::connect_server, [&session] { session.OnConnectServer(); });
    r.set_handler(cmd::reconnect_server, [&session] { session.OnReconnectServer(); });
    r.set_handler(cmd::disconnect_server, [&session] { session.OnDisconnectServer(); });
    r.set_handler(cmd::login, [&session] { session.OnLogin(); });
    r.set_handler(cmd::join_meeting_room, [&session] { session.OnJoinMeetingRoom(); });
    r.set_handler(cmd::join_meeting_room_2, [&session] { session.OnJoinMeetingRoom(); });
    r.set_handler(cmd::rest_room, [&session] { session.OnRestRoom(); });
    r.set_handler(cmd::logout, [this] { OnLogout(); });
    r.set_handler(cmd::start_meeting, [this] { OnStartMeeting(); });
    r.set_handler(cmd::stop_meeting, [this] { OnStopMeeting(); });
    r.set_handler(cmd::work_offline, [this] { OnWorkOffline(); });
    r.set_handler(cmd::meeting_talk, [this] { OnMeetingTalk(); });
    r.set_handler(cmd::take_over_mic, [this] { OnTakeOverMic(); });
    r.set_handler(cmd::chairman_control_mode, [this] { OnChairmanControlMode(); });
    r.set_handler(cmd::free_lance_mode, [this] { OnFreeLanceMode(); });
    r.set_handler(cmd::request_chairman, [this] { OnRequestChairman(); });
    r.set_handler(cmd::request_presenter, [this] { OnRequestPresenter(); });
    r.set_handler(cmd::raise_hand, [this] { OnRaiseHand(); });
    r.set_handler(cmd::push_mode, [this] { OnPushMode(); });
    r.set_handler(cmd::show_video, [this] { OnShowVideo(); });
    r.set_handler(cmd::share_application, [this] { OnShareApplication(); });
    r.set_handler(cmd::share_desktop, [this] { OnShareDesktop(); });
    r.set_handler(cmd::share_powerpoint, [this] { OnShareOffice(OfficeKind::presentation); });
    r.set_handler(cmd::share_word, [this] { OnShareOffice(OfficeKind::text); });
    r.set_handler(cmd::share_excel, [this] { OnShareOffice(OfficeKind::sheet); });
    r.set_handler(cmd::share_browser, [this] { OnShareBrowser(); });
    r.set_handler(cmd::request_remote_control, [] { toggle_remote_control(); });
    r.set_handler(cmd::text_chat, [this] { show_chat_dialog(this); });
    r.set_handler(cmd::reload_chat, [] { send_reload_chat(); });
    main_frame_hooks().open_private_chat = [](const char* body, int len) {
        return private_chat_from_server(body, len) == 0;
    };
    install_co_browser_window();
    main_frame_hooks().open_shared_browser = open_shared_browser;
    for (const FrameCommand& c : frame_commands()) {
        if (c.tool_code >= 0)
            r.set_handler(c.id, [this, code = c.tool_code] { OnBoardTool(code); });
    }
    r.set_handler(cmd::show_pointer, [this] { OnShowPointer(); });
    r.set_handler(cmd::board_zoom, [this] { OnBoardZoom(); });
    r.set_handler(cmd::board_undo, [this] { OnBoardUndo(); });
    r.set_handler(cmd::board_redo, [this] { OnBoardRedo(); });
    r.set_handler(cmd::board_reload, [this] { OnBoardReload(); });
    r.set_handler(cmd::board_clear, [this] { OnBoardClear(); });
    r.set_handler(cmd::board_lock, [this] { OnBoardLock(); });
    r.set_handler(cmd::record_start, [this] { OnRecordStart(); });
    r.set_handler(cmd::record_pause, [this] { OnRecordPause(); });
    r.set_handler(cmd::record_stop, [this] { OnRecordStop(); });
    r.set_handler(cmd::misc_bar, [this] { OnToggleBar(band_misc); });
    r.set_handler(cmd::ctrl_bar, [this] { OnToggleBar(band_draw); });
    r.set_handler(cmd::audio_video_bar, [this] { OnToggleBar(band_talk); });
    r.set_handler(cmd::help, [this] { OnHelp(); });
    r.set_handler(cmd::about, [this] { OnAppAbout(); });
    r.set_handler(cmd::event_history, [] { show_event_history(); });
    r.set_handler(cmd::options, [this] { OnOptions(); });
    r.set_handler(cmd::volume_control, [this] { OnVolumeControl(); });
    r.set_handler(cmd::internet_update, [this] { OnInternetUpdate(); });
    r.set_handler(cmd::customer_feedback, [this] { OnCustomerFeedBack(); });
    r.set_handler(cmd::tell_friend, [this] { OnTellFriend(); });
    r.set_handler(cmd::invite_outlook, [this] { OnNotifyAttenders(); });
    r.set_handler(cmd::invite_url, [this] { OnInviteURL(); });
    r.set_handler(cmd::exit, [this] { close(); });
    r.set_handler(cmd::edit_copy, [this] { OnEditCopy(); });
    r.set_handler(cmd::edit_paste, [this] { OnEditPaste(); });
    for (auto& [id, handler] : board_view_command_handlers(
             [this] { return brenmo_view_ ? brenmo_view_->board_view() : nullptr; }, this))
        r.set_handler(id, handler);
    install_board_file_commands();
    PlayCommandHooks play_hooks;
    play_hooks.show_playback_view = [this] { switch_to_playback_view(); };
    play_hooks.refresh_chat_view = [] {
        if (CFormRightLower* chat = chat_view())
            chat->set_whole_text({});
    };
    play_hooks.forget_shared_screen = [this] {
        if (CFormRightUpper2* share = brenmo_view_->share_view())
            share->forget_tiles();
    };
    for (auto& [id, handler] : play_command_handlers(this, play_hooks))
        r.set_handler(id, handler);
    main_frame_hooks().play_record_file = [play_hooks](const std::string& path) { play_record_at_start(path, play_hooks); };
}

CommandState CMainFrame::command_state() const
{
    CommandState s = read_command_state();
    s.show_talk_bar = show_talk_bar == 1;
    s.show_draw_bar = show_draw_bar == 1;
    s.show_misc_bar = show_misc_bar == 1;
    s.full_screen = full_screen_view_shown();
    return s;
}

void CMainFrame::run_start_up_actions()
{
    session_->run_start_up();
    MainFrameHooks& hooks = main_frame_hooks();
    std::string path = g_start_file_path.get();
    if (g_start_open_board == 1) {
        if (board_record* b = current_board())
            copy_to_field(b->file_path, path, 255);
        if (hooks.load_board_file)
            hooks.load_board_file(path);
    }
    if (g_start_play_record == 1) {
        // The file is checked here so that a missing one is told once and the window stays usable.
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
            if (hooks.play_record_file)
                hooks.play_record_file(path);
        } else {
            message_box_printf("Failed to open file to read");
        }
    }
}

int CMainFrame::show_upper_view_only(int index)
{
    const int before = g_current_view;
    if (brenmo_view_->show_upper_view(index) != 0)
        return -1;
    if (index == upper_view_share && before != upper_view_share)
        view_before_share_ = before;
    return 0;
}

int CMainFrame::show_upper_view(int index)
{
    if (show_upper_view_only(index) != 0)
        return -1;
    if (index == upper_view_share) {
        if (g_is_presenter == 1 && g_push_mode == 1)
            send_cmd_data_to_all(MSG_BOARD_VIEW, format_text("%4d", index));
        record_ui_event(record_ui_upper_view, index);
    }
    commands_->refresh();
    return 0;
}

void CMainFrame::showEvent(QShowEvent* event)
{
    CMyFrameWnd::showEvent(event);
    if (layout_restored_ || !splitter_)
        return;
    layout_restored_ = true;
    // The left panel and the chat view keep their sizes; the upper view takes the rest.
    splitter_->SetColumnInfo(0, std::max(stored_layout_.left_width, left_form_->minimumWidth()), splitter_min_px);
    splitter_->RecalcLayout();
    CMySplitterWnd* inner = brenmo_view_->splitter();
    int upper = 0;
    int lower = 0;
    int min_px = 0;
    inner->GetRowInfo(0, upper, min_px);
    inner->GetRowInfo(1, lower, min_px);
    inner->SetRowInfo(0, std::max(splitter_min_px, upper + lower - stored_layout_.lower_height), splitter_min_px);
    inner->RecalcLayout();
}

void CMainFrame::set_band_shown(int band_index, bool shown) { rebar_->show_band(band_index, shown); }

void CMainFrame::save_splitter_sizes()
{
    int left = 0;
    int upper = 0;
    int lower = 0;
    int min_px = 0;
    splitter_->GetColumnInfo(0, left, min_px);
    brenmo_view_->splitter()->GetRowInfo(0, upper, min_px);
    brenmo_view_->splitter()->GetRowInfo(1, lower, min_px);
    write_splitter_sizes(left, upper, lower);
}

// ---- window messages -------------------------------------------------------

bool CMainFrame::body_usable(uint32_t msg, const void* body, intptr_t len, intptr_t limit)
{
    if (!body) {
        dbg_log("window message %u without its body dropped in CMainFrame.\n", msg);
        return false;
    }
    if (len < 0 || len > limit) {
        dbg_log("window message %u with a body of %ld bytes dropped in CMainFrame.\n", msg, static_cast<long>(len));
        return false;
    }
    return true;
}

intptr_t CMainFrame::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    const char* body = reinterpret_cast<const char*>(wparam);
    switch (msg) {
    case WM_MY_MSG_TALK_STARTED: OnMyMsgTalkStarted(); break;
    case WM_MY_MSG_TALK_STOPPED: OnMyMsgTalkStopped(); break;
    case WM_MY_MSG_LOGIN_SUCCESS: session_->OnMyMsgLoginSuccess(); break;
    case WM_MY_MSG_LOGIN_FAILED: session_->OnMyMsgLoginFailed(); break;
    case WM_MY_MSG_NOT_LOGGED_IN: session_->OnMyMsgNotLoggedIn(); break;
    case WM_MY_MSG_JOIN_ROOM_FAILED: session_->OnMyMsgJoinRoomFailed(); break;
    case WM_MY_MSG_CONNECTED:
        if (body_usable(msg, body, lparam, window_message_body_limit))
            session_->OnMyMsgConnected(body, lparam);
        break;
    case WM_MY_MSG_MEETING_TIME: OnMyMsgMeetingTime(static_cast<int32_t>(wparam)); break;
    case WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER:
        if (body_usable(msg, body, lparam, window_message_body_limit))
            OnMyMsgPrivateChatFromServer(body, lparam);
        break;
    case WM_MY_MSG_SHARE_DESKTOP_APPROVED: OnMyMsgShareDesktopApproved(); break;
    case WM_MY_MSG_SHARE_DESKTOP_DENIED: OnMyMsgShareDesktopDenied(); break;
    case WM_MY_MSG_SHARE_APP_ENDED: OnMyMsgShareAppEnded(); break;
    case WM_MY_MSG_SHARE_DESK_ENDED: OnMyMsgShareDeskEnded(); break;
    case WM_MY_MSG_SHOW_TALK_BAR: OnMyMsgShowTalkBar(); break;
    case WM_MY_MSG_CHAIRMAN_DENIED: OnMyMsgChairmanDenied(); break;
    case WM_MY_MSG_CHAIRMAN_APPROVED: OnMyMsgChairmanApproved(); break;
    case WM_MY_MSG_CHAIRMAN_GIVEN_UP: OnMyMsgChairmanGivenUp(); break;
    case WM_MY_MSG_PRESENTER_APPROVED: OnMyMsgPresenterApproved(); break;
    case WM_MY_MSG_PRESENTER_GIVEN_UP: OnMyMsgPresenterGivenUp(); break;
    case WM_MY_MSG_PRESENTER_DENIED: OnMyMsgPresenterDenied(); break;
    case WM_MY_MSG_BOARD_ZOOM_ON: OnMyMsgBoardZoom(static_cast<int>(wparam), true); break;
    case WM_MY_MSG_BOARD_ZOOM_OFF: OnMyMsgBoardZoom(static_cast<int>(wparam), false); break;
    case WM_MY_MSG_UPPER_VIEW: OnMyMsgUpperView(static_cast<int>(wparam)); break;
    case WM_MY_MSG_FULL_SCREEN: OnMyMsgFullScreen(); break;
    case WM_MY_MSG_EXIT_FULL_SCREEN: OnMyMsgExitFullScreen(); break;
    case WM_MY_MSG_NEW_VERSION: OnMyMsgNewVersion(); break;
    case WM_MY_MSG_SET_TITLE: OnMyMsgSetTitle(); break;
    case WM_MY_MSG_STATUS_TEXT: OnMyMsgStatusText(); break;
    case WM_MY_MSG_ROOM_CAPTION: OnMyMsgRoomCaption(); break;
    case WM_MY_MSG_HAND_RAISED:
    case WM_MY_MSG_HAND_LOWERED:
    case WM_MY_MSG_MEMBER_JOINED:
    case WM_MY_MSG_MEMBER_LEFT:
    case WM_MY_MSG_TALKER_CHANGED:
    case WM_MY_MSG_TALKER_GAVE_UP:
        // The name comes terminated; a name that does not end within the buffer is no name.
        if (body_usable(msg, body, body ? static_cast<intptr_t>(strnlen(body, window_message_body_limit + 1)) : 0,
                        window_message_body_limit))
            OnMyMsgMemberNotice(msg, body);
        break;
    case WM_MY_MSG_CHAIRMAN_CONTROL_MODE: OnMyMsgChairmanControlMode(); break;
    case WM_MY_MSG_FREE_LANCE_MODE: OnMyMsgFreeLanceMode(); break;
    case WM_MY_MSG_BECOME_PRESENTER: OnMyMsgBecomePresenter(); break;
    case WM_MY_MSG_BECOME_CHAIRMAN: OnMyMsgBecomeChairman(); break;
    case WM_MY_MSG_PRESENTER_APPLY: OnMyMsgPresenterApply(static_cast<int>(wparam)); break;
    case WM_MY_MSG_OPEN_SHARED_BROWSER: OnMyMsgOpenSharedBrowser(false); break;
    case WM_MY_MSG_IE_OPEN_FRAME_URL: OnMyMsgOpenSharedBrowser(true); break;
    // The status bar's buttons and light post their commands.
    case WM_COMMAND: commands_->trigger(static_cast<int>(wparam)); break;
    case WM_MY_MSG_CHAT_TEXT:
    case WM_MY_MSG_ROOM_ENTERED:
    default: break;
    }
    commands_->refresh();
    return 0;
}

void CMainFrame::OnMyMsgSetTitle() { set_caption_text(QString::fromStdString(g_title_text.get())); }

void CMainFrame::OnMyMsgStatusText() { set_status_text(QString::fromStdString(g_status_text.get())); }

void CMainFrame::set_status_text(const QString& text) { status_bar_->set_pane_text(0, text); }

void CMainFrame::OnMyMsgTalkStarted()
{
    // The mode's text tells an attendee who may not talk yet how to get the microphone.
    if (g_talk_allowed == 1)
        show_event_printf("Talking Started.");
    else if (g_chairman_control_mode == 1)
        show_event_printf("Talking started, it is in chairman control mode, only Chairman could allow people to talk.");
    else
        show_event_printf(
            "Talking started, it is in free lance mode, please click \"Take over microphone\" button to talk.");
}

void CMainFrame::OnMyMsgTalkStopped() { show_event_printf("Talking stopped."); }

void CMainFrame::OnMyMsgMeetingTime(int64_t elapsed_s)
{
    status_bar_->set_pane_text(1, QString::fromStdString(::meeting_clock_text(tr_text("Meeting Started"), elapsed_s)));
    if (!g_dlg_show_me || !g_dlg_show_me->is_shown())
        open_show_me();
}

void CMainFrame::OnMyMsgPrivateChatFromServer(const char* body, intptr_t len)
{
    MainFrameHooks& hooks = main_frame_hooks();
    if (!hooks.open_private_chat || !hooks.open_private_chat(body, static_cast<int>(len)))
        dbg_log("something goes wrong in CMainFrame::OnMyMsgPrivateChatFromServer\n");
}

void CMainFrame::OnMyMsgShareDesktopApproved()
{
    delete_desk_tile_files();
    show_event_printf("Share desktop approved.");
    show_me_cancel();
    if (main_frame_hooks().start_desktop_share)
        main_frame_hooks().start_desktop_share();
    else
        start_approved_desktop_share(this);
}

void CMainFrame::OnShareApplication()
{
    // Stopping is always allowed; starting is the presenter's in chairman control mode.
    std::string refusal = g_sharing_app ? std::string() : sharing_refusal(command_state());
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    ::OnShareApplication(this, [this] { switch_to_share_view(); });
}

void CMainFrame::OnShareDesktop()
{
    std::string refusal = g_sharing_desktop ? std::string() : sharing_refusal(command_state());
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    ::OnShareDesktop();
}

void CMainFrame::OnShareOffice(OfficeKind kind)
{
    std::string refusal = sharing_refusal(command_state());
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    ::OnShareOffice(this, kind);
}

void CMainFrame::OnShareBrowser()
{
    std::string refusal = sharing_refusal(command_state());
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    CDlgChooseBrowser dlg(this);
    dlg.exec();
    share_browser_choice(dlg.choice());
}

void CMainFrame::OnMyMsgShareDesktopDenied()
{
    show_event_printf("Share desktop denied.\nAnother desktop or application already in share.");
}

void CMainFrame::OnMyMsgShareAppEnded()
{
    show_event_printf("Application Sharing Stopped.");
    leave_ended_share();
}

void CMainFrame::OnMyMsgShareDeskEnded()
{
    show_event_printf("Desktop Sharing Stopped.");
    leave_ended_share();
}

// A viewer whose share ended is taken back to the view the share covered, rather than left before an empty picture.
void CMainFrame::leave_ended_share()
{
    if (g_current_view == upper_view_share && !this_instance_shares())
        OnMyMsgUpperView(view_before_share_);
}

// Following the presenter's view or a share that started: shown here without sending it on again.
void CMainFrame::OnMyMsgUpperView(int index)
{
    if (show_upper_view_only(index) == 0)
        commands_->refresh();
}

void CMainFrame::OnMyMsgShowTalkBar()
{
    set_band_shown(band_talk, true);
    show_talk_bar = 1;
}

void CMainFrame::OnMyMsgChairmanDenied()
{
    show_event_printf("Chairman request denied, password not correct or chairman already exist.");
}

void CMainFrame::OnMyMsgChairmanApproved()
{
    g_is_chairman = 1;
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    show_event_printf("Chairman request approved.");
}

void CMainFrame::OnMyMsgChairmanGivenUp()
{
    g_is_chairman = 0;
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    show_event_printf("Chairman gived up.");
}

void CMainFrame::OnMyMsgPresenterApproved()
{
    g_is_presenter = 1;
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    show_event_printf("Presenter request approved.");
}

void CMainFrame::OnMyMsgPresenterGivenUp()
{
    g_is_presenter = 0;
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    show_event_printf("Presenter gived up.");
}

void CMainFrame::OnMyMsgPresenterDenied() { show_event_printf("Presenter request denied."); }

void CMainFrame::OnMyMsgBoardZoom(int board, bool on)
{
    if (!board_index_valid(board)) {
        dbg_log("board_num:%d out of range in CMainFrame::OnMyMsgBoardZoom.\n", board);
        return;
    }
    board_record& b = g_board[static_cast<size_t>(board)];
    b.half_size = on ? 1 : 0;
    b.scroll_width = on ? zoomed_scroll_width : board_page_width;
    b.scroll_height = on ? zoomed_scroll_height : board_page_height;
    if (board == g_current_board)
        brenmo_view_->board_view()->set_scroll_size(b.scroll_width, b.scroll_height);
    // The full-screen window scrolls over the zoomed page as well.
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT, static_cast<uintptr_t>(board + 1));
}

void CMainFrame::OnMyMsgFullScreen()
{
    if (main_frame_hooks().show_full_screen)
        main_frame_hooks().show_full_screen();
}

void CMainFrame::OnMyMsgExitFullScreen()
{
    if (main_frame_hooks().leave_full_screen)
        main_frame_hooks().leave_full_screen();
}

void CMainFrame::OnMyMsgNewVersion()
{
    // Sent by the receive thread, which goes on reading while the user decides.
    QTimer::singleShot(0, this, [this] { ask_for_update(); });
}

void CMainFrame::ask_for_update()
{
    int answer = message_box_printf_yes_no(
        "Tamblo %d.%d.%d available, your current version is:%d.%d.%d, would you like to do update?",
        g_newest_version_major.load(), g_newest_version_minor.load(), g_newest_version_build.load(),
        TAMBLO_VERSION_MAJOR, TAMBLO_VERSION_MINOR, TAMBLO_VERSION_BUILD);
    if (answer == IDYES)
        commands_->trigger(cmd::internet_update);
}

void CMainFrame::OnMyMsgRoomCaption()
{
    set_title_printf("%s: %s: %s", g_server_display_name.get().c_str(), g_room_name.get().c_str(),
                     g_current_room_name.get().c_str());
}

void CMainFrame::OnMyMsgMemberNotice(uint32_t msg, const char* name_body)
{
    std::string name = name_of(name_body);
    switch (msg) {
    case WM_MY_MSG_HAND_RAISED: show_event_printf("%s raised hand.", name.c_str()); break;
    case WM_MY_MSG_HAND_LOWERED: show_event_printf("%s lowered hand.", name.c_str()); break;
    case WM_MY_MSG_MEMBER_JOINED: {
        show_event_printf("%s joined conference.", name.c_str());
        std::string folder;
        if (get_app_path(folder) == 0 && main_frame_hooks().play_sound)
            main_frame_hooks().play_sound(folder + "sound/knock_door.wav");
        break;
    }
    case WM_MY_MSG_MEMBER_LEFT: show_event_printf("%s left conference.", name.c_str()); break;
    case WM_MY_MSG_TALKER_CHANGED: show_event_printf("%s becomes the talking person.", name.c_str()); break;
    case WM_MY_MSG_TALKER_GAVE_UP: show_event_printf("%s giveup talking.", name.c_str()); break;
    default: break;
    }
}

void CMainFrame::OnMyMsgChairmanControlMode()
{
    show_event_printf("Changed to Chairman Control  Mode, only the person designated by Chairman could talk.");
}

void CMainFrame::OnMyMsgFreeLanceMode()
{
    show_event_printf("Changed to Free Lance Mode, please click \"Take over microphone\" button to talk.");
}

void CMainFrame::OnMyMsgBecomePresenter() { show_event_printf("%s become presenter.", name_of(g_new_presenter_name.get().c_str()).c_str()); }

void CMainFrame::OnMyMsgBecomeChairman() { show_event_printf("%s become chairman.", name_of(g_new_chairman_name.get().c_str()).c_str()); }

void CMainFrame::OnMyMsgPresenterApply(int applicant)
{
    std::string name = name_of(g_presenter_applicant.get().c_str());
    show_event_printf("%s apply for presenter.", name.c_str());
    // Only the chairman is asked; the server sends the application to no one else.
    if (g_is_chairman != 1)
        return;
    int answer = message_box_printf_yes_no("%s apply for presenter.\nDo you want to approve it", name.c_str());
    send_cmd_to_user(answer == IDYES ? MSG_PRESENTER_ACCEPT : MSG_PRESENTER_DENIED, applicant);
}

void CMainFrame::OnMyMsgOpenSharedBrowser(bool frame)
{
    if (main_frame_hooks().open_shared_browser)
        main_frame_hooks().open_shared_browser(frame);
}

// ---- commands --------------------------------------------------------------

void CMainFrame::OnStartMeeting()
{
    std::string refusal = start_meeting_refusal(command_state());
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    send_start_meeting();
}

void CMainFrame::OnStopMeeting()
{
    std::string refusal = stop_meeting_refusal(command_state());
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    if (g_talk_active == 1)
        send_talk_stop();
    send_stop_meeting();
}

void CMainFrame::OnLogout() { send_logout(); }

void CMainFrame::OnWorkOffline() { g_offline_board = g_offline_board == 0 ? 1 : 0; }

void CMainFrame::OnMeetingTalk()
{
    if (g_talk_active == 1)
        send_talk_stop();
    else
        send_talk_start();
}

void CMainFrame::OnTakeOverMic()
{
    if (g_talk_allowed == 0) {
        send_cmd_to_user(MSG_ALLOW_TALK, g_my_customer_id);
    } else {
        send_cmd(MSG_TAKE_OVER_MIC);
        g_talk_allowed = 0;
    }
}

void CMainFrame::OnChairmanControlMode()
{
    if (g_is_chairman != 1) {
        message_box_printf("Only Chairman could set talk mode.");
        return;
    }
    send_chairman_control_mode();
}

void CMainFrame::OnFreeLanceMode()
{
    if (g_is_chairman != 1) {
        message_box_printf("Only Chairman could set talk mode.");
        return;
    }
    if (message_box_printf_yes_no("If switched to free lance mode, any person could click \"Take over microphone\" "
                                  "button to talk.\nAre you sure to continue?")
        != IDYES)
        return;
    send_free_lance_mode();
}

void CMainFrame::OnRequestChairman()
{
    if (g_is_chairman == 1) {
        send_cmd(MSG_GIVE_UP_CHAIRMAN);
        return;
    }
    CDlgMeetingRoomChairmanPasswd dlg(this);
    if (dlg.exec() != IDOK)
        return;
    send_cmd_data(MSG_REQUEST_CHAIRMAN, dlg.password());
}

void CMainFrame::OnRequestPresenter()
{
    if (g_is_presenter == 1)
        send_cmd(MSG_GIVE_UP_PRESENTER);
    else if (g_is_chairman != 1 && g_chairman_control_mode == 1)
        send_cmd(MSG_APPLY_PRESENTER);
    else
        send_cmd(MSG_REQUEST_PRESENTER);
}

void CMainFrame::OnRaiseHand() { send_cmd(g_hand_raised == 1 ? MSG_LOWER_HAND : MSG_RAISE_HAND); }

void CMainFrame::OnPushMode() { g_push_mode = g_push_mode == 0 ? 1 : 0; }

void CMainFrame::open_show_me()
{
    if (!g_dlg_show_me)
        new CDlgShowMe(this);
    g_dlg_show_me->show();
    g_dlg_show_me->raise();
}

void CMainFrame::OnShowVideo()
{
    open_show_me();
    if (g_dlg_show_me->camera_missing()) {
        g_dlg_show_me->OnCancel();
        message_box_printf("Video device not available.");
    }
}

void CMainFrame::OnBoardTool(int tool_code)
{
    if (board_record* b = current_board())
        b->tool = tool_code;
}

void CMainFrame::OnShowPointer()
{
    board_record* b = current_board();
    if (!b)
        return;
    b->show_pointer = b->show_pointer == 0 ? 1 : 0;
    send_board_show_pointer(g_current_board, b->show_pointer);
    post_window_message(WindowSlot::board_view, WM_MY_MSG_REPAINT);
}

void CMainFrame::OnBoardZoom()
{
    board_record* b = current_board();
    if (!b)
        return;
    int board = g_current_board;
    bool on = b->half_size == 0;
    OnMyMsgBoardZoom(board, on);
    if (g_push_mode == 1 && g_is_presenter == 1)
        send_board_zoom(board, on ? 1 : 0);
    record_ui_event(on ? record_ui_zoom_on : record_ui_zoom_off, board);
}

void CMainFrame::OnBoardUndo() { send_board_undo(g_current_board); }

void CMainFrame::OnBoardRedo() { send_board_redo(g_current_board); }

void CMainFrame::OnBoardReload()
{
    // Over a share the reload asks the server for every tile again.
    QWidget* shown = brenmo_view_->visible_upper_view();
    if (shown && shown == brenmo_view_->upper_view(upper_view_share)) {
        start_request_burst(g_desktop_mode ? ShareGrid::desk : ShareGrid::app);
        return;
    }
    send_board_reload(g_current_board);
}

void CMainFrame::OnBoardClear()
{
    if (message_box_printf_yes_no(
            "Are you sure to clear all the content in the current board? Can not undo after done.")
        != IDYES)
        return;
    send_board_clear(g_current_board);
}

void CMainFrame::OnBoardLock()
{
    board_record* b = current_board();
    if (!b)
        return;
    b->lock_flag = b->lock_flag == 0 ? 1 : 0;
    if (b->lock_flag == 1)
        send_board_lock(g_current_board);
    else
        send_board_unlock(g_current_board);
}

void CMainFrame::OnRecordStart()
{
    if (g_record_on == 1 && g_record_paused == 1) {
        recorder().start({});
        return;
    }
    QString path = choose_save_file(this, tr_ui(meeting_record_filter), "mrd");
    if (path.isEmpty())
        return;
    recorder().start(cut_copy(path.toStdString(), record_path_limit));
}

void CMainFrame::OnRecordPause() { recorder().toggle_pause(); }

void CMainFrame::OnRecordStop() { recorder().stop(); }

void CMainFrame::OnToggleBar(int band_index)
{
    int* flag = band_index == band_talk ? &show_talk_bar : band_index == band_draw ? &show_draw_bar : &show_misc_bar;
    *flag = *flag == 1 ? 0 : 1;
    set_band_shown(band_index, *flag == 1);
    write_bar_flag(band_infos[static_cast<size_t>(band_index)].setting, *flag);
}

void CMainFrame::OnHelp()
{
    std::string folder;
    if (get_app_path(folder) != 0)
        return;
    std::string page = ui_language_is_chinese() ? "doc/html_ch/tamblo_ch.html" : "doc/html_en/tamblo_en.html";
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder + page)));
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMainFrame::OnOptions()
{
    OptionsSheetHooks hooks;
    hooks.video_changed = [] {
        show_me_take_settings();
        if (g_left_form_child4)
            g_left_form_child4->restart_timer();
    };
    hooks.skin_changed = [this] { reload_skin(); };
    hooks.repaint_frame = [this] { repaint_window_tree(this); };
    CMyPropertySheet* sheet = make_options_sheet(this, hooks);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

void CMainFrame::OnVolumeControl()
{
    auto* dlg = new CDlgVolume(this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->open();
}

void CMainFrame::OnInternetUpdate()
{
    CDlgInternetUpdate dlg(242, 1145, this);
    // Only a package that arrived whole and passed its checks is opened.
    if (dlg.exec() == IDOK && g_update_progress.state == UpdateState::ready)
        open_update_package(update_final_path(update_target()));
}

void CMainFrame::OnCustomerFeedBack()
{
    CDlgCustomerFeedBack dlg(this);
    dlg.exec();
}

void CMainFrame::OnTellFriend()
{
    CDlgTellFriend dlg(this);
    dlg.exec();
}

void CMainFrame::OnNotifyAttenders()
{
    CDlgNotifyAttenders dlg([](QWidget* sheet) -> CMyPropertyPage* { return new CPropContact(sheet); }, this);
    dlg.exec();
}

void CMainFrame::OnInviteURL()
{
    CDlgInviteURL dlg(this);
    dlg.exec();
}

void CMainFrame::reload_skin()
{
    if (menu_bar_)
        menu_bar_->reload_skin();
    for (size_t i = 0; i < band_infos.size(); ++i) {
        if (bands_[i])
            bands_[i]->set_image_lists(command_image_lists(band_infos[i].buttons));
    }
    repaint_window_tree(this);
}

void CMainFrame::OnEditCopy()
{
    if (QWidget* w = QApplication::focusWidget())
        QMetaObject::invokeMethod(w, "copy");
}

void CMainFrame::OnEditPaste()
{
    if (QWidget* w = QApplication::focusWidget())
        QMetaObject::invokeMethod(w, "paste");
}

// ---- closing ---------------------------------------------------------------

bool CMainFrame::confirm_exit()
{
    if (g_record_on == 1
        && message_box_printf_yes_no("The meeting is being recorded. Stop recording and exit?") != IDYES)
        return false;
    if (g_logged_in == 1 && g_room_number >= 0
        && message_box_printf_yes_no("You are in a meeting room. Leave the meeting and exit?") != IDYES)
        return false;
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A second request while the first is being answered or carried out does nothing.
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    if (!confirm_exit()) {
        closing_ = false;
        g_closing = 0;
        event->ignore();
        return;
    }
    g_closing = 1;
    save_splitter_sizes();
    show_me_cancel();
    event->accept();
    // The application's exit closes the connections, stops talk and frees the state, in that order.
    QApplication::quit();
}
