#include "media/video_transport.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_builders.h"
#include "core/wire_head.h"
#include "platform/sys/threads.h"

#include <condition_variable>
#include <cstring>
#include <mutex>

namespace {

constexpr int video_send_lock_wait_ms = 3000;

int send_one(Cwf_socket& socket, const WireHead& head, std::span<const uint8_t> body)
{
    std::array<char, wire_head_len + video_chunk_limit> message {};
    if (body.size() > video_chunk_limit || !format_wire_head(message.data(), head))
        return -1;
    if (!body.empty())
        std::memcpy(message.data() + wire_head_len, body.data(), body.size());
    int length = static_cast<int>(wire_head_len + body.size());
    return socket.my_send_fixed_len(message.data(), length) == length ? 0 : -1;
}

// The one sender: a frame coded while one is being sent waits for the next
// round, so only one frame is ever in flight.
class VideoDctSender final : public VideoFrameSender {
public:
    void start_video_frame_sender() override
    {
        std::lock_guard hold(lock_);
        wake_ = true;
        if (!started_)
            started_ = platform::start_thread("video sender", [this] { run(); });
        woken_.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            {
                std::unique_lock hold(lock_);
                woken_.wait(hold, [this] { return wake_; });
                wake_ = false;
            }
            try {
                g_send_video_dct_thread();
            } catch (...) {
                dbg_log("exception in g_send_video_dct_thread.\n");
            }
        }
    }

    std::mutex lock_;
    std::condition_variable woken_;
    bool wake_ = false;
    bool started_ = false;
};

} // namespace

int build_video_frame(const VideoSendBuffers& buffers, std::vector<uint8_t>& out)
{
    const auto& s = buffers.streams;
    size_t total = video_frame_head_len;
    for (const std::vector<uint8_t>& stream : s)
        total += stream.size();
    if (total > video_frame_limit) {
        dbg_log("video size:%d too big in g_send_video_dct_thread, g_y_len_c:%d, g_u_len_c:%d, g_v_len_c:%d, header:%d\n",
                static_cast<int>(total), static_cast<int>(s[video_stream_y].size()),
                static_cast<int>(s[video_stream_u].size()), static_cast<int>(s[video_stream_v].size()),
                static_cast<int>(video_frame_head_len));
        return -1;
    }
    VideoFrameHead head;
    head.frame_kind = buffers.frame_kind;
    head.quality = buffers.quality;
    head.size_index = buffers.size_index;
    for (size_t i = 0; i < video_stream_count; ++i)
        head.lengths[i] = static_cast<int32_t>(s[i].size());
    out.resize(total);
    write_video_frame_head(head, out.data());
    size_t at = video_frame_head_len;
    for (size_t stream : video_frame_body_order) {
        // An empty stream's data() may be null, which memcpy must not get.
        if (s[stream].empty())
            continue;
        std::memcpy(out.data() + at, s[stream].data(), s[stream].size());
        at += s[stream].size();
    }
    return static_cast<int>(total);
}

int send_video_frame(Cwf_socket& socket, int frame_kind, std::span<const uint8_t> frame)
{
    if (send_one(socket, WireHead { 0, frame_kind, MSG_VIDEO_FRAME_BEGIN, 0 }, {}) != 0)
        return -1;
    for (size_t at = 0; at < frame.size(); at += video_chunk_limit) {
        std::span<const uint8_t> chunk = frame.subspan(at, std::min(video_chunk_limit, frame.size() - at));
        if (send_one(socket, WireHead { 0, frame_kind, MSG_VIDEO_FRAME_DATA, static_cast<int>(chunk.size()) }, chunk) != 0) {
            dbg_log("g_send_video_dct_thread sending failed..\n");
            return -1;
        }
    }
    return send_one(socket, WireHead { 0, frame_kind, MSG_VIDEO_FRAME_END, 0 }, {});
}

int g_send_video_dct_thread()
{
    thread_local std::vector<uint8_t> frame;
    int frame_kind = video_frame_kind_key;
    {
        platform::TimedLockWait wait(g_video_send_lock, video_send_lock_wait_ms);
        if (!wait) {
            // The capture side keeps its frame; it retries the sender at its next tick.
            dbg_log("wait failed for g_mutex_send_video in g_send_video_dct_thread.\n");
            return -1;
        }
        VideoSendBuffers& buffers = video_send_buffers();
        if (buffers.frame_sent)
            return 1;
        frame_kind = buffers.frame_kind;
        if (build_video_frame(buffers, frame) < 0) {
            buffers.frame_sent = true;
            buffers.frame_dropped = true;
            return -1;
        }
    }
    int sent = send_video_frame(g_share_app_sock, frame_kind, frame);
    platform::TimedLockWait wait(g_video_send_lock, video_send_lock_wait_ms);
    if (!wait) {
        dbg_log("wait failed for g_mutex_send_video in g_send_video_dct_thread 1.\n");
        return sent;
    }
    VideoSendBuffers& buffers = video_send_buffers();
    buffers.frame_sent = true;
    if (sent != 0)
        buffers.frame_dropped = true;
    return sent;
}

VideoFrameSender& video_dct_sender()
{
    // Never destroyed: its thread waits on it while the process exits.
    static VideoDctSender* sender = new VideoDctSender;
    return *sender;
}

int send_video_frame_request(int member, int id1, int id2)
{
    return send_app_sock_cmd_data(MSG_VIDEO_FRAME_REQUEST, member, 0, format_text("%4d:%4d", id1, id2));
}

int record_video(std::span<const uint8_t> frame, int sender, int id1, int id2)
{
    if (frame.empty() || frame.size() > record_video_frame_limit) {
        dbg_log("g_video_dct_buf_pos out of range in record_video(), %d\n", static_cast<int>(frame.size()));
        return -1;
    }
    std::array<int32_t, 10> sub { static_cast<int32_t>(frame.size()), sender, id1, id2, 0, 0, 0, 0, 0, 0 };
    return recorder().append(record_type_video, { { sub.data(), sizeof sub }, { frame.data(), frame.size() } },
                             "record_video");
}
