// The notices' rules without windows: which position a notice takes, and
// its height at every tick of its life.

#include "core/title_status.h"
#include "dialogs/event_notice.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using Counters = std::array<int, event_position_count>;

TEST(EventPosition, FreePositionsFirstThenTheLeastCrowded)
{
    struct Case {
        const char* name;
        Counters before;
        int want;
        Counters after;
    };
    const Case cases[] = {
        { "empty: the lowest", { 0, 0, 0, 0, 0 }, 0, { 1, 0, 0, 0, 0 } },
        { "next free", { 1, 1, 0, 0, 0 }, 2, { 1, 1, 1, 0, 0 } },
        { "a freed one below", { 1, 0, 1, 1, 0 }, 1, { 1, 1, 1, 1, 0 } },
        { "all taken once: the lowest", { 1, 1, 1, 1, 1 }, 0, { 2, 1, 1, 1, 1 } },
        { "smallest count", { 3, 2, 1, 2, 3 }, 2, { 3, 2, 2, 2, 3 } },
        { "ties go low", { 2, 1, 2, 1, 2 }, 1, { 2, 2, 2, 1, 2 } },
        { "100 and more are left out", { 100, 150, 120, 99, 100 }, 3, { 100, 150, 120, 100, 100 } },
        { "all crowded: position 0", { 100, 100, 101, 200, 100 }, 0, { 101, 100, 101, 200, 100 } },
    };
    for (const Case& c : cases) {
        Counters counters = c.before;
        EXPECT_EQ(take_event_position(counters), c.want) << c.name;
        EXPECT_EQ(counters, c.after) << c.name;
    }
}

TEST(EventPosition, SixNoticesTakeZeroToFourThenZero)
{
    Counters counters {};
    std::vector<int> taken;
    for (int i = 0; i < 6; ++i)
        taken.push_back(take_event_position(counters));
    EXPECT_EQ(taken, (std::vector<int> { 0, 1, 2, 3, 4, 0 }));
    free_event_position(counters, 3);
    EXPECT_EQ(take_event_position(counters), 3);
    free_event_position(counters, 7); // no such position: nothing changes
    EXPECT_EQ(counters, (Counters { 2, 1, 1, 1, 1 }));
}

TEST(EventTick, HeightAtEachTickOfItsLife)
{
    // t: remaining before the tick; h: the height before it.
    struct Case {
        int t;
        int full_h;
        bool no_animation;
        int h;
        int want_remaining;
        int want_h;
        bool want_close;
    };
    const Case cases[] = {
        // Rising over the first ten ticks: 110 - (t - 140) * 87 / 10.
        { 150, 110, false, 23, 149, 32, false },
        { 145, 110, false, 60, 144, 76, false },
        { 141, 110, false, 101, 140, 110, false },
        // Standing: the height stays whatever it is.
        { 140, 110, false, 110, 139, 110, false },
        { 41, 110, false, 110, 40, 110, false },
        // Falling over the last forty: 110 - (40 - t) * 87 / 40.
        { 40, 110, false, 110, 39, 108, false },
        { 21, 110, false, 110, 20, 67, false },
        { 2, 110, false, 30, 1, 26, false },
        { 1, 110, false, 26, 0, 26, false },
        { 0, 110, false, 26, -1, 26, true },
        // Held at 150 however long it was set to live.
        { 500, 110, false, 50, 150, 23, false },
        // Never below 23, whatever the full height.
        { 150, 23, false, 23, 149, 23, false },
        { 150, 40, false, 23, 149, 25, false },
        { 10, 20, false, 20, 9, 23, false },
        // Without animation it stands at full height and closes after 15 s.
        { 150, 110, true, 110, 149, 110, false },
        { 20, 110, true, 110, 19, 110, false },
        { 0, 110, true, 110, -1, 110, true },
    };
    for (const Case& c : cases) {
        EventTick tick = event_notice_tick(c.t, c.h, c.full_h, c.no_animation);
        EXPECT_EQ(tick.remaining, c.want_remaining) << "t " << c.t << " H " << c.full_h << " flag " << c.no_animation;
        EXPECT_EQ(tick.height, c.want_h) << "t " << c.t << " H " << c.full_h << " flag " << c.no_animation;
        EXPECT_EQ(tick.close, c.want_close) << "t " << c.t << " H " << c.full_h << " flag " << c.no_animation;
    }
}

TEST(EventTick, ANoticeLivesFifteenSecondsAndEndsWhereItShrank)
{
    for (bool no_animation : { false, true }) {
        const EventPlace start = event_notice_start(600, 0, 110, no_animation);
        int t = event_remaining_ticks;
        int h = start.height;
        int ticks = 0;
        int tallest = 0;
        for (;;) {
            EventTick tick = event_notice_tick(t, h, 110, no_animation);
            ++ticks;
            if (tick.close)
                break;
            t = tick.remaining;
            h = tick.height;
            tallest = std::max(tallest, h);
            ASSERT_LT(ticks, 1000);
        }
        EXPECT_EQ(ticks, event_remaining_ticks + 1) << no_animation;
        EXPECT_EQ(tallest, 110) << no_animation;
        EXPECT_EQ(h, no_animation ? 110 : 26) << no_animation;
    }
}

TEST(EventPlace, StartsAtTheBottomOfItsPosition)
{
    struct Case {
        int position;
        bool no_animation;
        EventPlace want;
    };
    const Case cases[] = {
        { 0, false, { 600 - 23, 23 } },
        { 2, false, { 600 - 220 - 23, 23 } },
        { 0, true, { 600 - 110, 110 } },
        { 4, true, { 600 - 550, 110 } },
    };
    for (const Case& c : cases) {
        EventPlace got = event_notice_start(600, c.position, 110, c.no_animation);
        EXPECT_EQ(got.y, c.want.y) << c.position << " " << c.no_animation;
        EXPECT_EQ(got.height, c.want.height) << c.position << " " << c.no_animation;
    }
}

TEST(EventText, CutTo511AndPercentInATextPrintsAsIs)
{
    std::vector<std::string> seen;
    set_event_notice_sink([&seen](const std::string& text) { seen.push_back(text); });
    show_event_printf("%s", std::string(600, 'x').c_str());
    show_event_printf("%d%% of %s", 50, "the file");
    show_event_text("100% done");
    // A worker's call reaches the sink too (the window sink hands it over).
    std::thread worker([] { show_event_printf("from %s", "a worker"); });
    worker.join();
    set_event_notice_sink(nullptr);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], std::string(511, 'x'));
    EXPECT_EQ(seen[1], "50% of the file");
    EXPECT_EQ(seen[2], "100% done");
    EXPECT_EQ(seen[3], "from a worker");
}

} // namespace
