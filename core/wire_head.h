#pragma once
// The wire message: a 20-character head "%4d:%4d:%4d:%4d:" (spare, address,
// message number, body length) followed by the body, which is scrambled with
// a repeating 23-character key. Nothing precedes or follows either part.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr size_t wire_head_len = 20;
inline constexpr int wire_to_all = 999;  // field 2: every other member of the room
// Each field is four characters wide.
inline constexpr int wire_field_min = -999;
inline constexpr int wire_field_max = 9999;

inline constexpr char scramble_key[] = "qwpazmrtkeb40918hujy275";
inline constexpr size_t scramble_key_len = sizeof scramble_key - 1;

struct WireHead {
    int spare = 0;    // field 1: 0 to the server; the room number on multicast
    int address = 0;  // field 2: 999, a seat or customer id, or a board index
    int number = 0;   // field 3: the MSG_ constant
    int length = 0;   // field 4: body bytes
};

// True when every field lies in -999..9999.
bool wire_head_fits(const WireHead& head);
// Writes exactly 20 characters (no terminator) into out. A head that does not
// fit is written as zeros and gives false: such a message must not be sent.
bool format_wire_head(char* out, const WireHead& head);
std::string format_wire_head(const WireHead& head);

// 0 when the head is well formed; else the position (4, 9, 14 or 19) of the
// first character that should be ':' and is not.
int check_wire_head(const char* head20);
// Validates and parses. Returns false (and sets bad_position) when malformed.
bool parse_wire_head(const char* head20, WireHead& head, int* bad_position = nullptr);

// XORs length bytes in place with the key, from key index 0; the same call
// unscrambles. A length below 1 changes nothing. Returns 0.
int scramble_message_body(void* buffer, int length);
