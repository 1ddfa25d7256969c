#pragma once
// The server's log: one line per event on standard output, each beginning
// with the UTC time. A thread of its own writes the lines at once, so a
// supervisor or a test sees them; the event loop never waits for the pipe.
// When standard output is not read, lines beyond 1 MiB waiting are
// dropped, and a line says how many once it is read again.

#include "core/text_util.h"

#include <functional>
#include <string>
#include <string_view>

void server_log(const char* fmt, ...) TAMBLO_PRINTF(1, 2);

// Waits up to wait_ms until every line is written; false when they are not.
bool server_log_flush(int wait_ms);

// Every line (without its time) also goes to the tap, if one is set; tests
// running the server core in-process read it.
void set_server_log_tap(std::function<void(const std::string&)> tap);

// Log lines must stay one line whatever a client sends: control bytes become '?'.
std::string printable(std::string_view text);
