#include "core/wire_head.h"

#include "core/vector_clones.h"

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

namespace {

// "%4d:" for a value in -999..9999, without the cost of printf on every message.
void format_field(char* out4, int value)
{
    char digits[4] = { ' ', ' ', ' ', ' ' };
    unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    int at = 3;
    do {
        digits[at--] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 && at >= 0);
    if (value < 0 && at >= 0)
        digits[at] = '-';
    std::memcpy(out4, digits, 4);
    out4[4] = ':';
}

} // namespace

bool format_wire_head(char* out, const WireHead& head)
{
    bool fits = wire_head_fits(head);
    WireHead h = fits ? head : WireHead {};
    format_field(out, h.spare);
    format_field(out + 5, h.address);
    format_field(out + 10, h.number);
    format_field(out + 15, h.length);
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

namespace {

// The key repeated 64 times, a whole number of blocks, so that the body can
// be XORed a block at a time and every chunk starts again at key index 0.
constexpr size_t keystream_len = scramble_key_len * 64;
struct KeyStream {
    alignas(64) unsigned char bytes[keystream_len];
};
constexpr KeyStream make_keystream()
{
    KeyStream ks {};
    for (size_t i = 0; i < keystream_len; ++i)
        ks.bytes[i] = static_cast<unsigned char>(scramble_key[i % scramble_key_len]);
    return ks;
}
constexpr KeyStream keystream = make_keystream();

using Block = unsigned char __attribute__((vector_size(32)));

TAMBLO_VECTOR_CLONES void xor_keystream(unsigned char* p, size_t n)
{
    while (n > 0) {
        const size_t chunk = n < keystream_len ? n : keystream_len;
        size_t j = 0;
        for (; j + sizeof(Block) <= chunk; j += sizeof(Block)) {
            Block body;
            Block key;
            std::memcpy(&body, p + j, sizeof body);
            std::memcpy(&key, keystream.bytes + j, sizeof key);
            body ^= key;
            std::memcpy(p + j, &body, sizeof body);
        }
        for (; j < chunk; ++j)
            p[j] ^= keystream.bytes[j];
        p += chunk;
        n -= chunk;
    }
}

} // namespace

int scramble_message_body(void* buffer, int length)
{
    if (length > 0)
        xor_keystream(static_cast<unsigned char*>(buffer), static_cast<size_t>(length));
    return 0;
}
