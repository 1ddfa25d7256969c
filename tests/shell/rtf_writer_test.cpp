#include "shell/rtf_writer.h"

#include "tests/support/office_reader.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(RtfText, EscapesControlWordsLineEndsAndEveryCharacterPastAscii)
{
    struct Case {
        const char* name;
        std::string in, out;
    } cases[] = {
        { "plain", "ann: hi", "ann: hi" },
        { "braces and backslash", "a{b}c\\d", "a\\{b\\}c\\\\d" },
        { "CRLF and LF", "one\r\ntwo\n", "one\\par\ntwo\\par\n" },
        { "tab", "a\tb", "a\\tab b" },
        { "Latin-1", "caf\xc3\xa9", "caf\\u233?" },
        { "CJK", "\xe4\xbd\xa0\xe5\xa5\xbd", "\\u20320?\\u22909?" },
        { "above 0x7fff is negative", "\xef\xbc\x81", "\\u-255?" },  // U+FF01
        { "outside the BMP as a surrogate pair", "\xf0\x9f\x98\x80", "\\u-10179?\\u-8704?" },  // U+1F600
        { "broken UTF-8 reads as a replacement", "a\xff" "b", "a\\u-3?b" },
        { "other control characters dropped", std::string("a\x01" "b", 3), "ab" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(rtf_escape_text(c.in), c.out) << c.name;
}

TEST(RtfDocument, HasOneEntryPerFontAndColourAndSizesInHalfPoints)
{
    std::vector<RtfRun> runs {
        { "ann: one\r\n", "", ChatStyle { 255, 0, 0, 12, chat_effect_bold } },
        { "bob: two\r\n", "Serif", ChatStyle { 255, 0, 0, 9, 0 } },
        { "cid: three\r\n", "Serif", ChatStyle { 0, 128, 0, 30, 0 } },
    };
    std::string rtf = rtf_document(runs, "Sans");
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u);
    EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fnil\\fcharset0 Sans;}{\\f1\\fnil\\fcharset0 Serif;}}"), std::string::npos);
    EXPECT_NE(rtf.find("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"), std::string::npos);
    EXPECT_NE(rtf.find("{\\f0\\cf1\\fs24\\b\\i0\\ulnone\\strike0 ann: one\\par\n}"), std::string::npos);
    EXPECT_NE(rtf.find("{\\f1\\cf1\\fs18\\b0"), std::string::npos);
    EXPECT_NE(rtf.find("{\\f1\\cf2\\fs60"), std::string::npos);
    EXPECT_EQ(rtf.back(), '\n');
}

// The document as a word processor reads it: every run's text, colour,
// size and effects come back.
TEST(RtfDocument, ReadBackByLibreOfficeWithTextsColoursSizesAndEffects)
{
    if (!libreoffice_available())
        GTEST_SKIP() << "LibreOffice is not installed (tools/install-deps.sh installs it)";
    TempHome home;
    struct Expect {
        RtfRun run;
        std::string colour;
    } lines[] = {
        { { "ann: plain line\n", "", ChatStyle { 0x40, 0x40, 0xE0, 10, 0 } }, "#4040e0" },
        { { "bob: bold {red}\n", "", ChatStyle { 255, 0, 0, 24, chat_effect_bold } }, "#ff0000" },
        { { "cid: italic\\under\n", "", ChatStyle { 0, 128, 0, 8, chat_effect_italic | chat_effect_underline } },
          "#008000" },
        { { "dee: struck\n", "", ChatStyle { 1, 2, 3, 50, chat_effect_strike_out } }, "#010203" },
        { { "\xe7\x8e\x8b: \xe4\xbd\xa0\xe5\xa5\xbd\xef\xbc\x8c\xe4\xb8\x96\xe7\x95\x8c\n", "",
            ChatStyle { 200, 100, 0, 14, 15 } },
          "#c86400" },
    };
    std::vector<RtfRun> runs;
    for (const Expect& e : lines)
        runs.push_back(e.run);
    std::string path = home.root() + "/chat.rtf";
    std::ofstream(path, std::ios::binary) << rtf_document(runs);

    std::string error;
    std::optional<OfficeDocument> doc = read_with_libreoffice(path, home.root(), &error);
    ASSERT_TRUE(doc) << error;
    std::vector<OfficeSpan> spans = doc->spans();
    ASSERT_EQ(spans.size(), std::size(lines)) << doc->plain_text();
    for (size_t i = 0; i < spans.size(); ++i) {
        const ChatStyle& s = lines[i].run.style;
        std::string text = lines[i].run.text;
        text.pop_back();
        EXPECT_EQ(spans[i].text, text) << i;
        EXPECT_EQ(spans[i].colour, lines[i].colour) << i;
        EXPECT_EQ(spans[i].size_pt, s.size) << i;
        EXPECT_EQ(spans[i].bold, (s.effects & chat_effect_bold) != 0) << i;
        EXPECT_EQ(spans[i].italic, (s.effects & chat_effect_italic) != 0) << i;
        EXPECT_EQ(spans[i].underline, (s.effects & chat_effect_underline) != 0) << i;
        EXPECT_EQ(spans[i].strike_out, (s.effects & chat_effect_strike_out) != 0) << i;
    }
}

} // namespace
