#pragma once
// The whiteboard model: ten pages of append-only actions with an undo
// position, ten pasted bitmaps per page, and the text pools and font table
// that all pages share. Static process state, set up once at start.
//
// The records keep the byte layout of the whiteboard file and of the wire:
// the 44-byte action travels and is stored as is, the 10000-byte page record
// is written byte for byte. The 32-bit address words inside them (the action
// array of a page, the text of a text action) cannot hold a pointer on a
// 64-bit program; they stay 0 and a text is found by its pool and entry.

#include "core/global_state.h"
#include "whiteboard/board_action.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

bool operator==(const board_action& a, const board_action& b);

// A pasted picture of a page.
struct bmp_slot {
    uint32_t used = 0;
    std::array<char, 256> path {};    // the uncompressed picture that is painted
    std::array<char, 256> z_path {};  // the compressed copy that travels
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t z_order = 0;              // the smaller value lies in front
    int32_t scratch = 0;              // used while ordering for painting
    uint32_t file_size = 0;
};
static_assert(sizeof(bmp_slot) == 544);

// One page. The offsets are those of the whiteboard file.
struct board_record {
    uint32_t actions_address = 0;     // always 0: the actions are read with board_action_at()
    int32_t capacity = 0;
    int32_t visible_count = 0;
    int32_t redo_limit = 0;
    std::array<int32_t, 29> gesture_state {};
    int32_t show_pointer = 0;
    int32_t pointer_x = 100;
    int32_t pointer_y = 100;
    std::array<int32_t, 4> pointer_drag_state {};
    int32_t half_size = 0;
    int32_t text_window_x = 0;
    int32_t text_window_y = 0;
    int32_t text_click_x = 0;
    int32_t text_click_y = 0;
    int32_t caret = 0;
    int32_t scroll_x = 0;
    int32_t scroll_y = 0;
    int32_t scroll_width = board_page_width;
    int32_t scroll_height = board_page_height;
    int32_t pen_width = 1;
    int32_t pen_red = 0;
    int32_t pen_green = 0;
    int32_t pen_blue = 0;
    int32_t eraser_red = 255;
    int32_t eraser_green = 255;
    int32_t eraser_blue = 255;
    int32_t eraser_width = 40;
    int32_t tool = 0;
    int32_t text_red = 0;
    int32_t text_green = 0;
    int32_t text_blue = 0;
    int32_t text_x = 0;
    int32_t text_y = 0;
    int32_t font_index = 0;
    std::array<char, 4000> text_buffer {};
    std::array<bmp_slot, board_bmp_count> bitmaps {};
    int32_t dragged_bmp = 0;
    int32_t dragged_bmp_x = 0;
    int32_t dragged_bmp_y = 0;
    std::array<int32_t, 6> bmp_drag_state {};
    std::array<char, 256> file_path {};
    int32_t lock_flag = 0;
    int32_t reserved = 1;
};
static_assert(sizeof(board_record) == 10000);
static_assert(offsetof(board_record, show_pointer) == 132);
static_assert(offsetof(board_record, pointer_x) == 136);
static_assert(offsetof(board_record, half_size) == 160);
static_assert(offsetof(board_record, text_window_x) == 164);
static_assert(offsetof(board_record, caret) == 180);
static_assert(offsetof(board_record, scroll_x) == 184);
static_assert(offsetof(board_record, scroll_width) == 192);
static_assert(offsetof(board_record, pen_width) == 200);
static_assert(offsetof(board_record, eraser_red) == 216);
static_assert(offsetof(board_record, eraser_width) == 228);
static_assert(offsetof(board_record, tool) == 232);
static_assert(offsetof(board_record, text_red) == 236);
static_assert(offsetof(board_record, text_x) == 248);
static_assert(offsetof(board_record, font_index) == 256);
static_assert(offsetof(board_record, text_buffer) == 260);
static_assert(offsetof(board_record, bitmaps) == 4260);
static_assert(offsetof(board_record, dragged_bmp) == 9700);
static_assert(offsetof(board_record, dragged_bmp_x) == 9704);
static_assert(offsetof(board_record, bmp_drag_state) == 9712);
static_assert(offsetof(board_record, file_path) == 9736);
static_assert(offsetof(board_record, lock_flag) == 9992);
static_assert(offsetof(board_record, reserved) == 9996);

struct board_font_entry {
    board_logfont logfont {};
    uint32_t used = 0;
};
static_assert(sizeof(board_font_entry) == 64);

struct board_short_str {
    uint32_t used = 0;
    uint32_t length = 0;
    std::array<char, board_short_str_size> text {};
};
static_assert(sizeof(board_short_str) == 408);

struct board_long_str {
    uint32_t used = 0;
    uint32_t length = 0;
    std::array<char, board_long_str_size> text {};
};
static_assert(sizeof(board_long_str) == 4008);

extern std::array<board_record, board_count> g_board;
extern std::array<board_font_entry, board_font_count> g_board_font;
extern std::array<board_short_str, board_short_str_count> g_board_short_str;
extern std::array<board_long_str, board_long_str_count> g_board_long_str;

// Guards the actions (appends and growth on the receive thread, reads by
// painting on the UI thread) and the page settings the receivers change
// (pointer, lock, scroll position). Never held across a message box.
std::mutex& board_actions_lock();

// Action index of a page, read with the lock held; null outside the page's
// capacity and for an entry no action was ever stored in (a reload that
// starts far ahead leaves such holes; they paint nothing).
const board_action* board_action_at(int board, int index);
bool board_index_valid(int board);

// Model set-up at start and release at exit; registered as global-state steps.
void board_model_setup();
void board_model_free();
void install_board_model();

// Makes room for one more action: 0 when there is room, 1 when the page
// grew by a block of 1000, -1 when it could not grow (message box shown,
// board unchanged).
int board_check_action(int board);
// Check, write at the visible count, count + 1, redo limit = count. 0 or -1.
int board_append_action(int board, const board_action& action);
// The reload stream: stores action at index; an index at or beyond the
// visible count raises the count and the redo limit to index + 1. Only the
// block the index falls in is allocated. -1 (nothing changed) when the index
// is out of range or the memory is not there.
inline constexpr int board_max_action_index = 999999;  // "%d:" in seven bytes
int board_set_action(int board, int index, const board_action& action);

// Looks for an equal font, else takes the first unused entry, and makes it the
// current page's font index; a full table changes nothing. Returns 0.
int board_add_font(const board_logfont& logfont);
int board_find_free_short_str();
int board_find_free_long_str();
// Copies text into a free pool entry and fills the action's pool and entry.
// -1 when refused, with a posted message box (never waited for): a full pool
// is told once per page (board), a text too long every time.
int board_store_text(int board, board_action& action, std::string_view text);
// The text a text action names; empty when the pool or entry is not valid.
std::string_view board_action_text(const board_action& action);

// Moves the visible count back / forth by one gesture. 1 when it moved, 0 when not.
int board_undo(int board);
int board_redo(int board);
// The page the whole-board upload is sending, -1 while none is: the page's
// own clear coming back from the server keeps its pictures, which are still
// to be uploaded after it.
extern AtomicInt g_board_uploading;
// Visible count and redo limit 0, bitmap slots unused (except on the page
// being uploaded); the array keeps its capacity.
void board_clear(int board);
// Puts a loaded page in place under the lock: the record (the page keeps its
// own action-array address and capacity) and its actions, visible count and
// redo limit = their number. -1 with the growth message when the memory is
// not there; the page is then unchanged.
int board_replace_page(int board, const board_record& record, const std::vector<board_action>& actions);
void board_clear_all();
void bmp_reset_one_entry(bmp_slot& slot);

// The windows that show a page; the view layer installs them. The receive
// thread only invalidates, it never paints.
struct BoardWindowHooks {
    std::function<void(int board)> invalidate_board_windows;  // board view, full-screen window
    std::function<void(int board)> invalidate_share_view;      // annotation overlay
    // Saves the view's scroll position into the page before another page is shown.
    std::function<void(int board)> keep_view_position;
};
BoardWindowHooks& board_window_hooks();
void board_invalidate_windows(int board);
void board_invalidate_share_view(int board);

// Replaces the allocation of action blocks (null restores new); lets tests
// exercise the out-of-memory path and count what a page takes.
using BoardActionAllocator = std::function<std::unique_ptr<board_action[]>(size_t count)>;
void set_board_action_allocator(BoardActionAllocator allocator);
