#include "core/wire_head.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

TEST(WireHead, FormatsFourRightAlignedFields)
{
    EXPECT_EQ(format_wire_head({ 0, 0, 80, 0 }), "   0:   0:  80:   0:");
    EXPECT_EQ(format_wire_head({ 0, 999, 41, 1024 }), "   0: 999:  41:1024:");
    EXPECT_EQ(format_wire_head({ -1, -999, 9999, 6 }), "  -1:-999:9999:   6:");
}

TEST(WireHead, FieldsOutsideFourCharactersDoNotFit)
{
    char out[wire_head_len];
    EXPECT_FALSE(format_wire_head(out, { 0, 0, 41, 10000 }));
    EXPECT_EQ(std::string(out, wire_head_len), "   0:   0:   0:   0:");
    EXPECT_FALSE(wire_head_fits({ -1000, 0, 1, 0 }));
    EXPECT_TRUE(wire_head_fits({ -999, 9999, 1, 0 }));
}

TEST(WireHead, ParsesSignedFieldsWithLeadingBlanks)
{
    WireHead head;
    ASSERT_TRUE(parse_wire_head("  -1:  80:   0:   6:", head));
    EXPECT_EQ(head.spare, -1);
    EXPECT_EQ(head.address, 80);
    EXPECT_EQ(head.number, 0);
    EXPECT_EQ(head.length, 6);
    ASSERT_TRUE(parse_wire_head("abcd:  +5:12x4:    :", head));
    EXPECT_EQ(head.spare, 0);
    EXPECT_EQ(head.address, 5);
    EXPECT_EQ(head.number, 12);
    EXPECT_EQ(head.length, 0);
}

TEST(WireHead, MalformedHeadNamesTheFirstBadPosition)
{
    struct Case {
        const char* head;
        int position;
    } cases[] = {
        { "  80;   0:  80:   6:", 4 },
        { "  80:   0;  80;   6;", 9 },
        { "  80:   0:  80;   6:", 14 },
        { "  80:   0:  80:   6;", 19 },
        { "  80:   0:  80:   6:", 0 },
    };
    for (const Case& c : cases) {
        WireHead head;
        int bad = -1;
        EXPECT_EQ(parse_wire_head(c.head, head, &bad), c.position == 0) << c.head;
        EXPECT_EQ(bad, c.position) << c.head;
    }
}

TEST(Scramble, TwiceRestoresAndTheKeyRepeatsEvery23Bytes)
{
    std::string body(60, 'A');
    std::string original = body;
    scramble_message_body(body.data(), static_cast<int>(body.size()));
    EXPECT_NE(body, original);
    EXPECT_EQ(body[23], body[0]);
    EXPECT_EQ(static_cast<unsigned char>(body[0]), static_cast<unsigned char>('A' ^ 'q'));
    std::string again = original;
    scramble_message_body(again.data(), static_cast<int>(again.size()));
    EXPECT_EQ(again, body) << "each message starts at key index 0";
    scramble_message_body(body.data(), static_cast<int>(body.size()));
    EXPECT_EQ(body, original);
}

// Every other client holds the same 23 characters: a body scrambled by hand
// with "qwpazmrtkeb40918hujy275", 40 bytes so that all of the key is used and
// its start comes round again.
TEST(Scramble, MatchesABodyScrambledByHandWithTheWholeKey)
{
    const std::string plain = "Meeting at noon in room 7; bring slides!";
    const std::vector<unsigned char> scrambled = {
        0x3c, 0x12, 0x15, 0x15, 0x13, 0x03, 0x15, 0x54, 0x0a, 0x11, 0x42, 0x5a, 0x5f, 0x56,
        0x5f, 0x18, 0x01, 0x1b, 0x4a, 0x0b, 0x5d, 0x58, 0x58, 0x51, 0x40, 0x4b, 0x41, 0x18,
        0x1f, 0x1b, 0x1a, 0x0c, 0x45, 0x11, 0x58, 0x59, 0x5d, 0x54, 0x4b, 0x49,
    };
    ASSERT_EQ(plain.size(), scrambled.size());
    std::vector<unsigned char> body(plain.begin(), plain.end());
    scramble_message_body(body.data(), static_cast<int>(body.size()));
    EXPECT_EQ(body, scrambled);
    scramble_message_body(body.data(), static_cast<int>(body.size()));
    EXPECT_EQ(std::string(body.begin(), body.end()), plain);
}

TEST(Scramble, LengthBelowOneChangesNothing)
{
    char buf[4] = { 'a', 'b', 'c', 'd' };
    scramble_message_body(buf, 0);
    scramble_message_body(buf, -5);
    EXPECT_EQ(std::memcmp(buf, "abcd", 4), 0);
}

TEST(Scramble, BlockwiseXorMatchesTheKeyByteForByteAtEveryLengthAndOffset)
{
    std::vector<unsigned char> buffer(4000);
    for (size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<unsigned char>(i * 131 + 7);
    for (int offset : { 0, 1, 3, 17 }) {
        for (int length : { 1, 22, 23, 24, 63, 64, 65, 1471, 1472, 1473, 2944, 3000 }) {
            std::vector<unsigned char> work = buffer;
            EXPECT_EQ(scramble_message_body(work.data() + offset, length), 0);
            for (int i = 0; i < static_cast<int>(work.size()); ++i) {
                unsigned char want = buffer[static_cast<size_t>(i)];
                if (i >= offset && i < offset + length)
                    want ^= static_cast<unsigned char>(scramble_key[(i - offset) % 23]);
                ASSERT_EQ(work[static_cast<size_t>(i)], want) << "offset " << offset << " length " << length << " at " << i;
            }
        }
    }
    std::vector<unsigned char> untouched = buffer;
    scramble_message_body(untouched.data(), 0);
    scramble_message_body(untouched.data(), -4);
    EXPECT_EQ(untouched, buffer);
}

TEST(WireHead, FormatsEveryFieldValueLikePrintf)
{
    char out[wire_head_len];
    char want[32];
    for (int v = wire_field_min; v <= wire_field_max; ++v) {
        ASSERT_TRUE(format_wire_head(out, { v, -v / 10, v, 0 }));
        std::snprintf(want, sizeof want, "%4d:%4d:%4d:%4d:", v, -v / 10, v, 0);
        ASSERT_EQ(std::string(out, wire_head_len), std::string(want)) << v;
    }
}
