#include "media/video_snapshot.h"

#include "core/bitmap_file.h"
#include "core/dbg_log.h"

#include <algorithm>
#include <cctype>

bool video_snapshot_name_ok(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".bmp";
}

int video_snapshot_write_bmp(std::span<const uint8_t> rgb, int width, int height, const std::string& path)
{
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * 3)
        return -1;
    // The device bitmap is top-down B, G, R; the camera's rows are bottom-up R, G, B.
    DeviceBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bits_per_pixel = 24;
    bitmap.stride_bytes = (width * 3 + 3) / 4 * 4;
    bitmap.bits.assign(static_cast<size_t>(bitmap.stride_bytes) * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = rgb.data() + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width) * 3;
        uint8_t* out = bitmap.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(bitmap.stride_bytes);
        for (int x = 0; x < width; ++x) {
            out[x * 3] = in[x * 3 + 2];
            out[x * 3 + 1] = in[x * 3 + 1];
            out[x * 3 + 2] = in[x * 3];
        }
    }
    std::unique_ptr<PackedDib> dib = bmp_to_dib(bitmap, nullptr);
    if (!dib || dib_write_bmp_file(*dib, path) != 1) {
        dbg_log("video_snapshot_write_bmp: cannot write %s\n", path.c_str());
        return -1;
    }
    return 0;
}
