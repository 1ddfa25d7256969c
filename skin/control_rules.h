#pragma once
// What the skinned slider, spin button and tab control decide without a
// window: the slider's clamped value, its thumb and ticks along the groove
// and the value under the pointer; the spin button's next position; where
// each tab sits, whether the tabs overflow, and which tab lies under a point.

#include <array>
#include <vector>

// ---- slider -------------------------------------------------------------------

inline constexpr int slider_end_inset_px = 8; // the groove starts and ends this far in
inline constexpr int slider_tick_count = 11;
inline constexpr int slider_thumb_width_px = 10;
inline constexpr int slider_thumb_height_px = 20;

// min > max is read as the range the other way round.
int slider_clamp(int value, int min, int max);
// The thumb's centre along a slider width_px wide.
int slider_thumb_centre_px(int value, int min, int max, int width_px);
// The nearest value to a point x along the slider, clamped.
int slider_value_at(int x, int min, int max, int width_px);
// The tick marks' places along the groove, evenly from one end to the other.
std::array<int, slider_tick_count> slider_tick_x(int width_px);
// A press beside the thumb moves a page toward the press, never past it.
int slider_page_toward(int value, int page, int min, int max, int x, int width_px);

// ---- spin button --------------------------------------------------------------

// The position after one step up (+1) or down (-1). The up arrow moves toward
// upper, so a range given the other way round steps downwards; the position
// stays inside the range.
int spin_position_after(int position, int step, int lower, int upper);

// ---- tab control --------------------------------------------------------------

struct TabRect {
    int left = 0;
    int top = 0;
    int right = 0; // excluded
    int bottom = 0; // excluded
    bool operator==(const TabRect&) const = default;
};

struct TabLayout {
    std::vector<TabRect> tabs;
    bool overflow = false; // the tabs need more room than the control has
    int first = 0;         // the first tab shown
    int last_first = 0;    // the highest first tab worth scrolling to
    int strip_right = 0;   // tabs are shown and hit left of this
};

inline constexpr int tab_strip_left_px = 2;
inline constexpr int tab_text_padding_px = 9; // on each side of the text

// text_widths: each tab's text as measured; first: the tab to begin with when
// they overflow (clamped); spin_width_px: room kept at the right for the arrows.
TabLayout tab_layout(const std::vector<int>& text_widths, int control_width_px, int row_height_px, int first,
                     int spin_width_px);
// The tab under (x, y), -1 when none (also past strip_right).
int tab_at(const TabLayout& layout, int x, int y);
// The first tab to show so that tab index is wholly in view, starting from the layout's.
int tab_first_showing(const TabLayout& layout, int index);
