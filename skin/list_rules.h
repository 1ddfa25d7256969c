#pragma once
// What the skinned lists decide without a window: the roster's coloured bars
// per member flag and display state, where each cell's text starts, and the
// steps of the list's own horizontal-bar clicks.

#include "platform/sys/colorref.h"

#include <cstdint>
#include <optional>
#include <vector>

// The roster row's state as the painter reads it from the attendee tables.
struct RosterRowState {
    bool has_info = false;     // an in-use attendee record carries the row's id
    int32_t flags = 0;         // that record's member flags (0 without one)
    bool shows_video = true;   // no in-use display record, or one whose show flag is not 0
    bool zoomed = false;       // the zoomed attendee
    bool voice_partner = false; // the partner of this client's private voice chat
};

// Reads customer_info and customer_view for customer_id; zoomed_id and
// partner_id are -1 when there is none.
RosterRowState roster_row_state(int customer_id, int zoomed_id, int partner_id);

// One vertical bar of a roster cell, offset from the cell's left edge; it runs
// from the cell's top + 3 over the cell's height - 7.
struct RosterBar {
    int x_offset_px = 0;
    int width_px = 0;
    COLORREF colour = 0;
    bool operator==(const RosterBar&) const = default;
};

inline constexpr COLORREF roster_selected_fill = 0xfff0e0;
inline constexpr COLORREF roster_cell_fill = 0xffffff;
inline constexpr int roster_column_count = 5;
// The roster's columns: header text (English source) and width.
struct RosterColumn {
    const char* heading;
    int width_px;
};
inline constexpr RosterColumn roster_columns[roster_column_count] = {
    { "Name", 90 }, { "Raise Hand", 90 }, { "Private Voice Chat", 140 }, { "Is Talking", 90 }, { "Show Video", 90 },
};
inline constexpr int roster_bar_top_px = 3;
inline constexpr int roster_bar_height_less_px = 7;
// Text is read up to this many characters.
inline constexpr int list_cell_text_limit = 255;

// The bars of one cell, in painting order; none for a column past 4.
std::vector<RosterBar> roster_bars(int column, const RosterRowState& row);

// How far the text starts from the cell's left edge; with_icon: column 0
// shows the row's 16-pixel picture first, and the text follows it.
int roster_text_indent_px(int column, bool with_icon);
// Where the picture of column 0 starts.
inline constexpr int roster_icon_indent_px = 32;
inline constexpr int roster_icon_size_px = 16;

// The list's own horizontal bar: what a press landed on.
enum class ListBarPart { none, left_arrow, right_arrow, track_left, track_right, thumb };
inline constexpr int list_bar_arrow_step_px = 10;

// The position after a press on part (position, page and range as the bar
// keeps them, max the highest position); nothing when the press is not ours
// (the thumb, or outside the bar) and goes to the bar's own handling.
std::optional<int> list_bar_click_position(ListBarPart part, int position, int page, int min, int max);

// The roster row's picture by member flags: 2 for bit 0 (chairman), 1 for
// bit 1 (presenter), else 0.
int roster_row_image(int32_t flags);
