#pragma once
// The four receive threads of the server connections and the keep-alive.
// Each thread opens and identifies its connection, then reads messages with
// the shared head reader and dispatches them through receive_dispatch.h
// until the connection ends. A thread never reconnects by itself.
//
// Results: 999 when the connection cannot be opened, 0 when it was closed by
// its owner, -1 on a receive error (the connection is then closed).

#include "core/global_state.h"

inline constexpr int receive_thread_not_opened = 999;
inline constexpr int keep_alive_interval_ms = 6000;
inline constexpr int id_poll_ms = 5;       // voice and file connections
inline constexpr int app_id_poll_ms = 11;  // the application connection
inline constexpr size_t identity_text_limit = 28;
// The file connection's receive buffer: whole files arrive on it.
inline constexpr int file_socket_recv_buffer_bytes = 1024 * 1024;

// Set once 990 and 992 went out on the process's first connection.
extern AtomicInt g_first_connect_notices_sent;
// Set when the server closed the main connection (a receive error); the
// connect flow clears it when it starts the threads again.
extern AtomicInt g_main_connection_lost;
// What the status line then says.
inline constexpr const char* main_connection_lost_text = "Connection to server lost, please reconnect.";

int g_recv_thread();
int g_share_app_thread();
int g_voice_thread();
int g_file_thread();

// One instance at a time: a second start returns 0 at once.
int keep_alive_thread();
