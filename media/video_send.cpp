#include "media/video_send.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/message_box.h"

#include <atomic>

namespace {

VideoSendBuffers send_buffers;
std::atomic<VideoFrameSender*> installed_sender { nullptr };

void start_sender()
{
    if (VideoFrameSender* sender = installed_sender.load())
        sender->start_video_frame_sender();
}

struct PreviousFrame {
    bool sent = false;
    bool dropped = false;
};

PreviousFrame previous_frame()
{
    platform::TimedLockWait wait(g_video_send_lock, VideoCaptureTicker::send_lock_wait_ms);
    // Without the lock the flag cannot be read; treat the frame as pending.
    if (!wait)
        return {};
    PreviousFrame previous { send_buffers.frame_sent, send_buffers.frame_dropped };
    send_buffers.frame_dropped = false;
    return previous;
}

} // namespace

VideoSendBuffers& video_send_buffers() { return send_buffers; }

void set_video_frame_sender(VideoFrameSender* sender) { installed_sender = sender; }

VideoFrameSender* video_frame_sender() { return installed_sender.load(); }

VideoTickResult VideoCaptureTicker::tick(platform::CaptureSource* camera)
{
    PreviousFrame previous = previous_frame();
    if (previous.dropped)
        encoder_.force_key_frame();
    if (!previous.sent) {
        ++send_fail_count_;
        if (send_fail_count_ < max_send_retries) {
            start_sender();
            return VideoTickResult::retried_sender;
        }
        dbg_log("do_dct_video send_fail_count==10\n");
    }
    send_fail_count_ = 0;

    if (!camera)
        return VideoTickResult::no_frame;
    int size_index = g_video_size_index;
    VideoFrameSize size = video_frame_size(size_index);
    picture_.resize(static_cast<size_t>(size.width) * size.height * 3);
    if (camera->width() != size.width || camera->height() != size.height || camera->grab(picture_) != 0)
        return VideoTickResult::no_frame;

    if (encoder_.encode(size_index, g_video_quality, picture_, frame_) != 0)
        return VideoTickResult::no_frame;
    last_frame_kind_ = frame_.frame_kind;
    // Compressing outside the lock keeps the sender's waits short.
    // A frame dropped here was already taken as the encoder's reference.
    if (packer_.pack(frame_, packed_) != 0) {
        dbg_log("do_dct_video: a stream does not fit its send buffer, frame dropped\n");
        encoder_.force_key_frame();
        return VideoTickResult::pack_failed;
    }
    {
        platform::TimedLockWait wait(g_video_send_lock, send_lock_wait_ms);
        if (!wait) {
            encoder_.force_key_frame();
            message_box_printf("wait failed for g_mutex_send_video in CDlgShowMe.do_dct_video.");
            return VideoTickResult::lock_failed;
        }
        for (size_t i = 0; i < video_stream_count; ++i)
            send_buffers.streams[i].swap(packed_[i]);
        send_buffers.frame_kind = frame_.frame_kind;
        send_buffers.quality = frame_.quality;
        send_buffers.size_index = frame_.size_index;
        send_buffers.frame_sent = false;
        send_buffers.frame_dropped = false;
    }
    start_sender();
    return VideoTickResult::coded;
}
