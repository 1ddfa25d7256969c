#pragma once
// The program's one argument: seven ':'-separated fields from the web launcher
// (server host, display name, port, meeting room, access code, login name,
// room password), or the path of a recording (".mrd") or whiteboard (".bod").

#include <string>

inline constexpr size_t command_line_limit = 1023;

// 0: accepted or silently ignored; -1: refused with a message.
int parse_launch_command_line(const std::string& raw);
int open_recording_argument(const std::string& raw);
