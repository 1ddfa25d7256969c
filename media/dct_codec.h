#pragma once
// The program's own 8x8 DCT image codec. A plane is coded block by block
// (rows of blocks top to bottom, blocks left to right, in the plane's own row
// order); each block travels as signed coefficient bytes in zigzag order up to
// its last non-zero one, then the end byte 0x81. The three lowest zigzag
// positions may overflow a byte: their high part goes to a side stream of three
// bytes per coded block.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr int dct_block_size = 8;
inline constexpr int dct_block_coefficients = 64;
inline constexpr int dct_side_bytes_per_block = 3;
inline constexpr uint8_t dct_end_byte = 0x81; // -127: never a coefficient

// Natural index -> zigzag position.
extern const std::array<uint8_t, 64> dct_zigzag;
// The luminance and chrominance tables of the JPEG standard, natural order.
extern const std::array<uint8_t, 64> dct_base_luma_table;
extern const std::array<uint8_t, 64> dct_base_chroma_table;

// Splits one of the three lowest zigzag coefficients into its stream byte and
// side byte; joins them again. Other positions are clamped to -126..127.
void dct_split_low_coefficient(int coefficient, int8_t& stream_byte, int8_t& side_byte);
int dct_join_low_coefficient(int8_t stream_byte, int8_t side_byte);
int8_t dct_clamp_coefficient(int coefficient);

class Cdct_codec {
public:
    Cdct_codec();

    // Lowers the quality to a multiple of 10, clamps it to 50..100 and scales
    // the tables; the first sets up the forward transform, the second the inverse.
    void dct_codec_set_quality(int quality);
    void dct_codec_set_decoder_quality(int quality);

    int quality() const { return quality_; }
    int decoder_quality() const { return decoder_quality_; }
    const std::array<uint8_t, 64>& luma_table() const { return luma_table_; }
    const std::array<uint8_t, 64>& chroma_table() const { return chroma_table_; }

    // Codes every block of a width x height plane of signed samples (both a
    // multiple of 8). output and side_output are replaced; reference_store
    // (64 bytes per block) receives the zigzag coefficient bytes. Returns the
    // coefficient-stream length, or -1 when the sizes do not fit.
    int dct_encode_frame(int width, int height, std::span<const int8_t> plane, std::vector<uint8_t>& output,
                         std::span<int8_t> reference_store, std::vector<uint8_t>& side_output, int& side_len,
                         bool chroma) const;

    // Codes only the blocks whose coefficients differ from the reference by more
    // than threshold in some byte, each behind its block row and column byte.
    // changed_map (one byte per block) marks the coded blocks; every block's new
    // coefficients and side bytes go to the new stores. Returns the percentage
    // of changed blocks, or -1 when the sizes do not fit.
    int dct_encode_changed_blocks(int width, int height, std::span<uint8_t> changed_map, std::span<const int8_t> plane,
                                  std::span<const int8_t> reference_coefficients,
                                  std::span<const int8_t> reference_side, int threshold, std::vector<uint8_t>& output,
                                  int& output_len, std::vector<uint8_t>& side_output, int& side_len,
                                  std::span<int8_t> new_coefficients, std::span<int8_t> new_side,
                                  bool chroma) const;

    // Decodes into plane (decoded sample - 128). A key frame fills every block;
    // a delta frame replaces only the listed blocks. Streams that end early or
    // carry nonsense never write outside the plane; they give -1 (the blocks
    // decoded so far stay), a whole stream gives 0.
    int dct_decode_frame(int width, int height, std::span<const uint8_t> stream, std::span<const uint8_t> side,
                         std::span<int32_t> plane, bool chroma) const;
    int dct_decode_changed_blocks(int width, int height, std::span<const uint8_t> stream,
                                  std::span<const uint8_t> side, std::span<int32_t> plane, bool chroma) const;

    // Forward transform and quantisation of one block of signed samples (row
    // stride in samples) into 64 coefficients in natural order.
    void forward_block(const int8_t* samples, int stride, bool chroma, std::array<int, 64>& coefficients) const;
    // Dequantisation and inverse transform of 64 natural-order coefficients
    // into samples 0..255 minus 128.
    void inverse_block(const std::array<int, 64>& coefficients, bool chroma, int32_t* samples, int stride) const;

private:
    void code_block(const int8_t* samples, int stride, bool chroma, std::array<int8_t, 64>& zigzag_bytes,
                    std::array<int8_t, 3>& side_bytes) const;
    // Reads one block's bytes at pos (moved past them); -1 when the stream ends early.
    int read_block(std::span<const uint8_t> stream, size_t& pos, std::span<const uint8_t> side, size_t side_pos,
                   std::array<int, 64>& coefficients) const;

    int quality_ = 70;
    int decoder_quality_ = 70;
    std::array<uint8_t, 64> luma_table_ {};
    std::array<uint8_t, 64> chroma_table_ {};
    std::array<uint8_t, 64> decoder_luma_table_ {};
    std::array<uint8_t, 64> decoder_chroma_table_ {};
    std::array<float, 64> luma_divisors_ {};
    std::array<float, 64> chroma_divisors_ {};
    std::array<float, 64> luma_dequant_ {};
    std::array<float, 64> chroma_dequant_ {};
};

// Colour conversion of a W x H frame of 3-byte pixels in storage order R, G, B.
// y_plane: Y - 128 as signed bytes; u_full, v_full: full-size chroma values.
void rgb_to_yuv(int width, int height, std::span<const uint8_t> rgb, std::span<int8_t> y_plane,
                std::span<int> u_full, std::span<int> v_full);
// rgb_to_yuv followed by chroma_subsample of U and V, converting chroma only
// where it is sampled.
void rgb_to_yuv_subsampled(int width, int height, std::span<const uint8_t> rgb, std::span<int8_t> y_plane,
                           std::span<int8_t> u_sub, std::span<int8_t> v_sub);
// y: signed luma (Y - 128); u, v: full-size chroma.
void yuv_to_rgb(int width, int height, std::span<const int32_t> y, std::span<const int32_t> u,
                std::span<const int32_t> v, std::span<uint8_t> rgb);

// Every second sample of every third row, as signed bytes: (W/2) x (H/3).
void chroma_subsample(int width, int height, std::span<const int> full, std::span<int8_t> sub);
// Back to W x H, filling each 2 x 3 cell from the sample and its neighbours.
void chroma_upsample(int width, int height, std::span<const int32_t> sub, std::span<int32_t> full);

void chroma_subsample_160x120(std::span<const int> full, std::span<int8_t> sub);
void chroma_subsample_320x240(std::span<const int> full, std::span<int8_t> sub);
void chroma_subsample_640x480(std::span<const int> full, std::span<int8_t> sub);
void chroma_upsample_160x120(std::span<const int32_t> sub, std::span<int32_t> full);
void chroma_upsample_320x240(std::span<const int32_t> sub, std::span<int32_t> full);
void chroma_upsample_640x480(std::span<const int32_t> sub, std::span<int32_t> full);
