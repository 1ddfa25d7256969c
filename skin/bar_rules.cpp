#include "skin/bar_rules.h"

#include "skin/skin_table.h"

#include <algorithm>

namespace {

int clamp_k(int k) { return std::clamp(k, 0, 255); }

template <typename Channel>
COLORREF per_channel(COLORREF c, Channel channel)
{
    return make_colorref(channel(colorref_red(c)), channel(colorref_green(c)), channel(colorref_blue(c)));
}

// How far the disabled menu text and its emboss move from the background.
constexpr int disabled_text_darken = 112;
constexpr int disabled_emboss_lighten = 176;
constexpr int edge_light_k = 160;
constexpr int edge_shadow_k = 96;

} // namespace

COLORREF darken_colour(COLORREF c, int k)
{
    const int kk = clamp_k(k);
    return per_channel(c, [kk](uint8_t v) { return static_cast<uint8_t>(v * (255 - kk) / 255); });
}

COLORREF lighten_colour(COLORREF c, int k)
{
    const int kk = clamp_k(k);
    return per_channel(c, [kk](uint8_t v) { return static_cast<uint8_t>(v + (255 - v) * kk / 255); });
}

ToolButtonLook tool_button_look(const ToolButtonState& state)
{
    ToolButtonLook look;
    const bool hot = state.hot && !state.disabled;
    const bool pressed = hot && state.selected;
    if (pressed) {
        look.fill_word = skin_word::tool_button_hot_selected;
        look.top_left_word = skin_word::panel;
        look.bottom_right_word = skin_word::light_3d;
    } else if (state.checked) {
        look.fill_word = skin_word::highlight;
        look.top_left_word = skin_word::panel;
        look.bottom_right_word = skin_word::light_3d;
    } else if (hot) {
        look.fill_word = skin_word::highlight;
        look.top_left_word = skin_word::light_3d;
        look.bottom_right_word = skin_word::panel;
    }
    look.images = state.disabled ? ToolImageList::disabled : hot ? ToolImageList::hot : ToolImageList::normal;
    look.image_offset_px = pressed ? 4 : 3;
    return look;
}

ToolEdgeColours tool_edge_colours(COLORREF face)
{
    return ToolEdgeColours { lighten_colour(face, edge_light_k), darken_colour(face, edge_shadow_k) };
}

SplitterPartLook splitter_part_look(SplitterPart part)
{
    SplitterPartLook look;
    if (part == SplitterPart::border) {
        look.outer_top_left_word = skin_word::panel;
        look.outer_bottom_right_word = skin_word::light_3d;
        look.inner_top_left_word = skin_word::splitter_inner_edge;
        look.inner_bottom_right_word = skin_word::light_3d;
    } else {
        look.fill_word = skin_word::panel;
    }
    return look;
}

MenuItemLook menu_item_look(bool selected, bool enabled, COLORREF background)
{
    constexpr COLORREF menu_text = 0x000000;
    MenuItemLook look;
    if (selected) {
        look.fill = true;
        look.fill_colour = skin_word_value(skin_word::highlight);
        look.frame_colour = skin_word_value(skin_word::outline);
    }
    if (enabled) {
        look.text_colour = menu_text;
    } else {
        const COLORREF under = selected ? look.fill_colour : background;
        look.text_colour = darken_colour(under, disabled_text_darken);
        // On the selection box the emboss would only blur the text.
        look.emboss = !selected;
        look.emboss_colour = lighten_colour(background, disabled_emboss_lighten);
    }
    return look;
}
