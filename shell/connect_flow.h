#pragma once
// Connecting to a conference server, without the windows: the Connect
// command after its dialog, the automatic connection at start, Reconnect and
// Disconnect, and the server-list refresh of the connect dialog. The window
// layer adds the wait cursor and the dialogs around these.

#include "core/global_state.h"

#include <atomic>
#include <string>

inline constexpr int disconnect_wait_ms = 300;

// Link flag 1, own id -1, then the main receive thread, the voice,
// application and file threads, the keep-alive and the watchdog, in that
// order. 0, or -1 when a thread could not be started.
int start_connection_threads();

// Connect (after the dialog) and the automatic connection: a session there
// is ends first, the two per-connection flags are cleared, then the threads
// start.
int connect_to_current_server();

// Reads "general"/auto_connect_server, auto_connect_port and
// auto_connect_server_show_name into the current server and connects.
int auto_connect_server();

// Closes the four connections and ends the session: no room, not logged in,
// no link. Waits 300 ms for the threads to see their connections closed.
int disconnect_server();

// Disconnect, then the threads again with the reconnect-with-login flag:
// the main receive thread logs in with the stored name and code and joins
// the stored room by itself.
int reconnect_server();

// What the main frame does at its creation.
struct StartUpConnection {
    bool auto_connect = false;        // "general"/auto_connect is 1 and no argument was given
    bool open_connect_dialog = false; // neither auto-connect nor a launcher argument
    bool reconnect = false;           // the launcher's fields: reconnect with automatic login
};
StartUpConnection start_up_connection();

// The Connected message (the server's greeting).
enum class AfterConnected {
    ignore,           // the connect dialog's temporary connection for a server list
    nothing,          // logged in already, or the automatic login is under way
    open_login_dialog,
};
// Clears the launcher flag when it decides by it.
AfterConnected after_connected();
// "Connected: %s" with the server's display name.
std::string connected_caption();

// Refresh List: while set, the greeting of the temporary connection opens no login.
extern AtomicInt g_server_list_refreshing;

enum class ServerListRefresh {
    saved,         // a new list arrived and was saved
    no_connection, // the server could not be reached
    no_answer,     // connected, but no list came within the wait
    cancelled,
};
inline constexpr int refresh_connect_step_ms = 200;
inline constexpr int refresh_connect_steps = 50;
inline constexpr int refresh_answer_wait_ms = 6000;
inline constexpr int refresh_close_wait_ms = 300;

// Asks the current server for its list (364) and waits for it to be saved
// (363). An open main connection is asked directly; else a main connection
// is opened for the question and closed again. Blocks: run it on a worker
// thread. cancel ends the waits early.
ServerListRefresh refresh_server_list(const std::atomic<bool>& cancel);
