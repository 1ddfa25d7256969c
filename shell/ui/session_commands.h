#pragma once
// The main frame's connection and session commands and the window messages
// that belong to them: Connect, Reconnect, Disconnect, Login, Join Meeting
// Room, Rest Room; Connected, login success and failure, not logged in, a
// failed join. The frame owns one and forwards to it.
//
// The dialogs open without a local event loop in the caller: a window
// message handler returns at once, so the receive thread that sent it is
// never held while the user reads or types.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <string>

class CDlgConnectServer;
class CDlgMeetingRoom;
class CDlgRestRoom;
class CDlgUserLogin;
class QWidget;

class SessionCommands : public QObject {
    Q_OBJECT
public:
    // How long after a connect the user is told that the server said nothing.
    static inline int greeting_wait_ms = 15000;

    explicit SessionCommands(QWidget* frame);
    ~SessionCommands() override;

    // The frame is up: the automatic connection, the Connect dialog, the
    // launcher's reconnect, as the start-up flags say.
    void run_start_up();

    void OnConnectServer();
    void OnReconnectServer();
    void OnDisconnectServer();
    void OnLogin();
    void OnJoinMeetingRoom();
    void OnRestRoom();

    void OnMyMsgConnected(const char* greeting, intptr_t len);
    void OnMyMsgLoginSuccess();
    void OnMyMsgLoginFailed();
    void OnMyMsgNotLoggedIn();
    void OnMyMsgJoinRoomFailed();

    // The dialogs while they are open (tests, screenshots); one that has
    // closed and waits to be deleted counts as none.
    CDlgConnectServer* connect_dialog() const { return shown(connect_dialog_); }
    CDlgUserLogin* login_dialog() const { return shown(login_dialog_); }
    CDlgMeetingRoom* meeting_room_dialog() const { return shown(room_dialog_); }
    // Made once and kept, shown or not.
    CDlgRestRoom* rest_room_dialog() const { return rest_room_; }

private:
    template <class Dialog>
    static Dialog* shown(const QPointer<Dialog>& dialog)
    {
        return dialog && dialog->isVisible() ? dialog.data() : nullptr;
    }
    // Runs a connect step under the wait cursor and watches for the greeting.
    void connect_with(int (*start)());
    void greeting_overdue();

    QWidget* frame_;
    QPointer<CDlgConnectServer> connect_dialog_;
    QPointer<CDlgUserLogin> login_dialog_;
    QPointer<CDlgMeetingRoom> room_dialog_;
    QPointer<CDlgRestRoom> rest_room_;
    QTimer greeting_timer_;
    bool greeted_ = false;
};
