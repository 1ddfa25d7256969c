#include "skin/control_rules.h"

#include <algorithm>
#include <cstdint>

namespace {

int groove_length(int width_px) { return std::max(0, width_px - 2 * slider_end_inset_px); }

} // namespace

int slider_clamp(int value, int min, int max)
{
    if (min > max)
        std::swap(min, max);
    return std::clamp(value, min, max);
}

int slider_thumb_centre_px(int value, int min, int max, int width_px)
{
    if (min > max)
        std::swap(min, max);
    const int range = max - min;
    if (range <= 0)
        return slider_end_inset_px;
    const int64_t along = static_cast<int64_t>(groove_length(width_px)) * (slider_clamp(value, min, max) - min);
    return slider_end_inset_px + static_cast<int>(along / range);
}

int slider_value_at(int x, int min, int max, int width_px)
{
    if (min > max)
        std::swap(min, max);
    const int length = groove_length(width_px);
    if (length <= 0 || max == min)
        return min;
    const int64_t along = std::clamp(x - slider_end_inset_px, 0, length);
    const int64_t range = static_cast<int64_t>(max) - min;
    // Rounded to the nearest value.
    return min + static_cast<int>((along * range + length / 2) / length);
}

std::array<int, slider_tick_count> slider_tick_x(int width_px)
{
    std::array<int, slider_tick_count> ticks {};
    const int length = groove_length(width_px);
    for (int i = 0; i < slider_tick_count; ++i)
        ticks[static_cast<size_t>(i)] = slider_end_inset_px + length * i / (slider_tick_count - 1);
    return ticks;
}

int slider_page_toward(int value, int page, int min, int max, int x, int width_px)
{
    value = slider_clamp(value, min, max);
    const int target = slider_value_at(x, min, max, width_px);
    if (target > value)
        return std::min(target, slider_clamp(value + page, min, max));
    if (target < value)
        return std::max(target, slider_clamp(value - page, min, max));
    return value;
}

int spin_position_after(int position, int step, int lower, int upper)
{
    const int direction = upper >= lower ? 1 : -1;
    const int low = std::min(lower, upper);
    const int high = std::max(lower, upper);
    return std::clamp(std::clamp(position, low, high) + step * direction, low, high);
}

TabLayout tab_layout(const std::vector<int>& text_widths, int control_width_px, int row_height_px, int first,
                     int spin_width_px)
{
    TabLayout layout;
    std::vector<int> widths;
    int total = 0;
    for (int text : text_widths) {
        widths.push_back(std::max(0, text) + 2 * tab_text_padding_px);
        total += widths.back();
    }
    const int count = static_cast<int>(widths.size());
    layout.overflow = tab_strip_left_px + total > control_width_px;
    layout.strip_right = layout.overflow ? std::max(tab_strip_left_px, control_width_px - spin_width_px) : control_width_px;
    if (layout.overflow) {
        // The last first tab: the one from which every remaining tab fits.
        int tail = 0;
        layout.last_first = count - 1;
        for (int i = count - 1; i >= 0; --i) {
            tail += widths[static_cast<size_t>(i)];
            if (tab_strip_left_px + tail > layout.strip_right)
                break;
            layout.last_first = i;
        }
        layout.first = std::clamp(first, 0, std::max(0, layout.last_first));
    }
    int x = tab_strip_left_px;
    for (int i = 0; i < layout.first; ++i)
        x -= widths[static_cast<size_t>(i)];
    for (int w : widths) {
        layout.tabs.push_back({ x, 0, x + w, row_height_px });
        x += w;
    }
    return layout;
}

int tab_at(const TabLayout& layout, int x, int y)
{
    if (x >= layout.strip_right)
        return -1;
    for (size_t i = 0; i < layout.tabs.size(); ++i) {
        const TabRect& r = layout.tabs[i];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return static_cast<int>(i);
    }
    return -1;
}

int tab_first_showing(const TabLayout& layout, int index)
{
    if (!layout.overflow || index < 0 || index >= static_cast<int>(layout.tabs.size()))
        return layout.first;
    if (index < layout.first)
        return index;
    // Move on until the tab's right edge is inside the strip.
    int first = layout.first;
    int shift = 0;
    const TabRect& r = layout.tabs[static_cast<size_t>(index)];
    // Never past the tab itself: one wider than the strip starts it.
    while (first < index && first < layout.last_first && r.right - shift > layout.strip_right) {
        const TabRect& gone = layout.tabs[static_cast<size_t>(first)];
        shift += gone.right - gone.left;
        ++first;
    }
    return first;
}
