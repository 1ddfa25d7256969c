#include "whiteboard/meeting_playback.h"

#include "core/chat_receive.h"
#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/text_util.h"
#include "core/window_messages.h"
#include "media/play_sound.h"
#include "media/video_receive.h"
#include "media/video_windows.h"
#include "media/voice_receive.h"
#include "media/voice_state.h"
#include "media/voice_thread.h"
#include "platform/sys/clock.h"
#include "sharing/co_browse.h"
#include "sharing/share_recording.h"
#include "sharing/share_state.h"
#include "sharing/share_viewer.h"
#include "sharing/sharing_messages.h"
#include "whiteboard/board_bmp_transfer.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/playback_pictures.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

namespace {

constexpr int board_annotation = 9;
constexpr int talker_nobody = -1;

// ---- the clock without the paused time ----

std::mutex g_clock_lock;
uint32_t g_paused_total_ms = 0;
uint32_t g_pause_began = 0;

std::mutex g_observer_lock;
std::function<void(const PlaybackStep&)> g_observer;

void observe(const PlaybackStep& step)
{
    std::lock_guard<std::mutex> hold(g_observer_lock);
    if (g_observer)
        g_observer(step);
}

// Asked under the semaphores' lock: atomics only.
bool stopped() { return g_play_on.load() == 0; }

// Holds while paused. False once playback is stopped.
bool hold_while_paused()
{
    while (g_play_paused.load() == 1) {
        if (stopped())
            return false;
        wait_for_any_semaphore(nullptr, 0, playback_pause_look_ms,
                               [] { return stopped() || g_play_paused.load() == 0; });
    }
    return !stopped();
}

// Sleeps until ms of the play clock have passed since start: a pause on the
// way stops the sleep's clock too.
bool sleep_play_ms(uint32_t start, uint32_t ms)
{
    for (;;) {
        if (!hold_while_paused())
            return false;
        uint32_t done = playback_play_tick() - start;
        if (done >= ms)
            return true;
        wait_for_any_semaphore(nullptr, 0, static_cast<int>(ms - done),
                               [] { return stopped() || g_play_paused.load() == 1; });
    }
}

// ---- the thread ----

struct PlaybackThread {
    std::thread thread;
    std::atomic<bool> running { false };
};

PlaybackThread& playback_thread()
{
    // Never destroyed: a thread still running at exit must not meet a destroyed std::thread.
    static auto* t = new PlaybackThread;
    return *t;
}

// ---- reading the fields of a body ----

int32_t field_at(std::span<const uint8_t> body, size_t index)
{
    int32_t v = 0;
    std::memcpy(&v, body.data() + index * 4, 4);
    return v;
}

// A NUL-padded name field, up to its first NUL.
std::string name_field(const uint8_t* bytes, size_t size)
{
    const char* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, size));
}

enum class Outcome { go_on, end };

Outcome skipped(const record_head& head, const char* why)
{
    dbg_log("g_meeting_record_play_thread: record type %u of %u bytes skipped: %s.\n", head.type, head.length, why);
    return Outcome::go_on;
}

Outcome refused(const record_head& head, int length)
{
    dbg_log("g_meeting_record_play_thread: record type %u holds a length of %d: playback ends.\n", head.type, length);
    return Outcome::end;
}

// The sub-head of size fixed_len is there and the data length it gives fits behind it.
bool data_fits(std::span<const uint8_t> body, size_t fixed_len, int64_t data_len)
{
    return body.size() >= fixed_len && data_len >= 0 && static_cast<uint64_t>(data_len) <= body.size() - fixed_len;
}

bool write_whole_file(const std::string& path, const uint8_t* data, size_t len)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, len, f) == len;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

void make_board_current(int board)
{
    if (board == g_current_board.load())
        return;
    if (board_window_hooks().keep_view_position)
        board_window_hooks().keep_view_position(g_current_board.load());
    select_board(board);
    board_invalidate_windows(board);
}

// ---- talk ----

struct PlayerChoice {
    std::array<int, meeting_player_count> talker {};
    std::array<uint32_t, meeting_player_count> last_tick {};
    std::array<bool, meeting_player_count> posted {};
    PlayerChoice() { talker.fill(talker_nobody); }
};

// Which talker each meeting player plays, for the one playback thread.
PlayerChoice& player_choice()
{
    static PlayerChoice choice;
    return choice;
}

// The player for a block of talker: the one playing that talker once the
// interval since its last block has passed; else the first whose last block
// is older than the interval, which then plays this talker. Its semaphore is
// taken before the block is written, so no player holds more than three.
Outcome post_talk(PlayerChoice& choice, const record_head& head, int talker, std::vector<uint8_t> samples,
                  uint32_t interval_ms)
{
    if (samples.empty())
        return skipped(head, "no sound in the block");
    bool any_player = false;
    for (auto& p : g_meeting_play_sounds)
        any_player = any_player || p.load() != nullptr;
    if (!any_player)
        return skipped(head, "no meeting player");
    bool told = false;
    for (;;) {
        if (!hold_while_paused())
            return Outcome::end;
        uint32_t now = playback_play_tick();
        auto old_enough = [&](size_t i, bool strictly) {
            uint32_t age = now - choice.last_tick[i];
            return !choice.posted[i] || (strictly ? age > interval_ms : age >= interval_ms);
        };
        int chosen = -1;
        bool plays_talker = false;
        for (size_t i = 0; i < meeting_player_count; ++i) {
            if (g_meeting_play_sounds[i].load() && choice.talker[i] == talker) {
                plays_talker = true;
                if (old_enough(i, false))
                    chosen = static_cast<int>(i);
                break;
            }
        }
        if (!plays_talker) {
            for (size_t i = 0; i < meeting_player_count && chosen < 0; ++i)
                if (g_meeting_play_sounds[i].load() && old_enough(i, true))
                    chosen = static_cast<int>(i);
            if (chosen < 0 && !told) {
                dbg_log("found_2==0 in g_meeting_record_play_thread!\n");
                told = true;
            }
        }
        if (chosen < 0) {
            wait_for_any_semaphore(nullptr, 0, playback_player_wait_ms, [] { return stopped() || g_play_paused.load() == 1; });
            continue;
        }
        CMeetingPlaySound* player = g_meeting_play_sounds[static_cast<size_t>(chosen)].load();
        VoiceSemaphore* ready = &player->m_semaphore;
        int got = wait_for_any_semaphore(&ready, 1, playback_player_wait_ms,
                                         [] { return stopped() || g_play_paused.load() == 1; });
        if (got != 0)
            continue;
        size_t i = static_cast<size_t>(chosen);
        choice.talker[i] = talker;
        choice.last_tick[i] = playback_play_tick();
        choice.posted[i] = true;
        auto block = std::make_unique<platform::WaveHeader>();
        block->data = std::move(samples);
        if (!player->post_thread_message(WM_MY_PLAY_WRITE, 0, 0, std::move(block))) {
            ready->release();
            dbg_log("meeting player %d has ended in g_meeting_record_play_thread.\n", chosen);
        }
        return Outcome::go_on;
    }
}

Outcome play_talk(PlayerChoice& choice, const record_head& head, std::span<const uint8_t> body)
{
    size_t fixed = head.type == record_type_lpc10_talk ? 16 : head.type == record_type_compressed_talk ? 12 : 24;
    if (body.size() < fixed)
        return skipped(head, "shorter than its sub-head");
    int32_t data_len = field_at(body, 0);
    if (data_len < 0 || data_len > playback_talk_limit)
        return refused(head, data_len);
    if (!data_fits(body, fixed, data_len))
        return skipped(head, "data longer than the body");
    const uint8_t* data = body.data() + fixed;
    std::vector<uint8_t> samples;
    int talker = 0;
    uint32_t interval_ms = 0;
    int n = -1;
    switch (head.type) {
    case record_type_lpc10_talk:
        talker = field_at(body, 2);
        n = talk_lpc10_to_samples(data, data_len, field_at(body, 1), samples);
        // A separate player per LPC-10 block would need a fifth device: the
        // block keeps its player busy for its own length instead.
        interval_ms = static_cast<uint32_t>(std::max(n, 0) / 8);
        break;
    case record_type_compressed_talk:
        talker = field_at(body, 1);
        n = talk_z_to_samples(data, static_cast<size_t>(data_len), samples);
        interval_ms = playback_compressed_talk_interval_ms;
        break;
    default:
        talker = field_at(body, 1);
        n = talk_dct_z_to_samples(data, static_cast<size_t>(data_len), field_at(body, 3), samples);
        interval_ms = playback_transform_talk_interval_ms;
        break;
    }
    if (n < 0)
        return skipped(head, "the sound does not decode");
    return post_talk(choice, head, talker, std::move(samples), interval_ms);
}

// ---- pictures, whiteboard, chat ----

Outcome play_picture(const record_head& head, std::span<const uint8_t> body)
{
    constexpr size_t fixed = 84;
    if (body.size() < fixed)
        return skipped(head, "shorter than its sub-head");
    int32_t data_len = field_at(body, 0);
    if (data_len < 0 || data_len > playback_picture_limit)
        return refused(head, data_len);
    if (!data_fits(body, fixed, data_len))
        return skipped(head, "data longer than the body");
    std::string name = cut_copy(name_field(body.data() + 4, 80), playback_picture_name_limit);
    if (!is_plain_file_name(name))
        return skipped(head, "the picture's name is no plain file name");
    std::string folder = playback_picture_folder();
    if (folder.empty())
        return skipped(head, "no play_back folder");
    std::string z_path = folder + name;
    if (!write_whole_file(z_path, body.data() + fixed, static_cast<size_t>(data_len)))
        return skipped(head, "the picture file cannot be written");
    PlaybackPictures& pictures = playback_pictures();
    int slot = pictures.find(name);
    int unpacked = -1;
    if (slot >= 0) {
        platform::TimedLockWait lock(pictures.picture_lock(slot), playback_picture_wait_ms);
        if (!lock)
            dbg_log("wait failed in g_meeting_record_play_thread for picture slot %d.\n", slot);
        unpacked = z_uncompress_file(z_path, z_path + ".jpg", board_bmp_picture_limit);
    } else {
        unpacked = z_uncompress_file(z_path, z_path + ".jpg", board_bmp_picture_limit);
    }
    if (unpacked != 0)
        return skipped(head, "the picture does not unpack");
    if (pictures.add(name) < 0)
        dbg_log("g_meeting_record_play_thread: %d pictures shown, %s is not.\n", playback_picture_count, name.c_str());
    post_window_message(WindowSlot::playback_view, WM_MY_MSG_REPAINT);
    return Outcome::go_on;
}

Outcome play_chat(const record_head& head, std::span<const uint8_t> body)
{
    if (body.size() < 4)
        return skipped(head, "shorter than its sub-head");
    int32_t len = field_at(body, 0);
    if (len < 0 || len > playback_chat_limit)
        return skipped(head, "chat longer than a chat message");
    if (!data_fits(body, 4, len))
        return skipped(head, "data longer than the body");
    receive_chat_text(reinterpret_cast<const char*>(body.data() + 4), static_cast<size_t>(len), 0);
    return Outcome::go_on;
}

Outcome play_action(const record_head& head, std::span<const uint8_t> body)
{
    constexpr size_t fixed = 8 + sizeof(board_action);
    if (body.size() < fixed)
        return skipped(head, "shorter than an action");
    int board = field_at(body, 1);
    if (!board_index_valid(board))
        return skipped(head, "board out of range");
    if (head.type == record_type_general_action) {
        board_add_general_from_server(reinterpret_cast<const char*>(body.data() + 8), board, sizeof(board_action));
    } else {
        int32_t text_len = field_at(body, 0);
        if (text_len < 1 || text_len > playback_text_limit)
            return skipped(head, "text length out of range 1-3999");
        if (!data_fits(body, fixed, text_len))
            return skipped(head, "text longer than the body");
        board_add_text_from_server(reinterpret_cast<const char*>(body.data() + 8), board,
                                   static_cast<int>(sizeof(board_action)) + text_len);
    }
    make_board_current(board);
    return Outcome::go_on;
}

bool slot_in_range(int board, int slot) { return board_index_valid(board) && slot >= 0 && slot < board_bmp_count; }

Outcome play_board_bitmap(const record_head& head, std::span<const uint8_t> body)
{
    if (body.size() < 12)
        return skipped(head, "shorter than its sub-head");
    int board = field_at(body, 0);
    int slot = field_at(body, 1);
    int32_t size = field_at(body, 2);
    // Checked before anything is made: a slot outside the page is no folder of it.
    if (!slot_in_range(board, slot)) {
        dbg_log("record board_num:%d index:%d out of range:%d, %d\n", board, slot, board_count - 1, board_bmp_count - 1);
        return Outcome::go_on;
    }
    if (!data_fits(body, 12, size))
        return skipped(head, "data longer than the body");
    std::string z_path;
    std::string bmp_path;
    if (!board_bmp_paths(board, slot, z_path, bmp_path))
        return skipped(head, "no folder for the slot");
    std::string part = z_path + ".part";
    if (!write_whole_file(part, body.data() + 12, static_cast<size_t>(size))) {
        std::remove(part.c_str());
        return skipped(head, "the slot's file cannot be written");
    }
    if (board_bmp_take_file(board, slot, part) != 0)
        return skipped(head, "the picture does not unpack");
    board_invalidate_windows(board);
    return Outcome::go_on;
}

// 8-10 go through the receivers of 308-310 with the bodies those carry.
Outcome play_bitmap_change(const record_head& head, std::span<const uint8_t> body)
{
    size_t need = head.type == record_type_board_bmp_pos ? 16 : head.type == record_type_board_bmp_z_order ? 12 : 8;
    if (body.size() < need)
        return skipped(head, "shorter than its fields");
    int board = field_at(body, 0);
    int slot = field_at(body, 1);
    if (!slot_in_range(board, slot))
        return skipped(head, "board or slot out of range");
    if (head.type == record_type_board_bmp_pos) {
        std::string text = format_text("%4d:%4d:%4d", slot, field_at(body, 2), field_at(body, 3));
        bmp_set_pos_from_server(text.c_str(), board, static_cast<int>(text.size()));
    } else if (head.type == record_type_board_bmp_z_order) {
        std::string text = format_text("%4d:%8d", slot, field_at(body, 2));
        bmp_set_z_order_from_server(text.c_str(), board, static_cast<int>(text.size()));
    } else {
        std::string text = format_text("%4d", slot);
        bmp_delete_from_server(text.c_str(), board, static_cast<int>(text.size()));
    }
    return Outcome::go_on;
}

Outcome play_board_font(const record_head& head, std::span<const uint8_t> body)
{
    if (body.size() < board_logfont_size)
        return skipped(head, "shorter than a font");
    board_font_upload_from_server(reinterpret_cast<const char*>(body.data()), 0, static_cast<int>(board_logfont_size));
    return Outcome::go_on;
}

Outcome play_board_op(const record_head& head, std::span<const uint8_t> body)
{
    if (body.size() < 8)
        return skipped(head, "shorter than its fields");
    int board = field_at(body, 1);
    if (!board_index_valid(board))
        return skipped(head, "board out of range");
    switch (field_at(body, 0)) {
    case 1: board_clear_from_server(board); break;
    case 2: board_undo_from_server(board); break;
    case 3: board_redo_from_server(board); break;
    default: return skipped(head, "unknown operation");
    }
    return Outcome::go_on;
}

// ---- video, documents, interface, browser ----

Outcome play_video(const record_head& head, std::span<const uint8_t> body)
{
    constexpr size_t fixed = 40;
    if (body.size() < fixed)
        return skipped(head, "shorter than its sub-head");
    int32_t frame_len = field_at(body, 0);
    if (frame_len < 0 || frame_len > playback_video_limit)
        return refused(head, frame_len);
    if (!data_fits(body, fixed, frame_len))
        return skipped(head, "frame longer than the body");
    int sender = field_at(body, 1);
    if (make_sure_customer_id_exist(sender) != 0)
        return Outcome::go_on;
    video_frame_receive(sender, field_at(body, 2), field_at(body, 3),
                        std::span<const uint8_t>(body.data() + fixed, static_cast<size_t>(frame_len)));
    return Outcome::go_on;
}

Outcome play_document(const record_head& head, std::span<const uint8_t> body)
{
    constexpr size_t fixed = 132;
    if (body.size() < fixed)
        return skipped(head, "shorter than its sub-head");
    std::string name = cut_copy(name_field(body.data(), 128), 127);
    uint32_t size = 0;
    std::memcpy(&size, body.data() + 128, 4);
    if (!data_fits(body, fixed, size))
        return skipped(head, "document longer than the body");
    std::string z_path;
    std::FILE* f = create_share_file_path(name, z_path);
    if (!f)
        return skipped(head, "the document's name is no plain file name");
    bool ok = std::fwrite(body.data() + fixed, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    std::string path = z_path.substr(0, z_path.size() - 2);
    if (!ok || z_uncompress_file(z_path, path, playback_document_limit) != 0)
        return skipped(head, "the document does not unpack");
    if (playback_office_hooks().document_arrived)
        playback_office_hooks().document_arrived(head.type, name);
    uint32_t msg = head.type == record_type_word_doc    ? WM_MY_MSG_WORD_OPEN
                 : head.type == record_type_excel_doc ? WM_MY_MSG_EXCEL_OPEN
                                                        : WM_MY_MSG_PPT_OPEN;
    post_window_message(WindowSlot::files_page, msg);
    return Outcome::go_on;
}

Outcome play_office_event(const record_head& head, std::span<const uint8_t> body)
{
    if (body.size() < 24)
        return skipped(head, "shorter than its fields");
    int event = field_at(body, 0);
    auto v = [&](size_t i) { return static_cast<uintptr_t>(static_cast<intptr_t>(field_at(body, i))); };
    uint32_t msg = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    if (head.type == record_type_word_event && event == 1) {
        msg = WM_MY_MSG_WORD_POSITION;
        wparam = v(1);
    } else if (head.type == record_type_word_event && event == 2) {
        msg = WM_MY_MSG_WORD_CLOSE;
    } else if (head.type == record_type_excel_event && event == 1) {
        if (playback_office_hooks().excel_cell)
            playback_office_hooks().excel_cell(field_at(body, 2), field_at(body, 3));
        msg = WM_MY_MSG_EXCEL_SHEET;
        wparam = v(1);
    } else if (head.type == record_type_excel_event && event == 2) {
        msg = WM_MY_MSG_EXCEL_CHART;
        wparam = v(1);
    } else if (head.type == record_type_excel_event && event == 3) {
        msg = WM_MY_MSG_EXCEL_CLOSE;
    } else if (head.type == record_type_ppt_event && event == 1) {
        msg = WM_MY_MSG_PPT_SHOW;
        wparam = v(1);
        lparam = field_at(body, 2);
    } else if (head.type == record_type_ppt_event && event == 2) {
        msg = WM_MY_MSG_PPT_CLOSE;
    } else {
        return skipped(head, "unknown event");
    }
    post_window_message(WindowSlot::files_page, msg, wparam, lparam);
    return Outcome::go_on;
}

Outcome play_ui_event(const record_head& head, std::span<const uint8_t> body)
{
    if (body.size() < 8)
        return skipped(head, "shorter than its fields");
    int value = field_at(body, 1);
    switch (field_at(body, 0)) {
    case record_ui_board_select: board_invalidate_windows(-1); break;
    case record_ui_zoom_on:
    case record_ui_zoom_off:
        send_window_message(WindowSlot::main_frame,
                            field_at(body, 0) == record_ui_zoom_on ? WM_MY_MSG_BOARD_ZOOM_ON : WM_MY_MSG_BOARD_ZOOM_OFF,
                            static_cast<uintptr_t>(static_cast<intptr_t>(value)), 0);
        board_invalidate_windows(-1);
        break;
    case record_ui_full_screen_on: post_window_message(WindowSlot::main_frame, WM_MY_MSG_FULL_SCREEN); break;
    case record_ui_full_screen_off: post_window_message(WindowSlot::main_frame, WM_MY_MSG_EXIT_FULL_SCREEN); break;
    case record_ui_left_tab:
        post_window_message(WindowSlot::left_tab, WM_MY_MSG_BOARD_NOTICE, static_cast<uintptr_t>(static_cast<intptr_t>(value)));
        break;
    default: break;  // the page announced and the upper view shown change nothing here
    }
    return Outcome::go_on;
}

Outcome play_browser(const record_head& head, std::span<const uint8_t> body)
{
    constexpr size_t fixed = 24;
    if (body.size() < fixed)
        return skipped(head, "shorter than its sub-head");
    int32_t len = field_at(body, 5);
    if (len < 0 || len > record_id_text_limit) {
        dbg_log("IE_SET_URL len:%d out of range 0-4095\n", len);
        return Outcome::end;
    }
    if (!data_fits(body, fixed, len))
        return skipped(head, "text longer than the body");
    // Kept terminated for the receivers that read it as text.
    std::string text(reinterpret_cast<const char*>(body.data() + fixed), static_cast<size_t>(len));
    switch (field_at(body, 0)) {
    case record_id_shared_browser_url: do_auto_ie_open_url_from_server(text.c_str(), len, 0); break;
    case record_id_shared_browser_frame_url: do_auto_ie_open_frame_url_from_server(text.c_str(), len, 0); break;
    case record_id_own_browser_url: share_my_ie_open_url_from_server(text.c_str(), len, 0); break;
    case record_id_own_browser_frame_url: share_my_ie_open_frame_url_from_server(text.c_str(), len, 0); break;
    default: return skipped(head, "browser kind out of range 1-4");
    }
    return Outcome::go_on;
}

// ---- the shared screen ----

Outcome play_tile(const record_head& head, std::span<const uint8_t> body)
{
    constexpr size_t fixed = 24;
    if (body.size() < fixed)
        return skipped(head, "shorter than its sub-head");
    ShareGrid grid = head.type == record_type_share_app_tile ? ShareGrid::app : ShareGrid::desk;
    int row = field_at(body, 1);
    int column = field_at(body, 2);
    int32_t size = field_at(body, 5);
    // Checked before a lock is looked up by them.
    if (row < 0 || row >= grid_size(grid) || column < 0 || column >= grid_size(grid))
        return skipped(head, "tile outside the grid");
    // The tile files of a share of this client's own are what it sends.
    if (this_instance_shares())
        return skipped(head, "this client shares its own screen");
    if (!data_fits(body, fixed, size))
        return skipped(head, "data longer than the body");
    std::string z_path = tile_z_path(grid, row, column);
    if (!write_whole_file(z_path, body.data() + fixed, static_cast<size_t>(size)))
        return skipped(head, "the tile's file cannot be written");
    int unpacked = -1;
    {
        platform::TimedLockWait lock(tile_lock_of(grid, row, column), tile_lock_wait_ms);
        if (!lock) {
            if (grid == ShareGrid::app)
                message_box_printf("wait failed in do_share_app_one_file_end_from_server.");
            else
                dbg_log("!!!wait g_mutex_desks[%d][%d] failed in g_meeting_record_play_thread.\n", row, column);
        }
        unpacked = z_uncompress_file(z_path, tile_picture_path(grid, row, column));
    }
    if (unpacked != 0)
        return skipped(head, "the tile does not unpack");
    // As the live receivers do: a desktop tile shows the desktop grid.
    if (grid == ShareGrid::desk)
        g_desktop_mode = 1;
    tile_of(grid, row, column).fresh = 1;
    post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
    if (grid == ShareGrid::desk)
        post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT);
    if (grid == ShareGrid::app)
        record_share_app_action(z_path.c_str(), row, column);
    else
        record_share_desk_action(z_path.c_str(), row, column);
    return Outcome::go_on;
}

Outcome play_share_geometry(const record_head& head, std::span<const uint8_t> body)
{
    if (this_instance_shares())
        return skipped(head, "this client shares its own screen");
    if (head.type == record_type_share_window_rect) {
        if (body.size() < 16)
            return skipped(head, "shorter than its fields");
        int left = field_at(body, 0), top = field_at(body, 1), width = field_at(body, 2), height = field_at(body, 3);
        g_desktop_mode = 0;
        if (store_view_share_rect(left, top, width, height))
            post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
        record_share_window_rect(left, top, width, height);
        return Outcome::go_on;
    }
    if (body.size() < 8)
        return skipped(head, "shorter than its fields");
    int width = field_at(body, 0), height = field_at(body, 1);
    if (store_view_desk_size(width, height))
        post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
    select_board(board_annotation);
    record_share_desktop_size(width, height);
    return Outcome::go_on;
}

Outcome play_record(PlayerChoice& choice, const record_head& head, std::span<const uint8_t> body)
{
    switch (head.type) {
    case record_type_lpc10_talk:
    case record_type_compressed_talk:
    case record_type_transform_talk: return play_talk(choice, head, body);
    case record_type_picture: return play_picture(head, body);
    case record_type_chat: return play_chat(head, body);
    case record_type_general_action:
    case record_type_text: return play_action(head, body);
    case record_type_board_bmp: return play_board_bitmap(head, body);
    case record_type_board_bmp_pos:
    case record_type_board_bmp_z_order:
    case record_type_board_bmp_delete: return play_bitmap_change(head, body);
    case record_type_video: return play_video(head, body);
    case record_type_word_doc:
    case record_type_excel_doc:
    case record_type_ppt_doc: return play_document(head, body);
    case record_type_word_event:
    case record_type_excel_event:
    case record_type_ppt_event: return play_office_event(head, body);
    case record_type_board_op: return play_board_op(head, body);
    case record_type_board_font: return play_board_font(head, body);
    case record_type_ui_event: return play_ui_event(head, body);
    case record_type_id_action: return play_browser(head, body);
    case record_type_share_app_tile:
    case record_type_share_desk_tile: return play_tile(head, body);
    case record_type_share_window_rect:
    case record_type_share_desktop_size: return play_share_geometry(head, body);
    default: return Outcome::go_on;  // a record of a kind this program does not play
    }
}

bool is_talk(uint32_t type)
{
    return type == record_type_lpc10_talk || type == record_type_compressed_talk || type == record_type_transform_talk;
}

void play_file(std::FILE* file)
{
    playback_pictures().clear();
    post_window_message(WindowSlot::playback_view, WM_MY_MSG_REPAINT);
    RecordReader reader(file);
    if (!reader.read_file_head())
        return;
    create_sound_play_threads();
    PlayerChoice& choice = player_choice();
    choice = PlayerChoice {};
    record_head reference {};
    bool have_reference = false;
    uint32_t reference_tick = 0;
    record_head head {};
    std::span<const uint8_t> body;
    while (!stopped() && reader.next(head, body) == RecordRead::record) {
        if (have_reference && !is_talk(head.type)) {
            int64_t gap = record_time_gap_ms(reference.time, head.time);
            uint32_t wait = playback_sleep_ms(gap, playback_play_tick() - reference_tick,
                                              reference.type == record_type_lpc10_talk);
            if (wait > 0) {
                uint32_t start = playback_play_tick();
                observe({ PlaybackStep::wait, head.type, wait, start, head.time });
                if (!sleep_play_ms(start, wait))
                    break;
            }
        }
        observe({ PlaybackStep::record, head.type, 0, playback_play_tick(), head.time });
        if (play_record(choice, head, body) == Outcome::end)
            break;
        if (!hold_while_paused())
            break;
        reference = head;
        have_reference = true;
        reference_tick = playback_play_tick();
    }
}

} // namespace

int playback_handle_record(const record_head& head, std::span<const uint8_t> body)
{
    return play_record(player_choice(), head, body) == Outcome::end ? -1 : 0;
}

// ---- reading ----

bool record_file_head_valid(const void* head, size_t len)
{
    return len >= record_file_head_len && std::memcmp(head, record_magic, sizeof record_magic) == 0;
}

bool RecordReader::read_file_head()
{
    bool whole = fill(record_file_head_len);
    if (!whole || !record_file_head_valid(buffer_.data() + pos_, end_ - pos_)) {
        dbg_log("the file has no meeting record head (%d bytes read): nothing played.\n",
                static_cast<int>(std::min(end_ - pos_, record_file_head_len)));
        return false;
    }
    pos_ += record_file_head_len;
    return true;
}

bool RecordReader::fill(size_t n)
{
    if (end_ - pos_ >= n)
        return true;
    // What is left moves to the front; the buffer grows only for a record longer than it.
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        offset_ += static_cast<long long>(pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    if (buffer_.size() < std::max(n, record_read_piece))
        buffer_.resize(std::max(n, record_read_piece));
    while (end_ < n) {
        size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
        if (got == 0)
            return false;
        end_ += got;
    }
    return true;
}

bool RecordReader::find_separator()
{
    if (!fill(record_separator_len))
        return false;
    if (std::memcmp(buffer_.data() + pos_, record_separator, record_separator_len) == 0) {
        pos_ += record_separator_len;
        return true;
    }
    ++misplaced_;
    dbg_log("no record separator at %lld of the meeting record: looking for the next one.\n",
            offset_ + static_cast<long long>(pos_));
    ++pos_;
    for (;;) {
        if (!fill(record_separator_len))
            return false;
        const uint8_t* from = buffer_.data() + pos_;
        const void* hit = memmem(from, end_ - pos_, record_separator, record_separator_len);
        if (hit) {
            pos_ = static_cast<size_t>(static_cast<const uint8_t*>(hit) - buffer_.data()) + record_separator_len;
            return true;
        }
        // A separator may begin in the last bytes and end in the next read.
        pos_ = end_ - (record_separator_len - 1);
    }
}

RecordRead RecordReader::next(record_head& head, std::span<const uint8_t>& body)
{
    body = {};
    if (!find_separator() || !fill(sizeof head))
        return RecordRead::end;
    std::memcpy(&head, buffer_.data() + pos_, sizeof head);
    pos_ += sizeof head;
    if (head.length > playback_body_limit) {
        dbg_log("record type %u of %u bytes is longer than %u: playback ends.\n", head.type, head.length,
                playback_body_limit);
        return RecordRead::refused;
    }
    try {
        if (!fill(head.length))
            return RecordRead::end;
    } catch (const std::bad_alloc&) {
        dbg_log("no memory for a record of %u bytes: playback ends.\n", head.length);
        return RecordRead::refused;
    }
    body = std::span<const uint8_t>(buffer_.data() + pos_, head.length);
    pos_ += head.length;
    return RecordRead::record;
}

int64_t record_time_gap_ms(const record_system_time& from, const record_system_time& to)
{
    auto ms = [](const record_system_time& t) {
        return (((static_cast<int64_t>(t.day) * 24 + t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    };
    return ms(to) - ms(from);
}

uint32_t playback_sleep_ms(int64_t gap_ms, uint32_t elapsed_ms, bool after_lpc10)
{
    if (after_lpc10 || gap_ms <= static_cast<int64_t>(elapsed_ms))
        return 0;
    int64_t wait = gap_ms - elapsed_ms;
    if (wait > playback_wait_cap_ms)
        return playback_wait_cap_ms;
    return wait > playback_no_sleep_ms ? static_cast<uint32_t>(wait) : 0;
}

// ---- opening, starting, stopping ----

int playback_open_file(const std::string& path, std::FILE** out)
{
    *out = nullptr;
    std::string cut = cut_copy(path, record_path_limit);
    std::FILE* f = cut.empty() ? nullptr : std::fopen(cut.c_str(), "rb");
    if (!f) {
        message_box_printf("Failed to open file to read");
        return -1;
    }
    std::array<uint8_t, record_file_head_len> head {};
    size_t got = std::fread(head.data(), 1, head.size(), f);
    if (!record_file_head_valid(head.data(), got)) {
        std::fclose(f);
        message_box_printf("Not a meeting record file.");
        return -2;
    }
    std::rewind(f);
    *out = f;
    return 0;
}

int start_meeting_playback(std::FILE* file)
{
    PlaybackThread& t = playback_thread();
    if (t.running) {
        std::fclose(file);
        dbg_log("start_meeting_playback: the playback thread still runs.\n");
        return -1;
    }
    if (t.thread.joinable())
        t.thread.join();
    {
        std::lock_guard<std::mutex> hold(g_clock_lock);
        g_paused_total_ms = 0;
    }
    g_play_paused = 0;
    g_play_file = file;
    g_play_on = 1;
    t.running = true;
    try {
        t.thread = std::thread([] { g_meeting_record_play_thread(); });
    } catch (const std::system_error&) {
        t.running = false;
        g_play_on = 0;
        g_play_file = nullptr;
        std::fclose(file);
        dbg_log("start_meeting_playback: the thread could not be started.\n");
        return -1;
    }
    return 0;
}

int g_meeting_record_play_thread()
{
    std::FILE* file = g_play_file.load();
    try {
        if (file)
            play_file(file);
    } catch (...) {
        dbg_log("exception in g_meeting_record_play_thread.\n");
    }
    for (auto& p : g_meeting_play_sounds)
        if (CMeetingPlaySound* player = p.load())
            player->post_thread_message(WM_MY_PLAY_STOP);
    g_play_on = 0;
    g_play_paused = 0;
    g_play_file = nullptr;
    if (file)
        std::fclose(file);
    playback_thread().running = false;
    wake_semaphore_waiters();
    return 0;
}

uint32_t playback_play_tick()
{
    std::lock_guard<std::mutex> hold(g_clock_lock);
    uint32_t now = g_play_paused.load() == 1 ? g_pause_began : platform::tick_count();
    return now - g_paused_total_ms;
}

void playback_toggle_pause()
{
    if (g_play_paused.load() == 1) {
        playback_resume();
        return;
    }
    {
        std::lock_guard<std::mutex> hold(g_clock_lock);
        g_pause_began = platform::tick_count();
        g_play_paused = 1;
    }
    wake_semaphore_waiters();
}

void playback_resume()
{
    {
        std::lock_guard<std::mutex> hold(g_clock_lock);
        if (g_play_paused.load() != 1)
            return;
        g_paused_total_ms += platform::tick_count() - g_pause_began;
        g_play_paused = 0;
    }
    wake_semaphore_waiters();
}

void playback_stop()
{
    {
        std::lock_guard<std::mutex> hold(g_clock_lock);
        g_play_on = 0;
        g_play_paused = 0;
    }
    wake_semaphore_waiters();
}

bool playback_thread_running() { return playback_thread().running.load(); }

bool playback_wait_ended(int wait_ms, const std::function<void()>& step)
{
    PlaybackThread& t = playback_thread();
    uint32_t start = platform::tick_count();
    while (t.running) {
        if (static_cast<int>(platform::tick_count() - start) >= wait_ms)
            return false;
        if (step)
            step();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (t.thread.joinable())
        t.thread.join();
    return true;
}

void clear_meeting_for_playback()
{
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    board_clear_all();
    video_windows_reset();
    post_window_message(WindowSlot::video_view, WM_MY_MSG_REPAINT);
    post_window_message(WindowSlot::pictures_page, WM_MY_MSG_REPAINT);
    if (this_instance_shares())
        return;
    delete_app_tile_files();
    delete_desk_tile_files();
    for (ShareGrid grid : { ShareGrid::app, ShareGrid::desk }) {
        for (int r = 0; r < grid_size(grid); ++r)
            for (int c = 0; c < grid_size(grid); ++c)
                std::remove(tile_z_path(grid, r, c).c_str());
        reset_tile_versions(grid);
    }
    // The view places no tile until the recording gives the geometry again.
    clear_share_viewer();
    post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
}

void set_playback_observer(std::function<void(const PlaybackStep&)> observer)
{
    std::lock_guard<std::mutex> hold(g_observer_lock);
    g_observer = std::move(observer);
}

PlaybackOfficeHooks& playback_office_hooks()
{
    static PlaybackOfficeHooks hooks;
    return hooks;
}
