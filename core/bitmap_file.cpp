#include "core/bitmap_file.h"

#include "core/dbg_log.h"
#include "core/global_state.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <csetjmp>
#include <unordered_map>

#include <jpeglib.h>

namespace {

uint32_t get_u32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t get_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void put_u32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
void put_u16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

size_t padded_row_bytes(int width_px, int bit_count)
{
    return ((static_cast<size_t>(width_px) * static_cast<size_t>(bit_count) + 31) / 32) * 4;
}

// A fresh DIB with header, a colour table of colour_count entries and room for the rows.
std::unique_ptr<PackedDib> make_dib(int width_px, int height_px, int bit_count, size_t colour_count)
{
    auto dib = std::make_unique<PackedDib>();
    size_t rows_len = padded_row_bytes(width_px, bit_count) * static_cast<size_t>(height_px);
    dib->bytes.assign(dib_header_len + colour_count * 4 + rows_len, 0);
    uint8_t* h = dib->bytes.data();
    put_u32(h, static_cast<uint32_t>(dib_header_len));
    put_u32(h + 4, static_cast<uint32_t>(width_px));
    put_u32(h + 8, static_cast<uint32_t>(height_px));
    put_u16(h + 12, 1);
    put_u16(h + 14, static_cast<uint16_t>(bit_count));
    put_u32(h + 16, 0);  // uncompressed
    put_u32(h + 20, static_cast<uint32_t>(rows_len));
    put_u32(h + 32, static_cast<uint32_t>(colour_count));
    return dib;
}

// Pixel (x, y) of a DIB, y counted from the top, as 0x00RRGGBB.
uint32_t dib_pixel(const PackedDib& dib, int x, int y)
{
    int height = dib.height();
    int rows = height < 0 ? -height : height;
    int row = height < 0 ? y : rows - 1 - y;
    const uint8_t* line = dib.bits() + dib.row_bytes() * static_cast<size_t>(row);
    auto colour = [&](size_t index) -> uint32_t {
        if (index >= dib.colour_count())
            return 0;
        const uint8_t* q = dib.colours() + index * 4;
        return (static_cast<uint32_t>(q[2]) << 16) | (q[1] << 8) | q[0];
    };
    switch (dib.bit_count()) {
    case 1:
        return colour((line[x / 8] >> (7 - x % 8)) & 1);
    case 4:
        return colour((line[x / 2] >> (x % 2 ? 0 : 4)) & 0x0f);
    case 8:
        return colour(line[x]);
    case 24: {
        const uint8_t* p = line + static_cast<size_t>(x) * 3;
        return (static_cast<uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
    }
    case 32: {
        const uint8_t* p = line + static_cast<size_t>(x) * 4;
        return (static_cast<uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
    }
    default:
        return 0;
    }
}

thread_local int t_jpeg_lock_depth = 0;

} // namespace

int PackedDib::width() const { return bytes.size() >= dib_header_len ? static_cast<int32_t>(get_u32(bytes.data() + 4)) : 0; }
int PackedDib::height() const { return bytes.size() >= dib_header_len ? static_cast<int32_t>(get_u32(bytes.data() + 8)) : 0; }
int PackedDib::bit_count() const { return bytes.size() >= dib_header_len ? get_u16(bytes.data() + 14) : 0; }
uint32_t PackedDib::compression() const { return bytes.size() >= dib_header_len ? get_u32(bytes.data() + 16) : 0; }

size_t PackedDib::colour_count() const
{
    if (bytes.size() < dib_header_len)
        return 0;
    size_t used = get_u32(bytes.data() + 32);
    int bits = bit_count();
    if (used == 0 && bits <= 8)
        return size_t { 1 } << bits;
    return bits <= 8 ? std::min(used, size_t { 1 } << bits) : 0;
}

size_t PackedDib::row_bytes() const { return padded_row_bytes(width(), bit_count()); }

bool PackedDib::valid() const
{
    if (bytes.size() < dib_header_len || get_u32(bytes.data()) != dib_header_len || compression() != 0)
        return false;
    int bits = bit_count();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    int w = width();
    int h = height();
    if (w < 1 || h == 0 || w > 65535 || h > 65535 || h < -65535)
        return false;
    size_t rows = static_cast<size_t>(h < 0 ? -h : h);
    return bits_offset() + row_bytes() * rows <= bytes.size();
}

const DibPalette& default_palette()
{
    static const DibPalette palette = [] {
        static constexpr std::array<std::array<uint8_t, 3>, 20> rgb { { { 0, 0, 0 },       { 128, 0, 0 },     { 0, 128, 0 },
                                                                         { 128, 128, 0 },   { 0, 0, 128 },     { 128, 0, 128 },
                                                                         { 0, 128, 128 },   { 192, 192, 192 }, { 192, 220, 192 },
                                                                         { 166, 202, 240 }, { 255, 251, 240 }, { 160, 160, 164 },
                                                                         { 128, 128, 128 }, { 255, 0, 0 },     { 0, 255, 0 },
                                                                         { 255, 255, 0 },   { 0, 0, 255 },     { 255, 0, 255 },
                                                                         { 0, 255, 255 },   { 255, 255, 255 } } };
        DibPalette out;
        for (const auto& c : rgb)
            out.push_back(RgbQuad { c[2], c[1], c[0], 0 });
        return out;
    }();
    return palette;
}

std::unique_ptr<DeviceBitmap> device_bitmap_from_capture(const platform::CapturedImage& image)
{
    if (image.width < 1 || image.height < 1
        || image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        return nullptr;
    auto bitmap = std::make_unique<DeviceBitmap>();
    bitmap->width = image.width;
    bitmap->height = image.height;
    bitmap->bits_per_pixel = 32;
    bitmap->stride_bytes = image.width * 4;
    bitmap->bits.resize(image.pixels.size() * 4);
    std::memcpy(bitmap->bits.data(), image.pixels.data(), bitmap->bits.size());
    return bitmap;
}

std::unique_ptr<PackedDib> ddb_to_dib(const DeviceBitmap& bitmap, const DibPalette* palette)
{
    const int w = bitmap.width;
    const int h = bitmap.height;
    const int bpp = bitmap.bits_per_pixel;
    if (w < 1 || h < 1 || (bpp != 8 && bpp != 24 && bpp != 32)
        || bitmap.stride_bytes < w * (bpp / 8)
        || bitmap.bits.size() < static_cast<size_t>(bitmap.stride_bytes) * static_cast<size_t>(h)) {
        dbg_log("bad bitmap in ddb_to_dib.\n");
        return nullptr;
    }
    if (bpp == 8) {
        const DibPalette& colours = palette && !palette->empty() ? *palette : default_palette();
        size_t count = std::min<size_t>(colours.size(), 256);
        auto dib = make_dib(w, h, 8, 256);
        uint8_t* table = dib->bytes.data() + dib_header_len;
        for (size_t i = 0; i < count; ++i) {
            table[i * 4] = colours[i].blue;
            table[i * 4 + 1] = colours[i].green;
            table[i * 4 + 2] = colours[i].red;
        }
        uint8_t* rows = dib->bytes.data() + dib->bits_offset();
        for (int y = 0; y < h; ++y)
            std::memcpy(rows + dib->row_bytes() * static_cast<size_t>(h - 1 - y),
                        bitmap.bits.data() + static_cast<size_t>(bitmap.stride_bytes) * static_cast<size_t>(y), static_cast<size_t>(w));
        return dib;
    }
    auto dib = make_dib(w, h, 24, 0);
    uint8_t* rows = dib->bytes.data() + dib->bits_offset();
    const size_t step = static_cast<size_t>(bpp / 8);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = bitmap.bits.data() + static_cast<size_t>(bitmap.stride_bytes) * static_cast<size_t>(y);
        uint8_t* dst = rows + dib->row_bytes() * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            std::memcpy(dst, src, 3);
            dst += 3;
            src += step;
        }
    }
    return dib;
}

std::unique_ptr<PackedDib> bmp_to_dib(const DeviceBitmap& bitmap, const DibPalette* palette) { return ddb_to_dib(bitmap, palette); }

int dib_write_bmp_file(const PackedDib& dib, const std::string& path)
{
    if (!dib.valid())
        return 0;
    std::array<uint8_t, bmp_file_head_len> head {};
    head[0] = 'B';
    head[1] = 'M';
    put_u32(head.data() + 2, static_cast<uint32_t>(dib.bytes.size() + bmp_file_head_len));
    // The pixel offset counts the colour table too, or readers would take it for pixels.
    put_u32(head.data() + 10, static_cast<uint32_t>(dib.bits_offset() + bmp_file_head_len));
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size()
        && std::fwrite(dib.bytes.data(), 1, dib.bytes.size(), f) == dib.bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? 1 : 0;
}

int bmp_write_dib_file(const PackedDib& dib, const std::string& path) { return dib_write_bmp_file(dib, path); }

std::unique_ptr<PackedDib> dib_read_bmp_file(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return nullptr;
    std::vector<uint8_t> file;
    std::array<uint8_t, 65536> piece {};
    size_t n = 0;
    while ((n = std::fread(piece.data(), 1, piece.size(), f)) > 0)
        file.insert(file.end(), piece.begin(), piece.begin() + static_cast<ptrdiff_t>(n));
    std::fclose(f);
    if (file.size() < bmp_file_head_len + dib_header_len || file[0] != 'B' || file[1] != 'M')
        return nullptr;
    auto dib = std::make_unique<PackedDib>();
    const size_t header_len = get_u32(file.data() + bmp_file_head_len);
    if (header_len != dib_header_len)
        return nullptr;
    // Rows start at the stated offset; a writer that left the colour table out
    // of it puts the rows right after the table anyway.
    dib->bytes.assign(file.begin() + bmp_file_head_len, file.end());
    if (!dib->valid())
        return nullptr;
    size_t offset = get_u32(file.data() + 10);
    size_t natural = bmp_file_head_len + dib->bits_offset();
    if (offset > natural && offset < file.size()) {
        std::vector<uint8_t> packed(file.begin() + bmp_file_head_len, file.begin() + static_cast<ptrdiff_t>(natural));
        packed.insert(packed.end(), file.begin() + static_cast<ptrdiff_t>(offset), file.end());
        dib->bytes = std::move(packed);
        if (!dib->valid())
            return nullptr;
    }
    return dib;
}

int bmp_compare(const DeviceBitmap* a, const DeviceBitmap* b)
{
    if (!a || !b)
        return -1;
    if (a->width != b->width || a->height != b->height || a->bits_per_pixel != b->bits_per_pixel)
        return -1;
    size_t len_a = std::min(a->bits.size(), bmp_compare_limit);
    size_t len_b = std::min(b->bits.size(), bmp_compare_limit);
    if (len_a != len_b)
        return -1;
    return std::memcmp(a->bits.data(), b->bits.data(), len_a) == 0 ? 0 : -1;
}

void part_span(int length_px, int count, int index, int& start_px, int& end_px)
{
    start_px = static_cast<int>(static_cast<int64_t>(length_px) * index / count);
    end_px = static_cast<int>(static_cast<int64_t>(length_px) * (index + 1) / count);
}

namespace {

// The checks of a part request, in the order they are reported; 0 or -1.
int check_part_request(int horizontal_count, int vertical_count, int horizontal_index, int vertical_index, std::string& error)
{
    if (horizontal_count < 1)
        error = "hori_num error in CBitmapFile::SavePartWindowAsFile.";
    else if (vertical_count < 1)
        error = "vert_num error in CBitmapFile::SavePartWindowAsFile.";
    else if (vertical_index < 0 || vertical_index >= vertical_count)
        error = "vert_index error in CBitmapFile::SavePartWindowAsFile.";
    else if (horizontal_index < 0 || horizontal_index >= horizontal_count)
        error = "hori_index error in CBitmapFile::SavePartWindowAsFile.";
    else
        return 0;
    return -1;
}

std::unique_ptr<DeviceBitmap> capture_part(platform::XWindowId window, int horizontal_count, int vertical_count,
                                           int horizontal_index, int vertical_index)
{
    int width_px = 0;
    int height_px = 0;
    if (!platform::x11_window_size(window, width_px, height_px))
        return nullptr;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    part_span(width_px, horizontal_count, horizontal_index, x0, x1);
    part_span(height_px, vertical_count, vertical_index, y0, y1);
    platform::CapturedImage image;
    if (!platform::capture_window_area(window, x0, y0, x1 - x0, y1 - y0, image))
        return nullptr;
    return device_bitmap_from_capture(image);
}

} // namespace

std::unique_ptr<DeviceBitmap> bmp_part_window_to_CBitmap(platform::XWindowId window, int horizontal_count, int vertical_count,
                                                         int horizontal_index, int vertical_index)
{
    std::string error;
    if (check_part_request(horizontal_count, vertical_count, horizontal_index, vertical_index, error) != 0) {
        dbg_log("%s\n", error.c_str());
        return nullptr;
    }
    return capture_part(window, horizontal_count, vertical_count, horizontal_index, vertical_index);
}

JpegLockWait::JpegLockWait(int wait_ms)
{
    if (t_jpeg_lock_depth > 0) {
        nested_ = true;
        locked_ = true;
    } else {
        locked_ = g_jpeg_lock.try_lock_for(std::chrono::milliseconds(wait_ms));
    }
    if (locked_)
        ++t_jpeg_lock_depth;
}

JpegLockWait::~JpegLockWait()
{
    if (!locked_)
        return;
    --t_jpeg_lock_depth;
    if (!nested_)
        g_jpeg_lock.unlock();
}

int CBitmapFile::fail(std::string text)
{
    dbg_log("%s\n", text.c_str());
    error_text_ = std::move(text);
    return -1;
}

int CBitmapFile::SaveBitmapAsBmp(const DeviceBitmap& bitmap, const std::string& path)
{
    // X visuals of depth 24 have no palette; an 8-bit bitmap brings its own table.
    auto dib = ddb_to_dib(bitmap, nullptr);
    if (!dib)
        return fail("ddb_to_dib failed in SaveBitmapAsBmp.");
    if (dib_write_bmp_file(*dib, path) != 1)
        return fail("Cannot open " + path);
    return 0;
}

int CBitmapFile::SaveBitmapAsJpeg(const DeviceBitmap& bitmap, const std::string& path)
{
    auto dib = ddb_to_dib(bitmap, nullptr);
    if (!dib)
        return fail("ddb_to_dib failed in SaveBitmapAsJpeg.");
    return SaveDibAsJpeg(*dib, path, 100);
}

int CBitmapFile::DibToRgb(const PackedDib& dib, std::vector<uint8_t>& rgb_rows)
{
    rgb_rows.clear();
    if (dib.bytes.size() < dib_header_len)
        return fail("Invalid input data");
    int bits = dib.bit_count();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return fail("Invalid bitmap bit count");
    if (!dib.valid())
        return fail("Invalid input data");
    const int w = dib.width();
    const int h = dib.height() < 0 ? -dib.height() : dib.height();
    rgb_rows.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    uint8_t* out = rgb_rows.data();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = dib_pixel(dib, x, y);
            *out++ = static_cast<uint8_t>(p >> 16);
            *out++ = static_cast<uint8_t>(p >> 8);
            *out++ = static_cast<uint8_t>(p);
        }
    return 0;
}

namespace {

struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jpeg_error_exit(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::longjmp(error->jump, 1);
}

void jpeg_quiet(j_common_ptr, int) {}

// Only plain objects live in this frame, so the jump back on a library error is safe.
bool write_jpeg(std::FILE* file, const uint8_t* rgb, int width_px, int height_px, int quality)
{
    jpeg_compress_struct info {};
    JpegError error {};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = jpeg_error_exit;
    error.base.emit_message = jpeg_quiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width_px);
    info.image_height = static_cast<JDIMENSION>(height_px);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 0, 100), TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(info.next_scanline) * static_cast<size_t>(width_px) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

int CBitmapFile::SaveDibAsJpeg(const PackedDib& dib, const std::string& path, int quality)
{
    std::vector<uint8_t> rgb;
    if (DibToRgb(dib, rgb) != 0)
        return -1;
    JpegLockWait lock(3000);
    if (!lock.locked())
        dbg_log("wait for g_jpeg_lock timed out in SaveDibAsJpeg.\n");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return fail("Cannot open " + path);
    const int h = dib.height() < 0 ? -dib.height() : dib.height();
    bool ok = write_jpeg(file, rgb.data(), dib.width(), h, quality);
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        return fail("jpeg compression failed in SaveDibAsJpeg.");
    return 0;
}

int CBitmapFile::SavePartWindowAsFile(platform::XWindowId window, const std::string& path, int horizontal_count,
                                      int vertical_count, int horizontal_index, int vertical_index, int quality)
{
    std::string error;
    if (check_part_request(horizontal_count, vertical_count, horizontal_index, vertical_index, error) != 0)
        return fail(error);
    auto part = capture_part(window, horizontal_count, vertical_count, horizontal_index, vertical_index);
    if (!part)
        return fail("capture failed in CBitmapFile::SavePartWindowAsFile.");
    auto dib = ddb_to_dib(*part, nullptr);
    if (!dib)
        return fail("ddb_to_dib failed in CBitmapFile::SavePartWindowAsFile.");
    return SaveDibAsJpeg(*dib, path, quality);
}

// Median cut: boxes of colours split along their widest channel until there
// are 256 (or no box can be split); each box's mean becomes a palette entry.
void reduce_to_256_colours(const std::vector<uint32_t>& pixels, std::vector<uint8_t>& indexes, std::vector<uint32_t>& palette)
{
    indexes.assign(pixels.size(), 0);
    palette.clear();
    std::unordered_map<uint32_t, uint32_t> counts;
    for (uint32_t p : pixels) {
        ++counts[p & 0xffffff];
        if (counts.size() > 256)
            break;
    }
    if (counts.size() <= 256) {
        std::unordered_map<uint32_t, uint8_t> index_of;
        for (const auto& [colour, count] : counts) {
            index_of[colour] = static_cast<uint8_t>(palette.size());
            palette.push_back(colour);
        }
        for (size_t i = 0; i < pixels.size(); ++i)
            indexes[i] = index_of[pixels[i] & 0xffffff];
        return;
    }
    // Work on 5 bits per channel: 32768 cells with their pixel counts.
    std::vector<uint32_t> histogram(32768, 0);
    auto cell_of = [](uint32_t p) { return ((p >> 9) & 0x7c00) | ((p >> 6) & 0x03e0) | ((p >> 3) & 0x001f); };
    for (uint32_t p : pixels)
        ++histogram[cell_of(p)];
    std::vector<uint16_t> cells;
    for (uint32_t c = 0; c < histogram.size(); ++c)
        if (histogram[c])
            cells.push_back(static_cast<uint16_t>(c));
    struct Box {
        size_t begin, end;
    };
    auto channel = [](uint16_t cell, int which) { return (cell >> (10 - which * 5)) & 0x1f; };
    auto widest = [&](const Box& box, int& which) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 31, hi = 0;
            for (size_t i = box.begin; i < box.end; ++i) {
                int v = channel(cells[i], ch);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            if (hi - lo > best) {
                best = hi - lo;
                which = ch;
            }
        }
        return best;
    };
    std::vector<Box> boxes { { 0, cells.size() } };
    while (boxes.size() < 256) {
        size_t pick = boxes.size();
        int pick_range = 0, pick_channel = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].end - boxes[b].begin < 2)
                continue;
            int ch = 0;
            int range = widest(boxes[b], ch);
            if (range > pick_range) {
                pick = b;
                pick_range = range;
                pick_channel = ch;
            }
        }
        if (pick == boxes.size())
            break;
        Box box = boxes[pick];
        std::sort(cells.begin() + static_cast<ptrdiff_t>(box.begin), cells.begin() + static_cast<ptrdiff_t>(box.end),
                  [&](uint16_t a, uint16_t b) { return channel(a, pick_channel) < channel(b, pick_channel); });
        // Split where half of the box's pixels lie on each side.
        uint64_t total = 0;
        for (size_t i = box.begin; i < box.end; ++i)
            total += histogram[cells[i]];
        uint64_t seen = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i < box.end - 1; ++i) {
            seen += histogram[cells[i]];
            cut = i + 1;
            if (seen * 2 >= total)
                break;
        }
        boxes[pick] = { box.begin, cut };
        boxes.push_back({ cut, box.end });
    }
    std::vector<uint8_t> cell_index(32768, 0);
    for (const Box& box : boxes) {
        uint64_t r = 0, g = 0, b = 0, n = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            uint64_t w = histogram[cells[i]];
            r += w * (channel(cells[i], 0) * 255 / 31);
            g += w * (channel(cells[i], 1) * 255 / 31);
            b += w * (channel(cells[i], 2) * 255 / 31);
            n += w;
            cell_index[cells[i]] = static_cast<uint8_t>(palette.size());
        }
        n = std::max<uint64_t>(n, 1);
        palette.push_back(static_cast<uint32_t>(((r / n) << 16) | ((g / n) << 8) | (b / n)));
    }
    for (size_t i = 0; i < pixels.size(); ++i)
        indexes[i] = cell_index[cell_of(pixels[i])];
}

int convert_bmp_to_gif(const std::string& in_path, const std::string& out_path)
{
    auto dib = dib_read_bmp_file(in_path);
    if (!dib) {
        dbg_log("failed to load %s in convert_bmp_to_gif.\n", in_path.c_str());
        return -1;
    }
    const int w = dib->width();
    const int h = dib->height() < 0 ? -dib->height() : dib->height();
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = dib_pixel(*dib, x, y);
    std::vector<uint8_t> indexes;
    std::vector<uint32_t> palette;
    reduce_to_256_colours(pixels, indexes, palette);
    // GIF colour maps hold a power of two entries.
    int map_bits = 1;
    while ((1u << map_bits) < palette.size())
        ++map_bits;
    ColorMapObject* map = GifMakeMapObject(1 << map_bits, nullptr);
    if (!map)
        return -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        map->Colors[i].Red = static_cast<GifByteType>(palette[i] >> 16);
        map->Colors[i].Green = static_cast<GifByteType>(palette[i] >> 8);
        map->Colors[i].Blue = static_cast<GifByteType>(palette[i]);
    }
    int error = 0;
    GifFileType* gif = EGifOpenFileName(out_path.c_str(), false, &error);
    if (!gif) {
        GifFreeMapObject(map);
        dbg_log("failed to open %s in convert_bmp_to_gif.\n", out_path.c_str());
        return -1;
    }
    bool ok = EGifPutScreenDesc(gif, w, h, map_bits, 0, map) == GIF_OK && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indexes.data() + static_cast<size_t>(y) * static_cast<size_t>(w), w) == GIF_OK;
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    if (!ok) {
        dbg_log("failed to write %s in convert_bmp_to_gif.\n", out_path.c_str());
        return -1;
    }
    return 0;
}
