#include "shell/rtf_writer.h"

#include <algorithm>
#include <cstdint>

namespace {

// Decodes one UTF-8 character at text[i]; a malformed byte reads as U+FFFD
// and advances by one, so no input stops the writer.
char32_t next_code_point(const std::string& text, size_t& i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char b0 = byte(i);
    size_t extra = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    for (size_t k = 1; k <= extra; ++k) {
        if (i + k >= text.size() || (byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    i += extra + 1;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    return cp;
}

void append_unicode_unit(std::string& out, uint16_t unit)
{
    // \uN takes a signed 16-bit number; '?' is what a reader without Unicode shows.
    out += "\\u" + std::to_string(static_cast<int16_t>(unit)) + "?";
}

struct Colour {
    uint8_t r, g, b;
    bool operator==(const Colour&) const = default;
};

} // namespace

std::string rtf_escape_text(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size() + 16);
    size_t i = 0;
    while (i < utf8.size()) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            ++i;
            continue;
        }
        char32_t cp = next_code_point(utf8, i);
        switch (cp) {
        case '\\': out += "\\\\"; continue;
        case '{': out += "\\{"; continue;
        case '}': out += "\\}"; continue;
        case '\n':
        case '\r': out += "\\par\n"; continue;
        case '\t': out += "\\tab "; continue;
        default: break;
        }
        if (cp < 0x20) {
            // Other control characters have no place in a chat line's text.
            continue;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x10000) {
            append_unicode_unit(out, static_cast<uint16_t>(cp));
        } else {
            char32_t v = cp - 0x10000;
            append_unicode_unit(out, static_cast<uint16_t>(0xD800 + (v >> 10)));
            append_unicode_unit(out, static_cast<uint16_t>(0xDC00 + (v & 0x3FF)));
        }
    }
    return out;
}

std::string rtf_document(const std::vector<RtfRun>& runs, const std::string& default_font)
{
    std::vector<std::string> fonts { default_font.empty() ? std::string("Sans") : default_font };
    std::vector<Colour> colours;
    auto font_index = [&](const std::string& family) {
        if (family.empty())
            return size_t { 0 };
        auto it = std::find(fonts.begin(), fonts.end(), family);
        if (it != fonts.end())
            return static_cast<size_t>(it - fonts.begin());
        fonts.push_back(family);
        return fonts.size() - 1;
    };
    auto colour_index = [&](const ChatStyle& s) {
        Colour c { s.red, s.green, s.blue };
        auto it = std::find(colours.begin(), colours.end(), c);
        if (it != colours.end())
            return static_cast<size_t>(it - colours.begin()) + 1;
        colours.push_back(c);
        return colours.size();
    };
    std::string body;
    for (const RtfRun& run : runs) {
        const ChatStyle& s = run.style;
        // Each run states all of its format, so no run leans on the one before.
        body += "{\\f" + std::to_string(font_index(run.font_family));
        body += "\\cf" + std::to_string(colour_index(s));
        body += "\\fs" + std::to_string(std::max(1, static_cast<int>(s.size)) * 2);
        body += (s.effects & chat_effect_bold) ? "\\b" : "\\b0";
        body += (s.effects & chat_effect_italic) ? "\\i" : "\\i0";
        body += (s.effects & chat_effect_underline) ? "\\ul" : "\\ulnone";
        body += (s.effects & chat_effect_strike_out) ? "\\strike" : "\\strike0";
        body += " ";
        body += rtf_escape_text(run.text);
        body += "}\n";
    }

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (size_t i = 0; i < fonts.size(); ++i)
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset0 " + rtf_escape_text(fonts[i]) + ";}";
    out += "}\n{\\colortbl ;";
    for (const Colour& c : colours)
        out += "\\red" + std::to_string(c.r) + "\\green" + std::to_string(c.g) + "\\blue" + std::to_string(c.b) + ";";
    out += "}\n\\pard\\plain\n";
    out += body;
    out += "}\n";
    return out;
}
