#include "sharing/tile_capture.h"

#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/window_messages.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

using platform::ScreenRect;

TileGeometry tile_geometry(int width_px, int height_px, int grid_n)
{
    if (grid_n < 1 || width_px < 1 || height_px < 1)
        return {};
    return { (width_px - width_px % grid_n) / grid_n, (height_px - height_px % grid_n) / grid_n };
}

namespace {

const char* pass_name(ShareGrid grid) { return grid == ShareGrid::app ? "create_shared_app_files" : "create_share_desk_files"; }

// The whole tile against its previous capture, row by row.
bool same_as_previous(const DeviceBitmap& previous, FrameSource& source, int x0, int y0, int w, int h)
{
    if (previous.width != w || previous.height != h || previous.bits_per_pixel != 32)
        return false;
    const size_t row_bytes = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h; ++y) {
        const uint8_t* old_row = previous.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(previous.stride_bytes);
        if (std::memcmp(old_row, source.row(y0 + y) + x0, row_bytes) != 0)
            return false;
    }
    return true;
}

// Takes the tile from the frame into kept; a kept bitmap of the same size is
// reused (what it held is replaced, as a new capture replaces the old one).
void copy_tile(std::unique_ptr<DeviceBitmap>& kept, FrameSource& source, int x0, int y0, int w, int h)
{
    if (!kept || kept->width != w || kept->height != h || kept->bits_per_pixel != 32) {
        kept = std::make_unique<DeviceBitmap>();
        kept->width = w;
        kept->height = h;
        kept->bits_per_pixel = 32;
        kept->stride_bytes = w * 4;
        kept->bits.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    }
    for (int y = 0; y < h; ++y)
        std::memcpy(kept->bits.data() + static_cast<size_t>(y) * static_cast<size_t>(kept->stride_bytes), source.row(y0 + y) + x0,
                    static_cast<size_t>(w) * 4);
}

bool replace_file(const std::string& temp, const std::string& path)
{
    if (std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

} // namespace

int write_tile_files(ShareGrid grid, int row, int column, const DeviceBitmap& tile, int jpeg_quality)
{
    const bool app = grid == ShareGrid::app;
    platform::TimedLockWait wait(tile_lock_of(grid, row, column), tile_lock_wait_ms);
    // A time-out is taken as the lock: the renames below keep readers safe anyway.
    if (!wait) {
        if (app)
            dbg_log("wait for g_mutex_apps[%d][%d] failed in create_shared_app_files.....\n", row, column);
        else
            dbg_log("wait failed in create_share_desk_files.\n");
    }
    const std::string picture = tile_picture_path(grid, row, column);
    const std::string z_file = tile_z_path(grid, row, column);
    const std::string picture_temp = picture + ".new";
    const std::string z_temp = z_file + ".new";
    CBitmapFile writer;
    if (app) {
        if (writer.SaveBitmapAsBmp(tile, picture_temp) != 0 || !replace_file(picture_temp, picture))
            return -1;
    } else {
        auto dib = ddb_to_dib(tile, nullptr);
        if (!dib)
            return -1;
        // Held over the save and its rename; the writer inside takes it again on this thread.
        JpegLockWait jpeg(tile_lock_wait_ms);
        if (!jpeg.locked())
            dbg_log("wait failed in create_share_desk_files.\n");
        if (writer.SaveDibAsJpeg(*dib, picture_temp, jpeg_quality) != 0 || !replace_file(picture_temp, picture))
            return -1;
    }
    if (z_compress_file(picture, z_temp) != 0 || !replace_file(z_temp, z_file))
        return -1;
    return 0;
}

void TileCapturer::add_dirty(const ScreenRect& rect)
{
    dirty_ = true;
    region_.add(rect);
}

void TileCapturer::restart()
{
    pass_counter_ = 0;
    last_width_ = 0;
    last_height_ = 0;
    refresh_ = false;
    region_.clear();
}

TilePass TileCapturer::run_pass(const ScreenRect& area, FrameSource& source, bool hooks_installed)
{
    TilePass pass;
    ++pass_counter_;
    // A new size cuts new tiles: what was kept no longer matches any of them.
    const bool resized = area.width != last_width_ || area.height != last_height_;
    last_width_ = area.width;
    last_height_ = area.height;
    pass.full = pass_counter_ % 5 == 1 || refresh_ || resized;
    if (!pass.full && !dirty_ && hooks_installed)
        return pass;
    pass.ran = true;
    const int n = grid_size(grid_);
    const TileGeometry g = tile_geometry(area.width, area.height, n);
    auto finish = [&] {
        dirty_ = false;
        refresh_ = false;
    };
    if (g.tile_width < 1 || g.tile_height < 1) {
        if (!bad_size_logged_)
            dbg_log("tile size %dx%d of %dx%d out of range in %s.\n", g.tile_width, g.tile_height, area.width, area.height,
                    pass_name(grid_));
        bad_size_logged_ = true;
        finish();
        return pass;
    }
    auto tile_rect = [&](int r, int c) {
        return ScreenRect { area.left + c * g.tile_width, area.top + r * g.tile_height, g.tile_width, g.tile_height };
    };
    // Which tiles this pass reads: all on a full pass, else the new, the
    // unsent and the repainted ones. One grab covers them all.
    std::vector<char> wanted(static_cast<size_t>(n * n), 0);
    int min_r = n, max_r = -1, min_c = n, max_c = -1;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            share_tile& t = tile_of(grid_, r, c);
            bool want = pass.full || !t.previous || t.version == 0 || region_.intersects(tile_rect(r, c));
            if (!want)
                continue;
            wanted[static_cast<size_t>(r * n + c)] = 1;
            min_r = std::min(min_r, r);
            max_r = std::max(max_r, r);
            min_c = std::min(min_c, c);
            max_c = std::max(max_c, c);
        }
    bool written_any = false;
    if (max_r >= 0) {
        ScreenRect grab_rect { area.left + min_c * g.tile_width, area.top + min_r * g.tile_height,
                               (max_c - min_c + 1) * g.tile_width, (max_r - min_r + 1) * g.tile_height };
        bool grabbed = source.grab(grab_rect);
        if (grabbed && !source.used_shared_memory() && !fallback_logged_) {
            dbg_log("no shared memory for the screen capture in %s: XGetImage instead.\n", pass_name(grid_));
            fallback_logged_ = true;
        }
        for (int r = 0; grabbed && r <= max_r; ++r)
            for (int c = 0; c < n; ++c) {
                if (!wanted[static_cast<size_t>(r * n + c)])
                    continue;
                share_tile& t = tile_of(grid_, r, c);
                const int x0 = (c - min_c) * g.tile_width;
                const int y0 = (r - min_r) * g.tile_height;
                bool changed = false;
                bool is_new = false;
                if (!t.previous) {
                    copy_tile(t.previous, source, x0, y0, g.tile_width, g.tile_height);
                    is_new = true;
                    // What was repainted there is in this capture.
                    if (!pass.full)
                        region_.subtract(tile_rect(r, c));
                } else if (pass.full) {
                    if (!same_as_previous(*t.previous, source, x0, y0, g.tile_width, g.tile_height)) {
                        copy_tile(t.previous, source, x0, y0, g.tile_width, g.tile_height);
                        changed = true;
                    }
                } else if (region_.intersects(tile_rect(r, c))) {
                    copy_tile(t.previous, source, x0, y0, g.tile_width, g.tile_height);
                    changed = true;
                    region_.subtract(tile_rect(r, c));
                } else if (t.version == 0 && !same_as_previous(*t.previous, source, x0, y0, g.tile_width, g.tile_height)) {
                    // Not yet sent in this share: what goes out is what the screen shows now.
                    copy_tile(t.previous, source, x0, y0, g.tile_width, g.tile_height);
                }
                if (!changed && !is_new && t.version != 0)
                    continue;
                write_tile(r, c, *t.previous);
                written_any = true;
                pass.written.emplace_back(r, c);
            }
    }
    if (written_any)
        post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
    bool owed = false;
    for (int r = 0; r < n && !owed; ++r)
        for (int c = 0; c < n && !owed; ++c)
            owed = tile_of(grid_, r, c).pending > 0;
    if (owed && !tile_sender_running(grid_))
        start_tile_sender(grid_);
    finish();
    return pass;
}

int TileCapturer::write_tile(int row, int column, const DeviceBitmap& tile)
{
    int rc = writer_ ? writer_(grid_, row, column, tile) : write_tile_files(grid_, row, column, tile, g_desktop_share_quality);
    share_tile& t = tile_of(grid_, row, column);
    if (rc == 0) {
        ++t.version;
        ++t.pending;
        t.fresh = 1;
    }
    if (!tile_sender_running(grid_))
        start_tile_sender(grid_);
    return rc;
}
