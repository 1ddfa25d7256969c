#pragma once
// One capture pass of a grid: the shared area is grabbed once, cut into
// tiles, each tile compared with its previous capture (whole, every row) or
// taken because a repaint touched it, and a changed, new or not yet sent
// tile written to its files under its lock.

#include "sharing/dirty_region.h"
#include "sharing/share_state.h"

#include "platform/x11/screen_capture.h"
#include "platform/x11/x11_windows.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// Where a pass takes its pixels from: one rectangle of the screen per pass.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Rows stay valid until the next grab. False when nothing could be grabbed.
    virtual bool grab(const platform::ScreenRect& rect) = 0;
    // Row y (0 = the grabbed rectangle's top), its width in 0x00RRGGBB words.
    virtual const uint32_t* row(int y) const = 0;
    virtual bool used_shared_memory() const = 0;
};

class X11FrameSource : public FrameSource {
public:
    bool grab(const platform::ScreenRect& rect) override { return grab_.grab(rect.left, rect.top, rect.width, rect.height); }
    const uint32_t* row(int y) const override { return grab_.row(y); }
    bool used_shared_memory() const override { return grab_.used_shared_memory(); }

private:
    platform::ScreenGrab grab_;
};

// Tile geometry of an area of width x height cut into n x n: the right and
// bottom rest is never shared.
struct TileGeometry {
    int tile_width = 0;
    int tile_height = 0;
};
TileGeometry tile_geometry(int width_px, int height_px, int grid_n);

struct TilePass {
    bool ran = false;          // false: not a full pass and nothing was repainted
    bool full = false;
    std::vector<std::pair<int, int>> written;  // (row, column) in order
};

class TileCapturer {
public:
    explicit TileCapturer(ShareGrid grid) : grid_(grid) {}

    // area: the shared window's rectangle or the screen, root coordinates.
    TilePass run_pass(const platform::ScreenRect& area, FrameSource& source, bool hooks_installed);

    // A repaint reported by the library (screen coordinates).
    void add_dirty(const platform::ScreenRect& rect);
    // A menu opened: the next pass compares every tile.
    void set_refresh() { refresh_ = true; }
    void set_dirty() { dirty_ = true; }
    bool dirty() const { return dirty_; }
    bool refresh() const { return refresh_; }
    const DirtyRegion& dirty_region() const { return region_; }
    int pass_counter() const { return pass_counter_; }
    // A share starts: its first pass is a full one.
    void restart();

    // Where a tile goes once the pass decided to write it; write_tile_files
    // unless replaced (the benchmark times the pass without the coders).
    using TileWriter = std::function<int(ShareGrid grid, int row, int column, const DeviceBitmap& tile)>;
    void set_tile_writer(TileWriter writer) { writer_ = std::move(writer); }

private:
    int write_tile(int row, int column, const DeviceBitmap& tile);

    ShareGrid grid_;
    int pass_counter_ = 0;
    int last_width_ = 0;
    int last_height_ = 0;
    bool dirty_ = false;
    bool refresh_ = false;
    DirtyRegion region_;
    TileWriter writer_;
    bool fallback_logged_ = false;
    bool bad_size_logged_ = false;
};

// Writes one tile's files under its lock: the picture (BMP of a window tile,
// JPEG at quality of a desktop tile) and its gzip copy, each under a
// temporary name first, so no file is ever half-written under its own name.
int write_tile_files(ShareGrid grid, int row, int column, const DeviceBitmap& tile, int jpeg_quality);
