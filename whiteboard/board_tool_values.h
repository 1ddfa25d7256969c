#pragma once
// The numbers of the whiteboard's tool dialogs, checked without a window:
// pen width 1-50 and eraser width 1-100 of the current page, and the print
// scale 1-50 (one value for the program, 5 at start).

#include <string>

extern int g_print_scale;

inline constexpr int pen_width_max = 50;
inline constexpr int eraser_width_max = 100;
inline constexpr int print_scale_min = 1;
inline constexpr int print_scale_max = 50;
inline constexpr size_t tool_value_chars = 9;  // characters read from the edit

// String ids of the refusals.
inline constexpr int string_pen_width_range = 33917;     // "Please enter an integer between 1 and 50."
inline constexpr int string_eraser_width_range = 33897;  // "Please enter an integer between 1 and 100."
inline constexpr int string_valid_number = 33923;        // "Please enter valid number."
inline constexpr int string_print_scale_range = 33924;   // "Please enter a number between 1-50."

struct ToolValueCheck {
    bool accepted = false;
    int value = 0;
    int refusal_string_id = 0;  // the message box when refused
    std::string edit_text;      // what the edit shows afterwards (the scale's bounds)
};

// A width typed into the pen or eraser dialog: its first 9 characters read
// with "%d"; refused when that fails or the value is outside 1..max.
ToolValueCheck board_check_width(const std::string& text, int max, int refusal_string_id);
// The print scale: any character but a digit is refused with 33923; below 1
// or above 50 with 33924, the edit then showing the bound.
ToolValueCheck board_check_print_scale(const std::string& text);
// The spin's step: the value shown plus the delta, held inside 1..50.
int board_print_scale_step(const std::string& shown, int delta);
