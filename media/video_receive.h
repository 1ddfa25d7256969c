#pragma once
// Received video frames: the application connection's handlers of 764
// (begin), 765 (chunks) and 766 (end: field 2 the sender, body the frame's
// two ids "%d:%d"), and what a whole frame goes through: recorded, checked,
// decoded on the receiving thread against the sender's key frame as a
// window showing the sender holds it, and stored into every window showing
// the sender.
//
// A frame that does not read (lengths that do not add up, streams that do
// not inflate or inflate past their plane, a size index outside 0-2), that
// comes in pieces out of order, that needs a key frame no window holds, or
// whose sender no window shows is dropped with one log line; the windows
// keep their last good picture.

#include "core/global_state.h"

#include <cstdint>
#include <span>

// 1 from a begin until its end; the pictures page asks for frames less often meanwhile.
extern AtomicInt g_video_frame_in_progress;

void video_dct_frame_begin(const char* body, int len, int field2);   // 764
void video_dct_buf_append(const char* body, int len, int field2);    // 765
void video_dct_decode_frame(const char* body, int len, int field2);  // 766

// A whole frame (head and streams) from sender with the server's ids:
// decoded and stored. Also the road of recorded frames played back. 0 when
// stored into a window, -1 when dropped.
int video_frame_receive(int sender, int id1, int id2, std::span<const uint8_t> frame);

// The repaint a stored frame posts to the video view: wparam the sender,
// lparam this.
inline constexpr intptr_t video_repaint_frame = 11;

// Plugs the handlers into the application connection's dispatch and the
// frame sender into the capture side.
void install_video_parts();
