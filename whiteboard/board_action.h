#pragma once
// One whiteboard action: 44 bytes, eleven 32-bit little-endian words, the
// unit that travels in the whiteboard messages and is stored in whiteboard
// and recording files as is; and the walk by gestures that undo and redo
// share with the server's copy of a page.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "actions and page records are little-endian in memory");

// Action kinds.
inline constexpr int32_t ACTION_POINT = 1;
inline constexpr int32_t ACTION_LINE = 2;
inline constexpr int32_t ACTION_TEXT = 3;
inline constexpr int32_t ACTION_RECT = 4;
inline constexpr int32_t ACTION_FILLED_RECT = 5;
inline constexpr int32_t ACTION_ELLIPSE = 6;
inline constexpr int32_t ACTION_FILLED_ELLIPSE = 7;
inline constexpr int32_t ACTION_ROUND_RECT = 8;
inline constexpr int32_t ACTION_FILLED_ROUND_RECT = 9;

// Text pools of a text action.
inline constexpr int32_t board_pool_short = 1;
inline constexpr int32_t board_pool_long = 2;

inline constexpr int board_count = 10;
inline constexpr int board_bmp_count = 10;
inline constexpr int board_font_count = 50;
inline constexpr int board_short_str_count = 500;
inline constexpr int board_long_str_count = 40;
inline constexpr int board_short_str_size = 400;   // at most 399 characters
inline constexpr int board_long_str_size = 4000;   // at most 3999 characters
inline constexpr int board_action_step = 1000;     // growth of an action array
inline constexpr int board_page_width = 1600;
inline constexpr int board_page_height = 1000;
// A pasted picture travels and is stored as its compressed file: client and
// server refuse one larger than this, and a client never lets one unpack to
// more than the picture limit.
inline constexpr long long board_bmp_file_limit = 16LL << 20;
inline constexpr long long board_bmp_picture_limit = 64LL << 20;

// A Windows LOGFONT with an 8-bit face name, kept as its bytes; the view
// layer converts it to and from its own font type.
inline constexpr size_t board_logfont_size = 60;
using board_logfont = std::array<uint8_t, board_logfont_size>;

// One drawing action: eleven 32-bit words.
struct board_action {
    int32_t kind = 0;
    int32_t flags = 0;               // low byte: 1 on the last action of a gesture
    std::array<int32_t, 9> data {};  // words 2-10, by kind

    uint8_t gesture_end() const { return static_cast<uint8_t>(flags & 0xff); }
    void set_gesture_end(int end) { flags = end != 0 ? 1 : 0; }

    // Words of a text action.
    int32_t& text_x() { return data[0]; }
    int32_t& text_y() { return data[1]; }
    int32_t& text_font_index() { return data[5]; }
    int32_t& text_pool() { return data[6]; }
    int32_t& text_entry() { return data[7]; }
    int32_t& text_address() { return data[8]; }
    int32_t text_pool() const { return data[6]; }
    int32_t text_entry() const { return data[7]; }
    int32_t text_address() const { return data[8]; }
};
static_assert(sizeof(board_action) == 44);

// Undo: the visible count after taking back one gesture of actions
// 0..count-1; gesture_end_at(i) gives the gesture-end byte of action i.
template <typename GestureEndAt>
int board_gesture_undo_count_by(GestureEndAt gesture_end_at, int count)
{
    if (count <= 0)
        return count;
    --count;
    while (count > 0 && gesture_end_at(count - 1) != 1)
        --count;
    return count;
}

// Redo: the visible count after bringing back one gesture, never past limit.
template <typename GestureEndAt>
int board_gesture_redo_count_by(GestureEndAt gesture_end_at, int count, int limit)
{
    if (count >= limit)
        return count;
    ++count;
    while (gesture_end_at(count - 1) != 1 && count < limit)
        ++count;
    return count;
}

// The same over one array of actions.
inline int board_gesture_undo_count(const board_action* actions, int count)
{
    return board_gesture_undo_count_by([actions](int i) { return actions[i].gesture_end(); }, count);
}

inline int board_gesture_redo_count(const board_action* actions, int count, int limit)
{
    return board_gesture_redo_count_by([actions](int i) { return actions[i].gesture_end(); }, count, limit);
}
