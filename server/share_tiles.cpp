// The share's tiles: the sharer uploads each changed tile on its application
// connection (215-217, 255-257); the server keeps the latest version of
// every tile, announces it to the others (218 / 258 on the main connection)
// and sends it on request (219 / 259, answered with 220-222 / 260-262 on the
// application connection). A viewer's 227 / 267 and a member entering a room
// with a share running get the counter list (228 / 268), from which a late
// joiner asks for the whole screen.

#include "core/messages.h"
#include "core/text_util.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "server/share_room_state.h"

#include <cstdio>
#include <string>

namespace {

// A chunk holds at most this much, the sharer's and the server's alike.
constexpr size_t upload_chunk_limit = 900;
constexpr size_t answer_chunk = 900;  // so the LAN master can pass each piece on as one datagram

struct TileUpload {
    bool open = false;
    int tile = 0;        // field 2 of the begin
    std::string bytes;
};

struct ShareTileClientState {
    TileUpload app;
    TileUpload desk;
};

struct GridMessages {
    bool app;
    int begin, data, end, notice, request, one_begin, one_data, one_end, counter, reset, alive;
};
constexpr GridMessages app_messages { true, MSG_SHARE_APP_TILE_BEGIN, MSG_SHARE_APP_TILE_DATA, MSG_SHARE_APP_TILE_END,
    MSG_SHARE_APP_TILE_NOTICE, MSG_SHARE_APP_TILE_REQUEST, MSG_SHARE_APP_ONE_FILE_BEGIN, MSG_SHARE_APP_ONE_FILE_DATA,
    MSG_SHARE_APP_ONE_FILE_END, MSG_APP_TILE_COUNTER, MSG_APP_TILES_RESET, MSG_APP_VIEWER_ALIVE };
constexpr GridMessages desk_messages { false, MSG_SHARE_DESK_TILE_BEGIN, MSG_SHARE_DESK_TILE_DATA, MSG_SHARE_DESK_TILE_END,
    MSG_SHARE_DESK_TILE_NOTICE, MSG_SHARE_DESK_TILE_REQUEST, MSG_SHARE_DESK_ONE_FILE_BEGIN, MSG_SHARE_DESK_ONE_FILE_DATA,
    MSG_SHARE_DESK_ONE_FILE_END, MSG_DESK_TILE_COUNTER, MSG_DESK_TILES_RESET, MSG_DESK_VIEWER_ALIVE };

int grid_of(bool app) { return app ? share_app_grid : share_desk_grid; }

// Row * 256 + column inside the grid, as an index row by row; -1 outside.
int tile_index(int field2, bool app)
{
    int n = grid_of(app);
    if (field2 < 0)
        return -1;
    int row = field2 / 256, column = field2 % 256;
    if (row >= n || column >= n)
        return -1;
    return row * n + column;
}

TileStore& store_of(ShareRoomState& state, bool app) { return app ? state.app_tiles : state.desk_tiles; }
int sharer_of(const ShareRoomState& state, bool app) { return app ? state.app_sharer : state.desk_sharer; }

TileStore& live_store(ShareRoomState& state, bool app)
{
    TileStore& store = store_of(state, app);
    if (store.tiles.empty())
        store.reset(grid_of(app));
    return store;
}

TileUpload& upload_of(Client& client, bool app)
{
    ShareTileClientState& mine = client.state<ShareTileClientState>();
    return app ? mine.app : mine.desk;
}

void drop_upload(Client& sender, TileUpload& upload, int number, const char* why)
{
    server_log("share: tile message %d from %d dropped (%s)", number, sender.customer_id(), why);
    upload = TileUpload {};
}

// The sender's room state when it shares this kind of screen; nullptr else.
ShareRoomState* sharer_state(Client& sender, bool app)
{
    Room* room = sender.room();
    if (!room)
        return nullptr;
    ShareRoomState& state = room->state<ShareRoomState>();
    return sharer_of(state, app) == sender.customer_id() ? &state : nullptr;
}

MessageHandler upload_begin(GridMessages m)
{
    return [m](ServerCore&, Client& sender, const IncomingMessage& message) {
        TileUpload& upload = upload_of(sender, m.app);
        if (!sharer_state(sender, m.app) || tile_index(message.head.address, m.app) < 0) {
            drop_upload(sender, upload, message.head.number, sharer_state(sender, m.app) ? "tile outside the grid" : "not the sharer");
            return;
        }
        if (upload.open)
            server_log("share: tile %d from %d begun again before its end: the part received is thrown away",
                       upload.tile, sender.customer_id());
        upload = TileUpload { true, message.head.address, {} };
    };
}

MessageHandler upload_data(GridMessages m)
{
    return [m](ServerCore&, Client& sender, const IncomingMessage& message) {
        TileUpload& upload = upload_of(sender, m.app);
        if (!upload.open || upload.tile != message.head.address) {
            drop_upload(sender, upload, message.head.number, upload.open ? "another tile's data" : "no tile begun");
            return;
        }
        if (message.body.empty() || message.body.size() > upload_chunk_limit) {
            drop_upload(sender, upload, message.head.number, "chunk size");
            return;
        }
        if (upload.bytes.size() + message.body.size() > share_tile_limit) {
            drop_upload(sender, upload, message.head.number, "tile too large");
            return;
        }
        upload.bytes.append(message.body);
    };
}

// "%4d:%8d" exactly.
bool parse_version_text(std::string_view body, int& version, long& size)
{
    if (body.size() != 13 || body[4] != ':')
        return false;
    std::string text(body);
    char tail = 0;
    return std::sscanf(text.c_str(), "%4d:%8ld%c", &version, &size, &tail) == 2;
}

MessageHandler upload_end(GridMessages m)
{
    return [m](ServerCore& server, Client& sender, const IncomingMessage& message) {
        TileUpload& upload = upload_of(sender, m.app);
        ShareRoomState* state = sharer_state(sender, m.app);
        if (!state || !upload.open || upload.tile != message.head.address) {
            drop_upload(sender, upload, message.head.number, !state ? "not the sharer" : upload.open ? "another tile's end" : "no tile begun");
            return;
        }
        int version = 0;
        long size = 0;
        if (!parse_version_text(message.body, version, size) || size != static_cast<long>(upload.bytes.size())) {
            drop_upload(sender, upload, message.head.number, "size or version does not match the data");
            return;
        }
        TileStore& store = live_store(*state, m.app);
        StoredTile& tile = store.tiles[static_cast<size_t>(tile_index(upload.tile, m.app))];
        size_t total = store.total_bytes - tile.bytes.size() + upload.bytes.size();
        if (total > share_store_limit) {
            drop_upload(sender, upload, message.head.number, "the share's store is full");
            return;
        }
        store.total_bytes = total;
        store.tile_changed();
        tile.present = true;
        tile.version = version;
        tile.bytes = std::move(upload.bytes);
        int number = upload.tile;
        upload = TileUpload {};
        std::string notice = tile_version_text(tile.version, tile.bytes.size());
        for (Client* member : sender.room()->members())
            if (member != &sender)
                server.send_data(*member, m.notice, notice, number);
    };
}

MessageHandler tile_request(GridMessages m)
{
    return [m](ServerCore& server, Client& sender, const IncomingMessage& message) {
        Room* room = sender.room();
        if (!room)
            return;
        ShareRoomState& state = room->state<ShareRoomState>();
        int index = tile_index(message.head.address, m.app);
        if (!sharer_of(state, m.app) || index < 0) {
            server_log("share: tile request %d for %d from %d dropped", message.head.number, message.head.address, sender.customer_id());
            return;
        }
        const StoredTile& tile = live_store(state, m.app).tiles[static_cast<size_t>(index)];
        if (!tile.present)
            return;
        int field2 = message.head.address;
        server.send_data(sender, m.one_begin, {}, field2, Channel::app);
        std::string_view bytes = tile.bytes;
        for (size_t at = 0; at < bytes.size(); at += answer_chunk)
            server.send_data(sender, m.one_data, bytes.substr(at, answer_chunk), field2, Channel::app);
        server.send_data(sender, m.one_end, tile_version_text(tile.version, bytes.size()), field2, Channel::app);
    };
}

void send_counter(ServerCore& server, Client& to, ShareRoomState& state, GridMessages m)
{
    std::string list;
    for (const StoredTile& tile : live_store(state, m.app).tiles)
        list += tile_version_text(tile.present ? tile.version : 0, tile.bytes.size());
    server.send_data(to, m.counter, list);
}

MessageHandler viewer_alive(GridMessages m)
{
    return [m](ServerCore& server, Client& sender, const IncomingMessage&) {
        Room* room = sender.room();
        if (!room)
            return;
        ShareRoomState& state = room->state<ShareRoomState>();
        if (sharer_of(state, m.app))
            send_counter(server, sender, state, m);
    };
}

void member_joined(ServerCore& server, Client& client)
{
    Room* room = client.room();
    if (!room)
        return;
    ShareRoomState& state = room->state<ShareRoomState>();
    for (const GridMessages& m : { app_messages, desk_messages })
        if (sharer_of(state, m.app) && sharer_of(state, m.app) != client.customer_id())
            send_counter(server, client, state, m);
}

void member_leaving(ServerCore&, Client& client)
{
    client.state<ShareTileClientState>() = ShareTileClientState {};
    if (Room* room = client.room()) {
        ShareRoomState& state = room->state<ShareRoomState>();
        if (state.controller == client.customer_id())
            state.controller = 0;
    }
}

} // namespace

std::string tile_version_text(int version, size_t size) { return format_text("%4d:%8d", version, static_cast<int>(size)); }

void share_tiles_started(ServerCore& server, Client& sharer, Room& room, bool app)
{
    ShareRoomState& state = room.state<ShareRoomState>();
    static int last_serial = 0;
    state.serial = ++last_serial;
    store_of(state, app).reset(grid_of(app));
    upload_of(sharer, app) = TileUpload {};
    state.controller = 0;
    for (Client* member : room.members())
        if (member != &sharer)
            server.send_cmd(*member, app ? MSG_APP_TILES_RESET : MSG_DESK_TILES_RESET);
}

void share_tiles_ended(Room& room, bool app)
{
    ShareRoomState& state = room.state<ShareRoomState>();
    store_of(state, app) = TileStore {};
    state.controller = 0;
}

void install_share_tile_messages(MessageTable& table)
{
    for (const GridMessages& m : { app_messages, desk_messages }) {
        table.add_handler(m.begin, upload_begin(m), "share tiles");
        table.add_handler(m.data, upload_data(m), "share tiles");
        table.add_handler(m.end, upload_end(m), "share tiles");
        table.add_handler(m.request, tile_request(m), "share tiles");
        table.add_handler(m.alive, viewer_alive(m), "share tiles");
    }
    table.on_room_joined(member_joined);
    table.on_room_leaving(member_leaving);
}
