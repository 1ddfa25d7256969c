#include "skin/ip_address.h"

#include "core/text_util.h"

#include <algorithm>

#include <cctype>
#include <limits>

int ip_field_value(std::string_view text)
{
    int value = -1;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            continue;
        value = value < 0 ? 0 : value;
        // Held at the limit as soon as it passes it, so long texts cannot overflow.
        value = std::min(ip_field_max + 1, value * 10 + (c - '0'));
    }
    return value > ip_field_max ? ip_field_max : value;
}

uint32_t ip_address_pack(const IpAddressBytes& bytes)
{
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

IpAddressBytes ip_address_unpack(uint32_t packed)
{
    return { static_cast<uint8_t>(packed >> 24), static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 8),
             static_cast<uint8_t>(packed) };
}

std::optional<IpAddressBytes> ip_address_parse(std::string_view text)
{
    IpAddressBytes bytes {};
    size_t at = 0;
    for (int field = 0; field < ip_field_count; ++field) {
        if (field > 0) {
            if (at >= text.size() || text[at] != '.')
                return std::nullopt;
            ++at;
        }
        int value = 0;
        int digits = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < ip_field_digits + 1) {
            value = value * 10 + (text[at] - '0');
            ++digits;
            ++at;
        }
        if (digits == 0 || digits > ip_field_digits || value > ip_field_max)
            return std::nullopt;
        bytes[static_cast<size_t>(field)] = static_cast<uint8_t>(value);
    }
    if (at != text.size())
        return std::nullopt;
    return bytes;
}

std::string ip_address_text(const IpAddressBytes& bytes)
{
    return format_text("%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
}

std::optional<uint32_t> ip_address_from_setting(std::string_view text)
{
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; at < text.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])))
            return std::nullopt;
        value = value * 10 + (text[at] - '0');
        if (value > static_cast<int64_t>(std::numeric_limits<uint32_t>::max()))
            return std::nullopt;
    }
    if (negative) {
        if (value > -static_cast<int64_t>(std::numeric_limits<int32_t>::min()))
            return std::nullopt;
        return static_cast<uint32_t>(static_cast<int32_t>(-value));
    }
    return static_cast<uint32_t>(value);
}
