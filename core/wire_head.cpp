#include "core/wire_head.h"

#include <cstdio>
#include <cstring>

namespace {

// "%d" reading of one terminated four-character field: leading blanks, a sign, digits.
int parse_field(const char* field4)
{
    int i = 0;
    while (i < 4 && (field4[i] == ' ' || field4[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < 4 && (field4[i] == '-' || field4[i] == '+'))
        negative = field4[i++] == '-';
    int value = 0;
    while (i < 4 && field4[i] >= '0' && field4[i] <= '9')
        value = value * 10 + (field4[i++] - '0');
    return negative ? -value : value;
}

} // namespace

bool wire_head_fits(const WireHead& head)
{
    for (int v : { head.spare, head.address, head.number, head.length }) {
        if (v < wire_field_min || v > wire_field_max)
            return false;
    }
    return true;
}

bool format_wire_head(char* out, const WireHead& head)
{
    bool fits = wire_head_fits(head);
    WireHead h = fits ? head : WireHead {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%4d:%4d:%4d:%4d:", h.spare, h.address, h.number, h.length);
    std::memcpy(out, buf, wire_head_len);
    return fits;
}

std::string format_wire_head(const WireHead& head)
{
    std::string out(wire_head_len, ' ');
    format_wire_head(out.data(), head);
    return out;
}

int check_wire_head(const char* head20)
{
    for (int pos : { 4, 9, 14, 19 }) {
        if (head20[pos] != ':')
            return pos;
    }
    return 0;
}

bool parse_wire_head(const char* head20, WireHead& head, int* bad_position)
{
    int bad = check_wire_head(head20);
    if (bad_position)
        *bad_position = bad;
    if (bad != 0)
        return false;
    head.spare = parse_field(head20);
    head.address = parse_field(head20 + 5);
    head.number = parse_field(head20 + 10);
    head.length = parse_field(head20 + 15);
    return true;
}

int scramble_message_body(void* buffer, int length)
{
    auto* p = static_cast<unsigned char*>(buffer);
    size_t k = 0;
    for (int i = 0; i < length; ++i) {
        p[i] ^= static_cast<unsigned char>(scramble_key[k]);
        if (++k == scramble_key_len)
            k = 0;
    }
    return 0;
}
