#include "core/global_state.h"
#include "core/settings.h"
#include "skin/skin_table.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <set>

namespace {

uint32_t fnv1a_of_filled_schemes(const Cskin_table& table)
{
    uint32_t hash = 0x811c9dc5u;
    for (int s = 0; s < skin_filled_count; ++s)
        for (uint32_t word : table.schemes[static_cast<size_t>(s)])
            for (int byte = 0; byte < 4; ++byte) {
                hash ^= (word >> (8 * byte)) & 0xffu;
                hash *= 0x01000193u;
            }
    return hash;
}

} // namespace

TEST(SkinTable, EveryWordOfTheSevenSchemesMatchesItsChecksum)
{
    TempHome home;
    Cskin_table table;
    EXPECT_EQ(fnv1a_of_filled_schemes(table), 0x755eaf67u);
    for (int s = skin_filled_count; s < skin_slot_count; ++s)
        for (uint32_t word : table.schemes[static_cast<size_t>(s)])
            EXPECT_EQ(word, 0u) << "slot " << s;
    // A few words read back by name, so a shifted row cannot pass by accident.
    EXPECT_EQ(table.schemes[0][skin_word::text], 0xe00000u);
    EXPECT_EQ(table.schemes[6][skin_word::list_header_lines], 0x4040c0u);
    EXPECT_EQ(table.schemes[0][skin_word::button_face], 194u);
    EXPECT_EQ(table.schemes[5][skin_word::list_header_face], 269u);
    EXPECT_EQ(table.schemes[6][skin_word::tool_strip_6], 484u);
}

TEST(SkinTable, StartsInTheStoredSchemeAndFallsBackToTheFirst)
{
    struct Case {
        const char* stored;
        int want;
    };
    for (Case c : { Case { nullptr, 0 }, Case { "", 0 }, Case { "3", 3 }, Case { "9", 9 }, Case { "12", 0 },
                    Case { "-1", 0 } }) {
        TempHome home;
        if (c.stored)
            reg_write("skin", "skin_index", c.stored);
        Cskin_table table;
        EXPECT_EQ(table.current_index, c.want) << (c.stored ? c.stored : "(unset)");
        EXPECT_EQ(table.current, table.schemes[static_cast<size_t>(c.want)]);
    }
}

TEST(SkinTable, SelectSkinChangesOnlyForSlotsZeroToNine)
{
    TempHome home;
    Cskin_table table;
    EXPECT_EQ(table.select_skin(3), 0);
    EXPECT_EQ(table.current[skin_word::button_frame_focused], 0xa4a4a4u);
    EXPECT_EQ(table.current[skin_word::caption_slice], 364u);

    EXPECT_EQ(table.select_skin(10), -1);
    EXPECT_EQ(table.select_skin(-1), -1);
    EXPECT_EQ(table.current_index, 3);
    EXPECT_EQ(table.current, table.schemes[3]);

    EXPECT_EQ(table.select_skin(9), 0);
    EXPECT_EQ(table.current_index, 9);
    for (uint32_t word : table.current)
        EXPECT_EQ(word, 0u);
}

TEST(SkinTable, BitmapNumbersAreUniqueAndKnowTheirSizes)
{
    TempHome home;
    Cskin_table table;
    std::set<uint32_t> seen;
    for (int s = 0; s < skin_filled_count; ++s)
        for (int w = skin_first_bitmap_word; w < skin_word_count; ++w) {
            uint32_t id = table.schemes[static_cast<size_t>(s)][static_cast<size_t>(w)];
            EXPECT_TRUE(seen.insert(id).second) << id;
            SkinBitmapInfo info = skin_bitmap_info(static_cast<int>(id));
            EXPECT_EQ(info.scheme, s);
            EXPECT_EQ(info.word, w);
            EXPECT_GT(info.width, 0);
        }
    struct Case {
        int id, width, height;
    };
    for (Case c : { Case { 194, 1, 40 }, Case { 192, 5, 600 }, Case { 364, 1, 41 }, Case { 186, 41, 23 },
                    Case { 200, 21, 23 }, Case { 263, 160, 120 }, Case { 250, 48, 12 }, Case { 211, 34, 15 },
                    Case { 296, 224, 15 }, Case { 493, 14, 14 }, Case { 227, 9, 9 }, Case { 0, 0, 0 },
                    Case { 9999, 0, 0 } }) {
        SkinBitmapInfo info = skin_bitmap_info(c.id);
        EXPECT_EQ(info.width, c.width) << c.id;
        EXPECT_EQ(info.height, c.height) << c.id;
    }
}

TEST(SkinTable, NamesComeFromTheStringTable)
{
    EXPECT_STREQ(skin_scheme_name(0), "Default Blue");
    EXPECT_STREQ(skin_scheme_name(6), "Red");
    EXPECT_EQ(skin_scheme_name(7), nullptr);
    EXPECT_EQ(skin_scheme_name(-1), nullptr);
}

TEST(SkinTable, StartUpStepRereadsTheSettingsAndTheAnimationFlag)
{
    TempHome home;
    reg_write_int("skin", "skin_index", 4);
    reg_write_int("skin", "skin_not_show_animation", 1);
    install_skin_steps();
    ASSERT_EQ(init_global_state(), 0);
    global_state_steps() = GlobalStateSteps {};
    EXPECT_EQ(skin_table().current_index, 4);
    EXPECT_EQ(skin_word_value(skin_word::text), 0xa000e0u);
    EXPECT_EQ(g_skin_not_show_animation, 1);
    skin_table().select_skin(0);
    g_skin_not_show_animation = 0;
}

TEST(Colorref, LowByteIsRed)
{
    static_assert(colorref_red(0x0000ff) == 0xff && colorref_blue(0x0000ff) == 0);
    static_assert(make_colorref(0x12, 0x34, 0x56) == 0x563412);
    EXPECT_EQ(colorref_green(0x00ff00), 0xff);
    EXPECT_EQ(colorref_blue(0xf0914d), 0xf0);
}
