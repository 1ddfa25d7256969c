#include "skin/ip_address.h"

#include <gtest/gtest.h>

#include <optional>

TEST(IpAddress, FieldTextIsWorthItsDigitsAndAtMost255)
{
    struct Case {
        const char* text;
        int want;
    };
    const Case cases[] = {
        { "", -1 },      { "abc", -1 },   { " ", -1 },   { "0", 0 },          { "7", 7 },
        { "007", 7 },    { "255", 255 },  { "256", 255 }, { "999", 255 },      { "1a2", 12 },
        { "-5", 5 },     { "12345", 255 }, { "99999999999999999999", 255 }, { "١٢", -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ip_field_value(c.text), c.want) << c.text;
}

TEST(IpAddress, PackedNumberPutsTheFirstByteHighest)
{
    struct Case {
        IpAddressBytes bytes;
        uint32_t packed;
    };
    const Case cases[] = {
        { { 0, 0, 0, 0 }, 0u },
        { { 127, 0, 0, 1 }, 0x7f000001u },
        { { 192, 168, 1, 20 }, 0xc0a80114u },
        { { 255, 255, 255, 255 }, 0xffffffffu },
        { { 1, 2, 3, 4 }, 0x01020304u },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ip_address_pack(c.bytes), c.packed);
        EXPECT_EQ(ip_address_unpack(c.packed), c.bytes);
        EXPECT_EQ(ip_address_parse(ip_address_text(c.bytes)), std::optional<IpAddressBytes>(c.bytes));
    }
    EXPECT_EQ(ip_address_text({ 10, 0, 200, 7 }), "10.0.200.7");
}

TEST(IpAddress, ParseTakesOnlyFourFieldsOfZeroTo255)
{
    struct Case {
        const char* text;
        std::optional<IpAddressBytes> want;
    };
    const Case cases[] = {
        { "127.0.0.1", IpAddressBytes { 127, 0, 0, 1 } },
        { "010.001.000.255", IpAddressBytes { 10, 1, 0, 255 } },
        { "", std::nullopt },
        { "1.2.3", std::nullopt },
        { "1.2.3.4.5", std::nullopt },
        { "1.2.3.256", std::nullopt },
        { "1.2..4", std::nullopt },
        { "1.2.3.4 ", std::nullopt },
        { "a.b.c.d", std::nullopt },
        { "1.2.3.0004", std::nullopt },
        { "-1.2.3.4", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ip_address_parse(c.text), c.want) << c.text;
}

TEST(IpAddress, StoredSettingReadsSignedOrUnsignedAndRefusesDamage)
{
    struct Case {
        const char* text;
        std::optional<uint32_t> want;
    };
    const Case cases[] = {
        { "2130706433", 0x7f000001u },
        // 192.168.1.20 as the program writes it, signed, and as an unsigned number.
        { "-1062731500", 0xc0a80114u },
        { "3232235796", 0xc0a80114u },
        { "0", 0u },
        { "-1", 0xffffffffu },
        { "4294967295", 0xffffffffu },
        { "-2147483648", 0x80000000u },
        { "+5", 5u },
        { "4294967296", std::nullopt },
        { "-2147483649", std::nullopt },
        { "99999999999999999999999", std::nullopt },
        { "", std::nullopt },
        { "-", std::nullopt },
        { "12ab", std::nullopt },
        { " 12", std::nullopt },
        { "1.2.3.4", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ip_address_from_setting(c.text), c.want) << c.text;
}
