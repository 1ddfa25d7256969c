#include "shell/ui/session_commands.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/receive_threads.h"
#include "core/text_util.h"
#include "core/title_status.h"
#include "core/ui_text.h"
#include "core/window_messages.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/server_choice.h"
#include "shell/ui/connect_server_dlg.h"
#include "shell/ui/meeting_room_dlg.h"
#include "shell/ui/rest_room_dlg.h"
#include "shell/ui/text_box.h"
#include "shell/ui/user_login_dlg.h"

#include <QApplication>
#include <QWidget>

namespace {

constexpr size_t greeting_text_limit = 2047;
constexpr const char* no_answer_text = "The server does not answer.";

// A dialog that deletes itself when it closes, modal to the whole program
// without a local event loop in the caller. nullptr when one is open
// already: it is brought forward instead.
template <class Dialog>
Dialog* open_dialog(QPointer<Dialog>& kept, QWidget* parent)
{
    if (kept && kept->isVisible()) {
        kept->raise();
        kept->activateWindow();
        return nullptr;
    }
    // One that has closed and waits to be deleted is gone.
    kept.clear();
    kept = new Dialog(parent);
    kept->setAttribute(Qt::WA_DeleteOnClose);
    kept->setWindowModality(Qt::ApplicationModal);
    return kept;
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

SessionCommands::SessionCommands(QWidget* frame) : QObject(frame), frame_(frame)
{
    greeting_timer_.setSingleShot(true);
    connect(&greeting_timer_, &QTimer::timeout, this, &SessionCommands::greeting_overdue);
}

SessionCommands::~SessionCommands() = default;

void SessionCommands::run_start_up()
{
    StartUpConnection start = start_up_connection();
    if (start.auto_connect)
        connect_with(auto_connect_server);
    else if (start.open_connect_dialog)
        OnConnectServer();
    if (start.reconnect)
        OnReconnectServer();
}

void SessionCommands::connect_with(int (*start)())
{
    greeted_ = false;
    // What the status line said of the last connection is over.
    const std::string status = g_status_text.get();
    if (status == tr_text(main_connection_lost_text) || status == tr_text(no_answer_text))
        set_status_printf("%s", "");
    {
        WaitCursor wait;
        start();
    }
    greeting_timer_.start(greeting_wait_ms);
}

void SessionCommands::greeting_overdue()
{
    // A failed connect said so in its box, a lost one on the status line.
    if (greeted_ || g_connected_to_server == 0 || g_main_connection_lost != 0 || g_main_sock.m_sock == 0)
        return;
    dbg_log("no greeting from %s:%d within %d ms.\n", g_server_host.get().c_str(), g_server_port.load(), greeting_wait_ms);
    set_status_printf("%s", tr_text(no_answer_text).c_str());
}

void SessionCommands::OnConnectServer()
{
    CDlgConnectServer* dlg = open_dialog(connect_dialog_, frame_);
    if (!dlg)
        return;
    connect(dlg, &QDialog::finished, this, [this, dlg](int result) {
        if (result != IDOK)
            return;
        use_server_choice(dlg->choice());
        connect_with(connect_to_current_server);
        // A session it replaced took its room's members with it.
        post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    });
    dlg->open();
}

void SessionCommands::OnReconnectServer() { connect_with(reconnect_server); }

void SessionCommands::OnDisconnectServer()
{
    greeting_timer_.stop();
    {
        WaitCursor wait;
        disconnect_server();
    }
    // The members page forgets the room's members without asking again.
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
}

void SessionCommands::OnLogin()
{
    CDlgUserLogin* dlg = open_dialog(login_dialog_, frame_);
    if (!dlg)
        return;
    connect(dlg, &QDialog::finished, this, [dlg](int result) {
        if (result == IDOK)
            send_login_from_dialog(dlg->login_name(), dlg->auth_code());
    });
    dlg->open();
}

void SessionCommands::OnJoinMeetingRoom()
{
    if (CDlgMeetingRoom* dlg = open_dialog(room_dialog_, frame_))
        dlg->open();
}

void SessionCommands::OnRestRoom()
{
    if (!rest_room_)
        rest_room_ = new CDlgRestRoom(frame_);
    rest_room_->open_rest_room();
}

void SessionCommands::OnMyMsgConnected(const char* greeting, intptr_t len)
{
    AfterConnected next = after_connected();
    if (next == AfterConnected::ignore)
        return;
    greeted_ = true;
    greeting_timer_.stop();
    set_title_printf("%s", connected_caption().c_str());
    std::string text = greeting && len > 0 ? cut_copy(body_text(greeting, static_cast<int>(len)), greeting_text_limit) : "";
    // The receive thread waits for this handler: the greeting and the login
    // come once it has returned, so the server's next answers are read.
    QTimer::singleShot(0, this, [this, text, next] {
        if (!text.empty())
            message_box_printf("%s", text.c_str());
        if (next == AfterConnected::open_login_dialog && g_logged_in == 0 && g_connected_to_server == 1)
            OnLogin();
    });
}

void SessionCommands::OnMyMsgLoginSuccess()
{
    LoginSuccess success = after_login_success();
    set_title_printf("%s", success.caption.c_str());
    if (success.show_success)
        show_text_box("Login success.");
    if (success.open_room_dialog && g_logged_in == 1 && g_room_number < 0)
        OnJoinMeetingRoom();
}

void SessionCommands::OnMyMsgLoginFailed()
{
    set_title_printf("%s", tr_text("Login Failed.").c_str());
    after_login_failed();
    show_text_box("Login failed.");
    OnLogin();
}

void SessionCommands::OnMyMsgNotLoggedIn()
{
    set_title_printf("%s", tr_text("You are not logged in.").c_str());
    after_not_logged_in();
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    show_text_box("Logout success.");
}

void SessionCommands::OnMyMsgJoinRoomFailed()
{
    post_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
    show_text_box("Join meeting room failed.");
    OnJoinMeetingRoom();
}
