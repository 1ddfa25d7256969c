#include "whiteboard/board_tool_values.h"

#include <algorithm>
#include <cstdio>

int g_print_scale = 5;

namespace {

bool read_int(const std::string& text, int& value)
{
    const std::string head = text.substr(0, tool_value_chars);
    return std::sscanf(head.c_str(), "%d", &value) == 1;
}

} // namespace

ToolValueCheck board_check_width(const std::string& text, int max, int refusal_string_id)
{
    ToolValueCheck check;
    check.edit_text = text;
    int value = 0;
    if (!read_int(text, value) || value < 1 || value > max) {
        check.refusal_string_id = refusal_string_id;
        return check;
    }
    check.accepted = true;
    check.value = value;
    return check;
}

ToolValueCheck board_check_print_scale(const std::string& text)
{
    ToolValueCheck check;
    const std::string head = text.substr(0, tool_value_chars);
    check.edit_text = text;
    int value = 0;
    const bool digits = !head.empty() && std::all_of(head.begin(), head.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || !read_int(head, value)) {
        check.refusal_string_id = string_valid_number;
        return check;
    }
    if (value < print_scale_min || value > print_scale_max) {
        check.refusal_string_id = string_print_scale_range;
        check.edit_text = value < print_scale_min ? "1" : "50";
        return check;
    }
    check.accepted = true;
    check.value = value;
    return check;
}

int board_print_scale_step(const std::string& shown, int delta)
{
    int value = g_print_scale;
    read_int(shown, value);
    const long long stepped = static_cast<long long>(value) + delta;
    return static_cast<int>(std::clamp<long long>(stepped, print_scale_min, print_scale_max));
}
