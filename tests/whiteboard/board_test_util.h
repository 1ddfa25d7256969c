#pragma once
// Helpers of the whiteboard tests: the whole model as bytes, and a draw
// script that uses every kind of board message.

#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <cstring>

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
        for (int i = 0; i < r.redo_limit; ++i) {
            const board_action* a = board_action_at(b, i);
            board_action none;
            out.append(reinterpret_cast<const char*>(a ? a : &none), sizeof(board_action));
        }
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

// A draw script using every kind of page change the builders send.
inline void draw_every_kind()
{
    board_logfont font {};
    font[0] = 14;
    std::memcpy(font.data() + 28, "Sans", 4);
    g_current_board = 1;
    send_board_font(font);
    send_board_point(1, 10, 20, 30, 100, 200, 3);
    for (int i = 0; i < 12; ++i)
        send_board_line(1, 1, 2, 3, i, i, i + 1, i + 1, 2, (i + 1) % 10 == 0 ? 1 : 0);
    send_board_rect(1, 4, 5, 6, 10, 10, 50, 50, 1, 1);
    send_board_filled_rect(1, 4, 5, 6, 11, 10, 50, 50, 1, 1);
    send_board_ellipse(1, 4, 5, 6, 12, 10, 50, 50, 1, 1);
    send_board_filled_ellipse(1, 4, 5, 6, 13, 10, 50, 50, 1, 1);
    send_board_round_rect(1, 4, 5, 6, 14, 10, 50, 50, 1, 1);
    send_board_filled_round_rect(1, 4, 5, 6, 15, 10, 50, 50, 1, 1);
    send_board_shape(1, 42, 7, 8, 9, 1, 2, 300, 400, 2, 1);
    send_board_text(1, 40, 50, 0, "hello board", 0, 0, 255);
    send_board_text(1, 40, 90, 0, std::string(450, 'L'), 0, 0, 255);
    send_board_undo(1);
    send_board_undo(1);
    send_board_redo(1);
    send_board_line(3, 1, 1, 1, 0, 0, 5, 5, 1, 1);
    send_board_clear(3);
    send_board_line(3, 1, 1, 1, 6, 6, 7, 7, 1, 1);
    send_bmp_pos(1, 2, -30, 40);
    send_bmp_z_order(1, 2, 7);
    send_bmp_delete(1, 4);
}
inline constexpr int draw_every_kind_messages = 1 + 1 + 12 + 7 + 2 + 3 + 3 + 3;

