#include "whiteboard/board_text.h"

#include <algorithm>

namespace {

int clamp_pos(std::string_view text, int pos)
{
    if (text.empty())
        return 0;
    return std::clamp(pos, 0, static_cast<int>(text.size()) - 1);
}

// The line holding pos as [start, end): end is its CR or the length.
std::pair<int, int> line_of(std::string_view text, int pos)
{
    pos = clamp_pos(text, pos);
    int start = pos;
    while (start > 0 && text[static_cast<size_t>(start - 1)] != board_text_line_break)
        --start;
    // A position on a CR belongs to the line the CR ends.
    int end = pos;
    while (end < static_cast<int>(text.size()) && text[static_cast<size_t>(end)] != board_text_line_break)
        ++end;
    return { start, end };
}

} // namespace

TextLines text_count_lines(std::string_view text)
{
    TextLines t;
    t.length = static_cast<int>(text.size());
    t.lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), board_text_line_break));
    return t;
}

int text_longest_line_start(std::string_view text)
{
    int best_start = 0;
    int best_len = -1;
    int start = 0;
    for (int i = 0; i <= static_cast<int>(text.size()); ++i) {
        if (i == static_cast<int>(text.size()) || text[static_cast<size_t>(i)] == board_text_line_break) {
            if (i - start > best_len) {
                best_len = i - start;
                best_start = start;
            }
            start = i + 1;
        }
    }
    return best_start;
}

int text_longest_line_end(std::string_view text)
{
    int start = text_longest_line_start(text);
    int end = start;
    while (end < static_cast<int>(text.size()) && text[static_cast<size_t>(end)] != board_text_line_break)
        ++end;
    return end;
}

int text_line_start_before(std::string_view text, int pos) { return line_of(text, pos).first; }

int text_line_number(std::string_view text, int pos)
{
    if (text.empty())
        return 0;
    pos = clamp_pos(text, pos);
    return static_cast<int>(std::count(text.begin(), text.begin() + pos + 1, board_text_line_break));
}

int text_line_home(std::string_view text, int pos) { return line_of(text, pos).first; }

int text_line_end(std::string_view text, int pos) { return line_of(text, pos).second; }

int text_prev_line(std::string_view text, int pos)
{
    int start = line_of(text, pos).first;
    return start > 0 ? start - 1 : 0;
}

int text_next_line(std::string_view text, int pos)
{
    int end = line_of(text, pos).second;
    return end < static_cast<int>(text.size()) ? end + 1 : static_cast<int>(text.size());
}

int text_delete_char(std::string& text, int pos)
{
    if (pos < 0 || pos >= static_cast<int>(text.size()))
        return -1;
    text.erase(static_cast<size_t>(pos), 1);
    return 0;
}

int text_insert_char(std::string& text, int pos, char c)
{
    if (pos < 0 || pos > static_cast<int>(text.size()))
        return -1;
    if (static_cast<int>(text.size()) >= board_text_limit)
        return 1;
    text.insert(static_cast<size_t>(pos), 1, c);
    return 0;
}

std::string board_text_from_box(std::string_view box_text)
{
    std::string out;
    out.reserve(box_text.size());
    for (size_t i = 0; i < box_text.size(); ++i) {
        char c = box_text[i];
        if (c == '\r' && i + 1 < box_text.size() && box_text[i + 1] == '\n')
            continue;
        out += c == '\n' ? board_text_line_break : c;
    }
    return out;
}
