#pragma once
// The sharer's side of a screen or window share, as the meeting state holds
// it: the two tile tables (5 x 5 of a shared window, 6 x 6 of the screen),
// the sharing flags, and where the tile files lie. The tile locks are the
// core's g_app_tile_locks and g_desk_tile_locks; g_jpeg_lock guards the
// JPEG writer.

#include "core/bitmap_file.h"
#include "core/global_state.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

inline constexpr int app_grid_size = 5;
inline constexpr int desk_grid_size = 6;
inline constexpr int tile_lock_wait_ms = 3000;

enum class ShareGrid { app, desk };
inline int grid_size(ShareGrid grid) { return grid == ShareGrid::app ? app_grid_size : desk_grid_size; }
// A tile on the wire: row * 256 + column.
inline int tile_number(int row, int column) { return row * 256 + column; }

struct share_tile {
    // The last capture kept (UI thread only).
    std::unique_ptr<DeviceBitmap> previous;
    // Tile files written since the share started; sent in the tile's end message.
    AtomicInt version { 0 };
    // Sends owed: raised with every new file, lowered by the sender.
    AtomicInt pending { 0 };
    // A new file lies on disk and the view must load it.
    AtomicInt fresh { 0 };
};

extern std::array<std::array<share_tile, app_grid_size>, app_grid_size> g_app_tiles;
extern std::array<std::array<share_tile, desk_grid_size>, desk_grid_size> g_desk_tiles;
share_tile& tile_of(ShareGrid grid, int row, int column);
platform::TimedMutex& tile_lock_of(ShareGrid grid, int row, int column);

extern AtomicInt g_sharing_app;       // this instance shares a window
extern AtomicInt g_sharing_desktop;   // this instance shares the screen
extern AtomicInt g_desktop_mode;      // the share view shows the desktop grid
extern AtomicInt g_app_sender_running;
extern AtomicInt g_desk_sender_running;
extern AtomicInt g_app_tick;          // capture ticks of each grid
extern AtomicInt g_desk_tick;

// "<user>bmp/wnd_<r>_<c>.bmp" and "<user>bmp/wnd_<r>_<c>" (gzip, what is
// sent); "<user>bmp/desk_<r>_<c>.jpg" and "<user>bmp/desk_<r>_<c>".
std::string tile_picture_path(ShareGrid grid, int row, int column);
std::string tile_z_path(ShareGrid grid, int row, int column);

// The senders of the tile transfer plug in here; a capture pass that wrote
// a tile, or finds sends owed, starts the grid's sender through it.
void set_tile_sender(ShareGrid grid, std::function<void()> start);
void start_tile_sender(ShareGrid grid);
bool tile_sender_running(ShareGrid grid);

// Versions, pending sends and fresh flags of a grid back to 0 (a share starts).
void reset_tile_versions(ShareGrid grid);
// Step 4 of the global state's set-up: everything above cleared.
void clear_app_sharing();
