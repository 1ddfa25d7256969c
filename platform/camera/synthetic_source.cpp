#include "platform/camera/capture_source.h"

#include <algorithm>

namespace platform {

int SyntheticCaptureSource::start(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        last_error_ = "unsupported size";
        return -1;
    }
    width_ = width;
    height_ = height;
    started_ = true;
    last_error_.clear();
    return 0;
}

void SyntheticCaptureSource::stop() { started_ = false; }

int SyntheticCaptureSource::grab(std::span<uint8_t> out)
{
    size_t need = static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3;
    if (!started_ || out.size() < need)
        return -1;
    int t = motion_ ? frame_number_ : 0;
    ++frame_number_;
    // Each scene runs its backdrop another way and in other colours, so a cut
    // changes nearly every block.
    int scene = scene_;
    bool across = scene % 2 == 0;
    int hue = (scene * 85) % 256;
    int box_w = std::max(8, width_ / 8);
    int box_h = std::max(8, height_ / 6);
    int step = std::max(1, width_ / 40);
    int span = std::max(1, width_ - box_w);
    int box_x = (t * step) % (2 * span);
    if (box_x >= span)
        box_x = 2 * span - box_x; // back and forth
    int box_y = height_ / 2 - box_h / 2;
    uint8_t box_r = static_cast<uint8_t>(200 + (t * 5) % 56);
    uint8_t box_g = static_cast<uint8_t>((t * 11) % 256);
    uint8_t box_b = 40;
    for (int y = 0; y < height_; ++y) {
        uint8_t* row = out.data() + static_cast<size_t>(height_ - 1 - y) * width_ * 3; // bottom-up
        for (int x = 0; x < width_; ++x) {
            uint8_t* p = row + static_cast<size_t>(x) * 3;
            int a = across ? x * 255 / width_ : y * 255 / height_;
            int b = across ? y * 255 / height_ : x * 255 / width_;
            if (x >= box_x && x < box_x + box_w && y >= box_y && y < box_y + box_h) {
                p[0] = box_r;
                p[1] = box_g;
                p[2] = box_b;
                continue;
            }
            p[0] = static_cast<uint8_t>((a + hue) % 256);
            p[1] = static_cast<uint8_t>((b * 3 / 4 + 2 * hue) % 256);
            p[2] = static_cast<uint8_t>(255 - (a + b) / 2);
        }
    }
    return 0;
}

void fit_rgb24_bottom_up(const uint8_t* src, int src_width, int src_height, int src_stride, int width, int height,
                         std::span<uint8_t> out)
{
    if (!src || src_width <= 0 || src_height <= 0 || width <= 0 || height <= 0 ||
        out.size() < static_cast<size_t>(width) * height * 3 || src_stride < src_width * 3)
        return;
    // Cover: the smaller of the two scale factors' inverses, then centre.
    double scale = std::max(double(width) / src_width, double(height) / src_height);
    double crop_x = (src_width * scale - width) / 2;
    double crop_y = (src_height * scale - height) / 2;
    std::vector<int> source_x(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        source_x[static_cast<size_t>(x)] = std::clamp(static_cast<int>((x + crop_x) / scale), 0, src_width - 1);
    for (int y = 0; y < height; ++y) {
        int sy = std::clamp(static_cast<int>((y + crop_y) / scale), 0, src_height - 1);
        const uint8_t* in = src + static_cast<size_t>(sy) * src_stride;
        uint8_t* row = out.data() + static_cast<size_t>(height - 1 - y) * width * 3;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = in + static_cast<size_t>(source_x[static_cast<size_t>(x)]) * 3;
            row[x * 3] = p[0];
            row[x * 3 + 1] = p[1];
            row[x * 3 + 2] = p[2];
        }
    }
}

std::unique_ptr<CaptureSource> make_capture_source(const std::string& choice)
{
    if (choice == "synthetic")
        return std::make_unique<SyntheticCaptureSource>();
    if (choice == "v4l2")
        return make_v4l2_source("");
    if (choice.rfind("v4l2:", 0) == 0 && choice.size() > 5)
        return make_v4l2_source(choice.substr(5));
    return nullptr;
}

} // namespace platform
