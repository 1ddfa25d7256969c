#include "skin/pane_layout.h"

#include <algorithm>

namespace {

int at_or(const std::vector<int>& values, size_t i, int fallback) { return i < values.size() ? values[i] : fallback; }

int band_width(const RebarBand& band) { return std::max(band.width_px, band.min_px); }

} // namespace

std::vector<PaneSpan> layout_splitter_track(const SplitterTrack& track, int total_px)
{
    const size_t n = std::max<size_t>(track.ideal_px.size(), 1);
    std::vector<PaneSpan> panes(n);
    int pos = track.border_px;
    for (size_t i = 0; i < n; ++i) {
        int room = std::max(0, total_px - pos - track.border_px);
        int size = i + 1 == n ? room : std::clamp(at_or(track.ideal_px, i, 0), 0, room);
        panes[i] = PaneSpan { pos, size };
        pos += size + track.gap_px();
    }
    return panes;
}

PaneSpan splitter_gap(const SplitterTrack& track, int total_px, int bar)
{
    std::vector<PaneSpan> panes = layout_splitter_track(track, total_px);
    if (bar < 0 || bar + 1 >= static_cast<int>(panes.size()))
        return PaneSpan {};
    return PaneSpan { panes[static_cast<size_t>(bar)].end(), track.gap_px() };
}

void drag_splitter_bar(SplitterTrack& track, int total_px, int bar, int gap_start_px)
{
    std::vector<PaneSpan> panes = layout_splitter_track(track, total_px);
    const int n = static_cast<int>(panes.size());
    if (bar < 0 || bar + 1 >= n)
        return;
    track.ideal_px.resize(static_cast<size_t>(n), 0);
    const size_t i = static_cast<size_t>(bar);
    const PaneSpan& pane = panes[i];
    const PaneSpan& next = panes[i + 1];
    const int next_min = at_or(track.min_px, i + 1, 0);
    // Both panes share what they hold now; the next keeps at least its minimum.
    const int pair_px = pane.size + next.size;
    const int most = std::max(0, pair_px - next_min);
    const int least = std::min(at_or(track.min_px, i, 0), most);
    const int size = std::clamp(gap_start_px - pane.start, least, most);
    track.ideal_px[i] = size;
    if (i + 2 < static_cast<size_t>(n))
        track.ideal_px[i + 1] = pair_px - size;
}

std::vector<PaneSpan> layout_rebar_row(const std::vector<RebarBand>& bands, int total_px)
{
    std::vector<PaneSpan> spans(bands.size());
    std::vector<int> widths(bands.size(), 0);
    int last_visible = -1;
    int sum = 0;
    for (size_t i = 0; i < bands.size(); ++i) {
        if (!bands[i].visible)
            continue;
        widths[i] = band_width(bands[i]);
        sum += widths[i];
        last_visible = static_cast<int>(i);
    }
    // Too long: the bands on the right give way first, down to their minimum.
    for (int i = last_visible; i >= 0 && sum > total_px; --i) {
        const size_t u = static_cast<size_t>(i);
        if (!bands[u].visible)
            continue;
        int give = std::min(sum - total_px, widths[u] - bands[u].min_px);
        widths[u] -= give;
        sum -= give;
    }
    if (last_visible >= 0 && sum < total_px)
        widths[static_cast<size_t>(last_visible)] += total_px - sum;
    int x = 0;
    for (size_t i = 0; i < bands.size(); ++i) {
        spans[i] = PaneSpan { x, widths[i] };
        x += widths[i];
    }
    return spans;
}

void drag_rebar_gripper(std::vector<RebarBand>& bands, int total_px, int index, int dx_px)
{
    if (index <= 0 || index >= static_cast<int>(bands.size()) || !bands[static_cast<size_t>(index)].visible)
        return;
    int before = index - 1;
    while (before >= 0 && !bands[static_cast<size_t>(before)].visible)
        --before;
    if (before < 0)
        return;
    std::vector<PaneSpan> spans = layout_rebar_row(bands, total_px);
    int later_min = 0;
    for (size_t i = static_cast<size_t>(index); i < bands.size(); ++i)
        if (bands[i].visible)
            later_min += bands[i].min_px;
    RebarBand& band = bands[static_cast<size_t>(before)];
    const PaneSpan& span = spans[static_cast<size_t>(before)];
    int most = std::max(band.min_px, total_px - span.start - later_min);
    band.width_px = std::clamp(span.size + dx_px, band.min_px, most);
}
