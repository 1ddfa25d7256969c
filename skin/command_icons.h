#pragma once
// Which picture says what a command does: a standard name of the
// freedesktop icon theme, and the glyph of our own painter that stands in
// when the theme lacks that name. Keyed by command id, so the tool bars,
// the status buttons and the full-screen tool bar show one picture for one
// command.

#include <span>

struct CommandIcon {
    int command_id = 0;
    const char* theme_name = nullptr; // nullptr: the theme has no fitting picture
    int fallback_glyph = 0;           // index into our painted glyphs (16 + n: the solid n)
};

// The entry for command_id, nullptr when the command has no picture of its own.
const CommandIcon* command_icon(int command_id);
std::span<const CommandIcon> command_icons();

// The full-screen tool bar's strips (set 0: 215 normal, 213 highlighted, 214
// pressed; set 1: 247, 248, 249), one 16 x 15 slot per image: the command
// whose picture a slot shows, 0 for a slot the bar does not use; a badge is
// a second command's picture drawn small over the first, where two commands
// share a picture (the eraser's width beside the pen's).
struct StripSlot {
    int command_id = 0;
    int badge_command_id = 0;
};
inline constexpr int full_screen_strip_sets = 2;
inline constexpr int full_screen_strip_slot_width = 16;
inline constexpr int full_screen_strip_slot_height = 15;
// Slots of a set: 32 (a 512-pixel strip) and 2.
int full_screen_strip_slot_count(int set);
StripSlot full_screen_strip_slot(int set, int image);
