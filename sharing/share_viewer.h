#pragma once
// The viewer's side of a share without the window: which version of every
// tile the server holds and which one is shown here, the requests for the
// stalest tile, the viewer tick and the request bursts, the sharer's window
// rectangle and screen size as the view places the tiles, and the handlers
// of the announcements (27, 26, 218 / 258, 228 / 268, 229 / 269).

#include "core/global_state.h"
#include "sharing/share_state.h"

#include <array>

struct viewer_tile {
    AtomicInt server_version { 0 };  // as the server last announced it
    AtomicInt server_size { 0 };
    AtomicInt local_version { 0 };   // the one last unpacked here
    AtomicInt local_size { 0 };
    // Raised by announcements; the tile is asked for only while above 0.
    AtomicInt notices { 0 };
};

extern std::array<std::array<viewer_tile, app_grid_size>, app_grid_size> g_app_view_tiles;
extern std::array<std::array<viewer_tile, desk_grid_size>, desk_grid_size> g_desk_view_tiles;
viewer_tile& view_tile_of(ShareGrid grid, int row, int column);

// The sharer's window rectangle (27) and screen size (26) as the view shows them.
extern AtomicInt g_view_share_left, g_view_share_top, g_view_share_width, g_view_share_height;
extern AtomicInt g_view_desk_width, g_view_desk_height;
extern AtomicInt g_viewing_app, g_viewing_desk;  // a geometry message since the last tick
extern AtomicInt g_viewer_tick;

// True when this instance shares a window or the screen itself.
bool this_instance_shares();
// True when row * 256 + column lies inside the grid; then row and column.
bool split_tile_number(ShareGrid grid, int field2, int& row, int& column);

// 219 / 259 on the application connection. 0 or -1.
int send_tile_request(ShareGrid grid, int row, int column);
// Asks for the tile whose announced version is furthest ahead of the local
// one (the first in row order on ties), when one is ahead. True when sent.
bool request_stalest_tile(ShareGrid grid);
// Adds 1 to every tile's notice count.
void touch_all_tiles(ShareGrid grid);
// Timer 3 of the view, every second.
void viewer_tick();
// The Reload command: every tile touched, then one request every 50 ms on a
// worker, 25 or 36 times; a burst still running for the grid makes this one end.
void start_request_burst(ShareGrid grid);
inline constexpr int request_burst_step_ms = 50;

// The rectangle a tile is drawn into, in the view's content coordinates
// (before the scroll position is taken off); false when nothing is drawn.
struct TileRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
bool view_tile_rect(ShareGrid grid, int row, int column, TileRect& rect);

// Store the sharer's window rectangle / screen size for the view (27 / 26,
// and a recording played back); true when it changed.
bool store_view_share_rect(int left, int top, int width, int height);
bool store_view_desk_size(int width, int height);

// Clears every pair and count (the global state's set-up).
void clear_share_viewer();
// The share watched here ended (210 / 250): the next one is brought forward again.
void share_viewer_share_ended();

// The handlers of the main connection (body, length, head field 2). The first
// 27 or 26 of a share that another attendee runs asks the main window to
// show the share view (WM_MY_MSG_UPPER_VIEW).
void do_share_app_window_rect_from_server(const char* body, int len, int field2);  // 27
void do_share_desk_size_from_server(const char* body, int len, int field2);        // 26
void do_share_app_tile_notice_from_server(const char* body, int len, int field2);  // 218
void do_share_desk_tile_notice_from_server(const char* body, int len, int field2); // 258
void do_app_tile_counter_from_server(const char* body, int len, int field2);       // 228
void do_desk_tile_counter_from_server(const char* body, int len, int field2);      // 268
void do_app_tiles_reset_from_server(const char* body, int len, int field2);        // 229
void do_desk_tiles_reset_from_server(const char* body, int len, int field2);       // 269
void install_share_viewer_handlers();

// The viewer's handlers, the tile transfer and the replay of 69 plugged in,
// and the viewer's state added to the global state's set-up.
void install_share_viewer_parts();
