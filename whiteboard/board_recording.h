#pragma once
// The whiteboard's records of the meeting recording, written by the
// receivers right after they applied a message.

#include "whiteboard/board_model.h"

#include <string>

// Board operations (type 18).
inline constexpr int32_t board_op_clear = 1;
inline constexpr int32_t board_op_undo = 2;
inline constexpr int32_t board_op_redo = 3;

// Each returns 0 when written or when recording is off or paused, -1 on a
// refused argument or a short copy.
int record_general_action(const board_action& action, int board);
int record_text(const board_action& action, int board, const char* text, int text_len);
int record_board_bmp(int board, int slot, const char* z_file_path);
int record_board_bmp_pos(int board, int slot, int x, int y);
int record_board_bmp_z_order(int board, int slot, int z_order);
int record_board_bmp_delete(int board, int slot);
// Type 19: a font added to the shared table, so that texts played back find it.
int record_board_font(const board_logfont& logfont);
int record_board_op(int32_t operation, int board, int32_t v1 = 0, int32_t v2 = 0, int32_t v3 = 0);
