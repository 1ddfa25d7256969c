#include "media/dct_codec.h"

#include "core/vector_clones.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The hot loops have a build for newer processors; they never contract
// multiply-adds, so every processor codes the same bytes.

const std::array<uint8_t, 64> dct_zigzag = {
    0,  1,  5,  6,  14, 15, 27, 28, //
    2,  4,  7,  13, 16, 26, 29, 42, //
    3,  8,  12, 17, 25, 30, 41, 43, //
    9,  11, 18, 24, 31, 40, 44, 53, //
    10, 19, 23, 32, 39, 45, 52, 54, //
    20, 22, 33, 38, 46, 51, 55, 60, //
    21, 34, 37, 47, 50, 56, 59, 61, //
    35, 36, 48, 49, 57, 58, 62, 63,
};

const std::array<uint8_t, 64> dct_base_luma_table = {
    16, 11, 10, 16, 24,  40,  51,  61,  //
    12, 12, 14, 19, 26,  58,  60,  55,  //
    14, 13, 16, 24, 40,  57,  69,  56,  //
    14, 17, 22, 29, 51,  87,  80,  62,  //
    18, 22, 37, 56, 68,  109, 103, 77,  //
    24, 35, 55, 64, 81,  104, 113, 92,  //
    49, 64, 78, 87, 103, 121, 120, 101, //
    72, 92, 95, 98, 112, 100, 103, 99,
};

const std::array<uint8_t, 64> dct_base_chroma_table = {
    17, 18, 24, 47, 99, 99, 99, 99, //
    18, 21, 26, 66, 99, 99, 99, 99, //
    24, 26, 56, 99, 99, 99, 99, 99, //
    47, 66, 99, 99, 99, 99, 99, 99, //
    99, 99, 99, 99, 99, 99, 99, 99, //
    99, 99, 99, 99, 99, 99, 99, 99, //
    99, 99, 99, 99, 99, 99, 99, 99, //
    99, 99, 99, 99, 99, 99, 99, 99,
};

namespace {

// Zigzag position -> natural index, the inverse of dct_zigzag.
const std::array<uint8_t, 64> natural_of_zigzag = [] {
    std::array<uint8_t, 64> t {};
    for (int k = 0; k < 64; ++k)
        t[dct_zigzag[static_cast<size_t>(k)]] = static_cast<uint8_t>(k);
    return t;
}();

constexpr std::array<double, 8> aan_scale = { 1.0, 1.387039845, 1.306562965, 1.175875602,
                                              1.0, 0.785694958, 0.5411961,   0.275899379 };

int normalised_quality(int quality)
{
    quality = quality / 10 * 10;
    return std::clamp(quality, 50, 100);
}

int quality_percentage(int quality)
{
    switch (quality) {
    case 50: return 200;
    case 60: return 100;
    case 70: return 70;
    case 80: return 50;
    case 90: return 35;
    default: return 20;
    }
}

void scale_table(const std::array<uint8_t, 64>& base, int percentage, std::array<uint8_t, 64>& out)
{
    for (size_t i = 0; i < 64; ++i)
        out[i] = static_cast<uint8_t>(std::clamp((percentage * base[i] + 50) / 100, 1, 255));
}

// The quantiser step of natural position k is looked up by k's zigzag position.
float step_of(const std::array<uint8_t, 64>& table, size_t k) { return table[dct_zigzag[k]]; }

// One 8-point pass of the Arai-Agui-Nakajima forward DCT, in place.
inline void fdct_pass(float* d, int step)
{
    float tmp0 = d[0 * step] + d[7 * step];
    float tmp7 = d[0 * step] - d[7 * step];
    float tmp1 = d[1 * step] + d[6 * step];
    float tmp6 = d[1 * step] - d[6 * step];
    float tmp2 = d[2 * step] + d[5 * step];
    float tmp5 = d[2 * step] - d[5 * step];
    float tmp3 = d[3 * step] + d[4 * step];
    float tmp4 = d[3 * step] - d[4 * step];

    float tmp10 = tmp0 + tmp3;
    float tmp13 = tmp0 - tmp3;
    float tmp11 = tmp1 + tmp2;
    float tmp12 = tmp1 - tmp2;
    d[0 * step] = tmp10 + tmp11;
    d[4 * step] = tmp10 - tmp11;
    float z1 = (tmp12 + tmp13) * 0.707106781f;
    d[2 * step] = tmp13 + z1;
    d[6 * step] = tmp13 - z1;

    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    float z5 = (tmp10 - tmp12) * 0.382683433f;
    float z2 = 0.541196100f * tmp10 + z5;
    float z4 = 1.306562965f * tmp12 + z5;
    float z3 = tmp11 * 0.707106781f;
    float z11 = tmp7 + z3;
    float z13 = tmp7 - z3;
    d[5 * step] = z13 + z2;
    d[3 * step] = z13 - z2;
    d[1 * step] = z11 + z4;
    d[7 * step] = z11 - z4;
}

// One 8-point pass of the inverse transform, from in (stride in_step) to out.
inline void idct_pass(const float* in, int in_step, float* out, int out_step)
{
    float tmp0 = in[0 * in_step];
    float tmp1 = in[2 * in_step];
    float tmp2 = in[4 * in_step];
    float tmp3 = in[6 * in_step];
    float tmp10 = tmp0 + tmp2;
    float tmp11 = tmp0 - tmp2;
    float tmp13 = tmp1 + tmp3;
    float tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;

    float tmp4 = in[1 * in_step];
    float tmp5 = in[3 * in_step];
    float tmp6 = in[5 * in_step];
    float tmp7 = in[7 * in_step];
    float z13 = tmp6 + tmp5;
    float z10 = tmp6 - tmp5;
    float z11 = tmp4 + tmp7;
    float z12 = tmp4 - tmp7;
    tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    float z5 = (z10 + z12) * 1.847759065f;
    tmp10 = 1.082392200f * z12 - z5;
    tmp12 = -2.613125930f * z10 + z5;
    tmp6 = tmp12 - tmp7;
    tmp5 = tmp11 - tmp6;
    tmp4 = tmp10 + tmp5;

    out[0 * out_step] = tmp0 + tmp7;
    out[7 * out_step] = tmp0 - tmp7;
    out[1 * out_step] = tmp1 + tmp6;
    out[6 * out_step] = tmp1 - tmp6;
    out[2 * out_step] = tmp2 + tmp5;
    out[5 * out_step] = tmp2 - tmp5;
    out[4 * out_step] = tmp3 + tmp4;
    out[3 * out_step] = tmp3 - tmp4;
}

bool plane_fits(int width, int height, size_t plane_size)
{
    return width > 0 && height > 0 && width % dct_block_size == 0 && height % dct_block_size == 0 &&
           static_cast<size_t>(width) * static_cast<size_t>(height) <= plane_size;
}

// Writes one block's bytes at out and returns the end of what it wrote
// (at most 64 bytes).
uint8_t* write_block(uint8_t* out, const std::array<int8_t, 64>& zigzag_bytes)
{
    // The last non-zero byte, eight at a time (most blocks end early).
    int last = 0;
    for (int word = 7; word >= 0; --word) {
        uint64_t bits = 0;
        std::memcpy(&bits, zigzag_bytes.data() + word * 8, 8);
        if (bits != 0) {
            int byte = 7;
            while (zigzag_bytes[static_cast<size_t>(word * 8 + byte)] == 0)
                --byte;
            last = word * 8 + byte;
            break;
        }
    }
    std::memcpy(out, zigzag_bytes.data(), static_cast<size_t>(last) + 1);
    out += last + 1;
    if (last < 63)
        *out++ = dct_end_byte;
    return out;
}

} // namespace

void dct_split_low_coefficient(int coefficient, int8_t& stream_byte, int8_t& side_byte)
{
    if (coefficient >= -126 && coefficient <= 127) {
        stream_byte = static_cast<int8_t>(coefficient);
        side_byte = 0;
        return;
    }
    stream_byte = static_cast<int8_t>(coefficient & 0x7F);
    side_byte = static_cast<int8_t>(std::clamp(coefficient >> 7, -128, 127));
}

int dct_join_low_coefficient(int8_t stream_byte, int8_t side_byte) { return stream_byte + side_byte * 128; }

int8_t dct_clamp_coefficient(int coefficient) { return static_cast<int8_t>(std::clamp(coefficient, -126, 127)); }

Cdct_codec::Cdct_codec()
{
    dct_codec_set_quality(70);
    dct_codec_set_decoder_quality(70);
}

void Cdct_codec::dct_codec_set_quality(int quality)
{
    quality_ = normalised_quality(quality);
    int percentage = quality_percentage(quality_);
    scale_table(dct_base_luma_table, percentage, luma_table_);
    scale_table(dct_base_chroma_table, percentage, chroma_table_);
    for (size_t k = 0; k < 64; ++k) {
        double s = aan_scale[k / 8] * aan_scale[k % 8] * 8.0;
        luma_divisors_[k] = static_cast<float>(1.0 / (step_of(luma_table_, k) * s));
        chroma_divisors_[k] = static_cast<float>(1.0 / (step_of(chroma_table_, k) * s));
    }
}

void Cdct_codec::dct_codec_set_decoder_quality(int quality)
{
    decoder_quality_ = normalised_quality(quality);
    int percentage = quality_percentage(decoder_quality_);
    scale_table(dct_base_luma_table, percentage, decoder_luma_table_);
    scale_table(dct_base_chroma_table, percentage, decoder_chroma_table_);
    for (size_t k = 0; k < 64; ++k) {
        double s = aan_scale[k / 8] * aan_scale[k % 8];
        luma_dequant_[k] = static_cast<float>(step_of(decoder_luma_table_, k) * s);
        chroma_dequant_[k] = static_cast<float>(step_of(decoder_chroma_table_, k) * s);
    }
}

namespace {

// Eight transforms side by side (d[point * 8 + lane]), so that each line of
// arithmetic runs over eight lanes at once.
inline void fdct_lanes(float* d)
{
    for (int lane = 0; lane < 8; ++lane)
        fdct_pass(d + lane, 8);
}

inline void idct_lanes(const float* in, float* out)
{
    for (int lane = 0; lane < 8; ++lane)
        idct_pass(in + lane, 8, out + lane, 8);
}

inline void transpose(const float* in, float* out)
{
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            out[c * 8 + r] = in[r * 8 + c];
}

} // namespace

namespace {

// Rows first, then columns, as the reference transform runs: in float the
// order of the passes shows in the last bit, and now and then in a coefficient.
TAMBLO_VECTOR_CLONES
void forward_block_natural(const int8_t* samples, int stride, const float* divisors, int* out)
{
    alignas(32) std::array<float, 64> work {};
    alignas(32) std::array<float, 64> turned {};
    // Each row in one lane: work[col * 8 + row].
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col)
            work[static_cast<size_t>(col * 8 + row)] = samples[row * stride + col];
    fdct_lanes(work.data()); // rows: work[u * 8 + row]
    transpose(work.data(), turned.data());
    fdct_lanes(turned.data()); // columns: turned[v * 8 + u], the natural order
    for (size_t k = 0; k < 64; ++k)
        out[k] = static_cast<int>(turned[k] * divisors[k] + 16384.5f) - 16384;
}

TAMBLO_VECTOR_CLONES
void inverse_block_natural(const int* coefficients, const float* dequant, int32_t* samples, int stride)
{
    alignas(32) std::array<float, 64> in {};
    for (size_t k = 0; k < 64; ++k)
        in[k] = static_cast<float>(coefficients[k]) * dequant[k];
    alignas(32) std::array<float, 64> work {};
    alignas(32) std::array<float, 64> turned {};
    idct_lanes(in.data(), work.data()); // columns: work[y * 8 + u]
    transpose(work.data(), turned.data());
    idct_lanes(turned.data(), in.data()); // rows: in[x * 8 + y]
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            int value = ((static_cast<int>(in[static_cast<size_t>(x * 8 + y)]) + 4) >> 3) + 128;
            samples[y * stride + x] = std::clamp(value, 0, 255) - 128;
        }
    }
}

TAMBLO_VECTOR_CLONES
void code_block_bytes(const int8_t* samples, int stride, const float* divisors, int8_t* zigzag_bytes,
                      int8_t* side_bytes)
{
    alignas(32) std::array<int, 64> natural {};
    forward_block_natural(samples, stride, divisors, natural.data());
    alignas(32) std::array<int8_t, 64> clamped {};
    for (size_t k = 0; k < 64; ++k)
        clamped[k] = static_cast<int8_t>(std::clamp(natural[k], -126, 127));
    for (size_t z = 0; z < 64; ++z)
        zigzag_bytes[z] = clamped[natural_of_zigzag[z]];
    // Zigzag 0, 1 and 2 are natural 0, 1 and 8.
    dct_split_low_coefficient(natural[0], zigzag_bytes[0], side_bytes[0]);
    dct_split_low_coefficient(natural[1], zigzag_bytes[1], side_bytes[1]);
    dct_split_low_coefficient(natural[8], zigzag_bytes[2], side_bytes[2]);
}

} // namespace

void Cdct_codec::forward_block(const int8_t* samples, int stride, bool chroma,
                               std::array<int, 64>& coefficients) const
{
    forward_block_natural(samples, stride, chroma ? chroma_divisors_.data() : luma_divisors_.data(),
                          coefficients.data());
}

void Cdct_codec::inverse_block(const std::array<int, 64>& coefficients, bool chroma, int32_t* samples,
                               int stride) const
{
    inverse_block_natural(coefficients.data(), chroma ? chroma_dequant_.data() : luma_dequant_.data(), samples,
                          stride);
}

void Cdct_codec::code_block(const int8_t* samples, int stride, bool chroma, std::array<int8_t, 64>& zigzag_bytes,
                            std::array<int8_t, 3>& side_bytes) const
{
    code_block_bytes(samples, stride, chroma ? chroma_divisors_.data() : luma_divisors_.data(),
                     zigzag_bytes.data(), side_bytes.data());
}

int Cdct_codec::dct_encode_frame(int width, int height, std::span<const int8_t> plane, std::vector<uint8_t>& output,
                                 std::span<int8_t> reference_store, std::vector<uint8_t>& side_output, int& side_len,
                                 bool chroma) const
{
    side_len = 0;
    if (!plane_fits(width, height, plane.size()) || reference_store.size() < static_cast<size_t>(width) * height) {
        output.clear();
        side_output.clear();
        return -1;
    }
    size_t blocks = static_cast<size_t>(width / 8) * static_cast<size_t>(height / 8);
    output.resize(blocks * 64);
    side_output.resize(blocks * 3);
    uint8_t* out = output.data();
    uint8_t* side = side_output.data();
    std::array<int8_t, 64> zigzag_bytes {};
    std::array<int8_t, 3> side_bytes {};
    size_t block = 0;
    for (int by = 0; by < height; by += 8) {
        for (int bx = 0; bx < width; bx += 8, ++block) {
            code_block(plane.data() + static_cast<size_t>(by) * width + bx, width, chroma, zigzag_bytes, side_bytes);
            std::memcpy(reference_store.data() + block * 64, zigzag_bytes.data(), 64);
            out = write_block(out, zigzag_bytes);
            std::memcpy(side, side_bytes.data(), 3);
            side += 3;
        }
    }
    output.resize(static_cast<size_t>(out - output.data()));
    side_len = static_cast<int>(side_output.size());
    return static_cast<int>(output.size());
}

int Cdct_codec::dct_encode_changed_blocks(int width, int height, std::span<uint8_t> changed_map,
                                          std::span<const int8_t> plane,
                                          std::span<const int8_t> reference_coefficients,
                                          std::span<const int8_t> reference_side, int threshold,
                                          std::vector<uint8_t>& output, int& output_len,
                                          std::vector<uint8_t>& side_output, int& side_len,
                                          std::span<int8_t> new_coefficients, std::span<int8_t> new_side,
                                          bool chroma) const
{
    output.clear();
    side_output.clear();
    output_len = 0;
    side_len = 0;
    if (!plane_fits(width, height, plane.size()))
        return -1;
    size_t blocks = static_cast<size_t>(width / 8) * static_cast<size_t>(height / 8);
    if (changed_map.size() < blocks || reference_coefficients.size() < blocks * 64 ||
        reference_side.size() < blocks * 3 || new_coefficients.size() < blocks * 64 || new_side.size() < blocks * 3)
        return -1;
    std::array<int8_t, 64> zigzag_bytes {};
    std::array<int8_t, 3> side_bytes {};
    size_t block = 0;
    size_t changed = 0;
    for (int by = 0; by < height; by += 8) {
        for (int bx = 0; bx < width; bx += 8, ++block) {
            code_block(plane.data() + static_cast<size_t>(by) * width + bx, width, chroma, zigzag_bytes, side_bytes);
            const int8_t* reference = reference_coefficients.data() + block * 64;
            bool is_changed = false;
            for (size_t i = 0; i < 64 && !is_changed; ++i)
                is_changed = std::abs(zigzag_bytes[i] - reference[i]) > threshold;
            changed_map[block] = is_changed ? 1 : 0;
            std::copy(zigzag_bytes.begin(), zigzag_bytes.end(), new_coefficients.begin() + block * 64);
            std::copy(side_bytes.begin(), side_bytes.end(), new_side.begin() + block * 3);
            if (!is_changed)
                continue;
            ++changed;
            size_t at = output.size();
            output.resize(at + 66);
            output[at] = static_cast<uint8_t>(by / 8);
            output[at + 1] = static_cast<uint8_t>(bx / 8);
            output.resize(static_cast<size_t>(write_block(output.data() + at + 2, zigzag_bytes) - output.data()));
            side_output.insert(side_output.end(), side_bytes.begin(), side_bytes.end());
        }
    }
    output_len = static_cast<int>(output.size());
    side_len = static_cast<int>(side_output.size());
    return static_cast<int>(changed * 100 / blocks);
}

int Cdct_codec::read_block(std::span<const uint8_t> stream, size_t& pos, std::span<const uint8_t> side,
                           size_t side_pos, std::array<int, 64>& coefficients) const
{
    std::array<int, 64> zigzag_values {};
    int count = 0;
    while (count < 64) {
        if (pos >= stream.size())
            return -1;
        uint8_t byte = stream[pos++];
        if (byte == dct_end_byte)
            break;
        zigzag_values[static_cast<size_t>(count++)] = static_cast<int8_t>(byte);
    }
    if (side_pos + 3 > side.size())
        return -1;
    for (size_t z = 0; z < 3; ++z)
        zigzag_values[z] =
            dct_join_low_coefficient(static_cast<int8_t>(zigzag_values[z]), static_cast<int8_t>(side[side_pos + z]));
    for (size_t z = 0; z < 64; ++z)
        coefficients[natural_of_zigzag[z]] = zigzag_values[z];
    return 0;
}

int Cdct_codec::dct_decode_frame(int width, int height, std::span<const uint8_t> stream,
                                 std::span<const uint8_t> side, std::span<int32_t> plane, bool chroma) const
{
    if (!plane_fits(width, height, plane.size()))
        return -1;
    size_t pos = 0;
    size_t side_pos = 0;
    std::array<int, 64> coefficients {};
    for (int by = 0; by < height; by += 8) {
        for (int bx = 0; bx < width; bx += 8) {
            if (read_block(stream, pos, side, side_pos, coefficients) != 0)
                return -1;
            side_pos += 3;
            inverse_block(coefficients, chroma, plane.data() + static_cast<size_t>(by) * width + bx, width);
        }
    }
    return 0;
}

int Cdct_codec::dct_decode_changed_blocks(int width, int height, std::span<const uint8_t> stream,
                                          std::span<const uint8_t> side, std::span<int32_t> plane,
                                          bool chroma) const
{
    if (!plane_fits(width, height, plane.size()))
        return -1;
    size_t pos = 0;
    size_t side_pos = 0;
    std::array<int, 64> coefficients {};
    bool have_pair = pos + 2 <= stream.size();
    for (int by = 0; by < height && have_pair; by += 8) {
        for (int bx = 0; bx < width && have_pair; bx += 8) {
            if (stream[pos] != by / 8 || stream[pos + 1] != bx / 8)
                continue;
            pos += 2;
            if (read_block(stream, pos, side, side_pos, coefficients) != 0)
                return -1;
            side_pos += 3;
            inverse_block(coefficients, chroma, plane.data() + static_cast<size_t>(by) * width + bx, width);
            have_pair = pos + 2 <= stream.size();
        }
    }
    // Pairs left over were out of order or outside the plane.
    return pos == stream.size() ? 0 : -1;
}

namespace {

// 16-bit fixed-point luma weights with rounding.
inline int8_t luma_of(const uint8_t* p)
{
    int y = (19595 * p[0] + 38470 * p[1] + 7471 * p[2] + 32768) >> 16;
    return static_cast<int8_t>(y - 128);
}

TAMBLO_VECTOR_CLONES
void luma_plane(const uint8_t* __restrict rgb, int8_t* __restrict y, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i)
        y[i] = luma_of(rgb + i * 3);
}
// The chroma weights have four decimals, so whole numbers give the exact
// value, and integer division truncates toward zero as the formula asks.
inline int u_of(const uint8_t* p) { return (5000 * p[2] - 1687 * p[0] - 3313 * p[1]) / 10000; }
inline int v_of(const uint8_t* p) { return (5000 * p[0] - 4187 * p[1] - 813 * p[2]) / 10000; }

// Every second pixel of one row.
TAMBLO_VECTOR_CLONES
void chroma_row(const uint8_t* __restrict row, int8_t* __restrict u, int8_t* __restrict v, size_t samples)
{
    for (size_t j = 0; j < samples; ++j) {
        u[j] = static_cast<int8_t>(u_of(row + j * 6));
        v[j] = static_cast<int8_t>(v_of(row + j * 6));
    }
}

} // namespace

void rgb_to_yuv(int width, int height, std::span<const uint8_t> rgb, std::span<int8_t> y_plane,
                std::span<int> u_full, std::span<int> v_full)
{
    size_t pixels = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0));
    if (rgb.size() < pixels * 3 || y_plane.size() < pixels || u_full.size() < pixels || v_full.size() < pixels)
        return;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = &rgb[i * 3];
        y_plane[i] = luma_of(p);
        u_full[i] = u_of(p);
        v_full[i] = v_of(p);
    }
}

void rgb_to_yuv_subsampled(int width, int height, std::span<const uint8_t> rgb, std::span<int8_t> y_plane,
                           std::span<int8_t> u_sub, std::span<int8_t> v_sub)
{
    if (width <= 0 || height <= 0)
        return;
    size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    size_t sub_width = static_cast<size_t>(width / 2);
    size_t sub_pixels = sub_width * static_cast<size_t>(height / 3);
    if (rgb.size() < pixels * 3 || y_plane.size() < pixels || u_sub.size() < sub_pixels || v_sub.size() < sub_pixels)
        return;
    const uint8_t* src = rgb.data();
    luma_plane(src, y_plane.data(), pixels);
    for (int i = 0; i < height / 3; ++i)
        chroma_row(src + static_cast<size_t>(3 * i) * static_cast<size_t>(width) * 3,
                   u_sub.data() + static_cast<size_t>(i) * sub_width, v_sub.data() + static_cast<size_t>(i) * sub_width,
                   sub_width);
}

namespace {

TAMBLO_VECTOR_CLONES
void yuv_pixels_to_rgb(const int32_t* __restrict y, const int32_t* __restrict u, const int32_t* __restrict v,
                       uint8_t* __restrict rgb, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i) {
        double yy = y[i] + 128;
        rgb[i * 3] = static_cast<uint8_t>(std::clamp(static_cast<int>(yy + 1.402 * v[i]), 0, 255));
        rgb[i * 3 + 1] = static_cast<uint8_t>(std::clamp(static_cast<int>(yy - 0.34414 * u[i] - 0.71417 * v[i]), 0, 255));
        rgb[i * 3 + 2] = static_cast<uint8_t>(std::clamp(static_cast<int>(yy + 1.772 * u[i]), 0, 255));
    }
}

} // namespace

void yuv_to_rgb(int width, int height, std::span<const int32_t> y, std::span<const int32_t> u,
                std::span<const int32_t> v, std::span<uint8_t> rgb)
{
    size_t pixels = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0));
    if (rgb.size() < pixels * 3 || y.size() < pixels || u.size() < pixels || v.size() < pixels)
        return;
    yuv_pixels_to_rgb(y.data(), u.data(), v.data(), rgb.data(), pixels);
}

void chroma_subsample(int width, int height, std::span<const int> full, std::span<int8_t> sub)
{
    int sub_width = width / 2;
    int sub_height = height / 3;
    if (width <= 0 || height <= 0 || full.size() < static_cast<size_t>(width) * height ||
        sub.size() < static_cast<size_t>(sub_width) * sub_height)
        return;
    for (int i = 0; i < sub_height; ++i)
        for (int j = 0; j < sub_width; ++j)
            sub[static_cast<size_t>(i) * sub_width + j] =
                static_cast<int8_t>(full[static_cast<size_t>(3 * i) * width + 2 * j]);
}

void chroma_upsample(int width, int height, std::span<const int32_t> sub, std::span<int32_t> full)
{
    int sub_width = width / 2;
    int sub_height = height / 3;
    if (width <= 0 || height <= 0 || full.size() < static_cast<size_t>(width) * height ||
        sub.size() < static_cast<size_t>(sub_width) * sub_height)
        return;
    auto at = [&](int j, int i) { return sub[static_cast<size_t>(i) * sub_width + j]; };
    auto put = [&](int x, int y, int32_t value) {
        if (x < width && y < height)
            full[static_cast<size_t>(y) * width + x] = value;
    };
    for (int i = 0; i < sub_height; ++i) {
        for (int j = 0; j < sub_width; ++j) {
            int32_t s = at(j, i);
            bool last_col = j + 1 == sub_width;
            bool last_row = i + 1 == sub_height;
            int32_t r = s, b = s, d = s;
            if (!last_col && !last_row) {
                r = at(j + 1, i);
                b = at(j, i + 1);
                d = at(j + 1, i + 1);
            } else if (last_col && !last_row) {
                b = at(j, i + 1);
                r = s;
                d = b;
            } else if (!last_col && last_row) {
                r = at(j + 1, i);
                b = s;
                d = r;
            }
            int x = 2 * j;
            int y = 3 * i;
            put(x, y, s);
            put(x + 1, y, (s + r) / 2);
            put(x, y + 1, (2 * s + r) / 3);
            put(x + 1, y + 1, (2 * s + 2 * r + b + d) / 6);
            put(x, y + 2, (s + 2 * r) / 3);
            put(x + 1, y + 2, (s + r + 2 * b + 2 * d) / 6);
        }
    }
}

void chroma_subsample_160x120(std::span<const int> full, std::span<int8_t> sub) { chroma_subsample(160, 120, full, sub); }
void chroma_subsample_320x240(std::span<const int> full, std::span<int8_t> sub) { chroma_subsample(320, 240, full, sub); }
void chroma_subsample_640x480(std::span<const int> full, std::span<int8_t> sub) { chroma_subsample(640, 480, full, sub); }
void chroma_upsample_160x120(std::span<const int32_t> sub, std::span<int32_t> full) { chroma_upsample(160, 120, sub, full); }
void chroma_upsample_320x240(std::span<const int32_t> sub, std::span<int32_t> full) { chroma_upsample(320, 240, sub, full); }
void chroma_upsample_640x480(std::span<const int32_t> sub, std::span<int32_t> full) { chroma_upsample(640, 480, sub, full); }
