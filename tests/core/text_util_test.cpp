#include "core/text_util.h"

#include "core/global_state.h"
#include "core/title_status.h"

#include <gtest/gtest.h>

namespace {

// "会" is three bytes, "é" two, "😀" four.
TEST(CutText, KeepsTheByteLimitAndNeverEndsInsideACharacter)
{
    struct Case {
        std::string text;
        size_t limit;
        std::string want;
    };
    const Case cases[] = {
        { "abc", 5, "abc" },
        { "abcdef", 3, "abc" },
        { "ab\xe4\xbc\x9a", 5, "ab\xe4\xbc\x9a" },       // exactly at the limit
        { "ab\xe4\xbc\x9a", 4, "ab" },                   // two of its three bytes fit
        { "ab\xe4\xbc\x9a", 3, "ab" },
        { "ab\xe4\xbc\x9a" "c", 5, "ab\xe4\xbc\x9a" },   // the cut falls after the character
        { "a\xc3\xa9", 2, "a" },
        { "a\xf0\x9f\x98\x80", 4, "a" },
        { "a\xf0\x9f\x98\x80", 1, "a" },
        { "\xe4\xbc\x9a", 2, "" },
        { "abc", 0, "" },
        // Not text: bytes that start no character are cut where the limit says.
        { "\x80\x80\x80\x80\x80", 3, "\x80\x80\x80" },
        { "a\xe4\x41\x80", 3, "a\xe4\x41" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cut_copy(c.text, c.limit), c.want) << c.text << " at " << c.limit;
        std::string in_place = c.text;
        cut_to(in_place, c.limit);
        EXPECT_EQ(in_place, c.want) << c.text << " at " << c.limit;
    }
}

TEST(CutText, AChineseTitleAtItsLimitLosesAWholeCharacter)
{
    // 334 characters of three bytes: 1002 bytes for the 1000 the title keeps.
    std::string title;
    for (int i = 0; i < 334; ++i)
        title += "\xe4\xbc\x9a";
    set_title_printf("%s", title.c_str());
    EXPECT_EQ(g_title_text.get(), title.substr(0, 999));
    set_title_printf("x%s", title.c_str());
    EXPECT_EQ(g_title_text.get(), "x" + title.substr(0, 999));
    g_title_text.clear();
}

} // namespace
