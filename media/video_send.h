#pragma once
// The coded frame waiting for the frame sender, and the narrow interface the
// sender offers the capture side.

#include "media/video_frame_codec.h"
#include "platform/camera/capture_source.h"

#include <array>
#include <cstdint>
#include <vector>

// Touched only while g_video_send_lock is held.
struct VideoSendBuffers {
    std::array<std::vector<uint8_t>, video_stream_count> streams; // zlib-compressed, VideoStream order
    int frame_kind = video_frame_kind_key;
    int quality = 70;    // what the frame was coded with
    int size_index = 0;
    bool frame_sent = true;
    // Set with frame_sent by a sender that could not deliver the frame (too
    // big, or the connection failed): the receivers never got it, so the
    // next frame must not be coded against it.
    bool frame_dropped = false;
};
VideoSendBuffers& video_send_buffers();

// Sends the frame waiting in the send buffers on its own thread; one sender
// runs at a time, and it marks the frame sent when done (also when it fails).
class VideoFrameSender {
public:
    virtual ~VideoFrameSender() = default;
    virtual void start_video_frame_sender() = 0;
};
// The transport installs its sender; nullptr removes it.
void set_video_frame_sender(VideoFrameSender* sender);
VideoFrameSender* video_frame_sender();

// One tick of the frame timer: what happened.
enum class VideoTickResult { retried_sender, no_frame, coded, lock_failed, pack_failed };

// The capture side of the "Me" dialog without its window: codes the newest
// picture and hands it to the sender.
class VideoCaptureTicker {
public:
    VideoTickResult tick(platform::CaptureSource* camera);

    const VideoFrameEncoder& encoder() const { return encoder_; }
    int send_fail_count() const { return send_fail_count_; }
    int last_frame_kind() const { return last_frame_kind_; }
    // The picture the last tick coded, as the camera gave it.
    const std::vector<uint8_t>& picture() const { return picture_; }

    static constexpr int send_lock_wait_ms = 3000;
    static constexpr int max_send_retries = 10;

private:
    VideoFrameEncoder encoder_;
    VideoStreamPacker packer_;
    CodedVideoFrame frame_;
    std::array<std::vector<uint8_t>, video_stream_count> packed_;
    std::vector<uint8_t> picture_;
    int send_fail_count_ = 0;
    int last_frame_kind_ = -1;
};
