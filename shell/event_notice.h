#pragma once
// Event notices: what happens in the meeting, told without interrupting the
// user. Until the event history and its pop-ups are in the program, a notice
// shows in the main frame's status line. UI thread only; workers reach it
// through window messages whose handlers call it.

#include "core/text_util.h"

#include <functional>
#include <string>

inline constexpr size_t event_notice_limit = 511;
inline constexpr size_t event_string_limit = 1023;

// The text is formatted in the user's language and cut to 511 characters.
void show_event_printf(const char* fmt, ...) TAMBLO_PRINTF(1, 2);
// A string-table text as the format (at most 1023 characters).
void show_event(int string_id);

// Where a notice goes; the event history installs its own. An empty
// function restores the status line.
void set_event_notice_sink(std::function<void(const std::string&)> sink);
