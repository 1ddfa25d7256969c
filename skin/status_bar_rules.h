#pragma once
// What the status bar and its small windows decide, without a window: where
// the panes and the children sit, the connection light's colour, the volume
// slider's thumb and track arithmetic, and the sound-level graph's ring.

#include "platform/sys/colorref.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// ---- panes ------------------------------------------------------------------

struct PaneRect {
    int left = 0;
    int top = 0;
    int right = 0;  // the pane covers [left, right) x [top, bottom)
    int bottom = 0;
};
inline constexpr int status_bar_top_border_px = 2;
inline constexpr int status_pane_gap_px = 2;
inline constexpr int status_bar_right_border_px = 2;
// The fixed panes 1.. from the right end, each widths[i] wide, two pixels
// apart; pane 0 takes the rest from the left edge (widths[0] is not read).
std::vector<PaneRect> status_pane_rects(const std::vector<int>& widths, int bar_width, int bar_height);

// ---- the children at the right end of pane 0 --------------------------------

enum class StatusChild : int {
    mic_slider,
    mic_graph,
    first_button,
    speaker_slider,
    speaker_graph,
    second_button,
    third_button,
    light,
    count
};
inline constexpr int status_child_count = static_cast<int>(StatusChild::count);

struct ChildRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
// x0 for a pane 0 whose right edge is pane0_right.
inline constexpr int status_x0(int pane0_right) { return pane0_right - 53; }
ChildRect status_child_rect(StatusChild child, int x0);
// The leftmost pixel any child covers.
inline constexpr int status_children_left(int x0) { return x0 - 155; }

// The three buttons and the light: where their picture sits in the skin's
// status bitmap, and the command each posts to the main frame.
struct StatusButtonInfo {
    StatusChild child;
    int image_x;
    int image_y;
    int command_id;
};
inline constexpr std::array<StatusButtonInfo, 4> status_buttons = { {
    { StatusChild::first_button, 0, 0, 0x8042 },   // take over the microphone
    { StatusChild::second_button, 14, 0, 0x8025 }, // the volume dialog
    { StatusChild::third_button, 30, 0, 0x8087 },  // raise hand
    { StatusChild::light, 30, 0, 0x80b2 },         // the network speed test
} };

// ---- connection light ---------------------------------------------------------

inline constexpr COLORREF light_connected_colour = 0x00ff00;
inline constexpr COLORREF light_retrying_colour = 0x00e0e0;
inline constexpr COLORREF light_failing_colour = 0x0000ff;

// By the sum of the four server connections' send-retry counts: nothing
// pending is connected, a few retries are retrying, from five on failing.
COLORREF connection_light_colour(int retry_sum);

struct ConnectionLightInput {
    int retry_count = 0;
    bool has_socket = false;
};
// The sum the light shows. While the client means to be connected (the
// link flag), a connection whose socket is gone counts as one whose retries
// ran out: a lost connection must not look like a healthy one.
int connection_light_sum(const std::array<ConnectionLightInput, 4>& connections, bool link_flag);
// The same for the process's four server connections and its link flag.
int connection_retry_sum();

// ---- volume slider ------------------------------------------------------------

struct VolumeSliderModel {
    int maximum = 100;
    int minimum = 0;
    int value = 0;
    int left_margin = 4;
    int right_margin = 4;
    int thumb_height = 3;
    int dragging = 0;

    bool has_range() const { return maximum > minimum; }
    // The track's middle row in a window h high.
    int mid_y(int h) const { return thumb_height / 2 + h / 2; }
    int track_width(int w) const { return w - left_margin - right_margin; }
    // The thumb's column; left margin when there is no range.
    int thumb_x(int w) const;
    // The value a pointer at column x stands for.
    int value_at(int x, int w) const;

    // Values outside the range are clamped into it.
    void set_value(int v);
    // min above max is taken the other way round; the value is clamped again.
    void set_range(int min, int max);

    // Button down at (x, y) in a w x h window: a press on the thumb starts a
    // drag, one elsewhere on the track jumps there. True when the value changed.
    bool press(int x, int y, int w, int h);
    // Pointer moved while dragging: the value follows inside the band.
    bool drag_to(int x, int y, int w, int h);
    void release() { dragging = 0; }
};

// ---- sound-level graph ----------------------------------------------------------

// The graph's own ring: one slot per column, the write index sweeping across,
// so the newest level shows wherever the index stands.
class SoundLevelHistory {
public:
    static constexpr int capacity = 300;
    // Levels are 8-bit sample values centred on 128: silence draws no bar.
    static constexpr int16_t silence = 128;

    SoundLevelHistory();
    // The ring is as long as the window is wide, at most capacity.
    void resize(int width);
    void add_level(int16_t level);

    int length() const { return length_; }
    int index() const { return index_; }
    int16_t slot(int i) const { return i >= 0 && i < capacity ? levels_[static_cast<std::size_t>(i)] : silence; }
    // Column x shows slot x.
    int16_t column_level(int x) const { return slot(x); }

private:
    std::array<int16_t, capacity> levels_ {};
    int index_ = 0;
    int length_ = capacity;
};

// How many pixels of a graph h high the bar of a level reaches.
int sound_level_bar_px(int16_t level, int height);
