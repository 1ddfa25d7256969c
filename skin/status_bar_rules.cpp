#include "skin/status_bar_rules.h"

#include "core/connections.h"
#include "core/global_state.h"

#include <algorithm>
#include <cstdlib>

std::vector<PaneRect> status_pane_rects(const std::vector<int>& widths, int bar_width, int bar_height)
{
    std::vector<PaneRect> rects(widths.size());
    if (widths.empty())
        return rects;
    const int top = status_bar_top_border_px;
    const int bottom = std::max(top, bar_height - 1);
    int right = bar_width - status_bar_right_border_px;
    for (size_t i = widths.size() - 1; i > 0; --i) {
        int left = right - std::max(0, widths[i]);
        rects[i] = PaneRect { left, top, right, bottom };
        right = left - status_pane_gap_px;
    }
    rects[0] = PaneRect { 0, top, std::max(0, right), bottom };
    return rects;
}

ChildRect status_child_rect(StatusChild child, int x0)
{
    switch (child) {
    case StatusChild::mic_slider: return { x0, 5, 50, 12 };
    case StatusChild::mic_graph: return { x0 - 17, 4, 14, 14 };
    case StatusChild::first_button: return { x0 - 34, 4, 14, 14 };
    case StatusChild::speaker_slider: return { x0 - 87, 5, 50, 12 };
    case StatusChild::speaker_graph: return { x0 - 104, 4, 14, 14 };
    case StatusChild::second_button: return { x0 - 121, 4, 14, 14 };
    case StatusChild::third_button: return { x0 - 138, 4, 14, 14 };
    case StatusChild::light: return { x0 - 155, 4, 14, 14 };
    case StatusChild::count: break;
    }
    return {};
}

COLORREF connection_light_colour(int retry_sum)
{
    // Four retries are still retrying; five and more are failing.
    if (retry_sum >= 5)
        return light_failing_colour;
    if (retry_sum >= 1)
        return light_retrying_colour;
    return light_connected_colour;
}

int connection_light_sum(const std::array<ConnectionLightInput, 4>& connections, bool link_flag)
{
    int sum = 0;
    for (const ConnectionLightInput& c : connections) {
        if (link_flag && !c.has_socket)
            sum += send_retry_limit;
        else
            sum += std::max(0, c.retry_count);
    }
    return sum;
}

int connection_retry_sum()
{
    std::array<ConnectionLightInput, 4> in;
    const std::array<Cwf_socket*, 4> sockets = { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock };
    for (size_t i = 0; i < sockets.size(); ++i)
        in[i] = ConnectionLightInput { sockets[i]->retry_count.load(), sockets[i]->m_sock.load() != 0 };
    return connection_light_sum(in, g_connected_to_server.load() == 1);
}

int VolumeSliderModel::thumb_x(int w) const
{
    if (!has_range())
        return left_margin;
    int64_t along = static_cast<int64_t>(track_width(w)) * (static_cast<int64_t>(value) - minimum) /
                    (static_cast<int64_t>(maximum) - minimum);
    return left_margin + static_cast<int>(along);
}

int VolumeSliderModel::value_at(int x, int w) const
{
    int track = track_width(w);
    if (!has_range() || track <= 0)
        return minimum;
    int64_t v = minimum + static_cast<int64_t>(x - left_margin) * (static_cast<int64_t>(maximum) - minimum) / track;
    return static_cast<int>(std::clamp<int64_t>(v, minimum, maximum));
}

void VolumeSliderModel::set_value(int v)
{
    value = has_range() ? std::clamp(v, minimum, maximum) : minimum;
}

void VolumeSliderModel::set_range(int min, int max)
{
    minimum = std::min(min, max);
    maximum = std::max(min, max);
    set_value(value);
}

bool VolumeSliderModel::press(int x, int y, int w, int h)
{
    if (!has_range())
        return false;
    dragging = 0;
    const int m = mid_y(h);
    if (y < m - 5 || y > m + 3)
        return false;
    if (std::abs(x - thumb_x(w)) <= 2) {
        dragging = 1;
        return false;
    }
    if (x < left_margin || x > w - right_margin)
        return false;
    int before = value;
    value = value_at(x, w);
    return value != before;
}

bool VolumeSliderModel::drag_to(int x, int y, int w, int h)
{
    if (!dragging || !has_range())
        return false;
    const int m = mid_y(h);
    if (y < m - 7 || y > m + 3 || x < left_margin || x > w - right_margin)
        return false;
    int before = value;
    value = value_at(x, w);
    return value != before;
}

SoundLevelHistory::SoundLevelHistory() { levels_.fill(silence); }

void SoundLevelHistory::resize(int width)
{
    length_ = std::clamp(width, 1, capacity);
    // A new size starts quiet.
    std::fill(levels_.begin(), levels_.end(), silence);
}

void SoundLevelHistory::add_level(int16_t level)
{
    index_ = index_ + 1 > length_ - 1 ? 0 : index_ + 1;
    levels_[static_cast<size_t>(index_)] = level;
}

int sound_level_bar_px(int16_t level, int height)
{
    int a = std::abs(128 - std::abs(static_cast<int>(level)));
    int v = std::min(5 * a, 128);
    return v * height / 128;
}
