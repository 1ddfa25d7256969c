#include "whiteboard/board_model.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/window_messages.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

std::array<board_record, board_count> g_board;
std::array<board_font_entry, board_font_count> g_board_font;
std::array<board_short_str, board_short_str_count> g_board_short_str;
std::array<board_long_str, board_long_str_count> g_board_long_str;
AtomicInt g_board_uploading { -1 };

namespace {

// A page's actions live in blocks of board_action_step, each allocated when
// an action first lands in it. The capacity of the page is the span of its
// blocks; a reload that starts at a far index holds one block, not the
// whole span, and the page fills up as the actions arrive.
using ActionBlocks = std::vector<std::unique_ptr<board_action[]>>;
std::array<ActionBlocks, board_count> g_board_action_blocks;
BoardActionAllocator g_allocator;

std::unique_ptr<board_action[]> allocate_actions(size_t count)
{
    if (g_allocator)
        return g_allocator(count);
    return std::unique_ptr<board_action[]>(new (std::nothrow) board_action[count]);
}

size_t block_of(int index) { return static_cast<size_t>(index / board_action_step); }

board_action* entry_at(int board, int index)
{
    ActionBlocks& blocks = g_board_action_blocks[static_cast<size_t>(board)];
    size_t block = block_of(index);
    if (index < 0 || block >= blocks.size() || !blocks[block])
        return nullptr;
    return &blocks[block][static_cast<size_t>(index % board_action_step)];
}

// Makes index of board a place to write: its block exists and the capacity
// reaches past it. Called with the lock held. The entry, or null when the
// memory is not there (the page is unchanged).
board_action* place_for(int board, int index)
{
    if (board_action* entry = entry_at(board, index))
        return entry;
    std::unique_ptr<board_action[]> made = allocate_actions(static_cast<size_t>(board_action_step));
    if (!made)
        return nullptr;
    ActionBlocks& blocks = g_board_action_blocks[static_cast<size_t>(board)];
    size_t block = block_of(index);
    try {
        if (block >= blocks.size())
            blocks.resize(block + 1);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    blocks[block] = std::move(made);
    board_record& r = g_board[static_cast<size_t>(board)];
    r.capacity = std::max(r.capacity, static_cast<int>(blocks.size()) * board_action_step);
    return entry_at(board, index);
}

// The gesture-end byte of each action of board; an entry never written reads as 0.
auto gesture_end_reader(int board)
{
    return [board](int index) {
        const board_action* a = entry_at(board, index);
        return a ? a->gesture_end() : uint8_t { 0 };
    };
}

void report_growth_failure(int board, int capacity)
{
    dbg_log("failed to allocate memory for white board_action\n");
    dbg_log("board_num:%d, action_size:%d, action_count\n", board, capacity);
    message_box_printf("Can not allocate memory for white board.");
}

// Whether a page has told of a full pool: the pools never empty while the
// program runs, so each page tells it once, and a member sending text after
// text does not open a box per text.
std::array<std::atomic<bool>, board_count> g_long_pool_full_told {};
std::array<std::atomic<bool>, board_count> g_short_pool_full_told {};

void tell_pool_full_once(int board, std::array<std::atomic<bool>, board_count>& told, const char* text)
{
    if (!board_index_valid(board) || !told[static_cast<size_t>(board)].exchange(true))
        message_box_post_printf("%s", text);
}

template <size_t N>
void copy_text(std::array<char, N>& field, std::string_view text)
{
    size_t n = std::min(text.size(), N - 1);
    std::memcpy(field.data(), text.data(), n);
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), '\0');
}

} // namespace

bool operator==(const board_action& a, const board_action& b)
{
    return std::memcmp(&a, &b, sizeof(board_action)) == 0;
}

std::mutex& board_actions_lock()
{
    static std::mutex lock;
    return lock;
}

bool board_index_valid(int board) { return board >= 0 && board < board_count; }

const board_action* board_action_at(int board, int index)
{
    if (!board_index_valid(board))
        return nullptr;
    return entry_at(board, index);
}

void bmp_reset_one_entry(bmp_slot& slot) { slot = bmp_slot {}; }

void board_model_setup()
{
    std::lock_guard<std::mutex> guard(board_actions_lock());
    for (size_t b = 0; b < g_board.size(); ++b) {
        g_board[b] = board_record {};
        g_board_action_blocks[b].clear();
    }
    g_board_font.fill(board_font_entry {});
    for (int b = 0; b < board_count; ++b) {
        g_long_pool_full_told[static_cast<size_t>(b)] = false;
        g_short_pool_full_told[static_cast<size_t>(b)] = false;
    }
    for (board_short_str& s : g_board_short_str) {
        s.used = 0;
        s.length = 0;
        s.text[0] = '\0';
    }
    for (board_long_str& s : g_board_long_str) {
        s.used = 0;
        s.length = 0;
        s.text[0] = '\0';
    }
    g_current_board = 0;
}

void board_model_free()
{
    std::lock_guard<std::mutex> guard(board_actions_lock());
    for (size_t b = 0; b < g_board.size(); ++b) {
        g_board_action_blocks[b].clear();
        g_board[b].capacity = 0;
        g_board[b].visible_count = 0;
        g_board[b].redo_limit = 0;
    }
}

void install_board_model()
{
    GlobalStateSteps& steps = global_state_steps();
    steps.clear_boards = board_model_setup;
    steps.free_boards = board_model_free;
}

namespace {

// Makes room for one more action; called with the lock held. 0 when there
// was room, 1 when the page grew, -1 when it could not (nothing changed).
int make_room_for_one_locked(int board, int& capacity)
{
    board_record& r = g_board[static_cast<size_t>(board)];
    capacity = r.capacity;
    if (entry_at(board, r.visible_count))
        return 0;
    dbg_log("board_check_action, board_num:%d, action_size:%d, action_count\n", board, capacity);
    return place_for(board, r.visible_count) ? 1 : -1;
}

} // namespace

int board_check_action(int board)
{
    if (!board_index_valid(board))
        return -1;
    int capacity = 0;
    int rc = 0;
    {
        std::lock_guard<std::mutex> guard(board_actions_lock());
        rc = make_room_for_one_locked(board, capacity);
    }
    if (rc < 0)
        report_growth_failure(board, capacity);
    return rc;
}

int board_append_action(int board, const board_action& action)
{
    if (!board_index_valid(board))
        return -1;
    int capacity = 0;
    {
        // The room is made and used under one hold: another thread appending
        // in between would take the last free entry.
        std::lock_guard<std::mutex> guard(board_actions_lock());
        if (make_room_for_one_locked(board, capacity) >= 0) {
            board_record& r = g_board[static_cast<size_t>(board)];
            board_action& slot = *entry_at(board, r.visible_count);
            slot = action;
            if (slot.kind == ACTION_TEXT)
                slot.text_address() = 0;
            r.visible_count += 1;
            r.redo_limit = r.visible_count;
            return 0;
        }
    }
    // The message box waits for the user: never under the lock.
    report_growth_failure(board, capacity);
    return -1;
}

int board_set_action(int board, int index, const board_action& action)
{
    if (!board_index_valid(board) || index < 0 || index > board_max_action_index)
        return -1;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    board_record& r = g_board[static_cast<size_t>(board)];
    board_action* place = place_for(board, index);
    if (!place)
        return -1;
    if (index >= r.visible_count) {
        r.visible_count = index + 1;
        r.redo_limit = index + 1;
    }
    board_action& slot = *place;
    slot = action;
    if (slot.kind == ACTION_TEXT)
        slot.text_address() = 0;
    return 0;
}

int board_add_font(const board_logfont& logfont)
{
    int board = g_current_board.load();
    if (!board_index_valid(board))
        return 0;
    int free_index = -1;
    for (int i = 0; i < board_font_count; ++i) {
        board_font_entry& e = g_board_font[static_cast<size_t>(i)];
        if (e.used == 1 && e.logfont == logfont) {
            g_board[static_cast<size_t>(board)].font_index = i;
            return 0;
        }
        if (e.used == 0 && free_index < 0)
            free_index = i;
    }
    if (free_index >= 0) {
        board_font_entry& e = g_board_font[static_cast<size_t>(free_index)];
        e.logfont = logfont;
        e.used = 1;
        g_board[static_cast<size_t>(board)].font_index = free_index;
    }
    return 0;
}

int board_find_free_short_str()
{
    for (int i = 0; i < board_short_str_count; ++i)
        if (g_board_short_str[static_cast<size_t>(i)].used == 0)
            return i;
    return -1;
}

int board_find_free_long_str()
{
    for (int i = 0; i < board_long_str_count; ++i)
        if (g_board_long_str[static_cast<size_t>(i)].used == 0)
            return i;
    return -1;
}

int board_store_text(int board, board_action& action, std::string_view text)
{
    if (text.empty())
        return -1;
    // Texts arrive on the receive thread, which never waits for the user.
    if (text.size() >= static_cast<size_t>(board_long_str_size)) {
        message_box_post_printf("Do not support text longer than %d now.", board_long_str_size);
        return -1;
    }
    if (text.size() >= static_cast<size_t>(board_short_str_size)) {
        int index = board_find_free_long_str();
        if (index < 0) {
            tell_pool_full_once(board, g_long_pool_full_told, "Long str used up.");
            return -1;
        }
        board_long_str& e = g_board_long_str[static_cast<size_t>(index)];
        copy_text(e.text, text);
        e.length = static_cast<uint32_t>(text.size());
        e.used = 1;
        action.text_pool() = board_pool_long;
        action.text_entry() = index;
    } else {
        int index = board_find_free_short_str();
        if (index < 0) {
            tell_pool_full_once(board, g_short_pool_full_told, "Short str used up.");
            return -1;
        }
        board_short_str& e = g_board_short_str[static_cast<size_t>(index)];
        copy_text(e.text, text);
        e.length = static_cast<uint32_t>(text.size());
        e.used = 1;
        action.text_pool() = board_pool_short;
        action.text_entry() = index;
    }
    action.text_address() = 0;
    return 0;
}

std::string_view board_action_text(const board_action& action)
{
    int entry = action.text_entry();
    if (action.text_pool() == board_pool_short && entry >= 0 && entry < board_short_str_count) {
        const board_short_str& e = g_board_short_str[static_cast<size_t>(entry)];
        return std::string_view(e.text.data(), std::min<size_t>(e.length, board_short_str_size - 1));
    }
    if (action.text_pool() == board_pool_long && entry >= 0 && entry < board_long_str_count) {
        const board_long_str& e = g_board_long_str[static_cast<size_t>(entry)];
        return std::string_view(e.text.data(), std::min<size_t>(e.length, board_long_str_size - 1));
    }
    return {};
}

int board_undo(int board)
{
    if (!board_index_valid(board))
        return 0;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    board_record& r = g_board[static_cast<size_t>(board)];
    if (r.visible_count <= 0 || r.capacity == 0)
        return 0;
    r.visible_count = board_gesture_undo_count_by(gesture_end_reader(board), std::min(r.visible_count, r.capacity));
    return 1;
}

int board_redo(int board)
{
    if (!board_index_valid(board))
        return 0;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    board_record& r = g_board[static_cast<size_t>(board)];
    int limit = std::min(r.redo_limit, r.capacity);
    if (r.visible_count >= limit)
        return 0;
    r.visible_count = board_gesture_redo_count_by(gesture_end_reader(board), r.visible_count, limit);
    return 1;
}

void board_clear(int board)
{
    if (!board_index_valid(board))
        return;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    board_record& r = g_board[static_cast<size_t>(board)];
    r.visible_count = 0;
    r.redo_limit = 0;
    if (g_board_uploading == board)
        return;
    for (bmp_slot& s : r.bitmaps)
        s.used = 0;
}

int board_replace_page(int board, const board_record& record, const std::vector<board_action>& actions)
{
    if (!board_index_valid(board) || actions.size() > static_cast<size_t>(board_max_action_index) + 1)
        return -1;
    int capacity = 0;
    {
        std::lock_guard<std::mutex> guard(board_actions_lock());
        board_record& r = g_board[static_cast<size_t>(board)];
        capacity = r.capacity;
        // Every block first: a page half replaced is worse than none.
        bool placed = true;
        for (size_t i = 0; i < actions.size() && placed; i += static_cast<size_t>(board_action_step))
            placed = place_for(board, static_cast<int>(i)) != nullptr;
        if (placed) {
            uint32_t address = r.actions_address;
            int kept_capacity = r.capacity;
            r = record;
            r.actions_address = address;
            r.capacity = kept_capacity;
            for (size_t i = 0; i < actions.size(); ++i) {
                board_action& a = *entry_at(board, static_cast<int>(i));
                a = actions[i];
                if (a.kind == ACTION_TEXT)
                    a.text_address() = 0;
            }
            r.visible_count = static_cast<int>(actions.size());
            r.redo_limit = r.visible_count;
            return 0;
        }
    }
    report_growth_failure(board, capacity);
    return -1;
}

void board_clear_all()
{
    for (int b = 0; b < board_count; ++b)
        board_clear(b);
    board_invalidate_windows(-1);
}

BoardWindowHooks& board_window_hooks()
{
    static BoardWindowHooks hooks;
    return hooks;
}

void board_invalidate_windows(int board)
{
    if (board_window_hooks().invalidate_board_windows)
        board_window_hooks().invalidate_board_windows(board);
    // The full-screen window shows the page too; an empty slot drops it.
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT, static_cast<uintptr_t>(board + 1));
}

void board_invalidate_share_view(int board)
{
    if (board_window_hooks().invalidate_share_view)
        board_window_hooks().invalidate_share_view(board);
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT, static_cast<uintptr_t>(board + 1));
}

void set_board_action_allocator(BoardActionAllocator allocator) { g_allocator = std::move(allocator); }
