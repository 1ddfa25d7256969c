#pragma once
// The geometry shared by the small bars that float in a view's top-left
// corner: a grip to drag them by, a fold button, then their content.

namespace float_bar {

inline constexpr int height = 18;
inline constexpr int folded_width = 20;
inline constexpr int content_left = 20;
inline constexpr int top_left = 2; // where a view places its bar, both axes

enum class Zone { grip, fold, content, none };

// The grip's drawn ends are 2 and 5; a pixel of slack on each side.
inline Zone zone_at(int x)
{
    if (x >= 1 && x <= 6)
        return Zone::grip;
    if (x >= 8 && x <= 16)
        return Zone::fold;
    if (x >= content_left)
        return Zone::content;
    return Zone::none;
}

} // namespace float_bar
