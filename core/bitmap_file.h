#pragma once
// Pictures on their way to files: device bitmaps (what a capture gives),
// packed device-independent bitmaps, ".bmp" and JPEG files, window parts,
// bitmap comparison and GIF conversion.

#include "platform/sys/timed_lock.h"
#include "platform/x11/screen_capture.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A bitmap as the display keeps it: rows top-down, stride_bytes apart.
// 32 bits per pixel: little-endian 0x00RRGGBB words (X at depth 24);
// 24: B, G, R bytes; 8: indexes into a palette given beside it.
struct DeviceBitmap {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 32;
    int stride_bytes = 0;
    std::vector<uint8_t> bits;
};

std::unique_ptr<DeviceBitmap> device_bitmap_from_capture(const platform::CapturedImage& image);

struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};
using DibPalette = std::vector<RgbQuad>;
// The 20 fixed colours a device starts with.
const DibPalette& default_palette();

inline constexpr size_t dib_header_len = 40;
inline constexpr size_t bmp_file_head_len = 14;

// One block: the 40-byte information header, the colour table, the rows
// (bottom-up when the height is positive, each padded to 4 bytes).
struct PackedDib {
    std::vector<uint8_t> bytes;

    int width() const;
    int height() const;  // negative: top-down rows
    int bit_count() const;
    uint32_t compression() const;
    size_t colour_count() const;  // entries in the colour table
    size_t row_bytes() const;
    const uint8_t* colours() const { return bytes.data() + dib_header_len; }
    size_t bits_offset() const { return dib_header_len + colour_count() * 4; }
    const uint8_t* bits() const { return bytes.data() + bits_offset(); }
    // True when the header is sane and the rows fit inside the block.
    bool valid() const;
};

// Makes a DIB of the bitmap's depth (24 for 32-bit pixels, whose fourth byte
// is padding). 8-bit bitmaps take their colour table from palette, or the
// default palette. Null on failure.
std::unique_ptr<PackedDib> ddb_to_dib(const DeviceBitmap& bitmap, const DibPalette* palette);
std::unique_ptr<PackedDib> bmp_to_dib(const DeviceBitmap& bitmap, const DibPalette* palette);

// Writes "BM", the sizes and the DIB; creates or truncates. 1 on success, 0 on failure.
int dib_write_bmp_file(const PackedDib& dib, const std::string& path);
int bmp_write_dib_file(const PackedDib& dib, const std::string& path);
// Reads a ".bmp" file (uncompressed, 1, 4, 8, 24 or 32 bits); null when it is not one.
std::unique_ptr<PackedDib> dib_read_bmp_file(const std::string& path);

// 0 when both have the same width, height, bits per pixel and bits (over at
// most 200000 bytes); -1 otherwise or when either is missing.
int bmp_compare(const DeviceBitmap* a, const DeviceBitmap* b);
inline constexpr size_t bmp_compare_limit = 200000;

// Cuts the window's client area into horizontal_count x vertical_count parts
// and captures the one at the given indexes. Null on failure.
std::unique_ptr<DeviceBitmap> bmp_part_window_to_CBitmap(platform::XWindowId window, int horizontal_count, int vertical_count,
                                                         int horizontal_index, int vertical_index);

// Loads a ".bmp" file, reduces it to at most 256 colours and writes a GIF. 0 or -1.
int convert_bmp_to_gif(const std::string& in_path, const std::string& out_path);
// The colour reduction on its own: 0x00RRGGBB pixels to indexes and a palette.
void reduce_to_256_colours(const std::vector<uint32_t>& pixels, std::vector<uint8_t>& indexes,
                           std::vector<uint32_t>& palette);

// The JPEG writers below take g_jpeg_lock themselves. A caller that must hold
// it over more than one step (a tile saved and then compressed) holds it with
// JpegLockWait, and the writers on that thread then use the held lock.
class JpegLockWait {
public:
    explicit JpegLockWait(int wait_ms);
    ~JpegLockWait();
    JpegLockWait(const JpegLockWait&) = delete;
    JpegLockWait& operator=(const JpegLockWait&) = delete;
    bool locked() const { return locked_; }

private:
    bool locked_ = false;
    bool nested_ = false;
};

class CBitmapFile {
public:
    // 0 on success, -1 with error_text() set (also logged).
    int SaveBitmapAsBmp(const DeviceBitmap& bitmap, const std::string& path);
    int SaveBitmapAsJpeg(const DeviceBitmap& bitmap, const std::string& path);
    int DibToRgb(const PackedDib& dib, std::vector<uint8_t>& rgb_rows);  // top-down R, G, B
    int SaveDibAsJpeg(const PackedDib& dib, const std::string& path, int quality);
    int SavePartWindowAsFile(platform::XWindowId window, const std::string& path, int horizontal_count, int vertical_count,
                             int horizontal_index, int vertical_index, int quality);

    const std::string& error_text() const { return error_text_; }

private:
    int fail(std::string text);
    std::string error_text_;
};

// Part geometry of a w x h area cut into count parts: the part at index covers
// [start, end). The parts share the remainder so nothing is left out.
void part_span(int length_px, int count, int index, int& start_px, int& end_px);
