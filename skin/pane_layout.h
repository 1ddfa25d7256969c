#pragma once
// Where the panes of a splitter and the bands of a rebar lie along one
// direction, and what dragging a splitter bar or a band's gripper changes.

#include <vector>

struct PaneSpan {
    int start = 0;
    int size = 0;
    int end() const { return start + size; }
};

// One direction of a splitter: each pane's content has a border on both
// sides, and a bar lies between the borders of neighbouring panes.
struct SplitterTrack {
    int border_px = 2;
    int bar_px = 3;
    std::vector<int> ideal_px; // what each pane wants; the last takes what is left
    std::vector<int> min_px;   // what a drag leaves each pane at least
    int gap_px() const { return 2 * border_px + bar_px; }
};

// The content span of every pane in total_px. A pane that cannot have its
// size gets what is left, never less than 0.
std::vector<PaneSpan> layout_splitter_track(const SplitterTrack& track, int total_px);
// The gap between pane bar and pane bar + 1, borders included.
PaneSpan splitter_gap(const SplitterTrack& track, int total_px, int bar);
// Moves the gap after pane bar to start at gap_start_px: that pane takes the
// new size, held between its minimum and what leaves the next pane its
// minimum; the next pane gives or takes the difference.
void drag_splitter_bar(SplitterTrack& track, int total_px, int bar, int gap_start_px);

struct RebarBand {
    int min_px = 0;   // gripper and the whole child
    int width_px = 0; // 0: the minimum
    bool visible = true;
};

// The span of every band in one row of total_px (an invisible band gets an
// empty span at its neighbour's edge). Bands keep their width, at least
// their minimum; the last visible band reaches the end of the row; when the
// row is too short the bands on the right give way first, down to their
// minimum, and what still does not fit is cut at the end.
std::vector<PaneSpan> layout_rebar_row(const std::vector<RebarBand>& bands, int total_px);
// Dragging band index's gripper by dx_px widens or narrows the visible band
// before it, never below its minimum nor so far that a later band loses its
// minimum.
void drag_rebar_gripper(std::vector<RebarBand>& bands, int total_px, int index, int dx_px);
