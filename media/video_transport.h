#pragma once
// Video frames over the application connection: the frame sender (one
// thread for the process, woken for every coded frame), the request for a
// member's next frame, and the recording writer of received frames.
//
// A frame goes to the server as 760 (field 2 the frame kind), chunks of at
// most 900 bytes as 761, and 762; it is asked for with 763 (field 2 the
// member, body "%4d:%4d" the frame ids last received for that member).

#include "core/wf_socket.h"
#include "media/video_frame_head.h"
#include "media/video_send.h"

#include <cstdint>
#include <span>
#include <vector>

// The frame waiting in the send buffers as it travels: the head and the six
// streams. Returns its length, or -1 (one log line) when it is larger than
// 40000 bytes and must be dropped. Call with g_video_send_lock held.
int build_video_frame(const VideoSendBuffers& buffers, std::vector<uint8_t>& out);

// Sends a whole frame as 760, 761 ... and 762 on the connection. 0, or -1
// when a send failed (the frame then ends there).
int send_video_frame(Cwf_socket& socket, int frame_kind, std::span<const uint8_t> frame);

// Sends the frame waiting in the send buffers, if any, on the application
// connection, and marks it sent (and dropped when it did not go out).
// Returns 0 when a frame went out, 1 when none was waiting, -1 when one was
// dropped.
int g_send_video_dct_thread();

// The process's sender: its thread starts at the first frame.
VideoFrameSender& video_dct_sender();

// 763 for member with the window's two frame ids.
int send_video_frame_request(int member, int id1, int id2);

// Type 11: the received frame with its sender and the server's two frame
// ids. 0 when written or not recording; -1 (logged) for a frame length
// outside 1-102400.
int record_video(std::span<const uint8_t> frame, int sender, int id1, int id2);
inline constexpr size_t record_video_frame_limit = 102400;
