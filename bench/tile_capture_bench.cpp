// Change detection and tile capture of a 1920 x 1080 screen, desktop grid
// (6 x 6 tiles of 320 x 180): a full pass with 1% and with 100% of the
// screen changed, and a pass driven by repaint notices with 1% changed,
// each beside a plain memcmp over the same two frames in the same run (a
// whole-frame memcmp of frames that are equal, so it reads every byte of
// both, as a comparison that found nothing must). The tile files are not
// written here: that is the JPEG coder's time, not the pass's. Then the
// X11 grab of the whole screen from an Xvfb of its own, when one starts.

#include "sharing/share_state.h"
#include "sharing/tile_capture.h"
#include "tests/support/xvfb.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int width = 1920;
constexpr int height = 1080;

double ms_since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

template <typename F>
double best_of(int runs, F&& run)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, run());
    return best;
}

// A frame in memory, read in place as a grab of the real screen is.
class MemoryFrame : public FrameSource {
public:
    explicit MemoryFrame(const std::vector<uint32_t>& pixels) : pixels_(pixels) {}
    bool grab(const platform::ScreenRect& r) override
    {
        left_ = r.left;
        top_ = r.top;
        return true;
    }
    const uint32_t* row(int y) const override { return pixels_.data() + static_cast<size_t>(top_ + y) * width + left_; }
    bool used_shared_memory() const override { return true; }

private:
    const std::vector<uint32_t>& pixels_;
    int left_ = 0;
    int top_ = 0;
};

volatile int g_sink = 0;

// The frame with a square of side_px changed in the middle (a new colour each time).
void change(std::vector<uint32_t>& frame, int side_w, int side_h, uint32_t colour)
{
    int x0 = (width - side_w) / 2, y0 = (height - side_h) / 2;
    for (int y = y0; y < y0 + side_h; ++y)
        std::fill_n(frame.data() + static_cast<size_t>(y) * width + x0, side_w, colour);
}

} // namespace

int main()
{
    std::vector<uint32_t> frame(static_cast<size_t>(width) * height, 0x204060);
    std::vector<uint32_t> copy = frame;
    const int runs = 20;

    double memcmp_ms = best_of(runs, [&] {
        auto start = Clock::now();
        g_sink = g_sink + std::memcmp(frame.data(), copy.data(), frame.size() * 4);
        return ms_since(start);
    });

    // 1% of the screen: 192 x 108.
    const int small_w = 192, small_h = 108;
    TileCapturer capturer(ShareGrid::desk);
    capturer.set_tile_writer([](ShareGrid, int, int, const DeviceBitmap&) { return 0; });
    MemoryFrame source(frame);
    const platform::ScreenRect screen { 0, 0, width, height };
    capturer.run_pass(screen, source, true);  // the first pass keeps every tile

    uint32_t colour = 1;
    auto full_pass = [&](int w, int h) {
        return best_of(runs, [&] {
            change(frame, w, h, colour++);
            capturer.set_refresh();
            auto start = Clock::now();
            capturer.run_pass(screen, source, true);
            return ms_since(start);
        });
    };
    double full_1 = full_pass(small_w, small_h);
    double full_100 = full_pass(width, height);
    double notice_1 = best_of(runs, [&] {
        // Between full passes: counter not at 1 modulo 5.
        while (capturer.pass_counter() % 5 == 0)
            capturer.run_pass(screen, source, true);
        change(frame, small_w, small_h, colour++);
        capturer.add_dirty({ (width - small_w) / 2, (height - small_h) / 2, small_w, small_h });
        auto start = Clock::now();
        capturer.run_pass(screen, source, true);
        return ms_since(start);
    });

    std::printf("tile_capture_bench: 1920x1080, 6x6 tiles, best of %d\n", runs);
    std::printf("  memcmp of the whole frame            %7.3f ms\n", memcmp_ms);
    std::printf("  full pass, 1%% changed                %7.3f ms  (%.2fx memcmp)\n", full_1, full_1 / memcmp_ms);
    std::printf("  full pass, 100%% changed              %7.3f ms  (%.2fx memcmp)\n", full_100, full_100 / memcmp_ms);
    std::printf("  notice-driven pass, 1%% changed       %7.3f ms  (%.2fx memcmp; target under 2 ms)\n", notice_1,
                notice_1 / memcmp_ms);

    XvfbServer xvfb("1920x1080x24");
    if (!xvfb.running()) {
        std::printf("  X11 grab: no Xvfb\n");
        return 0;
    }
    platform::ScreenGrab grab;
    grab.grab(0, 0, width, height);
    double grab_ms = best_of(runs, [&] {
        auto start = Clock::now();
        grab.grab(0, 0, width, height);
        return ms_since(start);
    });
    double tile_ms = best_of(runs, [&] {
        auto start = Clock::now();
        grab.grab(640, 360, 320, 180);
        return ms_since(start);
    });
    std::printf("  X11 grab of the screen (%s)  %7.3f ms; of one tile %7.3f ms\n",
                grab.used_shared_memory() ? "shared memory" : "XGetImage", grab_ms, tile_ms);
    platform::x11_close_display();
    return 0;
}
