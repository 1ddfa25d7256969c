#pragma once
// The clock that asks the server for video frames, without its window: the
// member-pictures page's 50 ms timer. While a frame is arriving it asks at
// most every 21st tick; otherwise, while the meeting runs and the video view
// exists, it asks (763) for the next frame of every view window showing a
// member whose throttle lets a request go.

#include "core/global_state.h"

#include <cstdint>
#include <vector>

inline constexpr int video_request_period_ms = 50;
inline constexpr int video_request_busy_ticks = 21;

// Ticks counted while a frame is arriving (0 at start).
extern AtomicInt g_video_request_tick_count;

// One tick; returns the view windows asked for (the caller repaints them).
std::vector<int> video_request_tick(bool video_view_exists, uint32_t now_tick);
