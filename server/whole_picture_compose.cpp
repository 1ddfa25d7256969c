#include "server/whole_picture_compose.h"

#include "core/bitmap_file.h"

#include <turbojpeg.h>
#include <zlib.h>

#include <cstring>
#include <memory>

namespace {

// Pixels as top-down rows of R, G, B.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

void put_u16(std::string& out, uint32_t v)
{
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
}

void put_u32(std::string& out, uint32_t v)
{
    put_u16(out, v & 0xffff);
    put_u16(out, v >> 16);
}

bool decode_bmp(const std::string& file, RgbPicture& out, std::string& why)
{
    if (file.size() < bmp_file_head_len + dib_header_len || file[0] != 'B' || file[1] != 'M') {
        why = "a tile is not a .bmp file";
        return false;
    }
    PackedDib dib;
    dib.bytes.assign(file.begin() + bmp_file_head_len, file.end());
    if (!dib.valid() || (dib.bit_count() != 24 && dib.bit_count() != 32)) {
        why = "a tile is not a 24- or 32-bit .bmp file";
        return false;
    }
    out.width = dib.width();
    out.height = dib.height() < 0 ? -dib.height() : dib.height();
    if (static_cast<size_t>(out.width) * static_cast<size_t>(out.height) > whole_picture_pixel_limit) {
        why = "a tile is too large";
        return false;
    }
    const size_t step = static_cast<size_t>(dib.bit_count() / 8);
    const bool bottom_up = dib.height() > 0;
    out.rgb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3);
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* row = dib.bits() + dib.row_bytes() * static_cast<size_t>(bottom_up ? out.height - 1 - y : y);
        uint8_t* to = out.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(out.width) * 3;
        for (int x = 0; x < out.width; ++x, row += step, to += 3) {
            to[0] = row[2];
            to[1] = row[1];
            to[2] = row[0];
        }
    }
    return true;
}

// A ".bmp" file as this program writes one: 24 bits, rows bottom-up.
std::string encode_bmp(const RgbPicture& picture)
{
    const size_t row_bytes = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t { 3 };
    const size_t image_bytes = row_bytes * static_cast<size_t>(picture.height);
    std::string out;
    out.reserve(bmp_file_head_len + dib_header_len + image_bytes);
    out += "BM";
    put_u32(out, static_cast<uint32_t>(bmp_file_head_len + dib_header_len + image_bytes));
    put_u32(out, 0);
    put_u32(out, static_cast<uint32_t>(bmp_file_head_len + dib_header_len));
    put_u32(out, static_cast<uint32_t>(dib_header_len));
    put_u32(out, static_cast<uint32_t>(picture.width));
    put_u32(out, static_cast<uint32_t>(picture.height));
    put_u16(out, 1);
    put_u16(out, 24);
    put_u32(out, 0);
    put_u32(out, static_cast<uint32_t>(image_bytes));
    put_u32(out, 0);
    put_u32(out, 0);
    put_u32(out, 0);
    put_u32(out, 0);
    std::string row(row_bytes, '\0');
    for (int y = picture.height - 1; y >= 0; --y) {
        const uint8_t* from = picture.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3;
        for (int x = 0; x < picture.width; ++x, from += 3) {
            row[static_cast<size_t>(x) * 3] = static_cast<char>(from[2]);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(from[1]);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(from[0]);
        }
        out += row;
    }
    return out;
}

struct TjHandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleCloser>;

bool decode_jpeg(const std::string& file, RgbPicture& out, std::string& why)
{
    TjHandle handle(tjInitDecompress());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (!handle
        || tjDecompressHeader3(handle.get(), reinterpret_cast<const unsigned char*>(file.data()), static_cast<unsigned long>(file.size()),
                               &width, &height, &subsampling, &colourspace)
            != 0
        || width < 1 || height < 1) {
        why = "a tile is not a .jpg file";
        return false;
    }
    if (static_cast<size_t>(width) * static_cast<size_t>(height) > whole_picture_pixel_limit) {
        why = "a tile is too large";
        return false;
    }
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    if (tjDecompress2(handle.get(), reinterpret_cast<const unsigned char*>(file.data()), static_cast<unsigned long>(file.size()),
                      out.rgb.data(), width, 0, height, TJPF_RGB, 0)
        != 0) {
        why = "a tile's .jpg data do not decode";
        return false;
    }
    return true;
}

bool encode_jpeg(const RgbPicture& picture, std::string& out)
{
    TjHandle handle(tjInitCompress());
    unsigned char* jpeg = nullptr;
    unsigned long jpeg_len = 0;
    if (!handle
        || tjCompress2(handle.get(), picture.rgb.data(), picture.width, 0, picture.height, TJPF_RGB, &jpeg, &jpeg_len, TJSAMP_420,
                       whole_picture_jpeg_quality, 0)
            != 0) {
        tjFree(jpeg);
        return false;
    }
    out.assign(reinterpret_cast<const char*>(jpeg), jpeg_len);
    tjFree(jpeg);
    return true;
}

} // namespace

std::string gzip_bytes(std::string_view plain)
{
    z_stream z {};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&z, static_cast<uLong>(plain.size())) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return result == Z_STREAM_END ? out : std::string();
}

bool gunzip_bytes(std::string_view packed, std::string& plain, size_t limit)
{
    plain.clear();
    z_stream z {};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    char piece[65536];
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(piece);
        z.avail_out = sizeof piece;
        result = inflate(&z, Z_NO_FLUSH);
        size_t got = sizeof piece - z.avail_out;
        if (plain.size() + got > limit) {
            result = Z_BUF_ERROR;
            break;
        }
        plain.append(piece, got);
        if (result == Z_BUF_ERROR && z.avail_in == 0)
            break;  // the stream is cut off
    }
    bool whole = result == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    if (!whole)
        plain.clear();
    return whole;
}

std::string compose_whole_picture(const std::vector<std::string_view>& tiles, int grid_n, bool app, std::string& why)
{
    if (grid_n < 1 || tiles.size() != static_cast<size_t>(grid_n * grid_n)) {
        why = "not every tile is there";
        return {};
    }
    RgbPicture whole;
    int tile_w = 0, tile_h = 0;
    std::string plain;
    RgbPicture tile;
    for (size_t i = 0; i < tiles.size(); ++i) {
        if (!gunzip_bytes(tiles[i], plain, whole_picture_tile_limit)) {
            why = "a tile does not unpack";
            return {};
        }
        if (!(app ? decode_bmp(plain, tile, why) : decode_jpeg(plain, tile, why)))
            return {};
        if (i == 0) {
            tile_w = tile.width;
            tile_h = tile.height;
            whole.width = tile_w * grid_n;
            whole.height = tile_h * grid_n;
            if (static_cast<size_t>(whole.width) * static_cast<size_t>(whole.height) > whole_picture_pixel_limit) {
                why = "the whole picture would be too large";
                return {};
            }
            whole.rgb.assign(static_cast<size_t>(whole.width) * static_cast<size_t>(whole.height) * 3, 0);
        } else if (tile.width != tile_w || tile.height != tile_h) {
            why = "the tiles are not of one size";
            return {};
        }
        const size_t row = i / static_cast<size_t>(grid_n), column = i % static_cast<size_t>(grid_n);
        const size_t line = static_cast<size_t>(tile_w) * 3;
        for (int y = 0; y < tile_h; ++y) {
            size_t to_y = row * static_cast<size_t>(tile_h) + static_cast<size_t>(y);
            std::memcpy(whole.rgb.data() + (to_y * static_cast<size_t>(whole.width) + column * static_cast<size_t>(tile_w)) * 3,
                        tile.rgb.data() + static_cast<size_t>(y) * line, line);
        }
    }
    std::string file;
    if (app) {
        file = encode_bmp(whole);
    } else if (!encode_jpeg(whole, file)) {
        why = "the whole picture does not encode";
        return {};
    }
    std::string packed = gzip_bytes(file);
    if (packed.empty())
        why = "the whole picture does not compress";
    return packed;
}
