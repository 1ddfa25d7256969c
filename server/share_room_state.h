#pragma once
// What the sharing families keep per room: who shares what, whether the
// sharer lets others steer, who steers now, and the share's tiles.

#include "server/message_table.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Room;
class ServerCore;

inline constexpr int share_app_grid = 5;
inline constexpr int share_desk_grid = 6;
// A stored tile is at most this big, and all tiles of one share together at
// most share_store_limit: a sharer cannot fill the server's memory.
inline constexpr size_t share_tile_limit = 4u * 1024 * 1024;
inline constexpr size_t share_store_limit = 48u * 1024 * 1024;

struct StoredTile {
    bool present = false;
    int version = 0;
    std::string bytes;  // the compressed tile file as the sharer sent it
};

// The latest version of every tile of one share, row by row, and the whole
// picture made of them (kept until a tile changes).
struct TileStore {
    std::vector<StoredTile> tiles;
    size_t total_bytes = 0;
    std::shared_ptr<const std::string> whole;
    bool whole_failed = false;  // the tiles as they are make no picture: not tried again until one changes
    void reset(int grid_n)
    {
        tiles.assign(static_cast<size_t>(grid_n * grid_n), StoredTile {});
        total_bytes = 0;
        tile_changed();
    }
    void tile_changed()
    {
        whole.reset();
        whole_failed = false;
    }
};

struct ShareRoomState {
    int app_sharer = 0;    // customer id, 0: none
    int desk_sharer = 0;
    bool app_control_allowed = false;
    bool desk_control_allowed = false;
    int controller = 0;    // the member the server lets steer the share, 0: none
    int serial = 0;        // names the share running now; no two shares of the server share one
    TileStore app_tiles;
    TileStore desk_tiles;
};

// Called by the share family when a share starts or ends (app: a window,
// else the desktop): the store is emptied, the steering member forgotten,
// and at a start the others are told to forget their tile versions (229 / 269).
void share_tiles_started(ServerCore& server, Client& sharer, Room& room, bool app);
void share_tiles_ended(Room& room, bool app);

// "%4d:%8d": a tile's version and size.
std::string tile_version_text(int version, size_t size);
