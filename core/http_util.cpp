#include "core/http_util.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {
constexpr char hex_digits[] = "0123456789abcdef";

void append_hex(std::string& out, unsigned char byte)
{
    out += '%';
    out += hex_digits[byte >> 4];
    out += hex_digits[byte & 0x0f];
}
} // namespace

void url_encode(const std::string& in, std::string& out)
{
    out.clear();
    for (char c : in) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte >= 128)
            out += c;
        else
            append_hex(out, byte);
    }
}

void hex_encode_all(const std::string& in, std::string& out, size_t size)
{
    out.clear();
    for (char c : in) {
        if (out.size() + 3 + 1 > size)
            break;
        append_hex(out, static_cast<unsigned char>(c));
    }
}

int http_get_content_length(const std::string& line)
{
    std::string lower(line);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    size_t at = lower.find("content-length:");
    if (at == std::string::npos)
        return -1;
    int value = -1;
    if (std::sscanf(lower.c_str() + at, "content-length:%d", &value) != 1)
        return -1;
    return value;
}
