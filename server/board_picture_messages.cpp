// The pictures of the whiteboard's slots, on the file connection. A member
// uploads a picture's compressed file (300, 301..., 302); the room keeps it
// and offers it (307) to the other members, and to every member who enters
// later together with its place (308, 309); a member who asks (303) gets it
// as 304, 305..., 306, paced by how fast it reads. A picture is bounded, and
// so is all that one room and all rooms keep, uploads under way included,
// so no member can make the server hold more. Deleting the slot, clearing
// the page or closing the room frees it.

#include "core/messages.h"
#include "core/text_util.h"
#include "server/board_pictures.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "whiteboard/board_action.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

namespace {

constexpr size_t download_piece_bytes = 8000;            // below a client's 8172-byte body
constexpr size_t download_high_mark = 1024 * 1024;        // queued on the file connection, then wait
constexpr size_t download_low_mark = 256 * 1024;

struct Budget {
    size_t used = 0;
};

// Bytes counted against the room's and the server's budgets, given back
// when it goes.
class Reservation {
public:
    Reservation() = default;
    Reservation(std::shared_ptr<Budget> room, std::shared_ptr<Budget> all) : room_(std::move(room)), all_(std::move(all)) {}
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;
    Reservation(Reservation&& other) noexcept { *this = std::move(other); }
    Reservation& operator=(Reservation&& other) noexcept
    {
        release();
        room_ = std::move(other.room_);
        all_ = std::move(other.all_);
        bytes_ = other.bytes_;
        other.bytes_ = 0;
        return *this;
    }
    ~Reservation() { release(); }

    bool grow(size_t n, size_t room_limit, size_t all_limit)
    {
        if (!room_ || !all_ || room_->used + n > room_limit || all_->used + n > all_limit)
            return false;
        room_->used += n;
        all_->used += n;
        bytes_ += n;
        return true;
    }
    size_t bytes() const { return bytes_; }

private:
    void release()
    {
        if (room_)
            room_->used -= bytes_;
        if (all_)
            all_->used -= bytes_;
        bytes_ = 0;
    }

    std::shared_ptr<Budget> room_;
    std::shared_ptr<Budget> all_;
    size_t bytes_ = 0;
};

struct StoredPicture {
    std::string data;  // the compressed file
    Reservation reserved;
};

struct SlotState {
    std::shared_ptr<const StoredPicture> picture;
    bool placed = false;
    int x = 0;
    int y = 0;
    bool ordered = false;
    int z_order = 0;
};

struct RoomPictures {
    std::shared_ptr<Budget> budget = std::make_shared<Budget>();
    std::array<std::array<SlotState, board_bmp_count>, board_count> pages {};
};

struct ServerPictures {
    std::shared_ptr<Budget> budget = std::make_shared<Budget>();
};

// The one upload a member may have under way.
struct PictureUpload {
    bool open = false;
    int room = 0;
    int page = -1;
    int slot = -1;
    std::string data;
    Reservation reserved;
    bool refusal_logged = false;

    void discard()
    {
        open = false;
        data.clear();
        data.shrink_to_fit();
        reserved = Reservation {};
    }
};

// What a member asked for and is being sent, one picture at a time.
struct PictureDownloads {
    std::deque<std::pair<int, int>> wanted;  // page, slot
    std::shared_ptr<const StoredPicture> current;
    int page = -1;
    int slot = -1;
    size_t offset = 0;
    bool waiting = false;
};

bool in_range(int page, int slot) { return page >= 0 && page < board_count && slot >= 0 && slot < board_bmp_count; }

// The slot index of a 300 or 303 body ("%4d").
int parse_slot(std::string_view body)
{
    char text[16] = {};
    std::memcpy(text, body.data(), std::min(body.size(), sizeof text - 1));
    int slot = -1;
    if (std::sscanf(text, "%d", &slot) != 1)
        return -1;
    return slot;
}

SlotState* slot_of(Room& room, int page, int slot)
{
    return in_range(page, slot) ? &room.state<RoomPictures>().pages[static_cast<size_t>(page)][static_cast<size_t>(slot)]
                                : nullptr;
}

void offer(ServerCore& server, Client& to, int page, int slot)
{
    server.send_data(to, MSG_BMP_DOWNLOAD_NEXT, std::to_string(slot), page, Channel::file);
}

// An upload into a slot that is deleted or cleared meanwhile is dropped too.
void discard_uploads_into(Room& room, int page, int slot)
{
    for (Client* member : room.members()) {
        PictureUpload& up = member->state<PictureUpload>();
        if (up.open && up.room == room.number() && up.page == page && (slot < 0 || up.slot == slot))
            up.discard();
    }
}

void refuse_upload(Client& sender, PictureUpload& up, const char* why)
{
    if (!up.refusal_logged)
        server_log("client %d: picture %d of board %d refused: %s", sender.customer_id(), up.slot, up.page, why);
    up.refusal_logged = true;
    up.discard();
}

// 300.
void upload_begin(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    PictureUpload& up = sender.state<PictureUpload>();
    up.discard();
    Room* room = sender.room();
    int page = message.head.address;
    int slot = parse_slot(message.body);
    if (!room || !in_range(page, slot)) {
        server_log("client %d: picture upload for board %d, slot %d dropped: %s", sender.customer_id(), page, slot,
            room ? "out of range" : "the sender is in no room");
        return;
    }
    up.open = true;
    up.room = room->number();
    up.page = page;
    up.slot = slot;
    up.refusal_logged = false;
    up.reserved = Reservation(room->state<RoomPictures>().budget, server.state<ServerPictures>().budget);
}

// 301.
void upload_data(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    PictureUpload& up = sender.state<PictureUpload>();
    if (!up.open)
        return;
    const ServerConfig& config = server.config();
    if (static_cast<long long>(up.data.size() + message.body.size()) > board_bmp_file_limit) {
        refuse_upload(sender, up, "larger than a picture may be");
        return;
    }
    if (!up.reserved.grow(message.body.size(), config.room_pictures_limit_bytes, config.pictures_limit_bytes)) {
        refuse_upload(sender, up, "the pictures kept for the room or the server are at their bound");
        return;
    }
    up.data.append(message.body);
}

// 302.
void upload_end(ServerCore& server, Client& sender, const IncomingMessage&)
{
    PictureUpload& up = sender.state<PictureUpload>();
    if (!up.open)
        return;
    Room* room = sender.room();
    if (!room || room->number() != up.room || up.data.empty()) {
        server_log("client %d: picture %d of board %d dropped: %s", sender.customer_id(), up.slot, up.page,
            up.data.empty() ? "empty" : "the sender left the room");
        up.discard();
        return;
    }
    auto picture = std::make_shared<StoredPicture>();
    picture->data = std::move(up.data);
    picture->reserved = std::move(up.reserved);
    int page = up.page;
    int slot = up.slot;
    up.discard();
    slot_of(*room, page, slot)->picture = picture;
    server_log("client %d: picture %d of board %d kept in room %d (%zu bytes)", sender.customer_id(), slot, page,
        room->number(), picture->data.size());
    for (Client* member : room->members()) {
        if (member != &sender)
            offer(server, *member, page, slot);
    }
}

// Sends what the member asked for while its file connection takes it; then
// waits for the connection to drain.
void pump_downloads(ServerCore& server, int customer_id)
{
    Client* client = server.find_client(customer_id);
    if (!client)
        return;
    PictureDownloads& d = client->state<PictureDownloads>();
    d.waiting = false;
    for (;;) {
        if (server.queued_bytes(*client, Channel::file) >= download_high_mark) {
            d.waiting = true;
            server.when_drained(*client, Channel::file, download_low_mark,
                [&server, customer_id] { pump_downloads(server, customer_id); });
            return;
        }
        Room* room = client->room();
        if (!d.current) {
            if (d.wanted.empty() || !room)
                return;
            auto [page, slot] = d.wanted.front();
            d.wanted.pop_front();
            SlotState* s = slot_of(*room, page, slot);
            if (!s || !s->picture)
                continue;
            d.current = s->picture;
            d.page = page;
            d.slot = slot;
            d.offset = 0;
            if (server.send_data(*client, MSG_BMP_DOWNLOAD_BEGIN, std::to_string(slot), page, Channel::file) != 0)
                break;
            continue;
        }
        // A picture deleted while it was on its way is not finished.
        SlotState* s = room ? slot_of(*room, d.page, d.slot) : nullptr;
        if (!s || s->picture != d.current) {
            d.current.reset();
            continue;
        }
        const std::string& data = d.current->data;
        if (d.offset < data.size()) {
            size_t n = std::min(download_piece_bytes, data.size() - d.offset);
            if (server.send_data(*client, MSG_BMP_DOWNLOAD_DATA, std::string_view(data).substr(d.offset, n), d.page,
                    Channel::file) != 0)
                break;
            d.offset += n;
            continue;
        }
        server.send_data(*client, MSG_BMP_DOWNLOAD_END, {}, d.page, Channel::file);
        d.current.reset();
    }
    // The connection is gone: nothing more goes to it.
    d = PictureDownloads {};
}

// 303.
void download_request(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    int page = message.head.address;
    int slot = parse_slot(message.body);
    Room* room = sender.room();
    SlotState* s = room ? slot_of(*room, page, slot) : nullptr;
    if (!s || !s->picture) {
        server_log("client %d: picture %d of board %d asked for: there is none", sender.customer_id(), slot, page);
        return;
    }
    PictureDownloads& d = sender.state<PictureDownloads>();
    // Asked again before it came: once is enough.
    for (const auto& w : d.wanted) {
        if (w.first == page && w.second == slot)
            return;
    }
    if (d.wanted.size() >= static_cast<size_t>(board_count * board_bmp_count))
        return;
    d.wanted.emplace_back(page, slot);
    if (!d.waiting)
        pump_downloads(server, sender.customer_id());
}

// A member who enters, or whose file connection came anew, is offered
// every picture; places go on the main connection.
void offer_room_pictures(ServerCore& server, Client& client, bool with_places)
{
    Room* room = client.room();
    if (!room)
        return;
    RoomPictures& pictures = room->state<RoomPictures>();
    for (int page = 0; page < board_count; ++page) {
        for (int slot = 0; slot < board_bmp_count; ++slot) {
            const SlotState& s = pictures.pages[static_cast<size_t>(page)][static_cast<size_t>(slot)];
            if (with_places && s.placed)
                server.send_data(client, MSG_BMP_POS, format_text("%4d:%4d:%4d", slot, s.x, s.y), page);
            if (with_places && s.ordered)
                server.send_data(client, MSG_BMP_Z_ORDER, format_text("%4d:%8d", slot, s.z_order), page);
            if (s.picture && client.has_channel(Channel::file))
                offer(server, client, page, slot);
        }
    }
}

} // namespace

void board_pictures_place(Room& room, int page, int slot, int x, int y)
{
    if (SlotState* s = slot_of(room, page, slot)) {
        s->placed = true;
        s->x = x;
        s->y = y;
    }
}

void board_pictures_z_order(Room& room, int page, int slot, int z_order)
{
    if (SlotState* s = slot_of(room, page, slot)) {
        s->ordered = true;
        s->z_order = z_order;
    }
}

void board_pictures_delete(Room& room, int page, int slot)
{
    if (SlotState* s = slot_of(room, page, slot)) {
        *s = SlotState {};
        discard_uploads_into(room, page, slot);
    }
}

void board_pictures_clear(Room& room, int page)
{
    for (int slot = 0; slot < board_bmp_count; ++slot)
        board_pictures_delete(room, page, slot);
}

void install_board_picture_messages(MessageTable& table)
{
    const char* family = "whiteboard pictures";
    table.add_handler(MSG_BMP_UPLOAD_BEGIN, upload_begin, family);
    table.add_handler(MSG_BMP_UPLOAD_DATA, upload_data, family);
    table.add_handler(MSG_BMP_UPLOAD_END, upload_end, family);
    table.add_handler(MSG_BMP_DOWNLOAD_REQUEST, download_request, family);
    table.on_room_joined([](ServerCore& server, Client& client) {
        client.state<PictureDownloads>() = PictureDownloads {};
        offer_room_pictures(server, client, true);
    });
    table.on_channel_bound([](ServerCore& server, Client& client, Channel channel) {
        if (channel != Channel::file)
            return;
        // What was on its way went with the old connection.
        client.state<PictureDownloads>() = PictureDownloads {};
        client.state<PictureUpload>().discard();
        offer_room_pictures(server, client, false);
    });
}
