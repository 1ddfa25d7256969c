#include "whiteboard/board_recording.h"

#include "core/dbg_log.h"
#include "core/meeting_record.h"

#include <sys/stat.h>

namespace {

bool slot_in_range(int board, int slot) { return board_index_valid(board) && slot >= 0 && slot < board_bmp_count; }

} // namespace

int record_board_font(const board_logfont& logfont)
{
    return recorder().append(record_type_board_font, { { logfont.data(), logfont.size() } }, "record_board_font");
}

int record_general_action(const board_action& action, int board)
{
    if (!board_index_valid(board)) {
        dbg_log("board_num %d out of range 0-%d-1 in record_general_action.\n", board, board_count);
        return -1;
    }
    std::array<int32_t, 2> sub { 0, board };
    return recorder().append(record_type_general_action, { { sub.data(), sizeof sub }, { &action, sizeof action } },
                             "record_general_action");
}

int record_text(const board_action& action, int board, const char* text, int text_len)
{
    if (!board_index_valid(board)) {
        dbg_log("board_num %d out of range 0-%d-1 in record_text.\n", board, board_count);
        return -1;
    }
    if (!text || text_len < 0) {
        dbg_log("record_text text missing, len:%d\n", text_len);
        return -1;
    }
    std::array<int32_t, 2> sub { text_len, board };
    return recorder().append(record_type_text,
                             { { sub.data(), sizeof sub }, { &action, sizeof action },
                               { text, static_cast<size_t>(text_len) } },
                             "record_text");
}

int record_board_bmp(int board, int slot, const char* z_file_path)
{
    if (!slot_in_range(board, slot)) {
        dbg_log("record_board_bmp parameter out of range:board_num:%d, bmp_index:%d\n", board, slot);
        return -1;
    }
    if (!z_file_path) {
        dbg_log("record_board_bmp z_file_path is null\n");
        return -1;
    }
    if (!recorder().recording())
        return 0;
    struct stat st {};
    uint32_t file_size = stat(z_file_path, &st) == 0 ? static_cast<uint32_t>(st.st_size) : 0;
    std::array<int32_t, 3> sub { board, slot, static_cast<int32_t>(file_size) };
    long copied = 0;
    int rc = recorder().append_file(record_type_board_bmp, sub.data(), sizeof sub, z_file_path, file_size,
                                    "record_board_bmp", &copied);
    if (copied >= 0 && copied != static_cast<long>(file_size)) {
        dbg_log("record_board_bmp write file failed, file_size:%d, write_len:%d\n", static_cast<int>(file_size),
                static_cast<int>(copied));
        return -1;
    }
    return rc;
}

int record_board_bmp_pos(int board, int slot, int x, int y)
{
    if (!slot_in_range(board, slot)) {
        dbg_log("record_board_bmp_pos parameter out of range:board_num:%d, bmp_index:%d\n", board, slot);
        return -1;
    }
    std::array<int32_t, 4> body { board, slot, x, y };
    return recorder().append(record_type_board_bmp_pos, { { body.data(), sizeof body } }, "record_board_bmp_pos");
}

int record_board_bmp_z_order(int board, int slot, int z_order)
{
    if (!slot_in_range(board, slot)) {
        dbg_log("record_board_bmp_z_order parameter out of range:board_num:%d, bmp_index:%d\n", board, slot);
        return -1;
    }
    std::array<int32_t, 3> body { board, slot, z_order };
    return recorder().append(record_type_board_bmp_z_order, { { body.data(), sizeof body } },
                             "record_board_bmp_z_order");
}

int record_board_bmp_delete(int board, int slot)
{
    if (!slot_in_range(board, slot)) {
        dbg_log("record_board_bmp_delete parameter out of range:board_num:%d, bmp_index:%d\n", board, slot);
        return -1;
    }
    std::array<int32_t, 2> body { board, slot };
    return recorder().append(record_type_board_bmp_delete, { { body.data(), sizeof body } },
                             "record_board_bmp_delete");
}

int record_board_op(int32_t operation, int board, int32_t v1, int32_t v2, int32_t v3)
{
    std::array<int32_t, 6> body { operation, board, v1, v2, v3, 0 };
    return recorder().append(record_type_board_op, { { body.data(), sizeof body } }, "record_board_op");
}
