#include "core/http_util.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
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

namespace {

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool url_decode(std::string_view in, std::string& out)
{
    out.clear();
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= in.size())
                return false;
            int high = hex_value(in[i + 1]);
            int low = hex_value(in[i + 2]);
            if (high < 0 || low < 0)
                return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return true;
}

bool parse_query_fields(std::string_view text, std::vector<std::pair<std::string, std::string>>& fields)
{
    fields.clear();
    while (!text.empty()) {
        size_t amp = text.find('&');
        std::string_view field = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        if (field.empty())
            continue;
        size_t eq = field.find('=');
        if (eq == std::string_view::npos)
            return false;
        std::string name, value;
        if (!url_decode(field.substr(0, eq), name) || !url_decode(field.substr(eq + 1), value))
            return false;
        fields.emplace_back(std::move(name), std::move(value));
    }
    return true;
}

bool is_valid_utf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        uint32_t code = 0;
        uint32_t least = 0;
        if ((byte & 0xe0) == 0xc0) {
            more = 1, code = byte & 0x1f, least = 0x80;
        } else if ((byte & 0xf0) == 0xe0) {
            more = 2, code = byte & 0x0f, least = 0x800;
        } else if ((byte & 0xf8) == 0xf0) {
            more = 3, code = byte & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(more) >= text.size())
            return false;
        for (int k = 1; k <= more; ++k) {
            auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xc0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3f);
        }
        if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
        i += static_cast<size_t>(more) + 1;
    }
    return true;
}
