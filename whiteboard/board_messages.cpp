#include "whiteboard/board_messages.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "platform/sys/clock.h"
#include "whiteboard/board_bitmap_slots.h"
#include "whiteboard/board_recording.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

AtomicInt g_offline_board { 0 };

namespace {

// Sends one message on the main connection, field 2 = board.
int board_send(int board, int number, std::string_view body)
{
    if (held_while_playing(number))
        return 0;
    std::string message(wire_head_len + body.size(), '\0');
    WireHead head { 0, board, number, static_cast<int>(body.size()) };
    if (!format_wire_head(message.data(), head)) {
        dbg_log("board_send: head %d:%d:%d:%d does not fit, not sent.\n", head.spare, head.address, head.number,
                head.length);
        return 0;
    }
    if (!body.empty())
        std::memcpy(message.data() + wire_head_len, body.data(), body.size());
    g_main_sock.my_send_fixed_len(message.data(), static_cast<int>(message.size()));
    return 0;
}

std::string_view action_bytes(const board_action& action)
{
    return std::string_view(reinterpret_cast<const char*>(&action), sizeof action);
}

// A body as a terminated text of at most limit bytes, for the "%d" fields.
template <size_t N>
std::array<char, N + 1> terminated(const char* body, int len)
{
    std::array<char, N + 1> text {};
    if (body && len > 0)
        std::memcpy(text.data(), body, std::min<size_t>(static_cast<size_t>(len), N));
    return text;
}

bool half_size(int board) { return board_index_valid(board) && g_board[static_cast<size_t>(board)].half_size == 1; }

// The page settings a receiver changes (pointer, lock, scroll position) are
// read by painting on the UI thread, so they change under the page lock.
template <class Change>
void change_page(int board, Change change)
{
    std::lock_guard<std::mutex> guard(board_actions_lock());
    change(g_board[static_cast<size_t>(board)]);
}

// Builds the action of messages 2 and 5-10 and 15; halves a zoomed page's
// coordinates into page coordinates.
board_action figure_action(int board, int kind, int red, int green, int blue, int x1, int y1, int x2, int y2,
                           int width, int gesture_end)
{
    if (half_size(board)) {
        x1 /= 2;
        y1 /= 2;
        x2 /= 2;
        y2 /= 2;
    }
    board_action a;
    a.kind = kind;
    a.set_gesture_end(gesture_end);
    a.data = { x1, y1, x2, y2, width, red, green, blue, 0 };
    return a;
}

using Receiver = int (*)(const char*, int, int);

int send_or_apply(int board, int number, std::string_view body, Receiver receiver)
{
    if (g_offline_board == 1) {
        receiver(body.data(), board, static_cast<int>(body.size()));
        return 0;
    }
    return board_send(board, number, body);
}

int send_figure(int number, int kind, int board, int red, int green, int blue, int x1, int y1, int x2, int y2,
                int width, int gesture_end, Receiver receiver)
{
    board_action a = figure_action(board, kind, red, green, blue, x1, y1, x2, y2, width, gesture_end);
    return send_or_apply(board, number, action_bytes(a), receiver);
}

// Logs on the 1st, 21st, 41st ... failure of one caller.
bool failure_due(std::atomic<int>& counter) { return counter.fetch_add(1) % 20 == 0; }

std::atomic<int> g_point_failures { 0 };
std::atomic<int> g_line_failures { 0 };
std::atomic<int> g_text_failures { 0 };
std::atomic<int> g_set_action_failures { 0 };

bool take_action(const char* body, int board, int len, const char* receiver, board_action& action)
{
    if (!body || len < static_cast<int>(sizeof(board_action))) {
        dbg_log("%s: body of %d bytes is shorter than an action, dropped\n", receiver, len);
        return false;
    }
    if (!board_index_valid(board)) {
        dbg_log("%s: board_num:%d out of range, dropped\n", receiver, board);
        return false;
    }
    std::memcpy(&action, body, sizeof action);
    return true;
}

void announce_appended(int board)
{
    const int count = g_board[static_cast<size_t>(board)].visible_count;
    post_window_message(WindowSlot::board_view, WM_MY_MSG_BOARD_ACTIONS_ADDED, static_cast<uintptr_t>(board), count);
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_BOARD_ACTIONS_ADDED, static_cast<uintptr_t>(board), count);
}

int append_received(const char* body, int board, int len, const char* receiver, std::atomic<int>* counter,
                    const char* failure_line)
{
    board_action action;
    if (!take_action(body, board, len, receiver, action))
        return -1;
    if (board_append_action(board, action) != 0) {
        int count = g_board[static_cast<size_t>(board)].visible_count;
        if (!counter)
            dbg_log(failure_line, count, board);
        else if (failure_due(*counter))
            dbg_log(failure_line, count);
        return -1;
    }
    announce_appended(board);
    record_general_action(action, board);
    return 0;
}

bool bmp_index_valid(int board, int index, const char* receiver)
{
    if (board_index_valid(board) && index >= 0 && index < board_bmp_count)
        return true;
    dbg_log("%s: board_num:%d, bmp_index:%d out of range, ignored\n", receiver, board, index);
    return false;
}

} // namespace

// ---- builders ----

int send_board_point(int board, int red, int green, int blue, int x, int y, int width)
{
    if (half_size(board)) {
        x /= 2;
        y /= 2;
    }
    board_action a;
    a.kind = ACTION_POINT;
    a.set_gesture_end(1);
    a.data = { x, y, width, red, green, blue, 0, 0, 0 };
    // Off line the point goes through the general receiver, which appends alike.
    return send_or_apply(board, MSG_BOARD_POINT, action_bytes(a), board_add_general_from_server);
}

int send_board_line(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width, int gesture_end)
{
    return send_figure(MSG_BOARD_LINE, ACTION_LINE, board, red, green, blue, x1, y1, x2, y2, width, gesture_end,
                       board_add_line_from_server);
}

int send_board_font(const board_logfont& logfont)
{
    std::string_view body(reinterpret_cast<const char*>(logfont.data()), logfont.size());
    return send_or_apply(0, MSG_BOARD_FONT_UPLOAD, body, board_font_upload_from_server);
}

int send_board_text(int board, int x, int y, int font_index, std::string_view text, int red, int green, int blue)
{
    board_action a;
    a.kind = ACTION_TEXT;
    a.set_gesture_end(1);
    a.data = { x, y, red, green, blue, font_index, 0, 0, 0 };
    std::string body(action_bytes(a));
    body.append(text);
    return send_or_apply(board, MSG_BOARD_TEXT, body, board_add_text_from_server);
}

int send_board_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width, int gesture_end)
{
    return send_figure(MSG_BOARD_RECT, ACTION_RECT, board, red, green, blue, x1, y1, x2, y2, width, gesture_end,
                       board_add_general_from_server);
}

int send_board_filled_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                           int gesture_end)
{
    return send_figure(MSG_BOARD_FILLED_RECT, ACTION_FILLED_RECT, board, red, green, blue, x1, y1, x2, y2, width,
                       gesture_end, board_add_general_from_server);
}

int send_board_ellipse(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                       int gesture_end)
{
    return send_figure(MSG_BOARD_ELLIPSE, ACTION_ELLIPSE, board, red, green, blue, x1, y1, x2, y2, width,
                       gesture_end, board_add_general_from_server);
}

int send_board_filled_ellipse(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                              int gesture_end)
{
    return send_figure(MSG_BOARD_FILLED_ELLIPSE, ACTION_FILLED_ELLIPSE, board, red, green, blue, x1, y1, x2, y2,
                       width, gesture_end, board_add_general_from_server);
}

int send_board_round_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                          int gesture_end)
{
    return send_figure(MSG_BOARD_ROUND_RECT, ACTION_ROUND_RECT, board, red, green, blue, x1, y1, x2, y2, width,
                       gesture_end, board_add_general_from_server);
}

int send_board_filled_round_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                                 int gesture_end)
{
    return send_figure(MSG_BOARD_FILLED_ROUND_RECT, ACTION_FILLED_ROUND_RECT, board, red, green, blue, x1, y1, x2, y2,
                       width, gesture_end, board_add_general_from_server);
}

int send_board_shape(int board, int kind, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                     int gesture_end)
{
    return send_figure(MSG_BOARD_SHAPE, kind, board, red, green, blue, x1, y1, x2, y2, width, gesture_end,
                       board_add_general_from_server);
}

int send_board_general_action(int board, const board_action& action)
{
    return board_send(board, MSG_BOARD_SHAPE, action_bytes(action));
}

int send_board_pointer(int board, int x, int y) { return board_send(board, MSG_BOARD_POINTER, format_text("%4d:%4d", x, y)); }

// Undo, redo and clear are recorded once, by their receivers: on line when
// the relayed message arrives, off line when applied here.
int send_board_undo(int board)
{
    if (g_offline_board == 1) {
        board_undo_from_server(board);
        return 0;
    }
    return board_send(board, MSG_BOARD_UNDO, {});
}

int send_board_redo(int board)
{
    if (g_offline_board == 1) {
        board_redo_from_server(board);
        return 0;
    }
    return board_send(board, MSG_BOARD_REDO, {});
}

int send_board_clear(int board)
{
    if (g_offline_board == 1) {
        board_clear_from_server(board);
        return 0;
    }
    return board_send(board, MSG_BOARD_CLEAR, {});
}

int send_board_lock(int board) { return board_send(board, MSG_BOARD_LOCK, {}); }
int send_board_unlock(int board) { return board_send(board, MSG_BOARD_UNLOCK, {}); }
int send_board_reload(int board) { return board_send(board, MSG_BOARD_RELOAD, {}); }
int send_board_show_pointer(int board, int on) { return board_send(board, on ? MSG_SHOW_POINTER : MSG_HIDE_POINTER, {}); }
int send_board_zoom(int board, int on) { return board_send(board, on ? MSG_BOARD_ZOOM_IN : MSG_BOARD_ZOOM_OUT, {}); }

int send_bmp_pos(int board, int index, int x, int y)
{
    return send_or_apply(board, MSG_BMP_POS, format_text("%4d:%4d:%4d", index, x, y), bmp_set_pos_from_server);
}

int send_bmp_z_order(int board, int index, int z_order)
{
    return send_or_apply(board, MSG_BMP_Z_ORDER, format_text("%4d:%8d", index, z_order), bmp_set_z_order_from_server);
}

int send_bmp_delete(int board, int index)
{
    return send_or_apply(board, MSG_BMP_DELETE, format_text("%4d", index), bmp_delete_from_server);
}

int send_board_number()
{
    int board = g_current_board.load();
    record_ui_event_1(board);
    if (g_is_presenter == 0 || g_board_sync == 0)
        return -1;
    return board_send(board, MSG_BOARD_NUMBER, {});
}

int send_board_select(int scroll_x, int scroll_y)
{
    int board = g_current_board.load();
    record_ui_event_2(board, scroll_x, scroll_y);
    if (g_is_presenter == 0 || g_board_sync == 0)
        return -1;
    return board_send(board, MSG_BOARD_SELECT, format_text("%4d:%4d", scroll_x, scroll_y));
}

// ---- receivers ----

int board_add_point_from_server(const char* body, int board, int len)
{
    return append_received(body, board, len, "board_add_point_from_server", &g_point_failures,
                           "failed to add point in board_add_point_from_server due to memory allocation fail. "
                           "action count:%d\n");
}

int board_add_line_from_server(const char* body, int board, int len)
{
    return append_received(body, board, len, "board_add_line_from_server", &g_line_failures,
                           "failed in board_add_line_from_server due to memory allocation fail. action count:%d\n");
}

int board_add_general_from_server(const char* body, int board, int len)
{
    return append_received(body, board, len, "board_add_general_from_server", nullptr,
                           "failed in board_add_general_from_server due to memory allocation fail. action "
                           "count:%d, board_num:%d\n");
}

int board_add_text_from_server(const char* body, int board, int len)
{
    board_action action;
    if (!take_action(body, board, len, "board_add_text_from_server", action))
        return -1;
    std::string_view text(body + sizeof action, static_cast<size_t>(len) - sizeof action);
    if (text.empty()) {
        dbg_log("board_add_text_from_server: empty text, dropped\n");
        return -1;
    }
    action.kind = ACTION_TEXT;
    if (board_store_text(board, action, text) != 0)
        return -1;
    if (board_append_action(board, action) != 0) {
        if (failure_due(g_text_failures))
            dbg_log("failed to add point to white board due to memory allocation fail. action count:%d\n",
                    g_board[static_cast<size_t>(board)].visible_count);
        return -1;
    }
    announce_appended(board);
    record_text(action, board, text.data(), static_cast<int>(text.size()));
    return 0;
}

int board_font_upload_from_server(const char* body, int, int len)
{
    if (!body || len < static_cast<int>(board_logfont_size)) {
        dbg_log("board_font_upload_from_server: body of %d bytes is shorter than a font, dropped\n", len);
        return -1;
    }
    board_logfont logfont {};
    std::memcpy(logfont.data(), body, logfont.size());
    int rc = board_add_font(logfont);
    record_board_font(logfont);
    return rc;
}

int board_set_pointer_from_server(const char* body, int board, int len)
{
    if (!board_index_valid(board)) {
        dbg_log("board_set_pointer_from_server: board_num:%d out of range, dropped\n", board);
        return -1;
    }
    auto text = terminated<16>(body, len);
    int x = 0;
    int y = 0;
    if (std::sscanf(text.data(), "%d:%d", &x, &y) != 2) {
        dbg_log("board_set_pointer_from_server: bad body, dropped\n");
        return -1;
    }
    change_page(board, [x, y](board_record& page) {
        page.pointer_x = x;
        page.pointer_y = y;
    });
    board_invalidate_windows(board);
    return 0;
}

int board_undo_from_server(int board)
{
    if (board_undo(board) == 0)
        return 0;
    board_invalidate_windows(board);
    record_board_op(board_op_undo, board);
    return 0;
}

int board_redo_from_server(int board)
{
    if (board_redo(board) == 0)
        return 0;
    board_invalidate_windows(board);
    record_board_op(board_op_redo, board);
    return 0;
}

int board_clear_from_server(int board)
{
    if (!board_index_valid(board)) {
        dbg_log("board_clear_from_server: board_num:%d out of range, dropped\n", board);
        return -1;
    }
    board_clear(board);
    board_invalidate_windows(board);
    board_invalidate_share_view(board);
    record_board_op(board_op_clear, board);
    return 0;
}

int board_lock_from_server(int board)
{
    if (!board_index_valid(board))
        return -1;
    change_page(board, [](board_record& page) {
        page.lock_flag = 1;
        page.tool = 0;
    });
    return 0;
}

int board_unlock_from_server(int board)
{
    if (!board_index_valid(board))
        return -1;
    change_page(board, [](board_record& page) { page.lock_flag = 0; });
    return 0;
}

int board_set_action_from_server(const char* body, int board, int len)
{
    if (!body || len < board_action_index_bytes + static_cast<int>(sizeof(board_action)) || !board_index_valid(board)) {
        dbg_log("board_set_action_from_server: board_num:%d, len:%d, dropped\n", board, len);
        return -1;
    }
    auto index_text = terminated<board_action_index_bytes>(body, len);
    int index = -1;
    if (std::sscanf(index_text.data(), "%d:", &index) != 1 || index < 0 || index > board_max_action_index) {
        dbg_log("board_set_action_from_server: bad index, dropped\n");
        return -1;
    }
    board_action action;
    std::memcpy(&action, body + board_action_index_bytes, sizeof action);
    if (board_set_action(board, index, action) != 0) {
        if (failure_due(g_set_action_failures))
            dbg_log("failed in board_add_line due to memory allocation fail. action count:%d\n",
                    g_board[static_cast<size_t>(board)].visible_count);
        return -1;
    }
    board_invalidate_windows(board);
    return 0;
}

namespace {

// Messages 53 and 54: "%d:" in bytes 0-4, the text from byte 5.
template <typename Entry>
int set_pool_entry(const char* body, int len, Entry* pool, int pool_count, size_t text_limit, const char* receiver)
{
    if (!body || len < board_pool_index_bytes) {
        dbg_log("%s: body of %d bytes is too short, dropped\n", receiver, len);
        return -1;
    }
    auto index_text = terminated<board_pool_index_bytes>(body, len);
    int index = -1;
    if (std::sscanf(index_text.data(), "%d:", &index) != 1 || index < 0 || index >= pool_count) {
        dbg_log("%s: index out of range, dropped\n", receiver);
        return -1;
    }
    size_t text_len = std::min(static_cast<size_t>(len - board_pool_index_bytes), text_limit);
    Entry& e = pool[index];
    std::memcpy(e.text.data(), body + board_pool_index_bytes, text_len);
    e.text[text_len] = '\0';
    e.length = static_cast<uint32_t>(text_len);
    e.used = 1;
    return 0;
}

} // namespace

int board_set_short_str_from_server(const char* body, int, int len)
{
    return set_pool_entry(body, len, g_board_short_str.data(), board_short_str_count, board_short_str_size - 1,
                          "board_set_short_str_from_server");
}

int board_set_long_str_from_server(const char* body, int, int len)
{
    return set_pool_entry(body, len, g_board_long_str.data(), board_long_str_count, board_long_str_size - 1,
                          "board_set_long_str_from_server");
}

int board_set_font_from_server(const char* body, int, int len)
{
    if (!body || len < board_pool_index_bytes + static_cast<int>(board_logfont_size)) {
        dbg_log("board_set_font_from_server: body of %d bytes is too short, dropped\n", len);
        return -1;
    }
    auto index_text = terminated<board_pool_index_bytes>(body, len);
    int index = -1;
    if (std::sscanf(index_text.data(), "%d:", &index) != 1 || index < 0 || index >= board_font_count) {
        dbg_log("board_set_font_from_server: index out of range, dropped\n");
        return -1;
    }
    board_font_entry& e = g_board_font[static_cast<size_t>(index)];
    std::memcpy(e.logfont.data(), body + board_pool_index_bytes, board_logfont_size);
    e.used = 1;
    return 0;
}

int bmp_set_pos_from_server(const char* body, int board, int len)
{
    auto text = terminated<32>(body, len);
    int index = -1;
    int x = 0;
    int y = 0;
    if (std::sscanf(text.data(), "%d:%d:%d", &index, &x, &y) != 3) {
        dbg_log("bmp_set_pos_from_server: bad body, dropped\n");
        return -1;
    }
    if (!bmp_index_valid(board, index, "bmp_set_pos_from_server"))
        return -1;
    bmp_slot& slot = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(index)];
    slot.x = x;
    slot.y = y;
    board_invalidate_windows(board);
    record_board_bmp_pos(board, index, x, y);
    return 0;
}

int bmp_set_z_order_from_server(const char* body, int board, int len)
{
    auto text = terminated<32>(body, len);
    int index = -1;
    int z_order = 0;
    if (std::sscanf(text.data(), "%d:%d", &index, &z_order) != 2) {
        dbg_log("bmp_set_z_order_from_server: bad body, dropped\n");
        return -1;
    }
    if (!bmp_index_valid(board, index, "bmp_set_z_order_from_server"))
        return -1;
    g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(index)].z_order = z_order;
    board_invalidate_windows(board);
    record_board_bmp_z_order(board, index, z_order);
    return 0;
}

int bmp_delete_from_server(const char* body, int board, int len)
{
    auto text = terminated<16>(body, len);
    int index = -1;
    if (std::sscanf(text.data(), "%d", &index) != 1) {
        dbg_log("bmp_delete_from_server: bad body, dropped\n");
        return -1;
    }
    if (!bmp_index_valid(board, index, "bmp_delete_from_server"))
        return -1;
    bmp_reset_one_entry(board, index);
    board_invalidate_windows(board);
    record_board_bmp_delete(board, index);
    return 0;
}

int board_verify_from_server(const char* body, int, int len)
{
    if (!body || len < 0)
        return -1;
    std::string copy(body, static_cast<size_t>(std::min(len, board_verify_copy_limit)));
    post_window_message_with_body(WindowSlot::board_view, WM_MY_MSG_BOARD_VERIFY, std::move(copy));
    return 0;
}

BoardVerifyResult board_verify_check(const char* list, int len)
{
    BoardVerifyResult result;
    if (!list || len < 0)
        return result;
    std::string text(list, static_cast<size_t>(std::min(len, board_verify_list_limit)));
    for (char c : text) {
        if (!(c >= '0' && c <= '9') && c != ':' && c != ' ') {
            result.status = BoardVerifyStatus::data_error;
            return result;
        }
    }
    int pages = std::min(static_cast<int>(text.size()) / 5, board_count);
    for (int page = 0; page < pages; ++page) {
        int count = 0;
        if (std::sscanf(text.c_str() + 5 * page, "%d", &count) != 1)
            count = 0;
        if (count != g_board[static_cast<size_t>(page)].visible_count)
            result.differing_pages.push_back(page);
    }
    result.status = result.differing_pages.empty() ? BoardVerifyStatus::consistent : BoardVerifyStatus::differs;
    return result;
}

BoardVerifyResult board_verify_run(const char* list, int len)
{
    BoardVerifyResult result = board_verify_check(list, len);
    if (result.status == BoardVerifyStatus::data_error) {
        message_box_printf("board verify data error.");
    } else if (result.status == BoardVerifyStatus::differs) {
        int answer = message_box_printf_yes_no(
            "Your white board is not consistent with server's\nDo you want to reload it from server?\nIf you choose "
            "no, you can still reload it by click the refresh button.");
        if (answer == IDYES) {
            for (int page : result.differing_pages) {
                send_board_reload(page);
                platform::sleep_ms(board_reload_wait_ms);
            }
        }
    }
    return result;
}

// ---- board navigation ----

namespace {

int parse_int(const char* body, int len, int& value)
{
    auto text = terminated<32>(body, len);
    return std::sscanf(text.data(), "%d", &value) == 1 ? 0 : -1;
}

void show_pointer_from_server(int show)
{
    int board = g_current_board.load();
    if (!board_index_valid(board))
        return;
    change_page(board, [show](board_record& page) { page.show_pointer = show; });
    board_invalidate_windows(board);
}

void board_select_from_server(int board, const char* body, int len)
{
    set_board_sync(0);
    if (board < 0 || board >= g_board_count.load() || !board_index_valid(board)) {
        dbg_log("board_select_from_server: board_num:%d out of range, ignored\n", board);
        return;
    }
    if (board != g_current_board.load()) {
        if (board_window_hooks().keep_view_position)
            board_window_hooks().keep_view_position(g_current_board.load());
        select_board(board);
    }
    auto text = terminated<32>(body, len);
    int x = 0;
    int y = 0;
    if (std::sscanf(text.data(), "%d:%d", &x, &y) == 2) {
        change_page(board, [x, y](board_record& page) {
            page.scroll_x = x;
            page.scroll_y = y;
        });
    }
    board_invalidate_windows(board);
    record_ui_event_2(board, g_board[static_cast<size_t>(board)].scroll_x, g_board[static_cast<size_t>(board)].scroll_y);
}

void board_zoom_from_server(int board, int len, bool on)
{
    set_board_sync(0);
    if (!board_index_valid(board)) {
        dbg_log("board_zoom_from_server: board_num:%d out of range, ignored\n", board);
        return;
    }
    send_window_message(WindowSlot::main_frame, on ? WM_MY_MSG_BOARD_ZOOM_ON : WM_MY_MSG_BOARD_ZOOM_OFF,
                        static_cast<uintptr_t>(board), len);
    record_ui_event(on ? record_ui_zoom_on : record_ui_zoom_off, board);
}

} // namespace

const std::vector<int>& board_message_numbers()
{
    static const std::vector<int> numbers {
        MSG_BOARD_POINT, MSG_BOARD_LINE, MSG_BOARD_FONT_UPLOAD, MSG_BOARD_TEXT, MSG_BOARD_RECT, MSG_BOARD_FILLED_RECT,
        MSG_BOARD_ELLIPSE, MSG_BOARD_FILLED_ELLIPSE, MSG_BOARD_ROUND_RECT, MSG_BOARD_FILLED_ROUND_RECT,
        MSG_BOARD_POINTER, MSG_BOARD_UNDO, MSG_BOARD_REDO, MSG_BOARD_CLEAR, MSG_BOARD_SHAPE, MSG_BOARD_LOCK,
        MSG_BOARD_UNLOCK, MSG_SHOW_POINTER, MSG_HIDE_POINTER, MSG_BOARD_SET_ACTION, MSG_BOARD_SHORT_STR,
        MSG_BOARD_LONG_STR, MSG_BOARD_FONT, MSG_BMP_POS, MSG_BMP_Z_ORDER, MSG_BMP_DELETE, MSG_BOARD_NUMBER,
        MSG_BOARD_SELECT, MSG_BOARD_ZOOM_IN, MSG_BOARD_ZOOM_OUT, MSG_FULL_SCREEN_VIEW, MSG_FULL_SCREEN_VIEW_OFF,
        MSG_BOARD_VIEW, MSG_BOARD_NOTICE, MSG_BOARD_VERIFY,
    };
    return numbers;
}

int board_dispatch_message(const WireHead& head, const char* body, int len)
{
    int board = head.address;
    if (len < 0)
        len = 0;
    switch (head.number) {
    case MSG_BOARD_POINT: board_add_point_from_server(body, board, len); return 1;
    case MSG_BOARD_LINE: board_add_line_from_server(body, board, len); return 1;
    case MSG_BOARD_FONT_UPLOAD: board_font_upload_from_server(body, board, len); return 1;
    case MSG_BOARD_TEXT: board_add_text_from_server(body, board, len); return 1;
    case MSG_BOARD_RECT:
    case MSG_BOARD_FILLED_RECT:
    case MSG_BOARD_ELLIPSE:
    case MSG_BOARD_FILLED_ELLIPSE:
    case MSG_BOARD_ROUND_RECT:
    case MSG_BOARD_FILLED_ROUND_RECT:
    case MSG_BOARD_SHAPE: board_add_general_from_server(body, board, len); return 1;
    case MSG_BOARD_POINTER: board_set_pointer_from_server(body, board, len); return 1;
    case MSG_BOARD_UNDO: board_undo_from_server(board); return 1;
    case MSG_BOARD_REDO: board_redo_from_server(board); return 1;
    case MSG_BOARD_CLEAR: board_clear_from_server(board); return 1;
    case MSG_BOARD_LOCK: board_lock_from_server(board); return 1;
    case MSG_BOARD_UNLOCK: board_unlock_from_server(board); return 1;
    case MSG_SHOW_POINTER: show_pointer_from_server(1); return 1;
    case MSG_HIDE_POINTER: show_pointer_from_server(0); return 1;
    case MSG_BOARD_SET_ACTION: board_set_action_from_server(body, board, len); return 1;
    case MSG_BOARD_SHORT_STR: board_set_short_str_from_server(body, board, len); return 1;
    case MSG_BOARD_LONG_STR: board_set_long_str_from_server(body, board, len); return 1;
    case MSG_BOARD_FONT: board_set_font_from_server(body, board, len); return 1;
    case MSG_BMP_POS: bmp_set_pos_from_server(body, board, len); return 1;
    case MSG_BMP_Z_ORDER: bmp_set_z_order_from_server(body, board, len); return 1;
    case MSG_BMP_DELETE: bmp_delete_from_server(body, board, len); return 1;
    case MSG_BOARD_VERIFY: board_verify_from_server(body, board, len); return 1;
    case MSG_BOARD_NUMBER: set_board_sync(0); return 1;
    case MSG_BOARD_SELECT: board_select_from_server(board, body, len); return 1;
    case MSG_BOARD_ZOOM_IN: board_zoom_from_server(board, len, true); return 1;
    case MSG_BOARD_ZOOM_OUT: board_zoom_from_server(board, len, false); return 1;
    case MSG_FULL_SCREEN_VIEW: send_window_message(WindowSlot::main_frame, WM_MY_MSG_FULL_SCREEN); return 1;
    case MSG_FULL_SCREEN_VIEW_OFF: post_window_message(WindowSlot::main_frame, WM_MY_MSG_EXIT_FULL_SCREEN); return 1;
    case MSG_BOARD_VIEW: {
        set_board_sync(0);
        int view = 0;
        if (parse_int(body, len, view) == 0) {
            record_ui_event(record_ui_upper_view, view);
            // push mode is there so that the others see what the presenter sees
            if (view >= upper_view_board && view <= upper_view_playback)
                post_window_message(WindowSlot::main_frame, WM_MY_MSG_UPPER_VIEW, static_cast<uintptr_t>(view));
        }
        return 1;
    }
    case MSG_BOARD_NOTICE: {
        set_board_sync(0);
        int tab = 0;
        if (parse_int(body, len, tab) == 0) {
            post_window_message(WindowSlot::left_tab, WM_MY_MSG_BOARD_NOTICE, static_cast<uintptr_t>(tab));
            record_ui_event(record_ui_left_tab, tab);
        }
        return 1;
    }
    default: return 0;
    }
}

void install_board_handlers()
{
    for (int number : board_message_numbers()) {
        int rc = set_main_handler(number, [number](const char* body, int body_len, int field2) {
            board_dispatch_message(WireHead { 0, field2, number, body_len }, body, body_len);
        });
        if (rc != 0)
            dbg_log("install_board_handlers: the main dispatch has no case for %d\n", number);
    }
}
