#include "whiteboard/board_file.h"

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/wire_builders.h"
#include "whiteboard/board_bmp_transfer.h"
#include "whiteboard/board_messages.h"
#include "platform/sys/clock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using FontTable = std::array<board_font_entry, board_font_count>;
using ShortPool = std::array<board_short_str, board_short_str_count>;
using LongPool = std::array<board_long_str, board_long_str_count>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

template <size_t N>
std::string field_text(const std::array<char, N>& field)
{
    return std::string(field.data(), strnlen(field.data(), N));
}

template <size_t N>
void set_field(std::array<char, N>& field, const std::string& text)
{
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

bool write_all(std::FILE* f, const void* bytes, size_t length)
{
    return length == 0 || std::fwrite(bytes, 1, length, f) == length;
}

bool read_all(std::FILE* f, void* bytes, size_t length)
{
    return length == 0 || std::fread(bytes, 1, length, f) == length;
}

// What a save writes, taken under the page lock at one moment.
struct PageCopy {
    board_record record;
    std::vector<board_action> actions;
};

PageCopy copy_page(int board)
{
    PageCopy copy;
    std::lock_guard<std::mutex> guard(board_actions_lock());
    copy.record = g_board[static_cast<size_t>(board)];
    int n = std::max(0, copy.record.visible_count);
    copy.actions.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const board_action* a = board_action_at(board, i);
        copy.actions.push_back(a ? *a : board_action {});
    }
    return copy;
}

// A new file beside path, with the mode the old one had.
std::FILE* open_beside(const std::string& path, std::string& temp_path)
{
    temp_path = path + ".XXXXXX";
    int fd = ::mkstemp(temp_path.data());
    if (fd < 0) {
        temp_path.clear();
        return nullptr;
    }
    struct stat old {};
    ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        ::close(fd);
        std::remove(temp_path.c_str());
        temp_path.clear();
    }
    return f;
}

// The text a file's pool entry holds, when it fits its pool.
bool file_text_fits(const board_short_str* file_short, const board_long_str* file_long, const board_action& a)
{
    int entry = a.text_entry();
    if (a.text_pool() == board_pool_short) {
        if (entry < 0 || entry >= board_short_str_count)
            return false;
        const board_short_str& e = file_short[entry];
        size_t len = strnlen(e.text.data(), e.text.size());
        return len < e.text.size() && e.length <= len;
    }
    if (a.text_pool() == board_pool_long) {
        if (entry < 0 || entry >= board_long_str_count)
            return false;
        const board_long_str& e = file_long[entry];
        size_t len = strnlen(e.text.data(), e.text.size());
        return len < e.text.size() && e.length <= len;
    }
    return false;
}

int free_entries(const auto& pool)
{
    return static_cast<int>(std::count_if(pool.begin(), pool.end(), [](const auto& e) { return e.used == 0; }));
}

// The pictures of a file, unpacked beside their places until the whole
// file has proved good; removed when it has not.
struct LoadedPicture {
    int slot = -1;
    std::string z_path;
    std::string bmp_path;
    std::string z_temp;
    std::string bmp_temp;
};

void remove_temps(const std::vector<LoadedPicture>& pictures)
{
    for (const LoadedPicture& p : pictures) {
        std::remove(p.z_temp.c_str());
        std::remove(p.bmp_temp.c_str());
    }
}

int refuse_file(const char* why, const std::string& path)
{
    dbg_log("board_file_load: %s is refused: %s\n", path.c_str(), why);
    message_box_printf("file format not correct");
    return -1;
}

} // namespace

int board_file_calculate_size(int board)
{
    if (!board_index_valid(board)) {
        message_box_printf("board_num:%d out of range in file caculate size.", board);
        return -1;
    }
    for (int i = 0; i < board_bmp_count; ++i) {
        bmp_slot& s = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(i)];
        if (s.used != 1)
            continue;
        std::string z_path;
        std::string bmp_path;
        struct stat st {};
        bool there = board_bmp_paths(board, i, z_path, bmp_path) && ::stat(z_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        s.file_size = there ? static_cast<uint32_t>(st.st_size) : 0;
    }
    return 0;
}

int board_file_save(int board)
{
    if (!board_index_valid(board))
        return -1;
    std::string path = field_text(g_board[static_cast<size_t>(board)].file_path);
    if (path.empty()) {
        message_box_printf("Save board Error, no path specified.");
        return -1;
    }
    if (board_file_calculate_size(board) != 0)
        return -1;
    PageCopy page = copy_page(board);
    page.record.visible_count = static_cast<int32_t>(page.actions.size());
    std::string temp_path;
    File out(open_beside(path, temp_path));
    if (!out) {
        message_box_printf("failed to open %s.", path.c_str());
        return -1;
    }
    bool ok = write_all(out.get(), board_file_magic, board_file_magic_len)
        && write_all(out.get(), &page.record, sizeof page.record)
        && write_all(out.get(), page.actions.data(), page.actions.size() * sizeof(board_action))
        && write_all(out.get(), g_board_font.data(), sizeof g_board_font)
        && write_all(out.get(), g_board_short_str.data(), sizeof g_board_short_str)
        && write_all(out.get(), g_board_long_str.data(), sizeof g_board_long_str);
    for (int i = 0; i < board_bmp_count && ok; ++i) {
        const bmp_slot& s = page.record.bitmaps[static_cast<size_t>(i)];
        if (s.used != 1 || s.file_size < 1)
            continue;
        std::string z_path;
        std::string bmp_path;
        // A picture that changed since it was measured would shift every byte behind it.
        ok = board_bmp_paths(board, i, z_path, bmp_path)
            && file_append_one_z_bmp_to_file(out.get(), z_path, static_cast<long long>(s.file_size)) == 0;
    }
    ok = ok && std::fflush(out.get()) == 0 && ::fsync(::fileno(out.get())) == 0;
    ok = std::fclose(out.release()) == 0 && ok;
    if (!ok || std::rename(temp_path.c_str(), path.c_str()) != 0) {
        std::remove(temp_path.c_str());
        dbg_log("board_file_save: writing %s failed\n", path.c_str());
        message_box_printf("failed to write %s.", path.c_str());
        return -1;
    }
    return 0;
}

int board_file_extract_bmp(const std::string& z_path, const std::string& bmp_path, std::FILE* file, long long size)
{
    if (size < 1 || !file)
        return -1;
    File out(std::fopen(z_path.c_str(), "wb"));
    if (!out)
        return -1;
    std::array<char, board_file_extract_piece> piece {};
    long long left = size;
    bool ok = true;
    while (left > 0 && ok) {
        size_t want = static_cast<size_t>(std::min<long long>(left, static_cast<long long>(piece.size())));
        ok = read_all(file, piece.data(), want) && write_all(out.get(), piece.data(), want);
        left -= static_cast<long long>(want);
    }
    ok = std::fclose(out.release()) == 0 && ok;
    ok = ok && z_uncompress_file(z_path, bmp_path, board_bmp_picture_limit) == 0;
    if (!ok) {
        std::remove(z_path.c_str());
        std::remove(bmp_path.c_str());
        return -1;
    }
    return 0;
}

int file_open_fix_text(const board_short_str* file_short, const board_long_str* file_long,
                       const board_font_entry* file_fonts, board_action& action)
{
    if (action.kind != ACTION_TEXT) {
        message_box_printf("file_open_fix_text error: not ACTION_TEXT");
        return -1;
    }
    int entry = action.text_entry();
    if (action.text_pool() == board_pool_short && entry >= 0 && entry < board_short_str_count) {
        int index = board_find_free_short_str();
        if (index < 0) {
            message_box_printf("Short str used up in file_open_fix_text.");
            return -1;
        }
        const board_short_str& from = file_short[entry];
        board_short_str& to = g_board_short_str[static_cast<size_t>(index)];
        size_t len = strnlen(from.text.data(), board_short_str_size - 1);
        to.text.fill('\0');
        std::memcpy(to.text.data(), from.text.data(), len);
        to.length = std::min<uint32_t>(from.length, static_cast<uint32_t>(len));
        to.used = 1;
        action.text_entry() = index;
    } else if (action.text_pool() == board_pool_long && entry >= 0 && entry < board_long_str_count) {
        int index = board_find_free_long_str();
        if (index < 0) {
            message_box_printf("Long str used up in file_open_fix_text.");
            return -1;
        }
        const board_long_str& from = file_long[entry];
        board_long_str& to = g_board_long_str[static_cast<size_t>(index)];
        size_t len = strnlen(from.text.data(), board_long_str_size - 1);
        to.text.fill('\0');
        std::memcpy(to.text.data(), from.text.data(), len);
        to.length = std::min<uint32_t>(from.length, static_cast<uint32_t>(len));
        to.used = 1;
        action.text_entry() = index;
    } else {
        message_box_printf("file_open_fix_text error: text.type not correct.");
        return -1;
    }
    action.text_address() = 0;
    // Font 0 is the view's own default font, not an entry of the table.
    int font = action.text_font_index();
    if (font > 0 && font < board_font_count) {
        const board_logfont& wanted = file_fonts[font].logfont;
        int free_index = -1;
        for (int i = 0; i < board_font_count; ++i) {
            board_font_entry& e = g_board_font[static_cast<size_t>(i)];
            if (e.used == 1 && e.logfont == wanted) {
                action.text_font_index() = i;
                return 0;
            }
            if (e.used == 0 && free_index < 0)
                free_index = i;
        }
        if (free_index >= 0) {
            g_board_font[static_cast<size_t>(free_index)].logfont = wanted;
            g_board_font[static_cast<size_t>(free_index)].used = 1;
            action.text_font_index() = free_index;
        }
    }
    return 0;
}

int board_file_load(int board)
{
    if (!board_index_valid(board))
        return -1;
    std::string path = field_text(g_board[static_cast<size_t>(board)].file_path);
    if (path.empty()) {
        message_box_printf("Open File Error, no path specified.");
        return -1;
    }
    File in(std::fopen(path.c_str(), "rb"));
    struct stat st {};
    if (!in || ::fstat(::fileno(in.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        message_box_printf("failed to open %s.", path.c_str());
        return -1;
    }
    const long long file_len = static_cast<long long>(st.st_size);
    std::array<char, board_file_magic_len> magic {};
    // Not a whiteboard file: said, and not taken (-1), so that the caller
    // does not go on to save the page under that file's name.
    if (!read_all(in.get(), magic.data(), magic.size()) || std::memcmp(magic.data(), board_file_magic, magic.size()) != 0) {
        message_box_printf("file format not correct");
        return -1;
    }
    // Everything is read and checked before the page changes.
    std::unique_ptr<board_record> record;
    std::unique_ptr<FontTable> fonts;
    std::unique_ptr<ShortPool> file_short;
    std::unique_ptr<LongPool> file_long;
    std::vector<board_action> actions;
    try {
        record = std::make_unique<board_record>();
        fonts = std::make_unique<FontTable>();
        file_short = std::make_unique<ShortPool>();
        file_long = std::make_unique<LongPool>();
    } catch (const std::bad_alloc&) {
        message_box_printf("Can not allocate memory for white board.");
        return -1;
    }
    if (!read_all(in.get(), record.get(), sizeof *record))
        return refuse_file("it ends inside the page record", path);
    long long n = record->visible_count;
    long long room = (file_len - static_cast<long long>(board_file_fixed_len)) / static_cast<long long>(sizeof(board_action));
    if (n < 0 || n > room || n > static_cast<long long>(board_max_action_index) + 1)
        return refuse_file("its action count does not fit the file", path);
    try {
        actions.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        message_box_printf("Can not allocate memory for white board.");
        return -1;
    }
    if (!read_all(in.get(), actions.data(), actions.size() * sizeof(board_action))
        || !read_all(in.get(), fonts->data(), sizeof *fonts) || !read_all(in.get(), file_short->data(), sizeof *file_short)
        || !read_all(in.get(), file_long->data(), sizeof *file_long))
        return refuse_file("it ends inside the actions or the pools", path);
    long long pictures_len = 0;
    for (const bmp_slot& s : record->bitmaps) {
        if (s.used != 1)
            continue;
        if (static_cast<long long>(s.file_size) > board_bmp_file_limit)
            return refuse_file("a picture is larger than a picture may be", path);
        pictures_len += s.file_size;
    }
    if (static_cast<long long>(board_file_fixed_len) + n * static_cast<long long>(sizeof(board_action)) + pictures_len != file_len)
        return refuse_file("its pictures do not add up to its length", path);
    int short_needed = 0;
    int long_needed = 0;
    for (const board_action& a : actions) {
        if (a.kind != ACTION_TEXT)
            continue;
        if (a.text_pool() != board_pool_short && a.text_pool() != board_pool_long) {
            message_box_printf("file_open_fix_text error: text.type not correct.");
            return -1;
        }
        if (!file_text_fits(file_short->data(), file_long->data(), a) || a.data[5] < 0 || a.data[5] >= board_font_count)
            return refuse_file("a text does not fit its pool", path);
        (a.text_pool() == board_pool_short ? short_needed : long_needed) += 1;
    }
    if (short_needed > free_entries(g_board_short_str)) {
        message_box_printf("Short str used up in file_open_fix_text.");
        return -1;
    }
    if (long_needed > free_entries(g_board_long_str)) {
        message_box_printf("Long str used up in file_open_fix_text.");
        return -1;
    }
    std::vector<LoadedPicture> pictures;
    for (int i = 0; i < board_bmp_count; ++i) {
        const bmp_slot& s = record->bitmaps[static_cast<size_t>(i)];
        if (s.used != 1 || s.file_size < 1)
            continue;
        LoadedPicture p;
        p.slot = i;
        if (!board_bmp_paths(board, i, p.z_path, p.bmp_path)) {
            remove_temps(pictures);
            message_box_printf("failed to open %s.", path.c_str());
            return -1;
        }
        p.z_temp = p.z_path + ".load";
        p.bmp_temp = p.bmp_path + ".load";
        pictures.push_back(p);
        if (board_file_extract_bmp(p.z_temp, p.bmp_temp, in.get(), s.file_size) != 0) {
            remove_temps(pictures);
            return refuse_file("a picture does not unpack", path);
        }
    }

    // The file holds together: the page takes it.
    for (board_action& a : actions)
        if (a.kind == ACTION_TEXT)
            file_open_fix_text(file_short->data(), file_long->data(), fonts->data(), a);
    for (int i = 0; i < board_bmp_count; ++i) {
        bmp_slot& s = record->bitmaps[static_cast<size_t>(i)];
        s.path.fill('\0');
        s.z_path.fill('\0');
        // A picture that was missing when the file was saved has nothing to show.
        if (s.used == 1 && s.file_size < 1)
            s.used = 0;
    }
    for (const LoadedPicture& p : pictures) {
        bmp_slot& s = record->bitmaps[static_cast<size_t>(p.slot)];
        set_field(s.z_path, p.z_path);
        set_field(s.path, p.bmp_path);
    }
    // The file is where it was opened from, whatever path it was saved
    // under; the lock is the room's, not the file's.
    set_field(record->file_path, path);
    record->lock_flag = g_board[static_cast<size_t>(board)].lock_flag;
    if (board_replace_page(board, *record, actions) != 0) {
        remove_temps(pictures);
        return -1;
    }
    for (const LoadedPicture& p : pictures) {
        if (std::rename(p.z_temp.c_str(), p.z_path.c_str()) != 0 || std::rename(p.bmp_temp.c_str(), p.bmp_path.c_str()) != 0)
            dbg_log("board_file_load: picture %d of board %d not put in place\n", p.slot, board);
    }
    board_invalidate_windows(board);
    return 0;
}

namespace {

// The page's number while its upload runs, whatever way it ends.
struct UploadingPage {
    explicit UploadingPage(int board) { g_board_uploading = board; }
    ~UploadingPage() { g_board_uploading = -1; }
};

// The texts, fonts, record and actions of the page as they were when the upload began.
struct BoardSnapshot {
    ShortPool short_pool;
    LongPool long_pool;
    FontTable fonts;
    board_record record;
    std::vector<board_action> actions;
};

std::string_view snapshot_text(const BoardSnapshot& s, const board_action& a)
{
    int entry = a.text_entry();
    if (a.text_pool() == board_pool_short && entry >= 0 && entry < board_short_str_count) {
        const board_short_str& e = s.short_pool[static_cast<size_t>(entry)];
        return std::string_view(e.text.data(), std::min<size_t>(e.length, strnlen(e.text.data(), e.text.size())));
    }
    if (a.text_pool() == board_pool_long && entry >= 0 && entry < board_long_str_count) {
        const board_long_str& e = s.long_pool[static_cast<size_t>(entry)];
        return std::string_view(e.text.data(), std::min<size_t>(e.length, strnlen(e.text.data(), e.text.size())));
    }
    return {};
}

// The pictures go on the file connection, the clear and the actions on the
// main one: a picture the server takes in before the clear would go with it.
// A probe asked for now comes back once the server has handled what went
// before it.
void wait_for_server_in_step()
{
    constexpr int wait_ms = 5000;
    const int seen = g_probes_received.load();
    send_cmd(MSG_581);
    for (int waited = 0; g_probes_received.load() == seen && waited < wait_ms; waited += 5)
        platform::sleep_ms(5);
}

} // namespace

int board_upload_board_to_server(int board)
{
    if (!board_index_valid(board))
        return -1;
    // Off line the clear and the texts would apply here and the other
    // actions go to a server: the page would lose its drawing.
    if (g_offline_board == 1) {
        message_box_printf("Work off line is on: the board can not be uploaded to the server.");
        return -1;
    }
    // Sent into no connection, the page would be told uploaded.
    if (g_connected_to_server != 1 || g_main_sock.m_sock == 0) {
        message_box_printf("Connection to server lost, please reconnect.");
        return -1;
    }
    std::unique_ptr<BoardSnapshot> snap;
    try {
        snap = std::make_unique<BoardSnapshot>();
        PageCopy page = copy_page(board);
        snap->record = page.record;
        snap->actions = std::move(page.actions);
    } catch (const std::bad_alloc&) {
        message_box_printf("Can not allocate enough memory to store actions.");
        return -1;
    }
    snap->short_pool = g_board_short_str;
    snap->long_pool = g_board_long_str;
    snap->fonts = g_board_font;
    // A wrong text is found before the room's copy is cleared, not half way.
    for (const board_action& a : snap->actions) {
        if (a.kind == ACTION_TEXT && a.text_pool() != board_pool_short && a.text_pool() != board_pool_long) {
            message_box_printf("board_upload_board_to_server text type wrong:%d", a.text_pool());
            return -1;
        }
    }
    UploadingPage uploading(board);
    send_board_clear(board);
    int current = g_current_board.load();
    int kept_font = board_index_valid(current) ? g_board[static_cast<size_t>(current)].font_index : 0;
    for (const board_action& a : snap->actions) {
        if (a.kind != ACTION_TEXT) {
            send_board_general_action(board, a);
            continue;
        }
        int font = a.data[5];
        int sent_font = 0;
        if (font > 0 && font < board_font_count) {
            const board_logfont& logfont = snap->fonts[static_cast<size_t>(font)].logfont;
            send_board_font(logfont);
            board_add_font(logfont);
            sent_font = board_index_valid(current) ? g_board[static_cast<size_t>(current)].font_index : 0;
        }
        send_board_text(board, a.data[0], a.data[1], sent_font, snapshot_text(*snap, a), a.data[2], a.data[3], a.data[4]);
    }
    // The fonts went by the current page's font; the user's own choice stays.
    if (board_index_valid(current))
        g_board[static_cast<size_t>(current)].font_index = kept_font;
    if (std::any_of(snap->record.bitmaps.begin(), snap->record.bitmaps.end(), [](const bmp_slot& s) { return s.used == 1; }))
        wait_for_server_in_step();
    for (int i = 0; i < board_bmp_count; ++i) {
        const bmp_slot& s = snap->record.bitmaps[static_cast<size_t>(i)];
        if (s.used != 1)
            continue;
        bmp_wait_upload_done();
        if (bmp_upload_one_file(board, i) != 0)
            continue;
        send_bmp_pos(board, i, s.x, s.y);
        if (s.z_order != 0)
            send_bmp_z_order(board, i, s.z_order);
    }
    // The page's pictures stay through its clear until the last has left.
    bmp_wait_upload_done();
    return 0;
}
