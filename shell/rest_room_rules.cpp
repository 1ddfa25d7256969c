#include "shell/rest_room_rules.h"

#include "core/text_util.h"

std::optional<std::string> rest_room_line_to_send(const std::string& input)
{
    std::string line = cut_copy(input, rest_room_input_limit);
    if (line.empty())
        return std::nullopt;
    return line + "\r\n";
}

std::optional<std::string> rest_room_line_on_change(const std::string& input, bool send_on_return)
{
    if (!send_on_return || input.empty() || input.back() != '\n')
        return std::nullopt;
    // Line ends travel as "\r\n", as the Send button sends them.
    std::string line;
    for (char c : cut_copy(input, rest_room_input_limit)) {
        if (c == '\n' && (line.empty() || line.back() != '\r'))
            line += '\r';
        line += c;
    }
    return line;
}

void rest_room_append_history(std::string& history, const std::string& text, size_t limit)
{
    history += text;
    if (history.size() <= limit)
        return;
    size_t cut = history.size() - limit;
    size_t line_end = history.find('\n', cut);
    history.erase(0, line_end == std::string::npos ? cut : line_end + 1);
}
