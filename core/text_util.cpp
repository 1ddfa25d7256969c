#include "core/text_util.h"

#include <cstdio>

void cut_to(std::string& text, size_t limit)
{
    if (text.size() > limit)
        text.resize(limit);
}

std::string cut_copy(std::string_view text, size_t limit) { return std::string(text.substr(0, limit)); }

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
