#pragma once
// The server's log: one line per event on standard output, each beginning
// with the UTC time, flushed at once so a supervisor or a test sees it.

#include "core/text_util.h"

#include <functional>
#include <string>

void server_log(const char* fmt, ...) TAMBLO_PRINTF(1, 2);

// Every line (without its time) also goes to the tap, if one is set; tests
// running the server core in-process read it.
void set_server_log_tap(std::function<void(const std::string&)> tap);
