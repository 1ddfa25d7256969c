#include "skin/bar_rules.h"
#include "skin/command_icons.h"
#include "skin/pane_layout.h"
#include "skin/skin_table.h"
#include "skin/tool_bar_model.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

TEST(BarRules, DarkenAndLightenChannelByChannel)
{
    struct Case {
        COLORREF c;
        int k;
        COLORREF darkened;
        COLORREF lightened;
    };
    const Case cases[] = {
        { 0x804020, 0, 0x804020, 0x804020 },
        { 0x804020, 128, 0x3f1f0f, 0xbf9f8f }, // truncated, each channel on its own
        { 0x804020, 255, 0x000000, 0xffffff },
        { 0xffffff, 96, 0x9f9f9f, 0xffffff },
        { 0x000000, 96, 0x000000, 0x606060 },
        { 0x804020, 300, 0x000000, 0xffffff }, // k is held to 0..255
        { 0x804020, -5, 0x804020, 0x804020 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(darken_colour(c.c, c.k), c.darkened) << std::hex << c.c << " k " << std::dec << c.k;
        EXPECT_EQ(lighten_colour(c.c, c.k), c.lightened) << std::hex << c.c << " k " << std::dec << c.k;
    }
}

TEST(BarRules, ToolButtonLookByState)
{
    using namespace skin_word;
    struct Case {
        ToolButtonState state;
        int fill;
        int top_left;
        int bottom_right;
        ToolImageList images;
        int offset;
    };
    const Case cases[] = {
        { {}, -1, -1, -1, ToolImageList::normal, 3 },
        { { .hot = true }, highlight, light_3d, panel, ToolImageList::hot, 3 },
        { { .hot = true, .selected = true }, tool_button_hot_selected, panel, light_3d, ToolImageList::hot, 4 },
        { { .checked = true }, highlight, panel, light_3d, ToolImageList::normal, 3 },
        { { .hot = true, .checked = true }, highlight, panel, light_3d, ToolImageList::hot, 3 },
        // pressing a checked button shows the press
        { { .hot = true, .selected = true, .checked = true }, tool_button_hot_selected, panel, light_3d, ToolImageList::hot, 4 },
        // held down with the pointer moved off: not pressed, not hot
        { { .selected = true }, -1, -1, -1, ToolImageList::normal, 3 },
        { { .disabled = true }, -1, -1, -1, ToolImageList::disabled, 3 },
        { { .hot = true, .selected = true, .disabled = true }, -1, -1, -1, ToolImageList::disabled, 3 },
        { { .checked = true, .disabled = true }, highlight, panel, light_3d, ToolImageList::disabled, 3 },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        ToolButtonLook look = tool_button_look(cases[i].state);
        EXPECT_EQ(look.fill_word, cases[i].fill) << "case " << i;
        EXPECT_EQ(look.top_left_word, cases[i].top_left) << "case " << i;
        EXPECT_EQ(look.bottom_right_word, cases[i].bottom_right) << "case " << i;
        EXPECT_EQ(look.images, cases[i].images) << "case " << i;
        EXPECT_EQ(look.image_offset_px, cases[i].offset) << "case " << i;
    }
}

TEST(BarRules, SplitterPartsAndMenuItems)
{
    TempHome home;
    skin_table().select_skin(0);
    SplitterPartLook border = splitter_part_look(SplitterPart::border);
    EXPECT_EQ(border.outer_top_left_word, skin_word::panel);
    EXPECT_EQ(border.outer_bottom_right_word, skin_word::light_3d);
    EXPECT_EQ(border.inner_top_left_word, skin_word::splitter_inner_edge);
    EXPECT_EQ(border.inner_bottom_right_word, skin_word::light_3d);
    for (SplitterPart part : { SplitterPart::box, SplitterPart::bar, SplitterPart::intersection })
        EXPECT_EQ(splitter_part_look(part).fill_word, skin_word::panel);

    const COLORREF background = skin_word_value(skin_word::panel);
    MenuItemLook normal = menu_item_look(false, true, background);
    EXPECT_FALSE(normal.fill);
    EXPECT_EQ(normal.text_colour, 0x000000u);
    MenuItemLook selected = menu_item_look(true, true, background);
    EXPECT_TRUE(selected.fill);
    EXPECT_EQ(selected.fill_colour, skin_word_value(skin_word::highlight));
    EXPECT_EQ(selected.frame_colour, skin_word_value(skin_word::outline));
    MenuItemLook disabled = menu_item_look(false, false, background);
    EXPECT_EQ(disabled.text_colour, darken_colour(background, 112));
    EXPECT_TRUE(disabled.emboss);
    EXPECT_EQ(disabled.emboss_colour, lighten_colour(background, 176));
    MenuItemLook disabled_selected = menu_item_look(true, false, background);
    EXPECT_EQ(disabled_selected.text_colour, darken_colour(skin_word_value(skin_word::highlight), 112));
    EXPECT_FALSE(disabled_selected.emboss);
}

namespace {

ToolBarModel three_buttons_and_a_separator()
{
    ToolBarModel bar;
    bar.buttons = { { .command_id = 100, .image_index = 0 },
                    { .command_id = 0 },
                    { .command_id = 101, .image_index = 1, .check_style = true },
                    { .command_id = 102, .image_index = 2, .enabled = false } };
    return bar;
}

} // namespace

TEST(ToolBarModelTest, GeometrySkipsHiddenItems)
{
    ToolBarModel bar = three_buttons_and_a_separator();
    EXPECT_EQ(bar.item_rect(0).left, 2);
    EXPECT_EQ(bar.item_rect(0).right, 25);
    EXPECT_EQ(bar.item_rect(1).left, 25);
    EXPECT_EQ(bar.item_rect(1).right, 33);
    EXPECT_EQ(bar.item_rect(2).left, 33);
    EXPECT_EQ(bar.item_rect(3).right, 79);
    EXPECT_EQ(bar.width_px(), 81);
    EXPECT_EQ(bar.height_px(), 26);
    EXPECT_EQ(bar.hit_test(10, 10), 0);
    EXPECT_EQ(bar.hit_test(28, 10), -1); // the separator is no button
    EXPECT_EQ(bar.hit_test(10, 1), -1);
    EXPECT_EQ(bar.hit_test(10, 24), -1);
    bar.set_hidden(100, true);
    EXPECT_TRUE(bar.item_rect(0).empty());
    EXPECT_EQ(bar.item_rect(2).left, 10);
    EXPECT_EQ(bar.hit_test(12, 10), 2);
}

TEST(ToolBarModelTest, PointerSequences)
{
    enum Kind { move, drag, press, release, leave };
    struct Step {
        Kind kind;
        int x;
        int y = 10;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> commands; // what the releases sent
        int hot_after;
        bool checked_after; // button 101
    };
    const Case cases[] = {
        { "click", { { move, 10 }, { press, 10 }, { release, 10 } }, { 100 }, 0, false },
        { "check button toggles", { { press, 40 }, { release, 40 }, { press, 40 }, { release, 40 }, { press, 40 }, { release, 40 } },
          { 101, 101, 101 }, 2, true },
        { "release off the button", { { press, 10 }, { drag, 40 }, { release, 40 } }, {}, 2, false },
        { "off and back again", { { press, 10 }, { drag, 40 }, { drag, 12 }, { release, 12 } }, { 100 }, 0, false },
        { "release outside the bar", { { press, 40 }, { leave, 0 }, { release, 200 } }, {}, -1, false },
        { "disabled button", { { move, 70 }, { press, 70 }, { release, 70 } }, {}, -1, false },
        { "separator", { { press, 28 }, { release, 28 } }, {}, -1, false },
        { "press elsewhere, release on a button", { { press, 28 }, { drag, 10 }, { release, 10 } }, {}, 0, false },
    };
    for (const Case& c : cases) {
        ToolBarModel bar = three_buttons_and_a_separator();
        std::vector<int> commands;
        for (const Step& s : c.steps) {
            switch (s.kind) {
            case move: bar.mouse_move(s.x, s.y, false); break;
            case drag: bar.mouse_move(s.x, s.y, true); break;
            case press: bar.mouse_press(s.x, s.y); break;
            case leave: bar.mouse_leave(); break;
            case release:
                if (int id = bar.mouse_release(s.x, s.y); id != 0)
                    commands.push_back(id);
                break;
            }
        }
        EXPECT_EQ(commands, c.commands) << c.name;
        EXPECT_EQ(bar.hot(), c.hot_after) << c.name;
        EXPECT_EQ(bar.buttons[2].checked, c.checked_after) << c.name;
        EXPECT_EQ(bar.pressed(), -1) << c.name;
    }
}

TEST(ToolBarModelTest, StatesWhileHeld)
{
    ToolBarModel bar = three_buttons_and_a_separator();
    bar.mouse_press(10, 10);
    EXPECT_TRUE(bar.state(0).hot);
    EXPECT_TRUE(bar.state(0).selected);
    // Off the held button: neither it nor the one under the pointer lights up.
    bar.mouse_move(40, 10, true);
    EXPECT_FALSE(bar.state(0).selected);
    EXPECT_FALSE(bar.state(0).hot);
    EXPECT_FALSE(bar.state(2).hot);
    bar.mouse_move(10, 10, true);
    EXPECT_TRUE(bar.state(0).selected);
    // Disabled while held: the press is forgotten and the release sends nothing.
    EXPECT_TRUE(bar.set_enabled(100, false));
    EXPECT_FALSE(bar.state(0).selected);
    EXPECT_EQ(bar.mouse_release(10, 10), 0);
    EXPECT_TRUE(bar.state(0).disabled);
    EXPECT_FALSE(bar.set_enabled(100, false));
    EXPECT_TRUE(bar.set_checked(101, true));
    EXPECT_TRUE(bar.state(2).checked);
}

TEST(PaneLayout, SplitterTrack)
{
    struct Case {
        std::vector<int> ideal;
        int total;
        std::vector<PaneSpan> want;
    };
    const Case cases[] = {
        { { 200, 100 }, 600, { { 2, 200 }, { 209, 389 } } },
        { { 100, 100, 100 }, 400, { { 2, 100 }, { 109, 100 }, { 216, 182 } } },
        { { 200, 100 }, 100, { { 2, 96 }, { 105, 0 } } }, // too small: cut, never negative
        { { 50 }, 80, { { 2, 76 } } },                     // one pane fills the track
        { { 0, 0 }, 0, { { 2, 0 }, { 9, 0 } } },
    };
    for (const Case& c : cases) {
        SplitterTrack track;
        track.ideal_px = c.ideal;
        std::vector<PaneSpan> got = layout_splitter_track(track, c.total);
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].start, c.want[i].start) << "total " << c.total << " pane " << i;
            EXPECT_EQ(got[i].size, c.want[i].size) << "total " << c.total << " pane " << i;
        }
    }
    SplitterTrack two;
    two.ideal_px = { 200, 100 };
    EXPECT_EQ(splitter_gap(two, 600, 0).start, 202);
    EXPECT_EQ(splitter_gap(two, 600, 0).size, 7);
    EXPECT_EQ(splitter_gap(two, 600, 1).size, 0);
}

TEST(PaneLayout, SplitterDrag)
{
    struct Case {
        std::vector<int> ideal;
        std::vector<int> min;
        int total;
        int bar;
        int gap_start;
        std::vector<int> sizes_after;
    };
    const Case cases[] = {
        { { 200, 100 }, {}, 600, 0, 300, { 298, 291 } },
        { { 200, 100 }, { 50, 80 }, 600, 0, 10, { 50, 539 } },   // held at the first pane's minimum
        { { 200, 100 }, { 50, 80 }, 600, 0, 590, { 509, 80 } },  // the second keeps its minimum
        { { 100, 100, 100 }, {}, 400, 0, 150, { 148, 52, 182 } }, // the next pane gives, the last stays
        { { 100, 100, 100 }, {}, 400, 1, 309, { 100, 200, 82 } },
        { { 100, 100, 100 }, {}, 400, 1, 400, { 100, 282, 0 } },  // the last pane may shrink to nothing
        { { 100, 100, 100 }, {}, 400, 0, 400, { 200, 0, 182 } }, // never past the next pane
        { { 200, 100 }, {}, 600, 1, 300, { 200, 389 } },          // no bar after the last pane
        { { 200, 100 }, { 700, 0 }, 600, 0, 300, { 589, 0 } },    // a minimum larger than the room
    };
    for (const Case& c : cases) {
        SplitterTrack track;
        track.ideal_px = c.ideal;
        track.min_px = c.min;
        drag_splitter_bar(track, c.total, c.bar, c.gap_start);
        std::vector<PaneSpan> got = layout_splitter_track(track, c.total);
        std::vector<int> sizes;
        for (const PaneSpan& p : got)
            sizes.push_back(p.size);
        EXPECT_EQ(sizes, c.sizes_after) << "bar " << c.bar << " to " << c.gap_start;
    }
}

TEST(PaneLayout, RebarRowAndGripper)
{
    auto spans_of = [](const std::vector<RebarBand>& bands, int total) {
        std::vector<std::pair<int, int>> out;
        for (const PaneSpan& s : layout_rebar_row(bands, total))
            out.emplace_back(s.start, s.size);
        return out;
    };
    using Spans = std::vector<std::pair<int, int>>;
    std::vector<RebarBand> bands = { { 60, 0, true }, { 80, 0, true }, { 200, 0, true } };
    EXPECT_EQ(spans_of(bands, 500), (Spans { { 0, 60 }, { 60, 80 }, { 140, 360 } }));
    EXPECT_EQ(spans_of(bands, 300), (Spans { { 0, 60 }, { 60, 80 }, { 140, 200 } })); // cut at the end
    bands[1].visible = false;
    EXPECT_EQ(spans_of(bands, 500), (Spans { { 0, 60 }, { 60, 0 }, { 60, 440 } }));
    bands[1].visible = true;
    bands[0].width_px = 100;
    bands[1].width_px = 120;
    EXPECT_EQ(spans_of(bands, 360), (Spans { { 0, 80 }, { 80, 80 }, { 160, 200 } })); // right ones give way first
    bands[0].width_px = 0;
    bands[1].width_px = 0;

    drag_rebar_gripper(bands, 500, 1, 30);
    EXPECT_EQ(bands[0].width_px, 90);
    EXPECT_EQ(spans_of(bands, 500), (Spans { { 0, 90 }, { 90, 80 }, { 170, 330 } }));
    drag_rebar_gripper(bands, 500, 1, -100);
    EXPECT_EQ(bands[0].width_px, 60);
    drag_rebar_gripper(bands, 500, 1, 1000);
    EXPECT_EQ(bands[0].width_px, 220); // later bands keep their minimum
    drag_rebar_gripper(bands, 500, 0, 50); // the first band has nothing before it
    EXPECT_EQ(bands[0].width_px, 220);
    bands[1].visible = false;
    drag_rebar_gripper(bands, 500, 2, -20); // the band before a hidden one moves
    EXPECT_EQ(bands[0].width_px, 200);
}

TEST(CommandIcons, EveryBarCommandHasOnePicture)
{
    std::set<int> ids;
    for (const CommandIcon& icon : command_icons()) {
        EXPECT_TRUE(ids.insert(icon.command_id).second) << "twice: " << icon.command_id;
        EXPECT_TRUE(icon.theme_name == nullptr || std::string(icon.theme_name).size() > 0) << icon.command_id;
        EXPECT_GE(icon.fallback_glyph, 0);
        EXPECT_LT(icon.fallback_glyph, 32);
    }
    // The main frame's three tool bars, the status buttons and the full-screen tool bar.
    const int bar_commands[] = { 32834, 32890, 32785, 32805, 32786, 32810, 32812, 32811, 32808, 32809, 32806, 32820,
                                 32817, 32818, 32903, 32935, 32936, 32776, 32774, 32775, 32771, 32773, 32772, 32777,
                                 32778, 32787, 32788, 32789, 32790, 32791, 32796, 32797, 32800, 32801, 32802, 32804 };
    for (int id : bar_commands)
        EXPECT_NE(command_icon(id), nullptr) << id;
    EXPECT_EQ(command_icon(12345), nullptr);
    EXPECT_EQ(command_icon(0), nullptr);
}
