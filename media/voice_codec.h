#pragma once
// The talk block codec: 960 unsigned 8-bit samples (120 ms) cut into
// transform blocks of 64, each coded by a cosine transform and a quantiser
// chosen by the audio quality, laid out coefficient-major so that zlib packs
// the small high coefficients of all blocks together.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int transform_block_samples = 64;
inline constexpr int talk_block_samples = 960;
inline constexpr int talk_coded_block_bytes = 2 * talk_block_samples;  // 1920
inline constexpr size_t talk_z_buffer_bytes = 8000;     // compressed block, sending side
inline constexpr size_t talk_unz_buffer_bytes = 10230;  // uncompressed, receiving side

// Steps per coefficient index; 128 entries, the first 64 used.
const std::array<int16_t, 128>& audio_quantiser_table(int quality);

// Codes count samples into out (2 * count rounded up to 64 bytes; *out_len
// gets that length). 1 when the block carries sound, 0 when silent, -1 when
// count is below 1. out must hold 2 * count + 128 bytes.
int audio_encode_block(const uint8_t* samples, uint8_t* out, int count, int* out_len, int quality);

// Decodes count samples from the coded bytes; bytes beyond coded_len read as
// zero, so a short block can never be read past its end. 0, or -1 when count
// is below 1.
int audio_decode_block(const uint8_t* coded, size_t coded_len, uint8_t* samples, int count, int quality);

// zlib of a coded block into at most out_cap bytes; the length, or -1.
int z_compress_talk_data(const uint8_t* data, size_t len, uint8_t* out, size_t out_cap);
// Uncompresses into out (out_len in: capacity, at most 10230 used; out: the
// length). Returns the length, or -1 when the data does not inflate or does
// not fit.
int z_uncompress_talk_data(const uint8_t* data, size_t len, uint8_t* out, size_t* out_len);
