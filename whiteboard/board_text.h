#pragma once
// The text being typed onto a page: a NUL-free text whose lines are
// separated by CR (13), edited at a caret index. Positions given to the line
// helpers are clamped to 0 .. length - 1.

#include <string>
#include <string_view>

inline constexpr char board_text_line_break = '\r';
inline constexpr int board_text_limit = 3999;  // characters a page's text buffer holds

struct TextLines {
    int lines = 1;
    int length = 0;
};
// CR count + 1 (1 for an empty text), and the length.
TextLines text_count_lines(std::string_view text);
// Start and end index of the longest line (the first of equal lines); the
// end is the index just past its last character.
int text_longest_line_start(std::string_view text);
int text_longest_line_end(std::string_view text);
// Index of the first character of the line that holds pos.
int text_line_start_before(std::string_view text, int pos);
// CRs from the start up to and including pos: the line number of pos.
int text_line_number(std::string_view text, int pos);
// pos moved back to the start of its line / forward to its end (its CR, or the length).
int text_line_home(std::string_view text, int pos);
int text_line_end(std::string_view text, int pos);
// Index of the CR that ends the previous line (0 on the first line).
int text_prev_line(std::string_view text, int pos);
// Index just after the CR that ends the line of pos, or the length on the last line.
int text_next_line(std::string_view text, int pos);
// Removes the character at pos; -1 when pos is outside the text.
int text_delete_char(std::string& text, int pos);
// Inserts c at pos (0 .. length): 0; 1 without a change when the text already
// holds 3999 characters; -1 for a position outside 0 .. length.
int text_insert_char(std::string& text, int pos, char c);

// The box's text as it travels: its line breaks as CR.
std::string board_text_from_box(std::string_view box_text);
