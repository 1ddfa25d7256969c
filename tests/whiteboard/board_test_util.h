#pragma once
// Helpers of the whiteboard tests: the whole model as bytes, and a draw
// script that uses every kind of board message.

#include "whiteboard/board_model.h"

#include <string>

// Every page record, each page's actions up to its redo limit, and the used
// text-pool entries and fonts, as one byte string: two equal snapshots mean
// two equal models.
inline std::string board_model_snapshot()
{
    std::string out;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    for (int b = 0; b < board_count; ++b) {
        const board_record& r = g_board[static_cast<size_t>(b)];
        out.append(reinterpret_cast<const char*>(&r), sizeof r);
        if (const board_action* a = board_actions(b))
            out.append(reinterpret_cast<const char*>(a), sizeof(board_action) * static_cast<size_t>(r.redo_limit));
    }
    for (const board_short_str& s : g_board_short_str)
        if (s.used)
            out.append(reinterpret_cast<const char*>(&s), sizeof s);
    for (const board_long_str& s : g_board_long_str)
        if (s.used)
            out.append(reinterpret_cast<const char*>(&s), sizeof s);
    for (const board_font_entry& f : g_board_font)
        out.append(reinterpret_cast<const char*>(&f), sizeof f);
    return out;
}
