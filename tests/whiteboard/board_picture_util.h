#pragma once
// Helpers of the whiteboard file and picture tests: pictures put in a slot
// the way a paste does, fonts, and a page's content told the same way in
// every client (its texts by their words, not by pool entries).

#include "core/bitmap_file.h"
#include "core/control_messages.h"
#include "core/file_util.h"
#include "core/text_util.h"
#include "whiteboard/board_bmp_transfer.h"
#include "whiteboard/board_model.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

inline board_logfont make_logfont(const char* face, int height, int weight = 400)
{
    board_logfont f {};
    int32_t words[5] = { height, 0, 0, 0, weight };
    std::memcpy(f.data(), words, sizeof words);
    std::memcpy(f.data() + 28, face, std::min<size_t>(std::strlen(face), 31));
    return f;
}

// What the board view does when it opens: its own font is entry 0.
inline void put_view_font()
{
    g_board_font[0].logfont = make_logfont("Sans", -13);
    g_board_font[0].used = 1;
}

// A picture of w x h pixels whose colours follow seed, as a device bitmap.
inline DeviceBitmap test_picture(int seed, int w, int h)
{
    DeviceBitmap b;
    b.width = w;
    b.height = h;
    b.bits_per_pixel = 32;
    b.stride_bytes = w * 4;
    b.bits.resize(static_cast<size_t>(b.stride_bytes) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t rgb = static_cast<uint32_t>(((x * 7 + seed * 50) & 0xff) << 16 | ((y * 3 + seed * 90) & 0xff) << 8
                                                 | ((x ^ y) + seed * 30) & 0xff);
            std::memcpy(b.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(b.stride_bytes) + static_cast<size_t>(x) * 4,
                        &rgb, 4);
        }
    }
    return b;
}

// What a paste does to a slot: the ".bmp" and its compressed copy in the
// slot's files, the slot used at (x, y). True when both files were written.
inline bool put_test_picture(int board, int slot, int seed, int w, int h, int x, int y)
{
    std::string z_path;
    std::string bmp_path;
    if (!board_bmp_paths(board, slot, z_path, bmp_path))
        return false;
    std::unique_ptr<PackedDib> dib = ddb_to_dib(test_picture(seed, w, h), nullptr);
    if (!dib || dib_write_bmp_file(*dib, bmp_path) != 1 || z_compress_file(bmp_path, z_path) != 0)
        return false;
    bmp_slot& s = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(slot)];
    s = bmp_slot {};
    std::memcpy(s.path.data(), bmp_path.data(), bmp_path.size());
    std::memcpy(s.z_path.data(), z_path.data(), z_path.size());
    s.used = 1;
    s.x = x;
    s.y = y;
    return true;
}

inline std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline uint64_t fnv64(uint64_t h, const void* bytes, size_t n)
{
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

// The visible actions of a page, each text by its words and its font by
// its face, so that two clients whose pools and font tables are numbered
// differently give the same digest for the same page.
inline uint64_t page_digest(int board)
{
    uint64_t h = 14695981039346656037ull;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    int n = g_board[static_cast<size_t>(board)].visible_count;
    h = fnv64(h, &n, sizeof n);
    for (int i = 0; i < n; ++i) {
        const board_action* found = board_action_at(board, i);
        board_action a = found ? *found : board_action {};
        if (a.kind == ACTION_TEXT) {
            std::string_view text = board_action_text(a);
            int font = a.text_font_index();
            if (font > 0 && font < board_font_count)
                h = fnv64(h, g_board_font[static_cast<size_t>(font)].logfont.data(), board_logfont_size);
            a.text_font_index() = 0;
            a.text_pool() = 0;
            a.text_entry() = 0;
            h = fnv64(h, text.data(), text.size());
        }
        h = fnv64(h, &a, sizeof a);
    }
    return h;
}

// Every page's digest and every slot in use with its place and its
// picture's bytes: equal texts mean two clients show the same board.
inline std::string board_state_text()
{
    std::string out;
    for (int b = 0; b < board_count; ++b) {
        out += format_text("page %d %016llx\n", b, static_cast<unsigned long long>(page_digest(b)));
        for (int i = 0; i < board_bmp_count; ++i) {
            const bmp_slot& s = g_board[static_cast<size_t>(b)].bitmaps[static_cast<size_t>(i)];
            if (s.used != 1)
                continue;
            std::string picture = file_bytes(s.path.data());
            out += format_text("slot %d %d at %d %d z %d picture %zu %016llx\n", b, i, s.x, s.y, s.z_order, picture.size(),
                               static_cast<unsigned long long>(fnv64(14695981039346656037ull, picture.data(), picture.size())));
        }
    }
    return out;
}

// After the automatic login of the receive thread: makes the room (one
// that exists answers 107, which is harmless) and enters it.
inline void enter_room_when_logged_in(const std::string& room)
{
    for (int i = 0; i < 1000 && g_logged_in == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    send_create_meeting_room(room);
    send_join_meeting_room(room, "");
}
