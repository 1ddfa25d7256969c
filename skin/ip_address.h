#pragma once
// The address field's rules without a window: what a field's text is worth,
// the four bytes and the packed number the proxy settings store (the first
// byte most significant), and reading that number back from a settings text
// that may be damaged.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using IpAddressBytes = std::array<uint8_t, 4>;

inline constexpr int ip_field_count = 4;
inline constexpr int ip_field_max = 255;
inline constexpr int ip_field_digits = 3;

// A field's value: -1 while it holds no digit, else its digits read as a
// number and held to 255 (other characters are not counted).
int ip_field_value(std::string_view text);

uint32_t ip_address_pack(const IpAddressBytes& bytes);
IpAddressBytes ip_address_unpack(uint32_t packed);

// "a.b.c.d", each part one to three digits worth 0 to 255; nothing otherwise.
std::optional<IpAddressBytes> ip_address_parse(std::string_view text);
// "%d.%d.%d.%d".
std::string ip_address_text(const IpAddressBytes& bytes);

// The stored "proxy_ip": decimal digits with an optional sign, worth a signed
// or an unsigned 32-bit number (the program writes it signed); nothing for an
// empty, damaged or out-of-range text.
std::optional<uint32_t> ip_address_from_setting(std::string_view text);
