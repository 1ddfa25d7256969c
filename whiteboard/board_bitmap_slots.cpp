#include "whiteboard/board_bitmap_slots.h"

#include "core/dbg_log.h"
#include "whiteboard/board_model.h"

int bmp_reset_one_entry(int board, int index)
{
    if (board < 0 || board >= board_count) {
        dbg_log("board_num:%d out of range: %d - %d in bmp_reset_one_entry.\n", board, 0, board_count - 1);
        return -1;
    }
    if (index < 0 || index >= board_bmp_count) {
        dbg_log("index:%d out of range: %d - %d in bmp_reset_one_entry.\n", index, 0, board_bmp_count - 1);
        return -1;
    }
    bmp_reset_one_entry(g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(index)]);
    return 0;
}
