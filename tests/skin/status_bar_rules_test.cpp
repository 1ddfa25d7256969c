// The status bar's rules without a window: panes and children, the light,
// the slider's arithmetic and the level graph's ring.
#include "core/connections.h"
#include "core/global_state.h"
#include "skin/status_bar_rules.h"

#include <gtest/gtest.h>

TEST(ConnectionLight, ColourByRetrySum)
{
    struct Case {
        int sum;
        COLORREF want;
    };
    const Case cases[] = {
        { -1, light_connected_colour }, { 0, light_connected_colour }, { 1, light_retrying_colour },
        { 2, light_retrying_colour },   { 3, light_retrying_colour },  { 4, light_retrying_colour },
        { 5, light_failing_colour },    { 15, light_failing_colour },  { 60, light_failing_colour },
    };
    for (const Case& c : cases)
        EXPECT_EQ(connection_light_colour(c.sum), c.want) << c.sum;
    EXPECT_EQ(light_connected_colour, 0x00ff00u);
    EXPECT_EQ(light_retrying_colour, 0x00e0e0u);
    EXPECT_EQ(light_failing_colour, 0x0000ffu);
}

TEST(ConnectionLight, SumOfRetriesAndLostConnections)
{
    using In = ConnectionLightInput;
    struct Case {
        std::array<In, 4> connections;
        bool link;
        int want;
    };
    const Case cases[] = {
        // Never connected: nothing to report.
        { { In { 0, false }, In { 0, false }, In { 0, false }, In { 0, false } }, false, 0 },
        // Connected, one send retrying twice, another once.
        { { In { 2, true }, In { 0, true }, In { 1, true }, In { 0, true } }, true, 3 },
        // The same counts while not linked still count.
        { { In { 2, true }, In { 0, false }, In { 1, true }, In { 0, false } }, false, 3 },
        // Linked, but the voice connection is gone: as if its retries ran out.
        { { In { 0, true }, In { 0, true }, In { 0, false }, In { 0, true } }, true, send_retry_limit },
        // Every connection lost.
        { { In { 0, false }, In { 0, false }, In { 0, false }, In { 0, false } }, true, 4 * send_retry_limit },
        // A negative count adds nothing.
        { { In { -3, true }, In { 0, true }, In { 0, true }, In { 0, true } }, true, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(connection_light_sum(c.connections, c.link), c.want);
}

TEST(ConnectionLight, ReadsTheFourServerConnections)
{
    g_connected_to_server = 0;
    g_main_sock.retry_count = 1;
    g_share_app_sock.retry_count = 0;
    g_voice_sock.retry_count = 2;
    g_file_sock.retry_count = 1;
    EXPECT_EQ(connection_retry_sum(), 4);
    g_voice_sock.retry_count = 3;
    EXPECT_EQ(connection_light_colour(connection_retry_sum()), light_failing_colour);
    // Linked while none of them has a socket.
    g_connected_to_server = 1;
    EXPECT_EQ(connection_retry_sum(), 4 * send_retry_limit);
    g_connected_to_server = 0;
    for (Cwf_socket* s : { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock })
        s->retry_count = 0;
    EXPECT_EQ(connection_retry_sum(), 0);
}

TEST(StatusBarLayout, ChildrenFromX0)
{
    struct Case {
        StatusChild child;
        ChildRect want;
    };
    const int x0 = 500;
    const Case cases[] = {
        { StatusChild::mic_slider, { 500, 5, 50, 12 } },    { StatusChild::mic_graph, { 483, 4, 14, 14 } },
        { StatusChild::first_button, { 466, 4, 14, 14 } },  { StatusChild::speaker_slider, { 413, 5, 50, 12 } },
        { StatusChild::speaker_graph, { 396, 4, 14, 14 } }, { StatusChild::second_button, { 379, 4, 14, 14 } },
        { StatusChild::third_button, { 362, 4, 14, 14 } },  { StatusChild::light, { 345, 4, 14, 14 } },
    };
    for (const Case& c : cases) {
        ChildRect r = status_child_rect(c.child, x0);
        EXPECT_EQ(r.x, c.want.x) << static_cast<int>(c.child);
        EXPECT_EQ(r.y, c.want.y);
        EXPECT_EQ(r.width, c.want.width);
        EXPECT_EQ(r.height, c.want.height);
    }
    EXPECT_EQ(status_x0(553), 500);
    EXPECT_EQ(status_children_left(x0), 345);
}

TEST(StatusBarLayout, FixedPanesFromTheRightPaneZeroTakesTheRest)
{
    std::vector<PaneRect> r = status_pane_rects({ 0, 160, 40 }, 800, 24);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[2].right, 798);
    EXPECT_EQ(r[2].left, 758);
    EXPECT_EQ(r[1].right, 756);
    EXPECT_EQ(r[1].left, 596);
    EXPECT_EQ(r[0].left, 0);
    EXPECT_EQ(r[0].right, 594);
    for (const PaneRect& p : r) {
        EXPECT_EQ(p.top, 2);
        EXPECT_EQ(p.bottom, 23);
    }
    // A bar narrower than its fixed panes leaves pane 0 empty, never negative.
    r = status_pane_rects({ 0, 160 }, 100, 24);
    EXPECT_EQ(r[0].right, 0);
    EXPECT_TRUE(status_pane_rects({}, 100, 24).empty());
}

TEST(StatusButtons, PicturesAndCommands)
{
    EXPECT_EQ(status_buttons[0].image_x, 0);
    EXPECT_EQ(status_buttons[1].image_x, 14);
    EXPECT_EQ(status_buttons[2].image_x, 30);
    EXPECT_EQ(status_buttons[3].image_x, 30);
    EXPECT_EQ(status_buttons[0].command_id, 0x8042);
    EXPECT_EQ(status_buttons[1].command_id, 0x8025);
    EXPECT_EQ(status_buttons[2].command_id, 0x8087);
    EXPECT_EQ(status_buttons[3].command_id, 0x80b2);
}

TEST(VolumeSlider, StartsAsConstructed)
{
    VolumeSliderModel s;
    EXPECT_EQ(s.maximum, 100);
    EXPECT_EQ(s.minimum, 0);
    EXPECT_EQ(s.value, 0);
    EXPECT_EQ(s.left_margin, 4);
    EXPECT_EQ(s.right_margin, 4);
    EXPECT_EQ(s.thumb_height, 3);
    EXPECT_EQ(s.dragging, 0);
    EXPECT_EQ(s.mid_y(12), 7);
}

TEST(VolumeSlider, ThumbAndValueArithmetic)
{
    struct Case {
        int minimum, maximum, value;
        int want_thumb;
    };
    // 50 wide: the track is 42 pixels from column 4.
    const Case cases[] = {
        { 0, 65535, 0, 4 },      { 0, 65535, 65535, 46 },  { 0, 65535, 32767, 24 }, { 0, 65535, 8191, 9 },
        { 0, 100, 50, 25 },      { -50, 50, 0, 25 },       { 100, 200, 100, 4 },    { 100, 200, 200, 46 },
    };
    for (const Case& c : cases) {
        VolumeSliderModel s;
        s.set_range(c.minimum, c.maximum);
        s.set_value(c.value);
        EXPECT_EQ(s.thumb_x(50), c.want_thumb) << c.minimum << ".." << c.maximum << " " << c.value;
        // The thumb's column stands for (about) the value.
        EXPECT_NEAR(s.value_at(s.thumb_x(50), 50), c.value, (c.maximum - c.minimum) / 42 + 1);
    }
    VolumeSliderModel s;
    s.set_range(0, 65535);
    EXPECT_EQ(s.value_at(4, 50), 0);
    EXPECT_EQ(s.value_at(46, 50), 65535);
    EXPECT_EQ(s.value_at(25, 50), 32767);
    // Outside the track: clamped to the range.
    EXPECT_EQ(s.value_at(-20, 50), 0);
    EXPECT_EQ(s.value_at(80, 50), 65535);
}

TEST(VolumeSlider, ValuesAndRangesAreClamped)
{
    struct Case {
        int minimum, maximum, value, want;
    };
    const Case cases[] = {
        { 0, 65535, 70000, 65535 }, { 0, 65535, -1, 0 }, { 0, 65535, 123, 123 },
        { 200, 100, 50, 100 },      { 200, 100, 250, 200 }, { 5, 5, 9, 5 },
    };
    for (const Case& c : cases) {
        VolumeSliderModel s;
        s.set_range(c.minimum, c.maximum);
        s.set_value(c.value);
        EXPECT_EQ(s.value, c.want) << c.minimum << ".." << c.maximum << " " << c.value;
    }
    // A device word above the range (both channels) shows at the track's end.
    VolumeSliderModel s;
    s.set_range(0, 65535);
    s.set_value(static_cast<int>(0x7fffffff));
    EXPECT_EQ(s.thumb_x(50), 46);
}

TEST(VolumeSlider, PressOnTheThumbDragsElsewhereJumps)
{
    VolumeSliderModel s;
    s.set_range(0, 65535);
    s.set_value(32767);  // thumb at 24, middle row 7: the band is rows 2..10
    struct Case {
        int x, y;
        int want_dragging;
        int want_value;
    };
    const Case cases[] = {
        { 24, 7, 1, 32767 }, { 26, 2, 1, 32767 }, { 22, 10, 1, 32767 }, // on the thumb
        { 35, 7, 0, 48371 }, { 4, 5, 0, 0 },      { 46, 9, 0, 65535 },   // on the track: jumps
        { 35, 1, 0, 32767 }, { 35, 11, 0, 32767 },                       // above or below the band
        { 2, 7, 0, 32767 },  { 48, 7, 0, 32767 },                        // outside the margins
    };
    for (const Case& c : cases) {
        VolumeSliderModel t = s;
        t.dragging = 1;
        bool changed = t.press(c.x, c.y, 50, 12);
        EXPECT_EQ(t.dragging, c.want_dragging) << c.x << "," << c.y;
        EXPECT_EQ(t.value, c.want_value) << c.x << "," << c.y;
        EXPECT_EQ(changed, c.want_value != 32767);
    }
    // No range: a press does nothing.
    VolumeSliderModel flat;
    flat.set_range(0, 0);
    EXPECT_FALSE(flat.press(25, 7, 50, 12));
    EXPECT_EQ(flat.dragging, 0);
}

TEST(VolumeSlider, DragFollowsInsideTheBandOnly)
{
    VolumeSliderModel s;
    s.set_range(0, 65535);
    s.set_value(0);
    ASSERT_FALSE(s.press(4, 7, 50, 12));
    ASSERT_EQ(s.dragging, 1);
    EXPECT_TRUE(s.drag_to(25, 7, 50, 12));
    EXPECT_EQ(s.value, 32767);
    // Up to seven rows above the middle still counts; higher stops the thumb.
    EXPECT_TRUE(s.drag_to(30, 0, 50, 12));
    EXPECT_EQ(s.value, 40569);
    EXPECT_FALSE(s.drag_to(40, -1, 50, 12));
    EXPECT_FALSE(s.drag_to(40, 11, 50, 12));
    EXPECT_FALSE(s.drag_to(49, 7, 50, 12));
    EXPECT_EQ(s.value, 40569);
    // Back in the band, it follows again.
    EXPECT_TRUE(s.drag_to(46, 10, 50, 12));
    EXPECT_EQ(s.value, 65535);
    s.release();
    EXPECT_EQ(s.dragging, 0);
    EXPECT_FALSE(s.drag_to(10, 7, 50, 12));
    EXPECT_EQ(s.value, 65535);
}

TEST(SoundLevelGraph, RingAsLongAsTheWindowIsWide)
{
    SoundLevelHistory h;
    EXPECT_EQ(h.length(), 300);
    EXPECT_EQ(h.index(), 0);
    h.resize(14);
    EXPECT_EQ(h.length(), 14);
    // The first level goes to slot 1; the index wraps past slot 13.
    for (int i = 1; i <= 13; ++i) {
        h.add_level(static_cast<int16_t>(i));
        EXPECT_EQ(h.index(), i);
        EXPECT_EQ(h.slot(i), i);
    }
    h.add_level(99);
    EXPECT_EQ(h.index(), 0);
    EXPECT_EQ(h.column_level(0), 99);
    h.add_level(98);
    EXPECT_EQ(h.column_level(1), 98);
    EXPECT_EQ(h.column_level(13), 13);
    // Past the ring: silence.
    EXPECT_EQ(h.column_level(14), SoundLevelHistory::silence);
    EXPECT_EQ(h.column_level(400), SoundLevelHistory::silence);
    h.resize(500);
    EXPECT_EQ(h.length(), 300);
    EXPECT_EQ(h.column_level(1), SoundLevelHistory::silence);
}

TEST(SoundLevelGraph, BarHeightByDistanceFromSilence)
{
    struct Case {
        int16_t level;
        int height;
        int want;
    };
    const Case cases[] = {
        { 128, 14, 0 },   { 130, 14, 1 },  { 126, 14, 1 },  { 150, 14, 12 }, { 153, 14, 13 }, { 154, 14, 14 },
        { 255, 14, 14 },  { 0, 14, 14 },   { 100, 14, 14 }, { -128, 14, 0 }, { 300, 14, 14 }, { 140, 128, 60 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(sound_level_bar_px(c.level, c.height), c.want) << c.level;
}
