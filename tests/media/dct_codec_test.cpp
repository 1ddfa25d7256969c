#include "media/dct_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(DctTables, ZigzagIsTheDiagonalWalk)
{
    // Walk the anti-diagonals, alternating direction, and number the cells.
    std::array<int, 64> want {};
    int position = 0;
    for (int sum = 0; sum < 15; ++sum) {
        for (int i = 0; i <= sum; ++i) {
            int row = sum % 2 == 0 ? sum - i : i;
            int col = sum - row;
            if (row < 8 && col < 8)
                want[static_cast<size_t>(row * 8 + col)] = position++;
        }
    }
    for (size_t k = 0; k < 64; ++k)
        EXPECT_EQ(dct_zigzag[k], want[k]) << "natural index " << k;
}

TEST(DctSideSplit, WorkedValuesAndRange)
{
    struct Case {
        int coefficient;
        int stream_byte;
        int side_byte;
    };
    const Case cases[] = {
        { 300, 44, 2 }, { -200, 56, -2 }, { 127, 127, 0 }, { -126, -126, 0 },
        { 128, 0, 1 },  { -127, 1, -1 },  { 0, 0, 0 },     { 1000, 104, 7 },
    };
    for (const Case& c : cases) {
        int8_t stream_byte = 0;
        int8_t side_byte = 0;
        dct_split_low_coefficient(c.coefficient, stream_byte, side_byte);
        EXPECT_EQ(stream_byte, c.stream_byte) << c.coefficient;
        EXPECT_EQ(side_byte, c.side_byte) << c.coefficient;
    }
    for (int v = -2048; v <= 2048; ++v) {
        int8_t stream_byte = 0;
        int8_t side_byte = 0;
        dct_split_low_coefficient(v, stream_byte, side_byte);
        ASSERT_NE(static_cast<uint8_t>(stream_byte), dct_end_byte) << v;
        ASSERT_EQ(dct_join_low_coefficient(stream_byte, side_byte), v);
    }
    EXPECT_EQ(dct_clamp_coefficient(-127), -126);
    EXPECT_EQ(dct_clamp_coefficient(-5000), -126);
    EXPECT_EQ(dct_clamp_coefficient(128), 127);
    EXPECT_EQ(dct_clamp_coefficient(-3), -3);
}

TEST(DctQuality, ClampsToMultiplesOfTenAndScalesTables)
{
    struct Case {
        int asked;
        int used;
        int percentage;
    };
    const Case cases[] = {
        { 75, 70, 70 },  { 70, 70, 70 }, { 49, 50, 200 },  { -3, 50, 200 },  { 50, 50, 200 }, { 59, 50, 200 },
        { 60, 60, 100 }, { 89, 80, 50 }, { 95, 90, 35 },   { 100, 100, 20 }, { 101, 100, 20 }, { 250, 100, 20 },
    };
    for (const Case& c : cases) {
        Cdct_codec codec;
        codec.dct_codec_set_quality(c.asked);
        codec.dct_codec_set_decoder_quality(c.asked);
        EXPECT_EQ(codec.quality(), c.used) << c.asked;
        EXPECT_EQ(codec.decoder_quality(), c.used) << c.asked;
        for (size_t i = 0; i < 64; ++i) {
            int want_luma = std::clamp((c.percentage * dct_base_luma_table[i] + 50) / 100, 1, 255);
            int want_chroma = std::clamp((c.percentage * dct_base_chroma_table[i] + 50) / 100, 1, 255);
            ASSERT_EQ(codec.luma_table()[i], want_luma) << c.asked << " index " << i;
            ASSERT_EQ(codec.chroma_table()[i], want_chroma) << c.asked << " index " << i;
        }
    }
    Cdct_codec fresh;
    EXPECT_EQ(fresh.quality(), 70);
    Cdct_codec q100;
    q100.dct_codec_set_quality(100);
    EXPECT_EQ(q100.luma_table()[0], 3);   // 16 at 20 %
    EXPECT_EQ(q100.chroma_table()[63], 20); // 99 at 20 %
    Cdct_codec q50;
    q50.dct_codec_set_quality(50);
    EXPECT_EQ(q50.luma_table()[53], 242); // 121 at 200 %
}

// The transform against the cosine sums it stands for.
double reference_dct(const std::array<int8_t, 64>& block, int u, int v)
{
    double sum = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            sum += block[static_cast<size_t>(y * 8 + x)] * std::cos((2 * x + 1) * u * M_PI / 16) *
                   std::cos((2 * y + 1) * v * M_PI / 16);
    double cu = u == 0 ? M_SQRT1_2 : 1.0;
    double cv = v == 0 ? M_SQRT1_2 : 1.0;
    return sum * cu * cv / 4;
}

TEST(DctTransform, ForwardAndInverseMatchTheCosineSums)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> sample(-128, 127);
    for (int quality : { 50, 100 }) {
        Cdct_codec codec;
        codec.dct_codec_set_quality(quality);
        codec.dct_codec_set_decoder_quality(quality);
        for (int round = 0; round < 20; ++round) {
            std::array<int8_t, 64> block {};
            for (int8_t& s : block)
                s = static_cast<int8_t>(sample(rng));
            std::array<int, 64> coefficients {};
            codec.forward_block(block.data(), 8, false, coefficients);
            for (int v = 0; v < 8; ++v) {
                for (int u = 0; u < 8; ++u) {
                    size_t k = static_cast<size_t>(v * 8 + u);
                    double step = codec.luma_table()[dct_zigzag[k]];
                    ASSERT_NEAR(coefficients[k], reference_dct(block, u, v) / step, 0.51 + 1e-3)
                        << "quality " << quality << " u " << u << " v " << v;
                }
            }
            // Inverse of the dequantised coefficients, against the inverse cosine sums.
            std::array<int32_t, 64> decoded {};
            codec.inverse_block(coefficients, false, decoded.data(), 8);
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    double sum = 0;
                    for (int v = 0; v < 8; ++v)
                        for (int u = 0; u < 8; ++u) {
                            size_t k = static_cast<size_t>(v * 8 + u);
                            double value = coefficients[k] * double(codec.luma_table()[dct_zigzag[k]]);
                            sum += (u == 0 ? M_SQRT1_2 : 1.0) * (v == 0 ? M_SQRT1_2 : 1.0) * value *
                                   std::cos((2 * x + 1) * u * M_PI / 16) * std::cos((2 * y + 1) * v * M_PI / 16);
                        }
                    double want = std::clamp(std::round(sum / 4), -128.0, 127.0);
                    ASSERT_NEAR(decoded[static_cast<size_t>(y * 8 + x)], want, 1.0) << x << "," << y;
                }
            }
        }
    }
}

// Blocks on which the order of the two float passes decides one coefficient
// (rows first, as the reference transform runs, gives the value the cosine
// sums round to). The coded bytes of each are built here from the sums alone.
TEST(DctTransform, CodedBytesOfBlocksWhereThePassOrderDecidesMatchTheCosineSums)
{
    struct Case {
        int quality;
        std::array<int8_t, 64> block;
    };
    const Case cases[] = {
        { 100, { -11, -65, -118, 36,  59,  -49, -127, -78, 98,  -7,  31,  -24, -8,  23,   -109, -63,
                 88,  64,  -11,  10,  -112, 0,  -61,  -23, 75,  30,  -23, 53,  53,  -34,  -86,  6,
                 -31, -59, 34,   76,  60,  71,  5,    118, -68, 33,  78,  57,  98,  -74,  80,   1,
                 -91, -116, -4,  -83, -12, -111, -19, 49,  73,  -106, 88, -69, -107, -11,  26,   -14 } },
        { 50, { 56,  78,  -79,  57,   92,  79,  -122, -112, -84, 23,  58,  -15, -49, 6,   98,   -61,
                -52, -5,  -70,  -19,  14,  -85, -17,  -23,  -82, -35, -110, 45, -104, 34,  106,  -15,
                -29, 40,  100,  -84,  -71, -113, -119, 39,  116, -81, 122, -112, 42,  20,  -124, 76,
                65,  39,  -32,  -23,  100, 70,  15,   3,    61,  105, -115, 125, 32,  26,  -64,  13 } },
    };
    for (const Case& c : cases) {
        Cdct_codec codec;
        codec.dct_codec_set_quality(c.quality);
        std::array<int, 64> zigzag_values {};
        for (int v = 0; v < 8; ++v)
            for (int u = 0; u < 8; ++u) {
                size_t k = static_cast<size_t>(v * 8 + u);
                double step = codec.luma_table()[dct_zigzag[k]];
                zigzag_values[dct_zigzag[k]] = static_cast<int>(std::floor(reference_dct(c.block, u, v) / step + 0.5));
            }
        std::vector<uint8_t> want_bytes, want_side;
        for (size_t z = 0; z < 64; ++z) {
            int q = zigzag_values[z];
            bool split = z < 3 && (q < -126 || q > 127);
            want_bytes.push_back(static_cast<uint8_t>(split ? (q & 0x7f) : std::clamp(q, -126, 127)));
            if (z < 3)
                want_side.push_back(static_cast<uint8_t>(split ? (q >> 7) : 0));
        }
        while (want_bytes.size() > 1 && want_bytes.back() == 0)
            want_bytes.pop_back();
        if (want_bytes.size() < 64)
            want_bytes.push_back(dct_end_byte);

        std::vector<uint8_t> out, side;
        std::vector<int8_t> reference(64);
        int side_len = 0;
        ASSERT_EQ(codec.dct_encode_frame(8, 8, c.block, out, reference, side, side_len, false),
                  static_cast<int>(want_bytes.size()));
        EXPECT_EQ(out, want_bytes) << "quality " << c.quality;
        EXPECT_EQ(side, want_side) << "quality " << c.quality;
    }
}

std::vector<int8_t> flat_plane(int width, int height, int8_t value)
{
    return std::vector<int8_t>(static_cast<size_t>(width) * height, value);
}

TEST(DctStream, EndBytesAndSideBytesPerBlock)
{
    Cdct_codec codec;
    codec.dct_codec_set_quality(100);
    codec.dct_codec_set_decoder_quality(100);
    // Block 0 flat at 0, block 1 flat at 127 (DC 339 at step 3), block 2 a
    // checkerboard whose last zigzag coefficient is not zero.
    std::vector<int8_t> plane(24 * 8, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            plane[static_cast<size_t>(y * 24 + 8 + x)] = 127;
            plane[static_cast<size_t>(y * 24 + 16 + x)] = (x + y) % 2 ? 100 : -100;
        }
    std::vector<uint8_t> out;
    std::vector<uint8_t> side;
    std::vector<int8_t> reference(plane.size());
    int side_len = 0;
    int len = codec.dct_encode_frame(24, 8, plane, out, reference, side, side_len, false);
    ASSERT_EQ(len, static_cast<int>(out.size()));
    ASSERT_GE(len, 2 + 2 + 64);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], dct_end_byte);
    EXPECT_EQ(out[2], 339 & 0x7F);
    EXPECT_EQ(out[3], dct_end_byte);
    EXPECT_EQ(len, 4 + 64); // the checkerboard block fills all 64 bytes and has no end byte
    EXPECT_NE(out[4 + 63], 0);
    ASSERT_EQ(side_len, 9);
    EXPECT_EQ((std::vector<uint8_t>(side.begin(), side.begin() + 6)), (std::vector<uint8_t>{ 0, 0, 0, 2, 0, 0 }));
    EXPECT_EQ(reference[64], 339 & 0x7F);

    std::vector<int32_t> decoded(plane.size(), 99);
    ASSERT_EQ(codec.dct_decode_frame(24, 8, out, side, decoded, false), 0);
    EXPECT_EQ(decoded[0], 0);
    EXPECT_EQ(decoded[8], 127);
    EXPECT_NEAR(decoded[16], -100, 2);
    EXPECT_NEAR(decoded[17], 100, 2);
}

TEST(DctStream, ChangedBlocksListOnlyWhatMovedBeyondTheThreshold)
{
    Cdct_codec codec;
    const int width = 32;
    const int height = 16; // 4 x 2 blocks
    std::vector<int8_t> plane = flat_plane(width, height, 10);
    std::vector<uint8_t> out;
    std::vector<uint8_t> side;
    std::vector<int8_t> reference(plane.size());
    int side_len = 0;
    codec.dct_encode_frame(width, height, plane, out, reference, side, side_len, false);
    std::vector<int8_t> reference_side(side.begin(), side.end());

    // Block (row 1, column 2) changes a lot, block (0, 1) only by a grain.
    for (int y = 8; y < 16; ++y)
        for (int x = 16; x < 24; ++x)
            plane[static_cast<size_t>(y * width + x)] = -90;
    plane[static_cast<size_t>(8 + 0 * width)] = 11;
    std::vector<uint8_t> changed(8, 9);
    std::vector<int8_t> new_coefficients(plane.size());
    std::vector<int8_t> new_side(8 * 3);
    int out_len = 0;
    int percent = codec.dct_encode_changed_blocks(width, height, changed, plane, reference, reference_side, 3, out,
                                                  out_len, side, side_len, new_coefficients, new_side, false);
    EXPECT_EQ(percent, 12); // 1 of 8
    EXPECT_EQ(changed, (std::vector<uint8_t>{ 0, 0, 0, 0, 0, 0, 1, 0 }));
    ASSERT_GE(out_len, 4);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(out.back(), dct_end_byte);
    EXPECT_EQ(side_len, 3);
    // New stores carry every block, changed or not.
    EXPECT_EQ(std::vector<int8_t>(new_coefficients.begin(), new_coefficients.begin() + 64),
              std::vector<int8_t>(reference.begin(), reference.begin() + 64));
    EXPECT_NE(new_coefficients[6 * 64], reference[6 * 64]);

    // Applying the delta to the decoded key plane replaces exactly that block.
    std::vector<int32_t> decoded(plane.size());
    ASSERT_EQ(codec.dct_decode_frame(width, height, std::vector<uint8_t>(out.size()), {}, decoded, false), -1);
    std::vector<uint8_t> key_out;
    std::vector<uint8_t> key_side;
    codec.dct_encode_frame(width, height, flat_plane(width, height, 10), key_out, reference, key_side, side_len,
                           false);
    ASSERT_EQ(codec.dct_decode_frame(width, height, key_out, key_side, decoded, false), 0);
    ASSERT_EQ(codec.dct_decode_changed_blocks(width, height, out, side, decoded, false), 0);
    EXPECT_NEAR(decoded[static_cast<size_t>(9 * width + 17)], -90, 1);
    EXPECT_EQ(decoded[static_cast<size_t>(9 * width + 1)], 10);
}

TEST(DctStream, BadStreamsNeverWriteOutsideThePlane)
{
    Cdct_codec codec;
    const int width = 64;
    const int height = 48;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<int32_t> plane(static_cast<size_t>(width) * height + 64, 12345);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> stream(static_cast<size_t>(byte(rng)) * (round % 7 + 1));
        for (uint8_t& b : stream)
            b = static_cast<uint8_t>(byte(rng));
        std::vector<uint8_t> side(static_cast<size_t>(byte(rng)) % 200);
        for (uint8_t& b : side)
            b = static_cast<uint8_t>(byte(rng));
        std::span<int32_t> inside(plane.data(), static_cast<size_t>(width) * height);
        codec.dct_decode_frame(width, height, stream, side, inside, round % 2 == 0);
        codec.dct_decode_changed_blocks(width, height, stream, side, inside, round % 2 == 1);
        for (size_t i = inside.size(); i < plane.size(); ++i)
            ASSERT_EQ(plane[i], 12345);
    }
    // Truncated key stream, missing side bytes, out-of-order pairs, wrong sizes.
    std::vector<int32_t> small(64);
    const std::vector<uint8_t> one_block = { 5, dct_end_byte };
    const std::vector<uint8_t> three_side = { 0, 0, 0 };
    EXPECT_EQ(codec.dct_decode_frame(8, 8, one_block, three_side, small, false), 0);
    EXPECT_EQ(codec.dct_decode_frame(8, 8, std::vector<uint8_t>{ 5 }, three_side, small, false), -1);
    EXPECT_EQ(codec.dct_decode_frame(8, 8, one_block, std::vector<uint8_t>{ 0 }, small, false), -1);
    EXPECT_EQ(codec.dct_decode_frame(16, 8, one_block, three_side, small, false), -1);
    EXPECT_EQ(codec.dct_decode_frame(12, 8, one_block, three_side, small, false), -1);
    EXPECT_EQ(codec.dct_decode_changed_blocks(8, 8, std::vector<uint8_t>{ 3, 3, 5, dct_end_byte }, three_side, small,
                                              false),
              -1);
    EXPECT_EQ(codec.dct_decode_changed_blocks(8, 8, std::vector<uint8_t>{}, {}, small, false), 0);
    std::vector<uint8_t> out;
    std::vector<uint8_t> side;
    int side_len = 0;
    std::vector<int8_t> tiny(10);
    EXPECT_EQ(codec.dct_encode_frame(8, 8, tiny, out, tiny, side, side_len, false), -1);
}

TEST(ColourConversion, StorageOrderIsRedGreenBlue)
{
    // One pixel each: white, red, green, blue, black (a 5 x 1 strip).
    const std::vector<uint8_t> rgb = { 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0 };
    std::vector<int8_t> y(5);
    std::vector<int> u(5);
    std::vector<int> v(5);
    rgb_to_yuv(5, 1, rgb, y, u, v);
    EXPECT_EQ(y, (std::vector<int8_t>{ 127, 76 - 128, 150 - 128, 29 - 128, -128 }));
    EXPECT_EQ(u, (std::vector<int>{ 0, -43, -84, 127, 0 }));
    EXPECT_EQ(v, (std::vector<int>{ 0, 127, -106, -20, 0 }));

    std::vector<int32_t> y32(y.begin(), y.end());
    std::vector<int32_t> u32(u.begin(), u.end());
    std::vector<int32_t> v32(v.begin(), v.end());
    std::vector<uint8_t> back(15);
    yuv_to_rgb(5, 1, y32, u32, v32, back);
    for (size_t i = 0; i < rgb.size(); ++i)
        EXPECT_NEAR(back[i], rgb[i], 2) << i;
}

TEST(ColourConversion, SubsampledConversionMatchesConvertThenSubsample)
{
    std::mt19937 rng(3);
    std::vector<uint8_t> rgb(320 * 240 * 3);
    for (uint8_t& b : rgb)
        b = static_cast<uint8_t>(rng());
    std::vector<int8_t> y(320 * 240), y2(320 * 240);
    std::vector<int> u(320 * 240), v(320 * 240);
    rgb_to_yuv(320, 240, rgb, y, u, v);
    std::vector<int8_t> u_sub(160 * 80), v_sub(160 * 80), u_sub2(160 * 80), v_sub2(160 * 80);
    chroma_subsample_320x240(u, u_sub);
    chroma_subsample_320x240(v, v_sub);
    rgb_to_yuv_subsampled(320, 240, rgb, y2, u_sub2, v_sub2);
    EXPECT_EQ(y, y2);
    EXPECT_EQ(u_sub, u_sub2);
    EXPECT_EQ(v_sub, v_sub2);
    // Chroma is the exact weighted sum truncated toward zero (the nudge undoes
    // binary rounding of sums that are whole numbers).
    auto exact_trunc = [](double x) { return std::trunc(x + std::copysign(1e-9, x)); };
    for (size_t i = 0; i < 20000; ++i) {
        double r = rgb[i * 3], g = rgb[i * 3 + 1], b = rgb[i * 3 + 2];
        ASSERT_EQ(u[i], exact_trunc(0.5 * b - 0.1687 * r - 0.3313 * g)) << r << " " << g << " " << b;
        ASSERT_EQ(v[i], exact_trunc(0.5 * r - 0.4187 * g - 0.0813 * b)) << r << " " << g << " " << b;
        ASSERT_EQ(y[i], static_cast<int>((19595 * r + 38470 * g + 7471 * b + 32768) / 65536) - 128);
    }
}

TEST(ChromaPlanes, SubsampleTakesEverySecondOfEveryThirdRow)
{
    std::vector<int> full(160 * 120);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            full[static_cast<size_t>(y * 160 + x)] = x - y;
    std::vector<int8_t> sub(80 * 40);
    chroma_subsample_160x120(full, sub);
    EXPECT_EQ(sub[0], 0);
    EXPECT_EQ(sub[1], 2);
    EXPECT_EQ(sub[80], -3);
    EXPECT_EQ(sub[80 * 39 + 79], 158 - 117);
    // The low byte of each value, as a signed byte.
    full[0] = 300;
    chroma_subsample_160x120(full, sub);
    EXPECT_EQ(sub[0], 44);
}

TEST(ChromaPlanes, UpsampleFillsEachCellFromItsNeighbours)
{
    const int w = 160;
    const int h = 120;
    std::vector<int32_t> sub(80 * 40);
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 80; ++j)
            sub[static_cast<size_t>(i * 80 + j)] = (j * 7 + i * 13) % 101 - 50;
    std::vector<int32_t> full(static_cast<size_t>(w) * h, 9999);
    chroma_upsample_160x120(sub, full);
    auto s_at = [&](int j, int i) { return sub[static_cast<size_t>(i * 80 + j)]; };
    auto f_at = [&](int x, int y) { return full[static_cast<size_t>(y * w + x)]; };
    struct Cell {
        int j, i;
    };
    for (Cell c : { Cell { 3, 5 }, Cell { 79, 5 }, Cell { 3, 39 }, Cell { 79, 39 }, Cell { 0, 0 } }) {
        int s = s_at(c.j, c.i);
        bool last_col = c.j == 79;
        bool last_row = c.i == 39;
        int r = last_col ? s : s_at(c.j + 1, c.i);
        int b = last_row ? s : s_at(c.j, c.i + 1);
        int d = last_col ? b : (last_row ? r : s_at(c.j + 1, c.i + 1));
        if (last_col && last_row)
            r = b = d = s;
        int x = 2 * c.j;
        int y = 3 * c.i;
        EXPECT_EQ(f_at(x, y), s);
        EXPECT_EQ(f_at(x + 1, y), (s + r) / 2);
        EXPECT_EQ(f_at(x, y + 1), (2 * s + r) / 3);
        EXPECT_EQ(f_at(x + 1, y + 1), (2 * s + 2 * r + b + d) / 6);
        EXPECT_EQ(f_at(x, y + 2), (s + 2 * r) / 3);
        EXPECT_EQ(f_at(x + 1, y + 2), (s + r + 2 * b + 2 * d) / 6);
    }
    for (int32_t v : full)
        ASSERT_NE(v, 9999);
}

} // namespace
