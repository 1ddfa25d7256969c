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
