#pragma once
// Starting the threads of a server connection: the four receive threads, the
// keep-alive and the connection watchdog. Each receive thread is counted while
// it runs, so the watchdog never starts a second reader of one connection.
//
// The watchdog (one instance; a second start ends at once) looks every 50 ms,
// while the client is connected and logged in, whether the application,
// voice and file connections still have a socket. One found without a socket
// and without a running thread on three checks in a row gets its receive
// thread started again, which reconnects and identifies itself anew.

#include "core/receive_dispatch.h"

inline constexpr int watchdog_period_ms = 50;
inline constexpr int watchdog_miss_limit = 3;

// Starts the connection's receive thread, detached. False when no thread
// could be started.
bool start_receive_thread(ReceiveConnection connection);
// How many receive threads of the connection are running now.
int receive_threads_running(ReceiveConnection connection);

bool start_keep_alive_thread();
bool start_connection_watchdog();

// The watchdog's body: returns 0 at once when one already runs, else when
// stopped.
int connection_watchdog_thread();
bool connection_watchdog_running();
// Ends the watchdog and waits for it (at most a second): program exit, tests.
void stop_connection_watchdog();
// How often the watchdog restarted each connection (app, voice, file), for the log and tests.
int connection_watchdog_restarts(ReceiveConnection connection);
