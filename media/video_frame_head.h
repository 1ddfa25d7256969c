#pragma once
// The head of a coded video frame as it travels: ten little-endian 32-bit
// words (frame kind, the compressed lengths of the Y, U and V streams, the
// quality, the size index, the lengths of the three side streams, 0), then
// the six zlib streams back to back in the order Y, Y side, U, U side, V,
// V side. Header-only: the server checks frames with it too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t video_frame_head_len = 40;
// A whole frame, head included, is never larger.
inline constexpr size_t video_frame_limit = 40000;
// Frames travel in chunks of at most this many bytes.
inline constexpr size_t video_chunk_limit = 900;
// What a receiver assembles at most (a frame from any sender).
inline constexpr size_t video_receive_buffer_limit = 102390;

struct VideoFrameHead {
    int32_t frame_kind = 1;  // 1 key frame, 0 frame of changed blocks
    int32_t quality = 70;
    int32_t size_index = 0;  // 0: 160 x 120, 1: 320 x 240, 2: 640 x 480
    // Compressed lengths: Y, U, V, Y side, U side, V side.
    std::array<int32_t, 6> lengths {};
};

// Where each stream of the lengths array starts inside a frame, in order
// behind the head: Y, Y side, U, U side, V, V side.
inline constexpr std::array<size_t, 6> video_frame_body_order = { 0, 3, 1, 4, 2, 5 };

namespace video_frame_head_detail {
inline void put(uint8_t* at, int32_t v)
{
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(u >> (8 * i));
}
inline int32_t get(const uint8_t* at)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<uint32_t>(at[i]) << (8 * i);
    return static_cast<int32_t>(u);
}
} // namespace video_frame_head_detail

inline void write_video_frame_head(const VideoFrameHead& head, uint8_t* out)
{
    using video_frame_head_detail::put;
    const int32_t words[10] = { head.frame_kind,    head.lengths[0], head.lengths[1], head.lengths[2], head.quality,
                                head.size_index,    head.lengths[3], head.lengths[4], head.lengths[5], 0 };
    for (int i = 0; i < 10; ++i)
        put(out + 4 * i, words[i]);
}

// Reads and checks a whole frame's head: a kind of 0 or 1, a size index of
// 0..2, no negative length, and lengths that add up to the frame exactly.
// On false, why names what is wrong (for one log line).
inline bool read_video_frame_head(std::span<const uint8_t> frame, VideoFrameHead& head, const char** why)
{
    using video_frame_head_detail::get;
    auto fail = [why](const char* text) {
        if (why)
            *why = text;
        return false;
    };
    if (frame.size() < video_frame_head_len)
        return fail("shorter than its head");
    const uint8_t* p = frame.data();
    head.frame_kind = get(p);
    head.lengths = { get(p + 4), get(p + 8), get(p + 12), get(p + 24), get(p + 28), get(p + 32) };
    head.quality = get(p + 16);
    head.size_index = get(p + 20);
    if (head.frame_kind != 0 && head.frame_kind != 1)
        return fail("frame kind not 0 or 1");
    if (head.size_index < 0 || head.size_index > 2)
        return fail("size index outside 0-2");
    uint64_t total = video_frame_head_len;
    for (int32_t len : head.lengths) {
        if (len < 0)
            return fail("negative stream length");
        total += static_cast<uint32_t>(len);
    }
    if (total != frame.size())
        return fail("stream lengths do not add up to the frame");
    return true;
}

// The six streams of a frame whose head read_video_frame_head accepted, in
// the lengths array's order.
inline std::array<std::span<const uint8_t>, 6> video_frame_streams(std::span<const uint8_t> frame,
                                                                    const VideoFrameHead& head)
{
    std::array<std::span<const uint8_t>, 6> out {};
    size_t at = video_frame_head_len;
    for (size_t stream : video_frame_body_order) {
        size_t len = static_cast<size_t>(head.lengths[stream]);
        out[stream] = frame.subspan(at, len);
        at += len;
    }
    return out;
}
