#include "media/video_receive.h"

#include "core/dbg_log.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "media/video_frame_codec.h"
#include "media/video_frame_head.h"
#include "media/picture_downloads.h"
#include "media/video_image_files.h"
#include "media/video_transport.h"
#include "media/video_windows.h"

#include <charconv>
#include <cstring>
#include <string_view>

AtomicInt g_video_frame_in_progress { 0 };

namespace {

// The one frame being assembled; frames arrive one at a time on the
// application connection, and only its thread touches these.
std::vector<uint8_t> g_video_dct_buf;
bool frame_open = false;     // a begin came and its end has not
bool frame_broken = false;   // the frame outgrew the buffer: dropped at its end
VideoFrameDecoder g_video_decoder;

bool parse_ids(std::string_view body, int& id1, int& id2)
{
    auto number = [&body](int& out) {
        while (!body.empty() && body.front() == ' ')
            body.remove_prefix(1);
        auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), out);
        if (ec != std::errc() || end == body.data())
            return false;
        body.remove_prefix(static_cast<size_t>(end - body.data()));
        return true;
    };
    if (!number(id1) || body.empty() || body.front() != ':')
        return false;
    body.remove_prefix(1);
    return number(id2);
}

} // namespace

void video_dct_frame_begin(const char*, int, int)
{
    if (frame_open)
        dbg_log("video_dct_frame_begin: a begin before the last frame ended, %d bytes dropped\n",
                static_cast<int>(g_video_dct_buf.size()));
    g_video_dct_buf.clear();
    g_video_dct_buf.reserve(video_receive_buffer_limit);
    frame_open = true;
    frame_broken = false;
    g_video_frame_in_progress = 1;
}

void video_dct_buf_append(const char* body, int len, int)
{
    if (!frame_open) {
        // Quiet for the rest of the stray frame: its end logs it once.
        if (!frame_broken)
            dbg_log("video_dct_buf_append: %d bytes without a begin dropped\n", len);
        frame_broken = true;
        return;
    }
    if (frame_broken || len <= 0)
        return;
    if (g_video_dct_buf.size() + static_cast<size_t>(len) > video_receive_buffer_limit) {
        dbg_log("g_video_dct_buf_pos:%d too big.\n", static_cast<int>(g_video_dct_buf.size() + static_cast<size_t>(len)));
        frame_broken = true;
        g_video_dct_buf.clear();
        return;
    }
    g_video_dct_buf.insert(g_video_dct_buf.end(), body, body + len);
}

void video_dct_decode_frame(const char* body, int len, int field2)
{
    bool was_open = frame_open;
    bool broken = frame_broken;
    frame_open = false;
    frame_broken = false;
    g_video_frame_in_progress = 0;
    if (!was_open) {
        if (!broken)
            dbg_log("video_dct_decode_frame: an end without a begin from %d dropped\n", field2);
        return;
    }
    if (broken) {
        dbg_log("video_dct_decode_frame: the frame from %d outgrew its buffer, dropped\n", field2);
        return;
    }
    int id1 = 0;
    int id2 = 0;
    if (!body || !parse_ids(std::string_view(body, static_cast<size_t>(std::max(len, 0))), id1, id2)) {
        dbg_log("video_dct_decode_frame: frame ids \"%.32s\" from %d do not read, dropped\n", body ? body : "", field2);
        return;
    }
    std::span<const uint8_t> frame(g_video_dct_buf.data(), g_video_dct_buf.size());
    VideoFrameHead head;
    if (read_video_frame_head(frame, head, nullptr))
        record_video(frame, field2, id1, id2);
    video_frame_receive(field2, id1, id2, frame);
}

int video_frame_receive(int sender, int id1, int id2, std::span<const uint8_t> frame)
{
    VideoFrameHead head;
    const char* why = "";
    if (!read_video_frame_head(frame, head, &why)) {
        dbg_log("video frame of %d bytes from %d dropped: %s\n", static_cast<int>(frame.size()), sender, why);
        return -1;
    }
    if (sender < 0 || video_windows_showing(sender).empty()) {
        dbg_log("video frame from %d dropped: no video window shows that member\n", sender);
        return -1;
    }
    std::array<std::span<const uint8_t>, 6> streams = video_frame_streams(frame, head);
    std::array<std::span<const uint8_t>, video_stream_count> compressed {};
    for (size_t i = 0; i < video_stream_count; ++i)
        compressed[i] = streams[i];

    auto picture = std::make_shared<VideoPicture>();
    bool key = head.frame_kind == video_frame_kind_key;
    std::shared_ptr<VideoWindowKey> new_key;
    int rc = -1;
    if (key) {
        new_key = std::make_shared<VideoWindowKey>();
        new_key->customer_id = sender;
        new_key->key_id = id1;
        rc = g_video_decoder.decode_with(head.frame_kind, head.quality, head.size_index, compressed, new_key->planes,
                                         &new_key->planes, picture->rgb);
    } else {
        std::shared_ptr<const VideoWindowKey> held = video_ref_load(sender, id1);
        if (!held) {
            dbg_log("video frame from %d dropped: its key frame %d is in no window\n", sender, id1);
            return -1;
        }
        rc = g_video_decoder.decode_with(head.frame_kind, head.quality, head.size_index, compressed, held->planes,
                                         nullptr, picture->rgb);
    }
    if (rc != 0) {
        dbg_log("video frame %d:%d from %d dropped: it does not decode\n", id1, id2, sender);
        return -1;
    }
    picture->width = g_video_decoder.width();
    picture->height = g_video_decoder.height();
    return video_frame_store(sender, id1, id2, std::move(picture), std::move(new_key)) > 0 ? 0 : -1;
}

void install_video_parts()
{
    set_app_handler(MSG_VIDEO_DCT_BEGIN, video_dct_frame_begin);
    set_app_handler(MSG_VIDEO_DCT_DATA, video_dct_buf_append);
    set_app_handler(MSG_VIDEO_DCT_END, video_dct_decode_frame);
    set_app_handler(MSG_VIDEO_IMAGE_DATA, video_z_down_data_from_server);
    set_app_handler(MSG_VIDEO_IMAGE_DATA_2, video_z_down_data_2_from_server);
    install_picture_downloads();
    set_video_frame_sender(&video_dct_sender());
    // The view repaints every window of the sender, the page's among them.
    set_video_store_listener([](int sender) {
        if (!post_window_message(WindowSlot::video_view, WM_MY_MSG_REPAINT, static_cast<uintptr_t>(sender),
                                 video_repaint_frame))
            post_window_message(WindowSlot::pictures_page, WM_MY_MSG_REPAINT, static_cast<uintptr_t>(sender),
                                video_repaint_frame);
    });
}
