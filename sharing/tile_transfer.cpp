#include "sharing/tile_transfer.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/lan_multicast.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/text_util.h"
#include "core/window_messages.h"
#include "platform/sys/clock.h"
#include "platform/sys/threads.h"
#include "sharing/share_recording.h"
#include "sharing/share_viewer.h"

#include <cstdio>
#include <string>
#include <vector>

AtomicInt g_multicast_countdown { 0 };

namespace {

struct GridNumbers {
    int begin, data, end;              // the sharer's, on both ways
    int one_begin, one_data, one_end;  // the server's answers
    int relay_begin, relay_data, relay_end;
};
constexpr GridNumbers app_numbers { MSG_SHARE_APP_TILE_BEGIN, MSG_SHARE_APP_TILE_DATA, MSG_SHARE_APP_TILE_END,
    MSG_SHARE_APP_ONE_FILE_BEGIN, MSG_SHARE_APP_ONE_FILE_DATA, MSG_SHARE_APP_ONE_FILE_END, MSG_SHARE_APP_TILE_BEGIN_2,
    MSG_SHARE_APP_TILE_DATA_2, MSG_SHARE_APP_TILE_END_2 };
constexpr GridNumbers desk_numbers { MSG_SHARE_DESK_TILE_BEGIN, MSG_SHARE_DESK_TILE_DATA, MSG_SHARE_DESK_TILE_END,
    MSG_SHARE_DESK_ONE_FILE_BEGIN, MSG_SHARE_DESK_ONE_FILE_DATA, MSG_SHARE_DESK_ONE_FILE_END, MSG_SHARE_DESK_TILE_BEGIN_2,
    MSG_SHARE_DESK_TILE_DATA_2, MSG_SHARE_DESK_TILE_END_2 };
const GridNumbers& numbers_of(ShareGrid grid) { return grid == ShareGrid::app ? app_numbers : desk_numbers; }

// ---- sending

int send_on_app_connection(int number, int field2, const char* body, int len)
{
    std::string message = format_wire_head(WireHead { 0, field2, number, len });
    if (len > 0)
        message.append(body, static_cast<size_t>(len));
    int length = static_cast<int>(message.size());
    return g_share_app_sock.my_send_fixed_len(message.data(), length) == length ? 0 : -1;
}

// The group first, so that viewers next door need not wait for the server;
// a failure there is of no account, one on the connection ends the sender.
int send_both_ways(int number, int field2, const char* body, int len)
{
    send_multicast_cmd(body, len, number, field2);
    return send_on_app_connection(number, field2, body, len);
}

// One tile: 0 sent (or nothing to send yet), -1 the connection failed.
int send_one_tile(ShareGrid grid, int row, int column, const char* sender_name)
{
    share_tile& tile = tile_of(grid, row, column);
    const GridNumbers& n = numbers_of(grid);
    const std::string z_path = tile_z_path(grid, row, column);
    if (grid == ShareGrid::app)
        record_share_app_action(z_path.c_str(), row, column);
    else
        record_share_desk_action(z_path.c_str(), row, column);
    platform::TimedLockWait lock(tile_lock_of(grid, row, column), tile_lock_wait_ms);
    if (!lock)
        dbg_log("wait for the tile lock %d:%d failed in %s.\n", row, column, sender_name);
    int pending = tile.pending.load();
    int version = tile.version.load();
    std::FILE* file = std::fopen(z_path.c_str(), "rb");
    if (!file)
        return 0;
    const int field2 = tile_number(row, column);
    int result = send_both_ways(n.begin, field2, nullptr, 0);
    long total = 0;
    char piece[tile_chunk_limit];
    while (result == 0) {
        size_t got = std::fread(piece, 1, sizeof piece, file);
        if (got == 0)
            break;
        result = send_both_ways(n.data, field2, piece, static_cast<int>(got));
        total += static_cast<long>(got);
    }
    std::fclose(file);
    if (result != 0)
        return -1;
    std::string end = format_text("%4d:%8ld", version, total);
    if (send_both_ways(n.end, field2, end.data(), static_cast<int>(end.size())) != 0)
        return -1;
    // Sends owed since the file was opened stay owed: that tile goes again.
    int left = tile.pending.fetch_sub(pending) - pending;
    if (left < 0)
        tile.pending.fetch_add(-left);
    return 0;
}

// One scan of the grid: false when a send on the connection failed.
bool send_scan(ShareGrid grid, const char* sender_name, bool& any_pending)
{
    int size = grid_size(grid);
    any_pending = false;
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) {
            if (tile_of(grid, r, c).pending.load() == 0)
                continue;
            if (send_one_tile(grid, r, c, sender_name) != 0) {
                dbg_log("send failed in %s: the tiles are sent again by the next sender.\n", sender_name);
                return false;
            }
        }
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            if (tile_of(grid, r, c).pending.load() != 0)
                any_pending = true;
    return true;
}

// ---- receiving

struct ReceiveFile {
    std::FILE* file = nullptr;
    int field2 = -1;
    std::string path;
    bool null_logged = false;

    // A tile cut off before its end leaves no half file behind.
    void abandon()
    {
        if (!file)
            return;
        std::fclose(file);
        file = nullptr;
        std::remove(path.c_str());
    }
};

// One per grid and way; each used by one thread only (the application
// connection's or the group's).
ReceiveFile g_receive_files[2][2];
ReceiveFile& receive_file(ShareGrid grid, TileWay way)
{
    return g_receive_files[grid == ShareGrid::app ? 0 : 1][way == TileWay::server ? 0 : 1];
}

bool relays(TileWay way) { return way == TileWay::server && g_is_multicast_master.load() != 0 && g_multicast_countdown.load() < 1; }

const char* end_handler_name(ShareGrid grid, TileWay way)
{
    if (grid == ShareGrid::app)
        return way == TileWay::server ? "do_share_app_one_file_end_from_server" : "do_share_app_one_file_end_from_multicast";
    return way == TileWay::server ? "do_share_desktop_one_file_end_from_server" : "do_share_desktop_one_file_end_from_multicast";
}

std::string z_path_of(ShareGrid grid, TileWay way, int row, int column)
{
    return way == TileWay::server ? tile_z_path(grid, row, column) : tile_group_z_path(grid, row, column);
}

} // namespace

std::string tile_group_z_path(ShareGrid grid, int row, int column) { return tile_z_path(grid, row, column) + "_mul"; }

void g_send_app_bmps_thread()
{
    if (g_app_sender_running.exchange(1))
        return;
    for (;;) {
        bool any_pending = false;
        if (!send_scan(ShareGrid::app, "g_send_app_bmps_thread", any_pending) || !any_pending)
            break;
        // A tile whose file is not there yet is tried again after a breath.
        platform::sleep_ms(20);
    }
    g_app_sender_running = 0;
}

void g_send_desk_jpgs_thread()
{
    if (g_desk_sender_running.exchange(1))
        return;
    bool any_pending = false;
    send_scan(ShareGrid::desk, "g_send_desk_jpgs_thread", any_pending);
    g_desk_sender_running = 0;
}

void tile_receive_begin(ShareGrid grid, TileWay way, int field2)
{
    int row = 0, column = 0;
    if (!split_tile_number(grid, field2, row, column)) {
        dbg_log("tile %d outside the grid: begin ignored.\n", field2);
        return;
    }
    if (grid == ShareGrid::desk)
        g_desktop_mode = 1;
    ReceiveFile& in = receive_file(grid, way);
    if (in.file)
        dbg_log("tile %d begun before the end of tile %d: its part is thrown away.\n", field2, in.field2);
    in.abandon();
    if (relays(way))
        send_multicast_cmd(nullptr, 0, numbers_of(grid).relay_begin, field2);
    in.path = z_path_of(grid, way, row, column);
    in.field2 = field2;
    in.file = std::fopen(in.path.c_str(), "wb");
    if (!in.file && !in.null_logged) {
        in.null_logged = true;
        dbg_log(grid == ShareGrid::app ? "g_share_app_one_file_download_fd is null.\n"
                                       : "g_share_desktop_one_file_download_fd is null.\n");
    }
}

void tile_receive_data(ShareGrid grid, TileWay way, const char* body, int len, int field2)
{
    ReceiveFile& in = receive_file(grid, way);
    if (!in.file)
        return;
    if (field2 != in.field2 || len < 1 || len > tile_chunk_limit) {
        dbg_log("tile data for %d (%d bytes) does not belong to tile %d: the tile is thrown away.\n", field2, len, in.field2);
        in.abandon();
        return;
    }
    if (std::fwrite(body, 1, static_cast<size_t>(len), in.file) != static_cast<size_t>(len)) {
        dbg_log("write failed for tile %d: the tile is thrown away.\n", field2);
        in.abandon();
        return;
    }
    if (relays(way))
        send_multicast_cmd(body, len, numbers_of(grid).relay_data, field2);
}

void tile_receive_end(ShareGrid grid, TileWay way, const char* body, int len, int field2)
{
    int row = 0, column = 0;
    ReceiveFile& in = receive_file(grid, way);
    if (!split_tile_number(grid, field2, row, column) || !in.file || in.field2 != field2) {
        if (in.file)
            dbg_log("tile end for %d while tile %d is open: the tile is thrown away.\n", field2, in.field2);
        in.abandon();
        return;
    }
    long actual = std::ftell(in.file);
    std::fclose(in.file);
    in.file = nullptr;
    if (relays(way))
        send_multicast_cmd(body, len, numbers_of(grid).relay_end, field2);
    std::string text(body, static_cast<size_t>(std::max(len, 0)));
    int version = 0, size = 0;
    if (std::sscanf(text.c_str(), "%4d:%8d", &version, &size) != 2) {
        dbg_log("format error in %s: the tile is thrown away.\n", end_handler_name(grid, way));
        std::remove(in.path.c_str());
        return;
    }
    viewer_tile& view = view_tile_of(grid, row, column);
    view.local_version = version;
    view.local_size = static_cast<int>(actual);
    if (actual != size)
        dbg_log("file_size mismatch in %s. actual size:%d, server size:%d\n", end_handler_name(grid, way),
                static_cast<int>(actual), size);
    int unpacked = 0;
    {
        platform::TimedLockWait lock(tile_lock_of(grid, row, column), tile_lock_wait_ms);
        if (!lock)
            dbg_log("wait failed in %s.\n", end_handler_name(grid, way));
        unpacked = z_uncompress_file(in.path, tile_picture_path(grid, row, column));
    }
    if (unpacked != 0) {
        // Not a picture: asked for again, the old one stays on screen meanwhile.
        dbg_log("tile %d:%d does not unpack in %s: asked for again.\n", row, column, end_handler_name(grid, way));
        view.local_version = 0;
        view.local_size = 0;
        ++view.notices;
        return;
    }
    tile_of(grid, row, column).fresh = 1;
    post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT);
    if (grid == ShareGrid::app)
        record_share_app_action(in.path.c_str(), row, column);
    else
        record_share_desk_action(in.path.c_str(), row, column);
}

void on_multicast_tile_message(const WireHead& head, const char* body, int body_len)
{
    const int number = head.number;
    auto in_range = [number](int first) { return number >= first && number <= first + 2; };
    ShareGrid grid = ShareGrid::app;
    int step = 0;
    bool relayed = false;
    if (in_range(MSG_SHARE_APP_TILE_BEGIN) || in_range(MSG_SHARE_APP_TILE_BEGIN_2)) {
        relayed = in_range(MSG_SHARE_APP_TILE_BEGIN_2);
        step = number - (relayed ? MSG_SHARE_APP_TILE_BEGIN_2 : MSG_SHARE_APP_TILE_BEGIN);
        if (g_sharing_app.load())
            return;
    } else if (in_range(MSG_SHARE_DESK_TILE_BEGIN) || in_range(MSG_SHARE_DESK_TILE_BEGIN_2)) {
        grid = ShareGrid::desk;
        relayed = in_range(MSG_SHARE_DESK_TILE_BEGIN_2);
        step = number - (relayed ? MSG_SHARE_DESK_TILE_BEGIN_2 : MSG_SHARE_DESK_TILE_BEGIN);
        if (g_sharing_desktop.load())
            return;
    } else {
        return;
    }
    if (relayed && g_is_multicast_master.load())
        return;
    if (body_len != head.length) {
        dbg_log("multicast tile message %d cut short (%d of %d bytes): dropped.\n", number, body_len, head.length);
        if (step == 1)
            receive_file(grid, TileWay::group).abandon();
        return;
    }
    g_multicast_countdown = multicast_countdown_start;
    if (step == 0)
        tile_receive_begin(grid, TileWay::group, head.address);
    else if (step == 1)
        tile_receive_data(grid, TileWay::group, body, body_len, head.address);
    else
        tile_receive_end(grid, TileWay::group, body, body_len, head.address);
}

void install_tile_transfer()
{
    set_tile_sender(ShareGrid::app, [] { platform::start_thread("send_app_bmps", g_send_app_bmps_thread); });
    set_tile_sender(ShareGrid::desk, [] { platform::start_thread("send_desk_jpgs", g_send_desk_jpgs_thread); });
    for (ShareGrid grid : { ShareGrid::app, ShareGrid::desk }) {
        const GridNumbers& n = numbers_of(grid);
        set_app_handler(n.one_begin, [grid](const char*, int, int field2) { tile_receive_begin(grid, TileWay::server, field2); });
        set_app_handler(n.one_data, [grid](const char* body, int len, int field2) {
            tile_receive_data(grid, TileWay::server, body, len, field2);
        });
        set_app_handler(n.one_end, [grid](const char* body, int len, int field2) {
            tile_receive_end(grid, TileWay::server, body, len, field2);
        });
    }
    set_multicast_tile_handler(on_multicast_tile_message);
}
