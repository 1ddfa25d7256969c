#pragma once
// Tile transfer: the sharer's senders put every tile with sends owed on the
// LAN group and then on the application connection (begin, data of at most
// 900 bytes, end "%4d:%8d" version and bytes); a viewer writes what arrives
// from the server (220-222, 260-262) or the group (215-217, 223-225,
// 255-257, 263-265) into the tile's file, checks it, unpacks it under the
// tile's lock and has the view repaint. The LAN master passes the server's
// tiles on to the group while nothing arrives by multicast.

#include "core/global_state.h"
#include "core/wire_head.h"
#include "sharing/share_state.h"

#include <string>

inline constexpr int tile_chunk_limit = 900;
// Set to 7 by every tile message from the group; announcements lower it.
inline constexpr int multicast_countdown_start = 7;
extern AtomicInt g_multicast_countdown;

// The sender threads, started by a capture pass; they end by themselves.
void g_send_app_bmps_thread();
void g_send_desk_jpgs_thread();

// Where a received tile came from: its own open file per grid and way.
enum class TileWay { server, group };

// Receivers of one tile message (body, its length, head field 2). Begin,
// data and end of the server's messages also pass them on to the group as
// 223-225 / 263-265 when this client is the LAN master and the countdown is 0.
void tile_receive_begin(ShareGrid grid, TileWay way, int field2);
void tile_receive_data(ShareGrid grid, TileWay way, const char* body, int len, int field2);
void tile_receive_end(ShareGrid grid, TileWay way, const char* body, int len, int field2);
// The group's datagram handler (set_multicast_tile_handler): the skip rules,
// the countdown, then the receivers above.
void on_multicast_tile_message(const WireHead& head, const char* body, int body_len);

// "<user>bmp/wnd_<r>_<c>_mul" and "<user>bmp/desk_<r>_<c>_mul".
std::string tile_group_z_path(ShareGrid grid, int row, int column);

// The senders plugged into the capture pass, the application connection's
// handlers, and the group's tile handler.
void install_tile_transfer();
