#pragma once
// The debug log: "dbg_log.txt" in the user folder, one line per event, each
// beginning with the local day of the month and time ("8 9:5:3 7 ").

#include "core/text_util.h"

#include <functional>
#include <string>

// The caller supplies the line feed. Nothing is written while the log is closed.
void dbg_log(const char* fmt, ...) TAMBLO_PRINTF(1, 2);

// Closes the three files if open, opens "dbg_log.txt" for appending and empties
// "dbg_log1.txt" and "dbg_log2.txt". Returns -1 when the user folder is unknown.
int rotate_dbg_log();
void close_dbg_logs();

std::string dbg_log_prefix(int day, int hour, int minute, int second, int millisecond);

// Every line (without its prefix) also goes to the tap, if one is set.
void set_dbg_log_tap(std::function<void(const std::string&)> tap);
