#pragma once
// What every member of a room must hold alike for a page: its counts, its
// actions up to the redo limit with their texts, its pointer, its lock and
// its pictures' places. (The tool, colours and widths are each member's own.)

#include "core/text_util.h"
#include "whiteboard/board_model.h"

#include <mutex>
#include <string>

inline std::string board_shared_state(int board)
{
    std::lock_guard<std::mutex> guard(board_actions_lock());
    const board_record& r = g_board[static_cast<size_t>(board)];
    std::string out = format_text("page %d: visible %d, redo %d, pointer %d %d %d, lock %d\n", board, r.visible_count,
                                  r.redo_limit, r.show_pointer, r.pointer_x, r.pointer_y, r.lock_flag);
    for (int i = 0; i < r.redo_limit && i < r.capacity; ++i) {
        const board_action* a = board_action_at(board, i);
        if (!a) {
            out += "hole\n";
            continue;
        }
        out.append(reinterpret_cast<const char*>(a), sizeof *a);
        if (a->kind == ACTION_TEXT) {
            out += "text:";
            out.append(board_action_text(*a));
            const int font = a->data[5];
            if (font >= 0 && font < board_font_count)
                out.append(reinterpret_cast<const char*>(g_board_font[static_cast<size_t>(font)].logfont.data()),
                           board_logfont_size);
        }
    }
    for (const bmp_slot& s : r.bitmaps)
        out += format_text("bmp %u %d %d %d\n", s.used, s.x, s.y, s.z_order);
    return out;
}
