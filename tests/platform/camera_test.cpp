#include "platform/camera/capture_source.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using platform::CaptureSource;
using platform::SyntheticCaptureSource;

std::vector<uint8_t> grab(CaptureSource& source)
{
    std::vector<uint8_t> frame(static_cast<size_t>(source.width()) * source.height() * 3);
    EXPECT_EQ(source.grab(frame), 0);
    return frame;
}

// Share of 8 x 8 blocks in which any byte differs.
double changed_block_share(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width, int height)
{
    int changed = 0;
    int blocks = 0;
    for (int by = 0; by < height; by += 8)
        for (int bx = 0; bx < width; bx += 8, ++blocks) {
            bool differs = false;
            for (int y = by; y < by + 8 && !differs; ++y)
                for (int x = bx * 3; x < (bx + 8) * 3 && !differs; ++x)
                    differs = a[static_cast<size_t>(y) * width * 3 + x] != b[static_cast<size_t>(y) * width * 3 + x];
            changed += differs;
        }
    return double(changed) / blocks;
}

TEST(SyntheticCamera, MovesALittleStaysStillOnRequestAndCutsScenes)
{
    SyntheticCaptureSource source;
    std::vector<uint8_t> frame(160 * 120 * 3);
    EXPECT_EQ(source.grab(frame), -1); // not started
    EXPECT_EQ(source.start(0, 120), -1);
    ASSERT_EQ(source.start(160, 120), 0);
    EXPECT_EQ(source.grab(std::span<uint8_t>(frame.data(), 100)), -1);

    std::vector<uint8_t> first = grab(source);
    std::vector<uint8_t> second = grab(source);
    double moved = changed_block_share(first, second, 160, 120);
    EXPECT_GT(moved, 0.0);
    EXPECT_LT(moved, 0.2);

    source.set_motion(false);
    EXPECT_EQ(grab(source), grab(source));

    std::vector<uint8_t> before = grab(source);
    source.cut_scene();
    std::vector<uint8_t> after = grab(source);
    EXPECT_GT(changed_block_share(before, after, 160, 120), 0.9);
    EXPECT_EQ(source.frame_number(), 6);
}

TEST(SyntheticCamera, RowsAreStoredBottomUp)
{
    SyntheticCaptureSource source;
    source.set_motion(false);
    ASSERT_EQ(source.start(320, 240), 0);
    std::vector<uint8_t> frame = grab(source);
    // The backdrop of the first scene is fully blue at the top left of the picture.
    const uint8_t* top_left = &frame[static_cast<size_t>(239) * 320 * 3];
    EXPECT_EQ(top_left[0], 0);
    EXPECT_EQ(top_left[1], 0);
    EXPECT_EQ(top_left[2], 255);
    EXPECT_NE(frame[2], 255); // the stored first row is the picture's bottom
}

TEST(CameraFit, ScalesToCoverCropsTheMiddleAndTurnsRowsBottomUp)
{
    // A 4 x 2 top-down source: pixel (x, y) = (10 * x, 100 + y, 7), padded rows.
    const int stride = 4 * 3 + 4;
    std::vector<uint8_t> src(static_cast<size_t>(stride) * 2, 0xEE);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = &src[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<uint8_t>(10 * x);
            p[1] = static_cast<uint8_t>(100 + y);
            p[2] = 7;
        }
    // Same height: the middle two columns; bottom row first.
    std::vector<uint8_t> out(2 * 2 * 3);
    platform::fit_rgb24_bottom_up(src.data(), 4, 2, stride, 2, 2, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{ 10, 101, 7, 20, 101, 7, 10, 100, 7, 20, 100, 7 }));

    // Twice the size: every source pixel becomes a 2 x 2 cell.
    std::vector<uint8_t> big(8 * 4 * 3);
    platform::fit_rgb24_bottom_up(src.data(), 4, 2, stride, 8, 4, big);
    auto at = [&](int x, int stored_row) { return big[(static_cast<size_t>(stored_row) * 8 + x) * 3]; };
    EXPECT_EQ(at(0, 3), 0);
    EXPECT_EQ(at(1, 3), 0);
    EXPECT_EQ(at(2, 3), 10);
    EXPECT_EQ(at(7, 0), 30);
    EXPECT_EQ(big[1], 101); // stored row 0 is the source's last row
    EXPECT_EQ(big[(3 * 8) * 3 + 1], 100);

    // Nonsense sizes leave the output alone.
    std::vector<uint8_t> keep(12, 1);
    platform::fit_rgb24_bottom_up(src.data(), 4, 2, 5, 2, 2, keep);
    platform::fit_rgb24_bottom_up(nullptr, 4, 2, stride, 2, 2, keep);
    platform::fit_rgb24_bottom_up(src.data(), 4, 2, stride, 4, 4, keep);
    EXPECT_EQ(keep, std::vector<uint8_t>(12, 1));
}

TEST(V4l2Camera, MissingOrWrongDevicesFailToStart)
{
    struct Case {
        const char* path;
        const char* error_part;
    };
    const Case cases[] = {
        { "/nonexistent/video9", "cannot open /nonexistent/video9" },
        { "/dev/null", "cannot open /dev/null" }, // not a video device
    };
    for (const Case& c : cases) {
        std::unique_ptr<CaptureSource> source = platform::make_v4l2_source(c.path);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->start(160, 120), -1) << c.path;
        EXPECT_NE(source->last_error().find(c.error_part), std::string::npos) << source->last_error();
        std::vector<uint8_t> frame(160 * 120 * 3);
        EXPECT_EQ(source->grab(frame), -1);
        source->stop();
    }
    bool any_camera = false;
    for (int n = 0; n < 64; ++n)
        any_camera = any_camera || std::filesystem::exists("/dev/video" + std::to_string(n));
    if (!any_camera) {
        std::unique_ptr<CaptureSource> first = platform::make_v4l2_source("");
        EXPECT_EQ(first->start(320, 240), -1);
        EXPECT_EQ(first->last_error(), "no camera found");
    }
}

TEST(CameraChoice, NamesTheSource)
{
    struct Case {
        const char* choice;
        const char* name; // nullptr: no source
    };
    const Case cases[] = {
        { "synthetic", "synthetic" }, { "v4l2:/dev/video3", "v4l2:/dev/video3" }, { "v4l2", "v4l2:" },
        { "none", nullptr },          { "", nullptr },                            { "v4l2:", nullptr },
        { "webcam", nullptr },
    };
    for (const Case& c : cases) {
        std::unique_ptr<CaptureSource> source = platform::make_capture_source(c.choice);
        if (!c.name) {
            EXPECT_FALSE(source) << c.choice;
            continue;
        }
        ASSERT_TRUE(source) << c.choice;
        EXPECT_EQ(source->name(), c.name);
    }
}

} // namespace
