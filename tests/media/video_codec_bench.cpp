// Encode and decode speed of the video codec at the three frame sizes, key
// frames and frames of changed blocks, beside libjpeg-turbo compressing the
// same pictures at the same nominal quality.

#include "media/video_frame_codec.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> picture(int width, int height, int frame)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    int box_x = (frame * 3) % (width - width / 6);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            double fx = double(x) / width;
            double fy = double(y) / height;
            p[0] = static_cast<uint8_t>(128 + 90 * std::sin(7 * fx + fy));
            p[1] = static_cast<uint8_t>(40 + 170 * fx * fy);
            p[2] = static_cast<uint8_t>(210 - 150 * fy + ((x ^ y) & 15));
            if (x >= box_x && x < box_x + width / 6 && y > height / 3 && y < height / 2) {
                p[0] = 250;
                p[1] = 200;
                p[2] = 30;
            }
        }
    return rgb;
}

std::vector<uint8_t> inverted(const std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> out(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i)
        out[i] = static_cast<uint8_t>(255 - rgb[i]);
    return out;
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

size_t jpeg_compress(const std::vector<uint8_t>& rgb, int width, int height, int quality)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr jerr {};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long out_len = 0;
    jpeg_mem_dest(&cinfo, &out, &out_len);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<size_t>(cinfo.next_scanline) * width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    free(out);
    return out_len;
}

struct Timing {
    double seconds = 0;
    int frames = 0;
    size_t bytes = 0;
    double ns_per_pixel(int pixels) const { return frames ? seconds * 1e9 / frames / pixels : 0; }
    double fps() const { return seconds > 0 ? frames / seconds : 0; }
};

size_t packed_size(const std::array<std::vector<uint8_t>, video_stream_count>& packed)
{
    size_t total = 40;
    for (const std::vector<uint8_t>& s : packed)
        total += s.size();
    return total;
}

std::array<std::span<const uint8_t>, video_stream_count> spans(
    const std::array<std::vector<uint8_t>, video_stream_count>& packed)
{
    std::array<std::span<const uint8_t>, video_stream_count> s;
    for (size_t i = 0; i < video_stream_count; ++i)
        s[i] = packed[i];
    return s;
}

} // namespace

int main()
{
    const int quality = 70;
    std::printf("video codec, quality %d (libjpeg-turbo at the same quality, 4:2:0, same pictures)\n", quality);
    std::printf("%-9s %-22s %9s %9s %9s\n", "size", "operation", "ns/pixel", "fps", "bytes");
    double worst_ratio = 0;
    for (int size_index : { 0, 1, 2 }) {
        VideoFrameSize size = video_frame_size(size_index);
        int pixels = size.width * size.height;
        int rounds = 2400 * 19200 / pixels;
        std::vector<uint8_t> a = picture(size.width, size.height, 0);
        std::vector<uint8_t> b = inverted(a);
        std::vector<std::vector<uint8_t>> moving;
        for (int f = 0; f < 11; ++f)
            moving.push_back(picture(size.width, size.height, f + 1));

        // Key frames: every frame a scene cut.
        Timing key_encode, key_zlib, key_decode, delta_encode, delta_zlib, delta_decode, jpeg;
        VideoFrameEncoder cut_encoder;
        VideoFrameDecoder decoder;
        CodedVideoFrame frame;
        VideoStreamPacker packer;
        std::array<std::vector<uint8_t>, video_stream_count> packed;
        std::vector<uint8_t> decoded;
        for (int r = 0; r < rounds; ++r) {
            const std::vector<uint8_t>& input = r % 2 ? b : a;
            auto start = Clock::now();
            cut_encoder.encode(size_index, quality, input, frame);
            key_encode.seconds += seconds_since(start);
            start = Clock::now();
            packer.pack(frame, packed);
            key_zlib.seconds += seconds_since(start);
            key_encode.frames++;
            key_zlib.frames++;
            key_zlib.bytes = packed_size(packed);
            start = Clock::now();
            decoder.decode(frame.frame_kind, frame.quality, size_index, spans(packed), decoded);
            key_decode.seconds += seconds_since(start);
            key_decode.frames++;
            // The same picture through libjpeg-turbo, in the same round, so a busy machine weighs on both.
            start = Clock::now();
            jpeg.bytes = jpeg_compress(input, size.width, size.height, quality);
            jpeg.seconds += seconds_since(start);
            jpeg.frames++;
        }

        // Changed blocks: a box moving over a still background, after one key frame.
        VideoFrameEncoder moving_encoder;
        VideoFrameDecoder moving_decoder;
        for (int r = 0; r < rounds; ++r) {
            int n = r % 12;
            const std::vector<uint8_t>& input = n == 0 ? a : moving[static_cast<size_t>(n - 1)];
            auto start = Clock::now();
            moving_encoder.encode(size_index, quality, input, frame);
            double encode_s = seconds_since(start);
            start = Clock::now();
            packer.pack(frame, packed);
            double zlib_s = seconds_since(start);
            start = Clock::now();
            moving_decoder.decode(frame.frame_kind, frame.quality, size_index, spans(packed), decoded);
            double decode_s = seconds_since(start);
            if (frame.frame_kind == video_frame_kind_delta) {
                delta_encode.seconds += encode_s;
                delta_zlib.seconds += zlib_s;
                delta_decode.seconds += decode_s;
                delta_encode.frames++;
                delta_zlib.frames++;
                delta_decode.frames++;
                delta_zlib.bytes = packed_size(packed);
            }
        }

        char name[16];
        std::snprintf(name, sizeof name, "%dx%d", size.width, size.height);
        auto row = [&](const char* what, const Timing& t) {
            std::printf("%-9s %-22s %9.2f %9.0f %9zu\n", name, what, t.ns_per_pixel(pixels), t.fps(), t.bytes);
        };
        Timing key_total { key_encode.seconds + key_zlib.seconds, key_encode.frames, key_zlib.bytes };
        Timing delta_total { delta_encode.seconds + delta_zlib.seconds, delta_encode.frames, delta_zlib.bytes };
        row("key encode", key_encode);
        row("key encode + zlib", key_total);
        row("key decode (+unzip)", key_decode);
        row("delta encode", delta_encode);
        row("delta encode + zlib", delta_total);
        row("delta decode (+unzip)", delta_decode);
        row("libjpeg-turbo encode", jpeg);
        double ratio = key_total.ns_per_pixel(pixels) / jpeg.ns_per_pixel(pixels);
        worst_ratio = std::max(worst_ratio, ratio);
        std::printf("%-9s key frame (with zlib) / libjpeg-turbo per pixel: %.2f (without zlib %.2f)\n", name, ratio,
                    key_encode.ns_per_pixel(pixels) / jpeg.ns_per_pixel(pixels));
    }
    std::printf("worst key-frame ratio %.2f, target 3.00 or less: %s\n", worst_ratio,
                worst_ratio <= 3.0 ? "met" : "MISSED");
    return 0;
}
