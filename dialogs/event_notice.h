#pragma once
// Event notices: what happens in the meeting, told without interrupting the
// user. Each notice goes into the event history and pops up at the bottom
// right of the screen, up to five above each other. The windows install the
// sink that shows them (dialogs/ui); without it a notice goes to the status
// line. Any thread may call: the sink hands a worker's notice to the UI
// thread.

#include "core/text_util.h"

#include <array>
#include <functional>
#include <string>

inline constexpr size_t event_notice_limit = 511;
inline constexpr size_t event_string_limit = 1023;

// The text is formatted in the user's language and cut to 511 characters.
void show_event_printf(const char* fmt, ...) TAMBLO_PRINTF(1, 2);
// A string-table text, shown as it reads (at most 1023 characters, then 511):
// a '%' in a translation is no format.
void show_event(int string_id);
// The text as given, cut to 511 characters.
void show_event_text(std::string text);

// Where a notice goes. An empty function restores the status line.
void set_event_notice_sink(std::function<void(const std::string&)> sink);

// ---- the pop-ups' rules, without the windows ----

// One counter per position (0: the lowest): how many notices took it since
// it was last freed. UI thread only.
inline constexpr int event_position_count = 5;
extern std::array<int, event_position_count> g_event_position_counter;

// The first free position; else the one with the smallest count below 100
// (ties: the lower); position 0 when every count is 100 or more. Its counter
// goes up by one.
int take_event_position(std::array<int, event_position_count>& counters);
// A closed notice frees its position.
void free_event_position(std::array<int, event_position_count>& counters, int position);

// A notice's life in ticks of 100 ms: it rises, stands, shrinks and closes.
inline constexpr int event_tick_ms = 100;
inline constexpr int event_stay_ticks = 100;
inline constexpr int event_rise_ticks = 10;
inline constexpr int event_fall_ticks = 40;
inline constexpr int event_remaining_ticks = 150;
inline constexpr int event_min_height_px = 23;

struct EventTick {
    int remaining = 0;  // after the tick
    int height = 0;     // the window's height after the tick
    bool close = false; // the notice is done
};
// One tick of a notice of full height full_h that is now height high.
EventTick event_notice_tick(int remaining, int height, int full_h, bool no_animation);

// Where a new notice starts: its top edge and height, given the work area's
// bottom edge (exclusive) and its full height.
struct EventPlace {
    int y = 0;
    int height = 0;
};
EventPlace event_notice_start(int bottom, int position, int full_h, bool no_animation);
