#pragma once
// The whiteboard messages: builders that send a page change on the main
// connection and receivers that apply what the server relays. The server
// relays every whiteboard action back to the whole room, the sender
// included, so a page changes when the relayed message arrives; off line
// (g_offline_board) every builder applies its body through the same
// receiver instead. Head field 2 carries the board index.

#include "core/global_state.h"
#include "core/wire_head.h"
#include "whiteboard/board_model.h"

#include <string>
#include <string_view>
#include <vector>

// "Work off line": builders apply their messages locally.
extern AtomicInt g_offline_board;

inline constexpr int board_verify_copy_limit = 400;
inline constexpr int board_verify_list_limit = 50;
inline constexpr int board_reload_wait_ms = 200;
inline constexpr int board_action_index_bytes = 7;  // message 52
inline constexpr int board_pool_index_bytes = 5;    // messages 53-55

// Builders. Each returns 0.
int send_board_point(int board, int red, int green, int blue, int x, int y, int width);
int send_board_line(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width, int gesture_end);
int send_board_font(const board_logfont& logfont);
int send_board_text(int board, int x, int y, int font_index, std::string_view text, int red, int green, int blue);
int send_board_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width, int gesture_end);
int send_board_filled_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                           int gesture_end);
int send_board_ellipse(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                       int gesture_end);
int send_board_filled_ellipse(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                              int gesture_end);
int send_board_round_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                          int gesture_end);
int send_board_filled_round_rect(int board, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                                 int gesture_end);
int send_board_shape(int board, int kind, int red, int green, int blue, int x1, int y1, int x2, int y2, int width,
                     int gesture_end);
int send_board_general_action(int board, const board_action& action);
int send_board_pointer(int board, int x, int y);
int send_board_undo(int board);
int send_board_redo(int board);
int send_board_clear(int board);
int send_board_lock(int board);
int send_board_unlock(int board);
int send_board_reload(int board);
// The presenter's pointer mark shown (18) or hidden (19), and the zoom pushed
// to the room (412 on, 413 off); field 2 names the board.
int send_board_show_pointer(int board, int on);
int send_board_zoom(int board, int on);
int send_bmp_pos(int board, int index, int x, int y);
int send_bmp_z_order(int board, int index, int z_order);
int send_bmp_delete(int board, int index);

// Board navigation of the presenter: sent only while presenter and board
// sync are on (else -1); the interface event is recorded first.
int send_board_number();
int send_board_select(int scroll_x, int scroll_y);

// Receivers: body, board index from head field 2, body length. 0 when
// applied, -1 when dropped (and logged).
int board_add_point_from_server(const char* body, int board, int len);
int board_add_line_from_server(const char* body, int board, int len);
int board_add_text_from_server(const char* body, int board, int len);
int board_add_general_from_server(const char* body, int board, int len);
int board_font_upload_from_server(const char* body, int board, int len);
int board_set_pointer_from_server(const char* body, int board, int len);
int board_undo_from_server(int board);
int board_redo_from_server(int board);
int board_clear_from_server(int board);
int board_lock_from_server(int board);
int board_unlock_from_server(int board);
int board_set_action_from_server(const char* body, int board, int len);
int board_set_short_str_from_server(const char* body, int board, int len);
int board_set_long_str_from_server(const char* body, int board, int len);
int board_set_font_from_server(const char* body, int board, int len);
int bmp_set_pos_from_server(const char* body, int board, int len);
int bmp_set_z_order_from_server(const char* body, int board, int len);
int bmp_delete_from_server(const char* body, int board, int len);
int board_verify_from_server(const char* body, int board, int len);

// The board view's check of a verify list (message 580): which pages differ
// from the server's counts.
enum class BoardVerifyStatus { consistent, data_error, differs, ended };
struct BoardVerifyResult {
    BoardVerifyStatus status = BoardVerifyStatus::ended;
    std::vector<int> differing_pages;
};
BoardVerifyResult board_verify_check(const char* list, int len);
// The whole check as the board view runs it on the UI thread: the error box,
// the reload question and, on Yes, a reload of every differing page with
// 200 ms between them. Returns the result of the check.
BoardVerifyResult board_verify_run(const char* list, int len);

// Handles one received message of the whiteboard or board navigation.
// 1 when the number is one of them, 0 when not.
int board_dispatch_message(const WireHead& head, const char* body, int len);
// The numbers board_dispatch_message handles.
const std::vector<int>& board_message_numbers();
// Plugs the whiteboard and board-navigation receivers into the main
// connection's dispatch (called from install_program_parts).
void install_board_handlers();
