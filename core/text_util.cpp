#include "core/text_util.h"

#include <cstdio>

size_t utf8_cut_length(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    auto continues = [&](size_t i) { return (byte(i) & 0xc0) == 0x80; };
    if (!continues(limit))
        return limit;
    // The first byte left out continues a character: find where it starts.
    for (size_t back = 1; back <= 3 && back <= limit; ++back) {
        size_t lead = limit - back;
        if (continues(lead))
            continue;
        size_t length = byte(lead) >= 0xf0 ? 4 : byte(lead) >= 0xe0 ? 3 : byte(lead) >= 0xc0 ? 2 : 1;
        return lead + length > limit ? lead : limit;
    }
    return limit;  // no character starts there: bytes, not text
}

void cut_to(std::string& text, size_t limit) { text.resize(utf8_cut_length(text, limit)); }

std::string cut_copy(std::string_view text, size_t limit) { return std::string(text.substr(0, utf8_cut_length(text, limit))); }

std::string body_text(const char* body, int len)
{
    return body && len > 0 ? std::string(body, static_cast<size_t>(len)) : std::string();
}

std::string format_text_v(const char* fmt, va_list args)
{
    va_list again;
    va_copy(again, args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, fmt, args);
    std::string out;
    if (n < 0) {
        va_end(again);
        return out;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else {
        out.resize(static_cast<size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, fmt, again);
    }
    va_end(again);
    return out;
}

std::string format_text(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string out = format_text_v(fmt, args);
    va_end(args);
    return out;
}
