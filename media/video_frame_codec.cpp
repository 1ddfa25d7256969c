#include "media/video_frame_codec.h"

#include <algorithm>
#include <zlib.h>

VideoFrameSize video_frame_size(int size_index)
{
    switch (size_index) {
    case 1: return { 320, 240 };
    case 2: return { 640, 480 };
    default: return { 160, 120 };
    }
}

int video_chroma_width(int width) { return width / 2; }
int video_chroma_height(int height) { return height / 3; }

namespace {

struct PlaneGeometry {
    int width = 0;
    int height = 0;
    bool chroma = false;
};

PlaneGeometry plane_geometry(const VideoFrameSize& size, size_t plane)
{
    if (plane == 0)
        return { size.width, size.height, false };
    return { video_chroma_width(size.width), video_chroma_height(size.height), true };
}

size_t pixel_count(const PlaneGeometry& g) { return static_cast<size_t>(g.width) * static_cast<size_t>(g.height); }

} // namespace

VideoFrameEncoder::VideoFrameEncoder() = default;

void VideoFrameEncoder::resize(int size_index)
{
    size_index_ = size_index;
    size_ = video_frame_size(size_index);
    for (size_t p = 0; p < planes_.size(); ++p) {
        PlaneGeometry g = plane_geometry(size_, p);
        size_t blocks = pixel_count(g) / 64;
        PlaneState& state = planes_[p];
        state.samples.assign(pixel_count(g), 0);
        state.reference_coefficients.assign(blocks * 64, 0);
        state.reference_side.assign(blocks * 3, 0);
        state.new_coefficients.assign(blocks * 64, 0);
        state.new_side.assign(blocks * 3, 0);
        state.changed_map.assign(blocks, 0);
    }
    // The old reference does not fit the new size.
    key_frame_counter_ = first_key_frame_counter;
}

bool VideoFrameEncoder::try_delta(CodedVideoFrame& out)
{
    for (size_t p = 0; p < planes_.size(); ++p) {
        PlaneGeometry g = plane_geometry(size_, p);
        PlaneState& s = planes_[p];
        int out_len = 0;
        int side_len = 0;
        int percent = codec_.dct_encode_changed_blocks(g.width, g.height, s.changed_map, s.samples,
                                                       s.reference_coefficients, s.reference_side, change_threshold,
                                                       out.streams[p], out_len, out.streams[p + 3], side_len,
                                                       s.new_coefficients, s.new_side, g.chroma);
        if (p == 0 && (percent < 0 || percent > max_changed_percent))
            return false;
    }
    return true;
}

void VideoFrameEncoder::code_key(CodedVideoFrame& out, int quality, std::span<const uint8_t> rgb)
{
    key_frame_picture_.assign(rgb.begin(), rgb.end());
    codec_.dct_codec_set_quality(quality);
    for (size_t p = 0; p < planes_.size(); ++p) {
        PlaneGeometry g = plane_geometry(size_, p);
        PlaneState& s = planes_[p];
        int side_len = 0;
        codec_.dct_encode_frame(g.width, g.height, s.samples, out.streams[p], s.reference_coefficients,
                                out.streams[p + 3], side_len, g.chroma);
        const std::vector<uint8_t>& side = out.streams[p + 3];
        std::transform(side.begin(), side.end(), s.reference_side.begin(),
                       [](uint8_t b) { return static_cast<int8_t>(b); });
    }
    key_frame_counter_ = 0;
}

int VideoFrameEncoder::encode(int size_index, int quality, std::span<const uint8_t> rgb, CodedVideoFrame& out)
{
    if (size_index < 0 || size_index > 2)
        size_index = 0;
    if (size_index != size_index_)
        resize(size_index);
    size_t pixels = static_cast<size_t>(size_.width) * static_cast<size_t>(size_.height);
    if (rgb.size() < pixels * 3)
        return -1;
    rgb = rgb.first(pixels * 3);

    rgb_to_yuv_subsampled(size_.width, size_.height, rgb, planes_[0].samples, planes_[1].samples,
                          planes_[2].samples);

    out.size_index = size_index;
    if (key_frame_counter_ <= max_delta_counter && try_delta(out)) {
        ++key_frame_counter_;
        out.frame_kind = video_frame_kind_delta;
    } else {
        code_key(out, quality, rgb);
        out.frame_kind = video_frame_kind_key;
    }
    // The frame carries the quality its key frame was coded with.
    out.quality = codec_.quality();
    return 0;
}

VideoStreamPacker::VideoStreamPacker()
{
    if (deflateInit(&stream_, Z_BEST_SPEED) == Z_OK)
        ready_ = true;
}

VideoStreamPacker::~VideoStreamPacker()
{
    if (ready_)
        deflateEnd(&stream_);
}

int VideoStreamPacker::pack(const CodedVideoFrame& frame, std::array<std::vector<uint8_t>, video_stream_count>& out)
{
    if (!ready_)
        return -1;
    for (size_t i = 0; i < video_stream_count; ++i) {
        const std::vector<uint8_t>& raw = frame.streams[i];
        std::vector<uint8_t>& packed = out[i];
        packed.clear();
        if (deflateReset(&stream_) != Z_OK)
            return -1;
        stream_.next_in = const_cast<Bytef*>(raw.data());
        stream_.avail_in = static_cast<uInt>(raw.size());
        stream_.next_out = scratch_.data();
        stream_.avail_out = static_cast<uInt>(video_send_capacity[i]);
        // Z_STREAM_END only when everything fitted into the send buffer's capacity.
        if (deflate(&stream_, Z_FINISH) != Z_STREAM_END)
            return -1;
        packed.assign(scratch_.data(), scratch_.data() + stream_.total_out);
    }
    return 0;
}

int VideoFrameDecoder::decode(int frame_kind, int quality, int size_index,
                              const std::array<std::span<const uint8_t>, video_stream_count>& compressed,
                              std::vector<uint8_t>& rgb)
{
    if (size_index < 0 || size_index > 2)
        size_index = 0;
    if (frame_kind != video_frame_kind_key && own_key_.size_index != size_index) {
        // Key planes of another size are useless; start from zero as a fresh window does.
        VideoFrameSize size = video_frame_size(size_index);
        for (size_t p = 0; p < 3; ++p)
            own_key_.planes[p].assign(pixel_count(plane_geometry(size, p)), 0);
        own_key_.size_index = size_index;
    }
    return decode_with(frame_kind, quality, size_index, compressed, own_key_, &own_key_, rgb);
}

int VideoFrameDecoder::decode_with(int frame_kind, int quality, int size_index,
                                   const std::array<std::span<const uint8_t>, video_stream_count>& compressed,
                                   const VideoKeyPlanes& reference, VideoKeyPlanes* new_key, std::vector<uint8_t>& rgb)
{
    if (size_index < 0 || size_index > 2)
        return -1;
    bool is_key = frame_kind == video_frame_kind_key;
    if ((is_key && !new_key) || (!is_key && reference.size_index != size_index))
        return -1;
    VideoFrameSize size = video_frame_size(size_index);
    Cdct_codec codec;
    codec.dct_codec_set_quality(quality);
    codec.dct_codec_set_decoder_quality(quality);

    for (size_t p = 0; p < 3; ++p) {
        PlaneGeometry g = plane_geometry(size, p);
        std::vector<int32_t>& plane = work_planes_[p];
        if (is_key)
            plane.assign(pixel_count(g), 0);
        else
            plane = reference.planes[p];
        // A delta frame lists at most every block behind its two position bytes.
        stream_.resize(pixel_count(g) + (is_key ? 0 : pixel_count(g) / 64 * 2));
        side_.resize(pixel_count(g) * 3 / 64);
        uLongf stream_len = static_cast<uLongf>(stream_.size());
        uLongf side_len = static_cast<uLongf>(side_.size());
        const std::span<const uint8_t>& zs = compressed[p];
        const std::span<const uint8_t>& zside = compressed[p + 3];
        // A stream that does not inflate, or would inflate past its plane, fails here.
        if (uncompress(stream_.data(), &stream_len, zs.data(), static_cast<uLong>(zs.size())) != Z_OK ||
            uncompress(side_.data(), &side_len, zside.data(), static_cast<uLong>(zside.size())) != Z_OK)
            return -1;
        std::span<const uint8_t> s(stream_.data(), stream_len);
        std::span<const uint8_t> sd(side_.data(), side_len);
        int r = is_key ? codec.dct_decode_frame(g.width, g.height, s, sd, plane, g.chroma)
                       : codec.dct_decode_changed_blocks(g.width, g.height, s, sd, plane, g.chroma);
        if (r != 0)
            return -1;
    }

    size_t pixels = static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
    u_full_.resize(pixels);
    v_full_.resize(pixels);
    chroma_upsample(size.width, size.height, work_planes_[1], u_full_);
    chroma_upsample(size.width, size.height, work_planes_[2], v_full_);
    rgb_.resize(pixels * 3);
    yuv_to_rgb(size.width, size.height, work_planes_[0], u_full_, v_full_, rgb_);
    rgb.swap(rgb_);
    size_ = size;
    if (is_key) {
        new_key->planes.swap(work_planes_);
        new_key->size_index = size_index;
    }
    return 0;
}
