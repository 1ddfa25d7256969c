#pragma once
// A small RTF writer for the chat's saved files: runs of text, each with a
// font, a colour, a size and the four effects, written as an RTF 1.x
// document that word processors read back (a font table, a colour table,
// sizes in half-points, \b \i \ul \strike, every character outside ASCII as
// a \uN? escape, new lines as \par).

#include "core/chat_receive.h"

#include <string>
#include <vector>

struct RtfRun {
    std::string text;         // UTF-8; '\n' (or "\r\n") ends a paragraph
    std::string font_family;  // empty: the document's first font
    ChatStyle style;
};

// The whole document. default_font names font 0 (runs without a family use it).
std::string rtf_document(const std::vector<RtfRun>& runs, const std::string& default_font = "Sans");

// The RTF form of one text: control characters escaped, "\r\n" and "\n" as
// \par, tabs as \tab, characters past ASCII as \uN? (UTF-16 units, signed).
std::string rtf_escape_text(const std::string& utf8);
