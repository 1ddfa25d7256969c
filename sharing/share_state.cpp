#include "sharing/share_state.h"

#include "core/folders.h"
#include "core/text_util.h"

std::array<std::array<share_tile, app_grid_size>, app_grid_size> g_app_tiles;
std::array<std::array<share_tile, desk_grid_size>, desk_grid_size> g_desk_tiles;

AtomicInt g_sharing_app { 0 };
AtomicInt g_sharing_desktop { 0 };
AtomicInt g_desktop_mode { 0 };
AtomicInt g_app_sender_running { 0 };
AtomicInt g_desk_sender_running { 0 };
AtomicInt g_app_tick { 0 };
AtomicInt g_desk_tick { 0 };

namespace {

std::function<void()>& sender_of(ShareGrid grid)
{
    static std::function<void()> app, desk;
    return grid == ShareGrid::app ? app : desk;
}

std::string tile_base(ShareGrid grid, int row, int column)
{
    std::string user;
    get_user_folder(user);
    return format_text("%sbmp/%s_%d_%d", user.c_str(), grid == ShareGrid::app ? "wnd" : "desk", row, column);
}

} // namespace

share_tile& tile_of(ShareGrid grid, int row, int column)
{
    return grid == ShareGrid::app ? g_app_tiles[static_cast<size_t>(row)][static_cast<size_t>(column)]
                                  : g_desk_tiles[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

platform::TimedMutex& tile_lock_of(ShareGrid grid, int row, int column)
{
    return grid == ShareGrid::app ? g_app_tile_locks[static_cast<size_t>(row)][static_cast<size_t>(column)]
                                  : g_desk_tile_locks[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

std::string tile_picture_path(ShareGrid grid, int row, int column)
{
    return tile_base(grid, row, column) + (grid == ShareGrid::app ? ".bmp" : ".jpg");
}

std::string tile_z_path(ShareGrid grid, int row, int column) { return tile_base(grid, row, column); }

void set_tile_sender(ShareGrid grid, std::function<void()> start) { sender_of(grid) = std::move(start); }

void start_tile_sender(ShareGrid grid)
{
    if (const auto& start = sender_of(grid))
        start();
}

bool tile_sender_running(ShareGrid grid)
{
    return (grid == ShareGrid::app ? g_app_sender_running : g_desk_sender_running).load() != 0;
}

void reset_tile_versions(ShareGrid grid)
{
    int n = grid_size(grid);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            share_tile& t = tile_of(grid, r, c);
            t.version = 0;
            t.pending = 0;
            t.fresh = 0;
        }
}

void clear_app_sharing()
{
    for (ShareGrid grid : { ShareGrid::app, ShareGrid::desk }) {
        reset_tile_versions(grid);
        int n = grid_size(grid);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                tile_of(grid, r, c).previous.reset();
    }
    g_sharing_app = 0;
    g_sharing_desktop = 0;
    g_desktop_mode = 0;
    g_app_sender_running = 0;
    g_desk_sender_running = 0;
    g_app_tick = 0;
    g_desk_tick = 0;
}
