// The whiteboard: every page change is relayed to the whole room, the sender
// included, because clients draw only what comes back. Each room keeps its
// ten pages (actions, texts, fonts) the way the clients apply them, so that
// a reload (51) is answered with the page as a 55/53/54/52 stream and a
// member who enters a room with drawings gets the visible counts (580).
// Board navigation (18, 19, 410-417) belongs to the control family.

#include "core/messages.h"
#include "core/text_util.h"
#include "server/board_pictures.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "whiteboard/board_action.h"

#include <algorithm>
#include <cstdio>
#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// A page holds at most this many actions on the server: one room holds at
// most 10 x 4.4 MB of drawing, and a page's reload stream (71 bytes an
// action) stays inside one connection's send queue.
constexpr int server_page_action_limit = 100000;
constexpr int pool_index_bytes = 5;    // 53, 54, 55: "%d:" in bytes 0-4
constexpr int action_index_bytes = 7;  // 52: "%d:" in bytes 0-6
constexpr int first_shared_font = 1;   // entry 0: the client's view font

struct ServerBoardPage {
    std::vector<board_action> actions;  // up to the redo limit
    int visible_count = 0;
};

struct PoolEntry {
    bool used = false;
    std::string text;
};

struct RoomBoards {
    std::array<ServerBoardPage, board_count> pages;
    std::array<PoolEntry, board_short_str_count> short_str;
    std::array<PoolEntry, board_long_str_count> long_str;
    std::array<board_logfont, board_font_count> fonts {};
    std::array<bool, board_font_count> font_used {};
    bool short_full_logged = false;
    bool long_full_logged = false;

    bool has_drawings() const
    {
        return std::any_of(pages.begin(), pages.end(), [](const ServerBoardPage& p) { return p.visible_count > 0; });
    }
};

constexpr RelayRule to_whole_room { RelayTo::whole_room, Field2Out::keep };

RoomBoards* boards_of(Client& sender, int number)
{
    Room* room = sender.room();
    if (!room) {
        server_log("client %d: board message %d dropped: the sender is in no room", sender.customer_id(), number);
        return nullptr;
    }
    return &room->state<RoomBoards>();
}

bool board_valid(Client& sender, const IncomingMessage& message)
{
    int board = message.head.address;
    if (board >= 0 && board < board_count)
        return true;
    server_log("client %d: board message %d for board %d dropped: out of range", sender.customer_id(),
               message.head.number, board);
    return false;
}

int append(ServerBoardPage& page, const board_action& action)
{
    if (page.visible_count >= server_page_action_limit)
        return -1;
    // A new action discards what an undo had hidden.
    page.actions.resize(static_cast<size_t>(page.visible_count));
    page.actions.push_back(action);
    page.visible_count = static_cast<int>(page.actions.size());
    return 0;
}

// 1, 2, 5-10, 15.
void board_action_message(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    RoomBoards* boards = boards_of(sender, message.head.number);
    if (!boards || !board_valid(sender, message))
        return;
    if (message.body.size() < sizeof(board_action)) {
        server_log("client %d: board message %d of %zu bytes dropped: shorter than an action", sender.customer_id(),
                   message.head.number, message.body.size());
        return;
    }
    board_action action;
    std::memcpy(&action, message.body.data(), sizeof action);
    if (append(boards->pages[static_cast<size_t>(message.head.address)], action) != 0) {
        server_log("client %d: board %d of room %d is full, action dropped", sender.customer_id(), message.head.address,
                   sender.room()->number());
        return;
    }
    server.relay(sender, message, to_whole_room);
}

// Finds the first free entry of a pool, as every client does.
template <size_t N>
int store_in_pool(std::array<PoolEntry, N>& pool, std::string_view text)
{
    for (size_t i = 0; i < N; ++i) {
        if (!pool[i].used) {
            pool[i].used = true;
            pool[i].text.assign(text);
            return static_cast<int>(i);
        }
    }
    return -1;
}

// 4: the action, then the text without terminator.
void board_text_message(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    RoomBoards* boards = boards_of(sender, message.head.number);
    if (!boards || !board_valid(sender, message))
        return;
    size_t text_len = message.body.size() > sizeof(board_action) ? message.body.size() - sizeof(board_action) : 0;
    if (text_len == 0 || text_len >= static_cast<size_t>(board_long_str_size)) {
        server_log("client %d: board text of %zu characters dropped", sender.customer_id(), text_len);
        return;
    }
    board_action action;
    std::memcpy(&action, message.body.data(), sizeof action);
    std::string_view text = message.body.substr(sizeof action);
    bool is_long = text_len >= static_cast<size_t>(board_short_str_size);
    int entry = is_long ? store_in_pool(boards->long_str, text) : store_in_pool(boards->short_str, text);
    // Every client fills its pools as the server does, so a text the server
    // has no entry for has none on any client either: relayed, it would only
    // make every client complain that its pool is used up.
    if (entry < 0) {
        bool& logged = is_long ? boards->long_full_logged : boards->short_full_logged;
        if (!logged)
            server_log("client %d: the %s text pool of room %d is full: further texts are not relayed",
                       sender.customer_id(), is_long ? "long" : "short", sender.room()->number());
        logged = true;
        return;
    }
    action.kind = ACTION_TEXT;
    action.text_pool() = is_long ? board_pool_long : board_pool_short;
    action.text_entry() = entry;
    action.text_address() = 0;
    if (append(boards->pages[static_cast<size_t>(message.head.address)], action) != 0) {
        server_log("client %d: board %d of room %d is full, text dropped", sender.customer_id(),
                   message.head.address, sender.room()->number());
        return;
    }
    server.relay(sender, message, to_whole_room);
}

// 3: the font table fills as on every client: an equal font is found again.
void board_font_message(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    RoomBoards* boards = boards_of(sender, message.head.number);
    if (!boards)
        return;
    if (message.body.size() < board_logfont_size) {
        server_log("client %d: font of %zu bytes dropped", sender.customer_id(), message.body.size());
        return;
    }
    board_logfont font {};
    std::memcpy(font.data(), message.body.data(), font.size());
    bool found = false;
    // Entry 0 is each client's own view font, so uploads fill from entry 1
    // there and here alike.
    for (int i = first_shared_font; i < board_font_count && !found; ++i)
        found = boards->font_used[static_cast<size_t>(i)] && boards->fonts[static_cast<size_t>(i)] == font;
    for (int i = first_shared_font; i < board_font_count && !found; ++i) {
        if (!boards->font_used[static_cast<size_t>(i)]) {
            boards->fonts[static_cast<size_t>(i)] = font;
            boards->font_used[static_cast<size_t>(i)] = true;
            found = true;
        }
    }
    server.relay(sender, message, to_whole_room);
}

// 12, 13, 14.
void board_page_operation(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    RoomBoards* boards = boards_of(sender, message.head.number);
    if (!boards || !board_valid(sender, message))
        return;
    ServerBoardPage& page = boards->pages[static_cast<size_t>(message.head.address)];
    int limit = static_cast<int>(page.actions.size());
    if (message.head.number == MSG_BOARD_UNDO)
        page.visible_count = board_gesture_undo_count(page.actions.data(), page.visible_count);
    else if (message.head.number == MSG_BOARD_REDO)
        page.visible_count = board_gesture_redo_count(page.actions.data(), page.visible_count, limit);
    else {
        page.actions.clear();
        page.visible_count = 0;
        board_pictures_clear(*sender.room(), message.head.address);
    }
    server.relay(sender, message, to_whole_room);
}

// 11, 16, 17: nothing kept here, relayed to the whole room.
void board_relay_only(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    if (!boards_of(sender, message.head.number) || !board_valid(sender, message))
        return;
    server.relay(sender, message, to_whole_room);
}

// 308-310: the room's pictures keep the place, order and deletion for
// members who enter later; relayed to the whole room.
void board_picture_message(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    if (!boards_of(sender, message.head.number) || !board_valid(sender, message))
        return;
    char text[32] = {};
    std::memcpy(text, message.body.data(), std::min(message.body.size(), sizeof text - 1));
    int slot = -1;
    int a = 0;
    int b = 0;
    int page = message.head.address;
    Room& room = *sender.room();
    if (message.head.number == MSG_BMP_POS && std::sscanf(text, "%d:%d:%d", &slot, &a, &b) == 3)
        board_pictures_place(room, page, slot, a, b);
    else if (message.head.number == MSG_BMP_Z_ORDER && std::sscanf(text, "%d:%d", &slot, &a) == 2)
        board_pictures_z_order(room, page, slot, a);
    else if (message.head.number == MSG_BMP_DELETE && std::sscanf(text, "%d", &slot) == 1)
        board_pictures_delete(room, page, slot);
    server.relay(sender, message, to_whole_room);
}

std::string padded_index(int index, int width)
{
    std::string text = format_text("%d:", index);
    if (static_cast<int>(text.size()) < width)
        text.append(static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

// How many undos take a page holding all its actions back to its visible
// count; -1 when gesture steps cannot land there.
int undos_to_visible(const ServerBoardPage& page)
{
    int count = static_cast<int>(page.actions.size());
    int undos = 0;
    while (count > page.visible_count) {
        count = board_gesture_undo_count(page.actions.data(), count);
        ++undos;
    }
    return count == page.visible_count ? undos : -1;
}

// 51: the page as the reload stream, to the asking member only. It carries
// the actions an undo hid as well, followed by the undos that hide them
// again, so that a redo after the reload brings them back here as
// everywhere else.
void board_reload_message(ServerCore& server, Client& sender, const IncomingMessage& message)
{
    RoomBoards* boards = boards_of(sender, message.head.number);
    if (!boards || !board_valid(sender, message))
        return;
    int board = message.head.address;
    const ServerBoardPage& page = boards->pages[static_cast<size_t>(board)];
    const int undos = undos_to_visible(page);
    const int sent = undos >= 0 ? static_cast<int>(page.actions.size()) : page.visible_count;
    for (int i = first_shared_font; i < board_font_count; ++i) {
        if (!boards->font_used[static_cast<size_t>(i)])
            continue;
        const board_logfont& font = boards->fonts[static_cast<size_t>(i)];
        std::string body = padded_index(i, pool_index_bytes);
        body.append(reinterpret_cast<const char*>(font.data()), font.size());
        server.send_data(sender, MSG_BOARD_FONT, body, board);
    }
    std::set<int> short_sent;
    std::set<int> long_sent;
    for (int i = 0; i < sent; ++i) {
        const board_action& a = page.actions[static_cast<size_t>(i)];
        if (a.kind != ACTION_TEXT)
            continue;
        int entry = a.text_entry();
        bool is_long = a.text_pool() == board_pool_long;
        const PoolEntry* e = nullptr;
        if (is_long && entry >= 0 && entry < board_long_str_count && long_sent.insert(entry).second)
            e = &boards->long_str[static_cast<size_t>(entry)];
        else if (!is_long && entry >= 0 && entry < board_short_str_count && short_sent.insert(entry).second)
            e = &boards->short_str[static_cast<size_t>(entry)];
        if (e && e->used)
            server.send_data(sender, is_long ? MSG_BOARD_LONG_STR : MSG_BOARD_SHORT_STR,
                             padded_index(entry, pool_index_bytes) + e->text, board);
    }
    for (int i = 0; i < sent; ++i) {
        const board_action& a = page.actions[static_cast<size_t>(i)];
        std::string body = padded_index(i, action_index_bytes);
        body.append(reinterpret_cast<const char*>(&a), sizeof a);
        server.send_data(sender, MSG_BOARD_SET_ACTION, body, board);
    }
    for (int i = 0; i < undos; ++i)
        server.send_data(sender, MSG_BOARD_UNDO, {}, board);
    server_log("client %d: board %d reloaded with %d actions, %d of them undone", sender.customer_id(), board, sent,
               std::max(undos, 0) > 0 ? sent - page.visible_count : 0);
}

// A member who enters a room with drawings learns the visible counts.
void board_room_entered(ServerCore& server, Client& sender)
{
    Room* room = sender.room();
    if (!room)
        return;
    const RoomBoards& boards = room->state<RoomBoards>();
    if (!boards.has_drawings())
        return;
    std::string counts;
    for (const ServerBoardPage& page : boards.pages)
        counts += format_text("%4d:", page.visible_count);
    server.send_data(sender, MSG_BOARD_VERIFY, counts);
}

} // namespace

void install_board_messages(MessageTable& table)
{
    const char* family = "whiteboard";
    for (int number : { MSG_BOARD_POINT, MSG_BOARD_LINE, MSG_BOARD_RECT, MSG_BOARD_FILLED_RECT, MSG_BOARD_ELLIPSE,
             MSG_BOARD_FILLED_ELLIPSE, MSG_BOARD_ROUND_RECT, MSG_BOARD_FILLED_ROUND_RECT, MSG_BOARD_SHAPE })
        table.add_handler(number, board_action_message, family);
    table.add_handler(MSG_BOARD_TEXT, board_text_message, family);
    table.add_handler(MSG_BOARD_FONT_UPLOAD, board_font_message, family);
    for (int number : { MSG_BOARD_UNDO, MSG_BOARD_REDO, MSG_BOARD_CLEAR })
        table.add_handler(number, board_page_operation, family);
    for (int number : { MSG_BOARD_POINTER, MSG_BOARD_LOCK, MSG_BOARD_UNLOCK })
        table.add_handler(number, board_relay_only, family);
    for (int number : { MSG_BMP_POS, MSG_BMP_Z_ORDER, MSG_BMP_DELETE })
        table.add_handler(number, board_picture_message, family);
    table.add_handler(MSG_BOARD_RELOAD, board_reload_message, family);
    table.on_room_joined(board_room_entered);
}
