// Whole pictures of a share on the application connection. A member who
// enters a room during a share, and a viewer whose application connection
// comes anew, get the whole shared window (212-214) or desktop (252-254),
// made from the tiles the server keeps. A viewer that was already sent the
// desktop picture of this share gets the signatures of the server's copy
// instead (451-453, 500-byte blocks, block value = index) and answers with
// its difference (454-456): the server rebuilds the viewer's copy from it
// and sends the picture only when that copy is not the current one. An empty
// difference means the viewer has no copy; a lying one (an unknown block,
// gaps in its positions, a literal past its data, over 16 MiB) is refused
// and answered with the picture.

#include "core/messages.h"
#include "server/app_file_queue.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "server/share_room_state.h"
#include "server/whole_picture_compose.h"
#include "sharing/file_diff.h"

#include <memory>
#include <string>

namespace {

struct WholePictureClientState {
    int desk_serial_sent = 0;  // the desktop share whose picture this client was sent
    // The copy whose signatures were sent, and the difference coming back.
    std::shared_ptr<const std::string> diff_base;
    int diff_serial = 0;
    bool diff_open = false;
    bool diff_too_large = false;
    std::string diff;
};

TileStore& store_of(ShareRoomState& state, bool app) { return app ? state.app_tiles : state.desk_tiles; }

// The share's whole picture, made when a tile changed since the last one; null while the tiles make none.
std::shared_ptr<const std::string> whole_picture(ShareRoomState& state, bool app)
{
    TileStore& store = store_of(state, app);
    if (store.whole || store.whole_failed || store.tiles.empty())
        return store.whole;
    std::vector<std::string_view> tiles;
    for (const StoredTile& tile : store.tiles) {
        if (!tile.present)
            return nullptr;  // the first pass of the sharer is still on its way
        tiles.push_back(tile.bytes);
    }
    std::string why;
    std::string packed = compose_whole_picture(tiles, app ? share_app_grid : share_desk_grid, app, why);
    if (packed.empty()) {
        server_log("share: no whole picture of share %d: %s", state.serial, why.c_str());
        store.whole_failed = true;
        return nullptr;
    }
    store.whole = std::make_shared<const std::string>(std::move(packed));
    return store.whole;
}

void send_picture(ServerCore& server, Client& client, ShareRoomState& state, bool app, std::shared_ptr<const std::string> picture)
{
    AppFile file;
    file.begin = app ? MSG_SHARE_APP_FILE_BEGIN : MSG_SHARE_DESK_FILE_BEGIN;
    file.data = app ? MSG_SHARE_APP_FILE_DATA : MSG_SHARE_DESK_FILE_DATA;
    file.end = app ? MSG_SHARE_APP_FILE_END : MSG_SHARE_DESK_FILE_END;
    file.bytes = std::move(picture);
    queue_app_file(server, client, std::move(file));
    if (!app)
        client.state<WholePictureClientState>().desk_serial_sent = state.serial;
}

// The room's running share as this client views it: true with app set, or false when it views none.
bool viewed_share(Client& client, ShareRoomState*& state, bool& app)
{
    Room* room = client.room();
    if (!room)
        return false;
    state = &room->state<ShareRoomState>();
    const int id = client.customer_id();
    if (state->app_sharer && state->app_sharer != id) {
        app = true;
        return true;
    }
    if (state->desk_sharer && state->desk_sharer != id) {
        app = false;
        return true;
    }
    return false;
}

void offer_whole_picture(ServerCore& server, Client& client)
{
    ShareRoomState* state = nullptr;
    bool app = false;
    if (!client.has_channel(Channel::app) || !viewed_share(client, state, app))
        return;
    std::shared_ptr<const std::string> picture = whole_picture(*state, app);
    if (!picture)
        return;
    WholePictureClientState& mine = client.state<WholePictureClientState>();
    if (app || mine.desk_serial_sent != state->serial) {
        send_picture(server, client, *state, app, std::move(picture));
        return;
    }
    // It holds this share's desktop picture: only whether that is still the current one is in question.
    mine.diff_base = picture;
    mine.diff_serial = state->serial;
    mine.diff_open = false;
    mine.diff.clear();
    AppFile signatures;
    signatures.begin = MSG_DESK_CS_BEGIN;
    signatures.data = MSG_DESK_CS_DATA;
    signatures.end = MSG_DESK_CS_END;
    signatures.bytes = std::make_shared<const std::string>(make_diff_signatures(*picture));
    queue_app_file(server, client, std::move(signatures));
}

void diff_begin(ServerCore&, Client& sender, const IncomingMessage&)
{
    WholePictureClientState& mine = sender.state<WholePictureClientState>();
    if (mine.diff_open)
        server_log("share: difference from %d begun again before its end: the part received is thrown away", sender.customer_id());
    mine.diff_open = true;
    mine.diff_too_large = false;
    mine.diff.clear();
}

void diff_data(ServerCore&, Client& sender, const IncomingMessage& message)
{
    WholePictureClientState& mine = sender.state<WholePictureClientState>();
    if (!mine.diff_open || mine.diff_too_large)
        return;
    if (message.body.size() > diff_apply_limit - mine.diff.size()) {
        mine.diff_too_large = true;
        mine.diff.clear();
        return;
    }
    mine.diff.append(message.body);
}

void diff_end(ServerCore& server, Client& sender, const IncomingMessage&)
{
    WholePictureClientState& mine = sender.state<WholePictureClientState>();
    const int id = sender.customer_id();
    if (!mine.diff_open) {
        server_log("share: difference end from %d without its begin: dropped", id);
        return;
    }
    const std::string diff = std::move(mine.diff);
    const std::shared_ptr<const std::string> base = std::move(mine.diff_base);
    const int serial = mine.diff_serial;
    const bool too_large = mine.diff_too_large;
    mine.diff_open = false;
    mine.diff_too_large = false;
    mine.diff.clear();
    mine.diff_serial = 0;
    ShareRoomState* state = nullptr;
    bool app = false;
    if (!base || !viewed_share(sender, state, app) || app || state->serial != serial) {
        server_log("share: difference from %d about no desktop picture it was asked about: dropped", id);
        return;
    }
    std::shared_ptr<const std::string> current = whole_picture(*state, false);
    if (!current)
        return;
    const char* why = "an older copy";
    if (too_large) {
        why = "its difference is over 16 MiB: refused";
    } else if (diff.empty()) {
        why = "no copy";
    } else {
        std::string rebuilt;
        DiffApplyResult result = apply_desk_diff(*base, diff, rebuilt);
        if (result != DiffApplyResult::ok) {
            server_log("share: difference from %d refused: %s", id, diff_apply_result_text(result));
            why = "its difference was refused";
        } else if (rebuilt == *current) {
            server_log("share: %d holds the current desktop picture", id);
            return;
        }
    }
    server_log("share: %d gets the desktop picture (%s)", id, why);
    send_picture(server, sender, *state, false, std::move(current));
}

} // namespace

void install_whole_picture_messages(MessageTable& table)
{
    table.add_handler(MSG_DESK_DIFF_UPLOAD_BEGIN, diff_begin, "whole pictures");
    table.add_handler(MSG_DESK_DIFF_UPLOAD_DATA, diff_data, "whole pictures");
    table.add_handler(MSG_DESK_DIFF_UPLOAD_END, diff_end, "whole pictures");
    table.on_room_joined(offer_whole_picture);
    table.on_channel_bound([](ServerCore& server, Client& client, Channel channel) {
        if (channel != Channel::app)
            return;
        // What waited for the old connection, a difference half received on it included, is gone with it.
        reset_app_file_queue(client);
        WholePictureClientState& mine = client.state<WholePictureClientState>();
        mine.diff_open = false;
        mine.diff.clear();
        offer_whole_picture(server, client);
    });
}
