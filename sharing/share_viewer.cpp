#include "sharing/share_viewer.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "core/wire_head.h"
#include "platform/sys/clock.h"
#include "platform/sys/threads.h"
#include "sharing/share_recording.h"
#include "sharing/sharing_messages.h"
#include "sharing/tile_transfer.h"
#include "sharing/whole_picture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

std::array<std::array<viewer_tile, app_grid_size>, app_grid_size> g_app_view_tiles;
std::array<std::array<viewer_tile, desk_grid_size>, desk_grid_size> g_desk_view_tiles;

AtomicInt g_view_share_left { 0 }, g_view_share_top { 0 }, g_view_share_width { 0 }, g_view_share_height { 0 };
AtomicInt g_view_desk_width { 0 }, g_view_desk_height { 0 };
AtomicInt g_viewing_app { 0 }, g_viewing_desk { 0 };
AtomicInt g_viewer_tick { 0 };

namespace {

// Only the first 27 and the first 26 of the program's run ask for every tile at once.
std::atomic<bool> g_first_rect_seen { false };
std::atomic<bool> g_first_desk_size_seen { false };
// A share is brought forward in a viewer's main window once, at its first geometry: a viewer
// who then turns to another view is left there. A new share or the end of this one asks again.
std::atomic<bool> g_share_brought_forward { false };

void bring_share_forward()
{
    if (!this_instance_shares() && !g_share_brought_forward.exchange(true))
        post_window_message(WindowSlot::main_frame, WM_MY_MSG_UPPER_VIEW, static_cast<uintptr_t>(upper_view_share));
}
std::atomic<bool> g_app_burst_running { false };
std::atomic<bool> g_desk_burst_running { false };

constexpr int board_annotation = 9;

// A field of four characters at offset at: digits, blanks, a sign.
bool read_field4(const char* body, int len, int at, int& value)
{
    if (!body || len < at + 4)
        return false;
    std::string text(body + at, 4);
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str())
        return false;
    value = static_cast<int>(v);
    return true;
}

bool parse_version_pair(const char* body, int len, int& version, int& size)
{
    std::string text(body ? body : "", static_cast<size_t>(len > 0 ? len : 0));
    return std::sscanf(text.c_str(), "%4d:%8d", &version, &size) == 2;
}

void notice_from_server(ShareGrid grid, const char* body, int len, int field2)
{
    int row = 0, column = 0;
    if (!split_tile_number(grid, field2, row, column))
        return;
    // While tiles arrive by multicast the server's copies are not followed.
    if (g_multicast_countdown.load() >= 1) {
        --g_multicast_countdown;
        return;
    }
    viewer_tile& tile = view_tile_of(grid, row, column);
    ++tile.notices;
    int version = 0, size = 0;
    if (len > 0 && parse_version_pair(body, len, version, size)) {
        tile.server_version = version;
        tile.server_size = size;
    }
    request_stalest_tile(grid);
    request_stalest_tile(grid);
}

void counter_from_server(ShareGrid grid, const char* body, int len)
{
    constexpr int record = 13;
    int n = grid_size(grid);
    len = std::min(len, 1023);
    for (int i = 0; i < n * n && (i + 1) * record <= len; ++i) {
        int version = 0, size = 0;
        if (!parse_version_pair(body + i * record, record, version, size))
            continue;
        viewer_tile& tile = view_tile_of(grid, i / n, i % n);
        tile.server_version = version;
        tile.server_size = size;
        // The sharer sends again what the server lacks.
        share_tile& mine = tile_of(grid, i / n, i % n);
        if (version != mine.version.load() && this_instance_shares())
            ++mine.pending;
        if (version != tile.local_version.load() || size != tile.local_size.load())
            ++tile.notices;
    }
}

void reset_grid(ShareGrid grid)
{
    int n = grid_size(grid);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            viewer_tile& tile = view_tile_of(grid, r, c);
            tile.server_version = 0;
            tile.server_size = 0;
            tile.local_version = 0;
            tile.local_size = 0;
            tile.notices = 0;
        }
}

void burst(ShareGrid grid)
{
    std::atomic<bool>& running = grid == ShareGrid::app ? g_app_burst_running : g_desk_burst_running;
    int n = grid_size(grid);
    for (int i = 0; i < n * n; ++i) {
        request_stalest_tile(grid);
        platform::sleep_ms(request_burst_step_ms);
    }
    running = false;
}

} // namespace

viewer_tile& view_tile_of(ShareGrid grid, int row, int column)
{
    return grid == ShareGrid::app ? g_app_view_tiles[static_cast<size_t>(row)][static_cast<size_t>(column)]
                                  : g_desk_view_tiles[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

bool this_instance_shares() { return g_sharing_app.load() != 0 || g_sharing_desktop.load() != 0; }

bool split_tile_number(ShareGrid grid, int field2, int& row, int& column)
{
    if (field2 < 0)
        return false;
    row = field2 / 256;
    column = field2 % 256;
    return row < grid_size(grid) && column < grid_size(grid);
}

int send_tile_request(ShareGrid grid, int row, int column)
{
    int number = grid == ShareGrid::app ? MSG_SHARE_APP_TILE_REQUEST : MSG_SHARE_DESK_TILE_REQUEST;
    std::string head = format_wire_head(WireHead { 0, tile_number(row, column), number, 0 });
    int length = static_cast<int>(head.size());
    return g_share_app_sock.my_send_fixed_len(head.data(), length) == length ? 0 : -1;
}

bool request_stalest_tile(ShareGrid grid)
{
    int n = grid_size(grid);
    int best_row = -1, best_column = -1, best = 0;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            viewer_tile& tile = view_tile_of(grid, r, c);
            if (tile.notices.load() <= 0)
                continue;
            int ahead = tile.server_version.load() - tile.local_version.load();
            if (best_row < 0 || ahead > best) {
                best_row = r;
                best_column = c;
                best = ahead;
            }
        }
    if (best_row < 0 || best <= 0)
        return false;
    view_tile_of(grid, best_row, best_column).notices = 0;
    send_tile_request(grid, best_row, best_column);
    return true;
}

void touch_all_tiles(ShareGrid grid)
{
    int n = grid_size(grid);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            ++view_tile_of(grid, r, c).notices;
}

void viewer_tick()
{
    int tick = ++g_viewer_tick;
    if (g_viewing_app.load() && !this_instance_shares()) {
        g_viewing_app = 0;
        if (tick % 5 == 0)
            send_app_viewer_alive();
        if (tick % 3 == 0) {
            request_stalest_tile(ShareGrid::app);
            request_stalest_tile(ShareGrid::app);
        }
    }
    if (g_viewing_desk.load() && !this_instance_shares()) {
        g_viewing_desk = 0;
        if (tick % 5 == 0)
            send_desk_viewer_alive();
        if (tick % 3 == 0) {
            request_stalest_tile(ShareGrid::desk);
            request_stalest_tile(ShareGrid::desk);
        }
    }
}

void start_request_burst(ShareGrid grid)
{
    std::atomic<bool>& running = grid == ShareGrid::app ? g_app_burst_running : g_desk_burst_running;
    touch_all_tiles(grid);
    if (running.exchange(true))
        return;
    if (!platform::start_thread("tile_burst", [grid] { burst(grid); }))
        running = false;
}

bool view_tile_rect(ShareGrid grid, int row, int column, TileRect& rect)
{
    if (grid == ShareGrid::app) {
        int w = g_view_share_width.load() / app_grid_size, h = g_view_share_height.load() / app_grid_size;
        if (w <= 0 || h <= 0)
            return false;
        rect.left = g_view_share_left.load() + column * w;
        rect.top = g_view_share_top.load() + row * h;
        rect.right = rect.left + w;
        rect.bottom = rect.top + h;
        return true;
    }
    int w = g_view_desk_width.load() / desk_grid_size, h = g_view_desk_height.load() / desk_grid_size;
    if (w <= 0 || h <= 0)
        return false;
    rect = { column * w, row * h, (column + 1) * w, (row + 1) * h };
    return true;
}

void clear_share_viewer()
{
    reset_grid(ShareGrid::app);
    reset_grid(ShareGrid::desk);
    g_view_share_left = g_view_share_top = g_view_share_width = g_view_share_height = 0;
    g_view_desk_width = g_view_desk_height = 0;
    g_viewing_app = g_viewing_desk = 0;
    g_viewer_tick = 0;
    g_multicast_countdown = 0;
    g_share_brought_forward = false;
}

void share_viewer_share_ended() { g_share_brought_forward = false; }

bool store_view_share_rect(int left, int top, int width, int height)
{
    bool changed = left != g_view_share_left.exchange(left);
    changed = (top != g_view_share_top.exchange(top)) || changed;
    changed = (width != g_view_share_width.exchange(width)) || changed;
    changed = (height != g_view_share_height.exchange(height)) || changed;
    return changed;
}

bool store_view_desk_size(int width, int height)
{
    bool changed = width != g_view_desk_width.exchange(width);
    changed = (height != g_view_desk_height.exchange(height)) || changed;
    return changed;
}

void do_share_app_window_rect_from_server(const char* body, int len, int)
{
    int left = 0, top = 0, width = 0, height = 0;
    if (!read_field4(body, len, 0, left) || !read_field4(body, len, 5, top) || !read_field4(body, len, 10, width)
        || !read_field4(body, len, 15, height)) {
        dbg_log("format error in do_share_app_window_rect_from_server\n");
        return;
    }
    g_desktop_mode = 0;
    if (store_view_share_rect(left, top, width, height))
        post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
    g_viewing_app = 1;
    g_current_board = board_annotation;
    bring_share_forward();
    if (!this_instance_shares() && !g_first_rect_seen.exchange(true)) {
        touch_all_tiles(ShareGrid::app);
        for (int i = 0; i < app_grid_size * app_grid_size; ++i)
            request_stalest_tile(ShareGrid::app);
    }
    record_share_window_rect(left, top, width, height);
}

void do_share_desk_size_from_server(const char* body, int len, int)
{
    int width = 0, height = 0;
    if (!read_field4(body, len, 0, width) || !read_field4(body, len, 5, height)) {
        dbg_log("format error in do_share_desk_size_from_server\n");
        return;
    }
    if (store_view_desk_size(width, height))
        post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
    g_viewing_desk = 1;
    g_current_board = board_annotation;
    bring_share_forward();
    record_share_desktop_size(width, height);
    if (!this_instance_shares() && !g_first_desk_size_seen.exchange(true)) {
        touch_all_tiles(ShareGrid::desk);
        for (int i = 0; i < desk_grid_size * desk_grid_size; ++i)
            request_stalest_tile(ShareGrid::desk);
    }
}

void do_share_app_tile_notice_from_server(const char* body, int len, int field2) { notice_from_server(ShareGrid::app, body, len, field2); }
void do_share_desk_tile_notice_from_server(const char* body, int len, int field2) { notice_from_server(ShareGrid::desk, body, len, field2); }
void do_app_tile_counter_from_server(const char* body, int len, int) { counter_from_server(ShareGrid::app, body, len); }
void do_desk_tile_counter_from_server(const char* body, int len, int) { counter_from_server(ShareGrid::desk, body, len); }
// A new share: its whole picture goes with the old share's versions.
void do_app_tiles_reset_from_server(const char*, int, int)
{
    reset_grid(ShareGrid::app);
    forget_whole_picture(ShareGrid::app);
    g_share_brought_forward = false;
}

void do_desk_tiles_reset_from_server(const char*, int, int)
{
    reset_grid(ShareGrid::desk);
    forget_whole_picture(ShareGrid::desk);
    g_share_brought_forward = false;
}

void install_share_viewer_handlers()
{
    set_main_handler(MSG_SHARE_APP_WINDOW_RECT, do_share_app_window_rect_from_server);
    set_main_handler(MSG_SHARE_DESK_SIZE, do_share_desk_size_from_server);
    set_main_handler(MSG_SHARE_APP_TILE_NOTICE, do_share_app_tile_notice_from_server);
    set_main_handler(MSG_SHARE_DESK_TILE_NOTICE, do_share_desk_tile_notice_from_server);
    set_main_handler(MSG_APP_TILE_COUNTER, do_app_tile_counter_from_server);
    set_main_handler(MSG_DESK_TILE_COUNTER, do_desk_tile_counter_from_server);
    set_main_handler(MSG_APP_TILES_RESET, do_app_tiles_reset_from_server);
    set_main_handler(MSG_DESK_TILES_RESET, do_desk_tiles_reset_from_server);
}

namespace {

void do_remote_key_input_from_server(const char* body, int len, int)
{
    post_window_message_with_body(WindowSlot::share_view, WM_MY_MSG_REMOTE_KEY_INPUT, std::string(body, static_cast<size_t>(std::max(len, 0))));
}

} // namespace

void install_share_viewer_parts()
{
    install_share_viewer_handlers();
    install_tile_transfer();
    install_whole_pictures();
    set_main_handler(MSG_REMOTE_KEY_INPUT, do_remote_key_input_from_server);
    GlobalStateSteps& steps = global_state_steps();
    std::function<void()> before = steps.clear_app_sharing;
    steps.clear_app_sharing = [before] {
        if (before)
            before();
        clear_share_viewer();
    };
}
