#include "media/voice_codec.h"

#include "core/dbg_log.h"

#include <cmath>
#include <vector>
#include <zlib.h>

namespace {

// The codec's own value of pi; decoders elsewhere use the same.
constexpr double codec_pi = 3.1415926;

std::array<int16_t, 128> make_table(int quality)
{
    std::array<int16_t, 128> t {};
    for (int k = 0; k < 128; ++k) {
        int step = 1;
        if (quality == 1 && k >= 16 && k < 64)
            step = k / 16 + 1;
        else if (quality == 2 && k >= 8 && k < 64)
            step = k / 8 + 1;
        t[static_cast<size_t>(k)] = static_cast<int16_t>(step);
    }
    t[0] = 8;
    return t;
}

const std::array<std::array<int16_t, 128>, 3> quantiser_tables = { make_table(0), make_table(1), make_table(2) };

// cos(pi k (2i + 1) / 2n) scaled by s(k), for each length n of a transform block.
struct CosineTable {
    explicit CosineTable(int n) : n(n), v(static_cast<size_t>(n * n))
    {
        for (int k = 0; k < n; ++k) {
            double s = k == 0 ? std::sqrt(1.0 / n) : std::sqrt(2.0 / n);
            for (int i = 0; i < n; ++i)
                v[static_cast<size_t>(k * n + i)] = s * std::cos(codec_pi * k * (2 * i + 1) / (2.0 * n));
        }
    }
    double at(int k, int i) const { return v[static_cast<size_t>(k * n + i)]; }
    int n;
    std::vector<double> v;
};

const CosineTable& cosine_table(int n)
{
    static const std::array<CosineTable, transform_block_samples + 1> tables = [] {
        return [&]<size_t... I>(std::index_sequence<I...>) {
            return std::array<CosineTable, sizeof...(I)> { CosineTable(static_cast<int>(I))... };
        }(std::make_index_sequence<transform_block_samples + 1>());
    }();
    return tables[static_cast<size_t>(n)];
}

const std::array<int16_t, 128>& table_for(int quality)
{
    if (quality < 0 || quality > 2) {
        dbg_log("quality:%d out of range in do_one_dimentional_dct_quality\n", quality);
        return quantiser_tables[0];
    }
    return quantiser_tables[static_cast<size_t>(quality)];
}

} // namespace

const std::array<int16_t, 128>& audio_quantiser_table(int quality) { return table_for(quality); }

int audio_encode_block(const uint8_t* samples, uint8_t* out, int count, int* out_len, int quality)
{
    if (count < 1)
        return -1;
    const std::array<int16_t, 128>& steps = table_for(quality);
    int blocks = (count + transform_block_samples - 1) / transform_block_samples;
    int half = blocks * transform_block_samples;
    std::fill(out, out + 2 * half, 0);
    int has_sound = 0;
    for (int b = 0; b < blocks; ++b) {
        int n = std::min(transform_block_samples, count - b * transform_block_samples);
        const uint8_t* x = samples + b * transform_block_samples;
        const CosineTable& cos = cosine_table(n);
        for (int k = 0; k < n; ++k) {
            double sum = 0;
            for (int i = 0; i < n; ++i)
                sum += x[i] * cos.at(k, i);
            int c = static_cast<int>(sum / steps[static_cast<size_t>(k)]);  // toward zero
            int magnitude = std::abs(c);
            int low = magnitude & 0xff;
            int high = ((magnitude >> 8) & 0x7f) << 1 | (c < 0 ? 1 : 0);
            if (k >= 1 && low > 2)
                has_sound = 1;
            out[k * blocks + b] = static_cast<uint8_t>(low);
            out[half + k * blocks + b] = static_cast<uint8_t>(high);
        }
    }
    if (out_len)
        *out_len = 2 * half;
    return has_sound;
}

int audio_decode_block(const uint8_t* coded, size_t coded_len, uint8_t* samples, int count, int quality)
{
    if (count < 1)
        return -1;
    const std::array<int16_t, 128>& steps = table_for(quality);
    int blocks = (count + transform_block_samples - 1) / transform_block_samples;
    size_t half = static_cast<size_t>(blocks) * transform_block_samples;
    auto byte_at = [&](size_t pos) -> int { return pos < coded_len ? coded[pos] : 0; };
    std::array<double, transform_block_samples> c {};
    for (int b = 0; b < blocks; ++b) {
        int n = std::min(transform_block_samples, count - b * transform_block_samples);
        for (int k = 0; k < n; ++k) {
            size_t pos = static_cast<size_t>(k * blocks + b);
            int low = byte_at(pos);
            int high = byte_at(half + pos);
            int magnitude = low + 256 * (high >> 1);
            int v = (high & 1) ? -magnitude : magnitude;
            // The coefficients are held in 16 bits, as the coder produced them.
            c[static_cast<size_t>(k)] = static_cast<int16_t>(v * steps[static_cast<size_t>(k)]);
        }
        const CosineTable& cos = cosine_table(n);
        uint8_t* y = samples + b * transform_block_samples;
        for (int i = 0; i < n; ++i) {
            double x = 0;
            for (int k = 0; k < n; ++k)
                x += c[static_cast<size_t>(k)] * cos.at(k, i);
            y[i] = x > 255 ? 255 : x < 0 ? 0 : static_cast<uint8_t>(x);
        }
    }
    return 0;
}

int z_compress_talk_data(const uint8_t* data, size_t len, uint8_t* out, size_t out_cap)
{
    uLongf out_len = static_cast<uLongf>(out_cap);
    if (compress(out, &out_len, data, static_cast<uLong>(len)) != Z_OK) {
        dbg_log("compress failed in send_talk_data.\n");
        return -1;
    }
    return static_cast<int>(out_len);
}

int z_uncompress_talk_data(const uint8_t* data, size_t len, uint8_t* out, size_t* out_len)
{
    uLongf n = static_cast<uLongf>(std::min(*out_len, talk_unz_buffer_bytes));
    int rc = uncompress(out, &n, data, static_cast<uLong>(len));
    if (rc != Z_OK) {
        *out_len = 0;
        return -1;
    }
    *out_len = n;
    return static_cast<int>(n);
}
