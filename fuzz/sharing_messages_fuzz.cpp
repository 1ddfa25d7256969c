// The sharing messages as the sharer's side takes them, in any order: the
// main connection's sharing numbers with any body, and the paint library's
// notices (any two words, any menu) feeding capture passes over a screen in
// memory, for a shared area of any place and size up to a small screen. The
// repainted region keeps its pieces apart and non-empty, a repaint is in it
// once added, and a pass between full ones leaves none of what it captured.

#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "fuzz/fuzz_input.h"
#include "hooks/hoverlin.h"
#include "sharing/share_sharer.h"
#include "sharing/sharing_messages.h"

#include <cstdlib>
#include <set>
#include <vector>

using platform::ScreenRect;

namespace {

// A screen whose pixels follow a pattern the input picks, so passes see
// tiles that change and tiles that stay.
class PatternScreen : public FrameSource {
public:
    uint32_t pattern = 0;
    bool fail = false;

    bool grab(const ScreenRect& r) override
    {
        if (fail || r.width < 1 || r.height < 1)
            return false;
        width_ = r.width;
        pixels_.resize(static_cast<size_t>(r.width) * static_cast<size_t>(r.height));
        for (int y = 0; y < r.height; ++y)
            for (int x = 0; x < r.width; ++x)
                pixels_[static_cast<size_t>(y) * static_cast<size_t>(r.width) + static_cast<size_t>(x)] =
                    static_cast<uint32_t>(((r.left + x) >> 5) * 31 + ((r.top + y) >> 5) * 17) ^ pattern;
        return true;
    }
    const uint32_t* row(int y) const override { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    bool used_shared_memory() const override { return true; }

private:
    int width_ = 0;
    std::vector<uint32_t> pixels_;
};

void check_region(const DirtyRegion& region)
{
    const auto& pieces = region.pieces();
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].empty())
            std::abort();
        for (size_t j = i + 1; j < pieces.size(); ++j)
            if (pieces[i].intersects(pieces[j]))
                std::abort();
    }
}

const std::vector<int>& sharing_numbers()
{
    static const std::vector<int> numbers = [] {
        reset_receive_handlers();
        std::vector<char> built_in(1000);
        for (int n = 0; n < 1000; ++n)
            built_in[static_cast<size_t>(n)] = has_receive_handler(ReceiveConnection::main, n);
        install_sharing_handlers();
        // The approval of a window share is one of the main connection's own cases.
        std::vector<int> out { MSG_202 };
        for (int n = 0; n < 1000; ++n)
            if (has_receive_handler(ReceiveConnection::main, n) && !built_in[static_cast<size_t>(n)])
                out.push_back(n);
        return out;
    }();
    return numbers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietMessageBoxes boxes;
    set_message_box_presenter(&boxes);
    const std::vector<int>& numbers = sharing_numbers();
    ShareSharer& sharer = share_sharer();
    for (ShareGrid grid : { ShareGrid::app, ShareGrid::desk }) {
        reset_tile_versions(grid);
        sharer.capturer(grid).restart();
        sharer.capturer(grid).set_tile_writer([](ShareGrid, int, int, const DeviceBitmap& tile) {
            // What the pass hands on is a whole tile of its grid's size.
            if (tile.width < 1 || tile.height < 1 || tile.bits.size() < static_cast<size_t>(tile.stride_bytes) * tile.height)
                std::abort();
            return tile.width % 7 == 0 ? -1 : 0;
        });
    }
    PatternScreen screen;
    FuzzInput in(data, size);
    for (int step = 0; step < 300 && !in.empty(); ++step) {
        switch (in.u8() % 4) {
        case 0: {
            int number = numbers[in.u8() % numbers.size()];
            int field2 = static_cast<int16_t>(in.u16());
            std::string_view body = in.bytes(in.u16() % 600);
            // The receive buffer has a zero byte behind every body.
            std::vector<char> copy(body.begin(), body.end());
            copy.push_back('\0');
            dispatch_received_message(ReceiveConnection::main, number, copy.data(), static_cast<int>(body.size()), field2);
            break;
        }
        case 1: {
            bool global = in.u8() & 1;
            const uint32_t left_right = static_cast<uint32_t>(in.u16()) << 16;
            const uintptr_t wparam = left_right | in.u16();
            const uint32_t top_bottom = static_cast<uint32_t>(in.u16()) << 16;
            const intptr_t lparam = static_cast<int32_t>(top_bottom | in.u16());
            sharer.on_hook_paint_rect(global, wparam, lparam);
            const int left = high_half(wparam), right = low_half(wparam);
            const int top = high_half(static_cast<uintptr_t>(lparam)), bottom = low_half(static_cast<uintptr_t>(lparam));
            const ScreenRect painted { left, top, right - left, bottom - top };
            const DirtyRegion& region = sharer.capturer(global ? ShareGrid::desk : ShareGrid::app).dirty_region();
            check_region(region);
            if (!painted.empty() && !region.intersects(painted))
                std::abort();
            break;
        }
        case 2: sharer.on_hook_menu(in.u8() & 1); break;
        default: {
            ShareGrid grid = in.u8() & 1 ? ShareGrid::desk : ShareGrid::app;
            ScreenRect area { static_cast<int16_t>(in.u16()) % 2000, static_cast<int16_t>(in.u16()) % 2000, in.u16() % 700,
                              in.u16() % 500 };
            uint8_t how = in.u8();
            screen.pattern = how & 0x30 ? 0 : how;
            screen.fail = (how & 0xc0) == 0xc0;
            TileCapturer& capturer = sharer.capturer(grid);
            const int n = grid_size(grid);
            const TileGeometry g = tile_geometry(area.width, area.height, n);
            std::vector<ScreenRect> repainted;
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    ScreenRect tile { area.left + c * g.tile_width, area.top + r * g.tile_height, g.tile_width, g.tile_height };
                    if (capturer.dirty_region().intersects(tile))
                        repainted.push_back(tile);
                }
            TilePass pass = capturer.run_pass(area, screen, how & 1);
            std::set<std::pair<int, int>> seen;
            for (const auto& rc : pass.written)
                if (rc.first < 0 || rc.first >= n || rc.second < 0 || rc.second >= n || !seen.insert(rc).second)
                    std::abort();
            check_region(capturer.dirty_region());
            if (pass.ran && !pass.full && !screen.fail)
                for (const ScreenRect& tile : repainted)
                    if (capturer.dirty_region().intersects(tile))
                        std::abort();
            if (capturer.dirty() || capturer.refresh())
                std::abort();
            break;
        }
        }
    }
    clear_app_sharing();
    reset_receive_handlers();
    install_sharing_handlers();
    return 0;
}
