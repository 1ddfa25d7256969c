#include "skin/control_rules.h"

#include <gtest/gtest.h>

TEST(SliderRules, ValuesAreHeldInsideTheRange)
{
    struct Case {
        int value, min, max, want;
    };
    for (Case c : { Case { 5, 0, 10, 5 }, Case { -3, 0, 10, 0 }, Case { 11, 0, 10, 10 }, Case { 70000, 0, 65535, 65535 },
                    Case { 5, 10, 0, 5 }, Case { 20, 10, 0, 10 }, Case { 3, 4, 4, 4 } })
        EXPECT_EQ(slider_clamp(c.value, c.min, c.max), c.want) << c.value << " in " << c.min << ".." << c.max;
}

TEST(SliderRules, ThumbTicksAndPointerShareTheGroove)
{
    // A 116-pixel slider: the groove runs from 8 to 108, 100 pixels.
    const int w = 116;
    struct Case {
        int value, min, max, centre;
    };
    for (Case c : { Case { 0, 0, 100, 8 }, Case { 100, 0, 100, 108 }, Case { 50, 0, 100, 58 }, Case { 150, 0, 100, 108 },
                    Case { -1, 0, 100, 8 }, Case { 32768, 0, 65535, 58 }, Case { 7, 7, 7, 8 } })
        EXPECT_EQ(slider_thumb_centre_px(c.value, c.min, c.max, w), c.centre) << c.value;

    const auto ticks = slider_tick_x(w);
    EXPECT_EQ(ticks.front(), 8);
    EXPECT_EQ(ticks.back(), 108);
    for (size_t i = 1; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i] - ticks[i - 1], 10) << i;

    struct At {
        int x, min, max, want;
    };
    for (At a : { At { 8, 0, 100, 0 }, At { 0, 0, 100, 0 }, At { 108, 0, 100, 100 }, At { 500, 0, 100, 100 },
                  At { 58, 0, 100, 50 }, At { 58, 0, 10, 5 }, At { 13, 0, 10, 1 }, At { 12, 0, 10, 0 },
                  At { 108, 0, 65535, 65535 }, At { 60, 5, 5, 5 } })
        EXPECT_EQ(slider_value_at(a.x, a.min, a.max, w), a.want) << a.x << " in " << a.min << ".." << a.max;
    // Round trip: the value under the thumb's centre is the value.
    for (int v = 0; v <= 100; v += 7)
        EXPECT_EQ(slider_value_at(slider_thumb_centre_px(v, 0, 100, w), 0, 100, w), v);
    // Too narrow for a groove: everything at the start.
    EXPECT_EQ(slider_value_at(5, 0, 100, 10), 0);
    EXPECT_EQ(slider_thumb_centre_px(60, 0, 100, 10), 8);
}

TEST(SliderRules, PressBesideTheThumbMovesAPageButNotPastThePress)
{
    const int w = 116;
    struct Case {
        int value, page, x, want;
    };
    for (Case c : { Case { 0, 10, 108, 10 }, Case { 95, 10, 108, 100 }, Case { 50, 10, 8, 40 }, Case { 50, 30, 48, 40 },
                    Case { 50, 30, 68, 60 }, Case { 50, 10, 58, 50 } })
        EXPECT_EQ(slider_page_toward(c.value, c.page, 0, 100, c.x, w), c.want) << c.value << " toward " << c.x;
}

TEST(SpinRules, UpMovesTowardUpperAndStaysInRange)
{
    struct Case {
        int position, step, lower, upper, want;
    };
    const Case cases[] = {
        { 5, 1, 0, 10, 6 },   { 5, -1, 0, 10, 4 },  { 10, 1, 0, 10, 10 }, { 0, -1, 0, 10, 0 },
        { 5, 1, 10, 0, 4 },   { 5, -1, 10, 0, 6 },  { 0, 1, 10, 0, 0 },   { 20, -1, 0, 10, 9 },
        { 3, 1, 3, 3, 3 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(spin_position_after(c.position, c.step, c.lower, c.upper), c.want)
            << c.position << " step " << c.step << " in " << c.lower << ".." << c.upper;
}

TEST(TabRules, TabsSitSideBySideAndOverflowBringsTheArrows)
{
    // Texts 40, 60 and 30 wide: tabs 58, 78 and 48 wide from x = 2.
    TabLayout fits = tab_layout({ 40, 60, 30 }, 300, 22, 0, 34);
    EXPECT_FALSE(fits.overflow);
    EXPECT_EQ(fits.strip_right, 300);
    ASSERT_EQ(fits.tabs.size(), 3u);
    EXPECT_EQ(fits.tabs[0], (TabRect { 2, 0, 60, 22 }));
    EXPECT_EQ(fits.tabs[1], (TabRect { 60, 0, 138, 22 }));
    EXPECT_EQ(fits.tabs[2], (TabRect { 138, 0, 186, 22 }));
    // A first tab asked for without overflow is ignored.
    EXPECT_EQ(tab_layout({ 40, 60, 30 }, 300, 22, 2, 34).first, 0);

    // Exactly fitting is no overflow; one pixel less is.
    EXPECT_FALSE(tab_layout({ 40, 60, 30 }, 186, 22, 0, 34).overflow);
    TabLayout over = tab_layout({ 40, 60, 30 }, 185, 22, 0, 34);
    EXPECT_TRUE(over.overflow);
    EXPECT_EQ(over.strip_right, 151);
    // From tab 1 on, 78 + 48 fit in 151 - 2; from tab 0 they do not.
    EXPECT_EQ(over.last_first, 1);

    TabLayout scrolled = tab_layout({ 40, 60, 30 }, 185, 22, 5, 34);
    EXPECT_EQ(scrolled.first, 1);
    EXPECT_EQ(scrolled.tabs[0], (TabRect { -56, 0, 2, 22 }));
    EXPECT_EQ(scrolled.tabs[1], (TabRect { 2, 0, 80, 22 }));
    EXPECT_EQ(tab_layout({ 40, 60, 30 }, 185, 22, -3, 34).first, 0);

    EXPECT_TRUE(tab_layout({}, 100, 22, 0, 34).tabs.empty());
    EXPECT_FALSE(tab_layout({}, 100, 22, 0, 34).overflow);
}

TEST(TabRules, HitsAndBringingATabIntoView)
{
    TabLayout over = tab_layout({ 40, 60, 30, 50 }, 185, 22, 0, 34);
    ASSERT_TRUE(over.overflow);
    struct Hit {
        int x, y, want;
    };
    for (Hit h : { Hit { 2, 5, 0 }, Hit { 59, 21, 0 }, Hit { 60, 0, 1 }, Hit { 140, 10, 2 }, Hit { 150, 10, 2 },
                   Hit { 151, 10, -1 }, Hit { 1, 10, -1 }, Hit { 30, 22, -1 }, Hit { 30, -1, -1 } })
        EXPECT_EQ(tab_at(over, h.x, h.y), h.want) << h.x << "," << h.y;

    EXPECT_EQ(tab_first_showing(over, 0), 0);
    EXPECT_EQ(tab_first_showing(over, 1), 0);
    // Tab 2 ends at 186, past 151: one tab scrolled away brings it to 128.
    EXPECT_EQ(tab_first_showing(over, 2), 1);
    EXPECT_EQ(tab_first_showing(over, 3), over.last_first);
    TabLayout from_two = tab_layout({ 40, 60, 30, 50 }, 185, 22, 2, 34);
    EXPECT_EQ(tab_first_showing(from_two, 0), 0);
    EXPECT_EQ(tab_first_showing(from_two, 9), from_two.first);

    // A control too narrow for even the first tab (as while it is being made)
    // keeps that tab first instead of scrolling it away.
    TabLayout narrow = tab_layout({ 90, 60, 40 }, 0, 22, 0, 34);
    ASSERT_TRUE(narrow.overflow);
    EXPECT_EQ(tab_first_showing(narrow, 0), 0);
    EXPECT_EQ(tab_first_showing(narrow, 1), 1);
}
