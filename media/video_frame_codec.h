#pragma once
// Whole video frames: the encoder that turns captured pictures into key
// frames and frames of changed blocks, the six zlib streams they travel as,
// and the decoder that turns them back into pictures.

#include "media/dct_codec.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>
#include <zlib.h>

inline constexpr int video_frame_kind_delta = 0;
inline constexpr int video_frame_kind_key = 1;

// Stream order inside a frame's buffers.
enum VideoStream { video_stream_y, video_stream_u, video_stream_v, video_stream_y_side, video_stream_u_side,
                   video_stream_v_side, video_stream_count };

// Capacities of the compressed streams' send buffers, in VideoStream order.
inline constexpr std::array<size_t, video_stream_count> video_send_capacity = { 307212, 51212, 51212,
                                                                                14412,  12812, 12812 };

struct VideoFrameSize {
    int width = 160;
    int height = 120;
};
// 0: 160 x 120, 1: 320 x 240, 2: 640 x 480; anything else reads as 0.
VideoFrameSize video_frame_size(int size_index);
int video_chroma_width(int width);
int video_chroma_height(int height);

struct CodedVideoFrame {
    int frame_kind = video_frame_kind_key;
    int quality = 70;
    int size_index = 0;
    std::array<std::vector<uint8_t>, video_stream_count> streams; // coefficient and side bytes
};

class VideoFrameEncoder {
public:
    VideoFrameEncoder();

    // Codes one W x H picture of 3-byte pixels (R, G, B, rows as captured).
    // Returns 0, or -1 when the picture is smaller than the size asks.
    int encode(int size_index, int quality, std::span<const uint8_t> rgb, CodedVideoFrame& out);

    int key_frame_counter() const { return key_frame_counter_; }
    // The next frame is a key frame: the last one never reached the
    // receivers, so nothing may be coded against it.
    void force_key_frame() { key_frame_counter_ = first_key_frame_counter; }
    // The picture of the last key frame.
    const std::vector<uint8_t>& key_frame_picture() const { return key_frame_picture_; }

    // At most this many delta frames follow a key frame, and a frame that
    // changes more than this percentage of luma blocks is a key frame.
    static constexpr int max_delta_counter = 10;
    static constexpr int max_changed_percent = 40;
    static constexpr int change_threshold = 3;
    static constexpr int first_key_frame_counter = 30;

private:
    struct PlaneState {
        std::vector<int8_t> samples;
        std::vector<int8_t> reference_coefficients;
        std::vector<int8_t> reference_side;
        std::vector<int8_t> new_coefficients;
        std::vector<int8_t> new_side;
        std::vector<uint8_t> changed_map;
    };
    void resize(int size_index);
    bool try_delta(CodedVideoFrame& out);
    void code_key(CodedVideoFrame& out, int quality, std::span<const uint8_t> rgb);

    Cdct_codec codec_;
    int size_index_ = -1;
    VideoFrameSize size_ {};
    int key_frame_counter_ = first_key_frame_counter; // the first frame is a key frame
    std::array<PlaneState, 3> planes_ {};
    std::vector<uint8_t> key_frame_picture_;
};

// zlib-compresses the six streams, each into at most its send buffer's
// capacity; one deflate state serves every frame.
class VideoStreamPacker {
public:
    VideoStreamPacker();
    ~VideoStreamPacker();
    VideoStreamPacker(const VideoStreamPacker&) = delete;
    VideoStreamPacker& operator=(const VideoStreamPacker&) = delete;

    // Returns 0, or -1 when a stream does not fit (out is then incomplete).
    int pack(const CodedVideoFrame& frame, std::array<std::vector<uint8_t>, video_stream_count>& out);

private:
    z_stream stream_ {};
    bool ready_ = false;
    std::vector<uint8_t> scratch_ = std::vector<uint8_t>(video_send_capacity[0]);
};

// The key-frame planes a receiver decodes frames of changed blocks against:
// Y, U and V as signed values (decoded sample - 128) of one frame size.
struct VideoKeyPlanes {
    int size_index = -1;  // -1: none yet
    std::array<std::vector<int32_t>, 3> planes {};
};

// The receiver's side: decodes frames into pictures.
class VideoFrameDecoder {
public:
    // Decodes one frame of a sender whose key-frame planes this decoder keeps
    // itself. compressed: the six zlib streams. rgb receives W x H x 3 bytes
    // in the same layout the encoder read. Returns 0, or -1 for a frame that
    // does not decode (rgb and the key planes are then left as they were).
    // A frame of changed blocks of another size than the kept key decodes
    // against zero planes, as a fresh window does.
    int decode(int frame_kind, int quality, int size_index,
               const std::array<std::span<const uint8_t>, video_stream_count>& compressed, std::vector<uint8_t>& rgb);
    // The same with key planes kept elsewhere: a key frame fills new_key
    // once it has decoded whole; a frame of changed blocks decodes against
    // reference, which must be of its size (else -1), and new_key may be
    // null. Nothing changes on -1.
    int decode_with(int frame_kind, int quality, int size_index,
                    const std::array<std::span<const uint8_t>, video_stream_count>& compressed,
                    const VideoKeyPlanes& reference, VideoKeyPlanes* new_key, std::vector<uint8_t>& rgb);

    int width() const { return size_.width; }
    int height() const { return size_.height; }

private:
    VideoFrameSize size_ {};
    VideoKeyPlanes own_key_ {};
    std::array<std::vector<int32_t>, 3> work_planes_ {};
    std::vector<int32_t> u_full_;
    std::vector<int32_t> v_full_;
    std::vector<uint8_t> stream_;
    std::vector<uint8_t> side_;
    std::vector<uint8_t> rgb_;
};
