#include "core/global_state.h"
#include "skin/list_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct RosterTables : ::testing::Test {
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear()
    {
        customer_info.fill(customer_info_record {});
        customer_view.fill(customer_view_record {});
    }
};

constexpr COLORREF red = 0x0000ff;
constexpr COLORREF green = 0x00ff00;
constexpr COLORREF yellow = 0x00e0e0;
constexpr COLORREF blue = 0xff0000;
constexpr COLORREF cyan = 0xffff00;
constexpr COLORREF magenta = 0xff00ff;

RosterRowState row_of(int32_t flags, bool shows_video = true, bool zoomed = false, bool partner = false)
{
    RosterRowState row;
    row.has_info = true;
    row.flags = flags;
    row.shows_video = shows_video;
    row.zoomed = zoomed;
    row.voice_partner = partner;
    return row;
}

} // namespace

TEST(RosterBars, EachFlagAndMarkHasItsColourPlaceAndWidth)
{
    struct Case {
        const char* what;
        int column;
        RosterRowState row;
        std::vector<RosterBar> want;
    };
    const Case cases[] = {
        { "nothing but the video mark", 0, row_of(0), { { 25, 2, cyan } } },
        { "chairman", 0, row_of(1), { { 0, 2, red }, { 25, 2, cyan } } },
        { "presenter", 0, row_of(2), { { 5, 2, green }, { 25, 2, cyan } } },
        { "hand", 0, row_of(4), { { 10, 2, yellow }, { 25, 2, cyan } } },
        { "talking", 0, row_of(8), { { 20, 2, blue }, { 25, 2, cyan } } },
        { "all flags",
          0,
          row_of(15),
          { { 0, 2, red }, { 5, 2, green }, { 10, 2, yellow }, { 20, 2, blue }, { 25, 2, cyan } } },
        { "higher bits ignored", 0, row_of(0x70), { { 25, 2, cyan } } },
        { "video hidden", 0, row_of(0, false), {} },
        { "zoomed: the wide mark", 0, row_of(0, true, true), { { 25, 5, cyan } } },
        { "zoomed but hidden", 0, row_of(0, false, true), {} },
        { "voice partner, drawn last", 0, row_of(1, true, false, true), { { 0, 2, red }, { 25, 2, cyan }, { 15, 2, magenta } } },
        { "column 1: hand", 1, row_of(4), { { 1, 1, yellow } } },
        { "column 1: no hand", 1, row_of(11), {} },
        { "column 2: partner", 2, row_of(0, true, false, true), { { 1, 1, magenta } } },
        { "column 2: not the partner", 2, row_of(15), {} },
        { "column 3: talking", 3, row_of(8), { { 1, 1, blue } } },
        { "column 3: silent", 3, row_of(7), {} },
        { "column 4: shown", 4, row_of(0), { { 1, 1, cyan } } },
        { "column 4: zoomed is still one pixel", 4, row_of(0, true, true), { { 1, 1, cyan } } },
        { "column 4: hidden", 4, row_of(0, false), {} },
        { "no column 5", 5, row_of(15, true, true, true), {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(roster_bars(c.column, c.row), c.want) << c.what;
}

TEST_F(RosterTables, RowStateReadsOnlyRecordsInUse)
{
    customer_info[3].in_use = 1;
    customer_info[3].customer_id = 42;
    customer_info[3].flags = 5;
    // A record no longer in use is stale and must not colour the row.
    customer_info[1].in_use = 0;
    customer_info[1].customer_id = 7;
    customer_info[1].flags = 15;
    customer_view[0].in_use = 0;
    customer_view[0].customer_id = 42;
    customer_view[0].show_video = 0;
    customer_view[9].in_use = 1;
    customer_view[9].customer_id = 43;
    customer_view[9].show_video = 0;

    RosterRowState known = roster_row_state(42, -1, -1);
    EXPECT_TRUE(known.has_info);
    EXPECT_EQ(known.flags, 5);
    EXPECT_TRUE(known.shows_video) << "the display record for 42 is not in use";
    EXPECT_FALSE(known.zoomed);
    EXPECT_FALSE(known.voice_partner);

    // No attendee record: no flag bars, but the video mark stays (no display record either).
    RosterRowState stale = roster_row_state(7, -1, -1);
    EXPECT_FALSE(stale.has_info);
    EXPECT_EQ(stale.flags, 0);
    EXPECT_EQ(roster_bars(0, stale), (std::vector<RosterBar> { { 25, 2, cyan } }));

    EXPECT_FALSE(roster_row_state(43, -1, -1).shows_video);

    RosterRowState marked = roster_row_state(42, 42, 42);
    EXPECT_TRUE(marked.zoomed);
    EXPECT_TRUE(marked.voice_partner);
    // -1 means nobody, even for a row whose id is -1.
    RosterRowState minus_one = roster_row_state(-1, -1, -1);
    EXPECT_FALSE(minus_one.zoomed);
    EXPECT_FALSE(minus_one.voice_partner);
}

TEST(RosterLayout, TextIndentAndRowImage)
{
    EXPECT_EQ(roster_text_indent_px(0, false), 32);
    EXPECT_EQ(roster_text_indent_px(0, true), 32 + 16 + 2);
    for (int column = 1; column < roster_column_count; ++column) {
        EXPECT_EQ(roster_text_indent_px(column, false), 5);
        EXPECT_EQ(roster_text_indent_px(column, true), 5);
    }
    struct Case {
        int32_t flags;
        int want;
    };
    for (Case c : { Case { 0, 0 }, Case { 1, 2 }, Case { 2, 1 }, Case { 3, 2 }, Case { 12, 0 }, Case { 14, 1 } })
        EXPECT_EQ(roster_row_image(c.flags), c.want) << c.flags;
}

TEST(ListBarClicks, ArrowsStepTenTrackStepsAPageAndBothStayInRange)
{
    struct Case {
        ListBarPart part;
        int position, page, min, max;
        std::optional<int> want;
    };
    const Case cases[] = {
        { ListBarPart::right_arrow, 0, 100, 0, 300, 10 },
        { ListBarPart::left_arrow, 50, 100, 0, 300, 40 },
        { ListBarPart::left_arrow, 4, 100, 0, 300, 0 },
        { ListBarPart::right_arrow, 295, 100, 0, 300, 300 },
        { ListBarPart::right_arrow, 300, 100, 0, 300, 300 }, // already at the end: stays
        { ListBarPart::track_right, 0, 100, 0, 300, 100 },
        { ListBarPart::track_right, 250, 100, 0, 300, 300 },
        { ListBarPart::track_left, 250, 100, 0, 300, 150 },
        { ListBarPart::track_left, 60, 100, 0, 300, 0 },
        { ListBarPart::right_arrow, 0, 100, 0, 0, 0 },
        { ListBarPart::thumb, 20, 100, 0, 300, std::nullopt },
        { ListBarPart::none, 20, 100, 0, 300, std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(list_bar_click_position(c.part, c.position, c.page, c.min, c.max), c.want)
            << static_cast<int>(c.part) << " at " << c.position;
}
