#pragma once
// The rest room's input and history without the window.

#include <cstddef>
#include <optional>
#include <string>

inline constexpr size_t rest_room_input_limit = 1999;
inline constexpr size_t rest_room_name_limit = 32;
// The history keeps its newest part: a day in the lobby must not grow it without end.
inline constexpr size_t rest_room_history_limit = 1 << 20;

// Send: the line that goes (the input with "\r\n"), nothing for an empty input.
std::optional<std::string> rest_room_line_to_send(const std::string& input);

// With "Send On Return": an input that now ends in a line feed goes as it
// stands (line ends as "\r\n"), and the input is emptied.
std::optional<std::string> rest_room_line_on_change(const std::string& input, bool send_on_return);

// Appends one arrived chat text; the oldest whole lines go when the history is full.
void rest_room_append_history(std::string& history, const std::string& text, size_t limit = rest_room_history_limit);
