#include "whiteboard/board_bmp_transfer.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/text_util.h"
#include "core/wire_builders.h"
#include "platform/sys/clock.h"
#include "platform/sys/paths.h"
#include "platform/sys/threads.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_recording.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>

AtomicInt g_bmp_uploading { 0 };

namespace {

std::mutex g_position_lock;
BmpUploadPosition g_position;

std::mutex g_wait_step_lock;
std::function<void(int)> g_wait_step;

// The one open download: written beside the slot's file and put in its
// place only when whole.
struct Download {
    std::FILE* file = nullptr;
    int board = -1;
    int slot = -1;
    std::string part_path;
    long long size = 0;
};
std::mutex g_download_lock;
Download g_download;

bool slot_valid(int board, int slot) { return board_index_valid(board) && slot >= 0 && slot < board_bmp_count; }

bmp_slot& slot_of(int board, int slot) { return g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(slot)]; }

template <size_t N>
void set_field(std::array<char, N>& field, const std::string& text)
{
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

// With g_download_lock held.
void close_download_locked(bool remove_part)
{
    if (g_download.file)
        std::fclose(g_download.file);
    if (remove_part && !g_download.part_path.empty())
        std::remove(g_download.part_path.c_str());
    g_download = Download {};
}

// A number field of a body: the body ends at its length, whatever follows.
bool parse_index(const char* body, int len, int& index)
{
    std::array<char, 16> text {};
    if (body && len > 0)
        std::memcpy(text.data(), body, std::min<size_t>(static_cast<size_t>(len), text.size() - 1));
    return std::sscanf(text.data(), "%d", &index) == 1;
}

struct BusyClear {
    ~BusyClear() { g_bmp_uploading = 0; }
};

} // namespace

bool board_bmp_paths(int board, int slot, std::string& z_path, std::string& bmp_path)
{
    z_path.clear();
    bmp_path.clear();
    if (!slot_valid(board, slot))
        return false;
    std::string user;
    if (get_user_folder(user) != 0)
        return false;
    std::string folder = format_text("%sbmp/%d/", user.c_str(), board);
    if (!platform::make_folders(folder))
        return false;
    z_path = format_text("%s%d", folder.c_str(), slot);
    bmp_path = z_path + ".bmp";
    return true;
}

void bmp_set_upload_position(const BmpUploadPosition& position)
{
    std::lock_guard<std::mutex> guard(g_position_lock);
    g_position = position;
}

BmpUploadPosition bmp_take_upload_position()
{
    std::lock_guard<std::mutex> guard(g_position_lock);
    BmpUploadPosition taken = g_position;
    g_position = BmpUploadPosition {};
    return taken;
}

int bmp_upload_one_file(int board, int slot)
{
    if (!board_index_valid(board)) {
        message_box_printf("board_num error in bmp_upload_one_file");
        return -1;
    }
    if (slot < 0 || slot >= board_bmp_count) {
        message_box_printf("bmp_index error in bmp_upload_one_file");
        return -1;
    }
    std::string z_path = slot_of(board, slot).z_path.data();
    if (z_path.empty()) {
        message_box_printf("path is blank in bmp_upload_one_file");
        return -1;
    }
    int idle = 0;
    if (!g_bmp_uploading.compare_exchange_strong(idle, 1)) {
        message_box_printf("Should not be here, upload_thread still running.");
        return -1;
    }
    record_board_bmp(board, slot, z_path.c_str());
    if (!platform::start_thread("bmp upload", [board, slot] { g_bmp_upload_thread(board, slot); })) {
        g_bmp_uploading = 0;
        dbg_log("failed to start the bmp upload thread.\n");
        return -1;
    }
    return 0;
}

int g_bmp_upload_thread(int board, int slot)
{
    BusyClear busy;
    try {
        BmpUploadPosition position = bmp_take_upload_position();
        if (g_file_sock.m_sock == 0 || g_file_sock.connected != 1) {
            message_box_printf("File sock connection lost, need reconnect to server");
            return -1;
        }
        // The file is opened before the server hears of it, so that a file
        // that cannot be read leaves no upload open there.
        std::string z_path = slot_of(board, slot).z_path.data();
        std::FILE* in = z_path.empty() ? nullptr : std::fopen(z_path.c_str(), "rb");
        if (!in) {
            message_box_printf("failed to open target file in bmp upload thread.");
            return -1;
        }
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(in, std::fclose);
        if (send_wire_message(g_file_sock, board, MSG_BMP_UPLOAD_BEGIN, format_text("%4d", slot)) != 0) {
            message_box_printf("File uploading failed half way.");
            return -1;
        }
        std::array<char, bmp_upload_piece_bytes> piece {};
        size_t got = 0;
        while ((got = std::fread(piece.data(), 1, piece.size(), in)) > 0) {
            if (send_wire_message(g_file_sock, board, MSG_BMP_UPLOAD_DATA, std::string_view(piece.data(), got)) != 0) {
                message_box_printf("File uploading failed half way.");
                return -1;
            }
        }
        if (send_wire_message(g_file_sock, board, MSG_BMP_UPLOAD_END, {}) != 0) {
            message_box_printf("File uploading failed half way.");
            return -1;
        }
        // The place set for another picture is not this one's.
        if (position.board == board && position.slot == slot && (position.x > 0 || position.y > 0))
            send_bmp_pos(board, slot, position.x, position.y);
        return 0;
    } catch (...) {
        dbg_log("exception in g_bmp_upload_thread\n");
        return -1;
    }
}

void set_bmp_upload_wait_step(std::function<void(int ms)> step)
{
    std::lock_guard<std::mutex> guard(g_wait_step_lock);
    g_wait_step = std::move(step);
}

bool bmp_wait_upload_done(int wait_ms)
{
    int waited = 0;
    while (g_bmp_uploading != 0) {
        if (wait_ms >= 0 && waited >= wait_ms)
            return false;
        std::function<void(int)> step;
        {
            std::lock_guard<std::mutex> guard(g_wait_step_lock);
            step = g_wait_step;
        }
        if (step)
            step(bmp_upload_wait_step_ms);
        else
            platform::sleep_ms(bmp_upload_wait_step_ms);
        waited += bmp_upload_wait_step_ms;
    }
    return true;
}

int bmp_download_begin_from_server(const char* body, int len, int board)
{
    int slot = -1;
    std::lock_guard<std::mutex> guard(g_download_lock);
    // A new begin ends the download before it, finished or not.
    close_download_locked(true);
    if (!parse_index(body, len, slot) || !slot_valid(board, slot)) {
        dbg_log("bmp_download_begin_from_server: board_num:%d, bmp_index:%d out of range, dropped\n", board, slot);
        return -1;
    }
    std::string z_path;
    std::string bmp_path;
    if (!board_bmp_paths(board, slot, z_path, bmp_path)) {
        dbg_log("g_bmp_download_fd is null in bmp_download_begin_from_server.\n");
        return -1;
    }
    std::string part = z_path + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) {
        dbg_log("g_bmp_download_fd is null in bmp_download_begin_from_server.\n");
        return -1;
    }
    g_download.file = f;
    g_download.board = board;
    g_download.slot = slot;
    g_download.part_path = part;
    g_download.size = 0;
    return 0;
}

int bmp_download_data_from_server(const char* body, int len)
{
    std::lock_guard<std::mutex> guard(g_download_lock);
    if (!g_download.file || len <= 0)
        return -1;
    if (g_download.size + len > board_bmp_file_limit) {
        dbg_log("bmp download of board %d, slot %d grows beyond %lld bytes: dropped\n", g_download.board,
                g_download.slot, board_bmp_file_limit);
        close_download_locked(true);
        return -1;
    }
    if (std::fwrite(body, 1, static_cast<size_t>(len), g_download.file) != static_cast<size_t>(len)) {
        dbg_log("bmp download of board %d, slot %d: write failed, dropped\n", g_download.board, g_download.slot);
        close_download_locked(true);
        return -1;
    }
    g_download.size += len;
    return 0;
}

int board_bmp_take_file(int board, int slot, const std::string& z_part_path)
{
    std::string z_path;
    std::string bmp_path;
    std::string bmp_part;
    bool ok = board_bmp_paths(board, slot, z_path, bmp_path);
    if (ok) {
        bmp_part = bmp_path + ".part";
        ok = z_uncompress_file(z_part_path, bmp_part, board_bmp_picture_limit) == 0;
    }
    if (ok)
        ok = std::rename(bmp_part.c_str(), bmp_path.c_str()) == 0 && std::rename(z_part_path.c_str(), z_path.c_str()) == 0;
    if (!ok) {
        std::remove(z_part_path.c_str());
        if (!bmp_part.empty())
            std::remove(bmp_part.c_str());
        return -1;
    }
    {
        std::lock_guard<std::mutex> hold(board_actions_lock());
        bmp_slot& s = slot_of(board, slot);
        set_field(s.z_path, z_path);
        set_field(s.path, bmp_path);
        s.used = 1;
    }
    record_board_bmp(board, slot, z_path.c_str());
    return 0;
}

int bmp_download_end_from_server(const char*, int)
{
    Download done;
    {
        std::lock_guard<std::mutex> guard(g_download_lock);
        done = g_download;
        if (done.file && std::fclose(done.file) != 0)
            done.size = -1;
        g_download = Download {};
    }
    int result = -1;
    if (done.board >= 0) {
        if (done.size > 0)
            result = board_bmp_take_file(done.board, done.slot, done.part_path);
        else
            std::remove(done.part_path.c_str());
        if (result != 0)
            dbg_log("bmp download of board %d, slot %d is not a picture file: dropped\n", done.board, done.slot);
    }
    board_invalidate_windows(done.board >= 0 ? done.board : g_current_board.load());
    return result;
}

void bmp_download_abort(const char* why)
{
    std::lock_guard<std::mutex> guard(g_download_lock);
    if (!g_download.file)
        return;
    dbg_log("bmp download of board %d, slot %d dropped: %s\n", g_download.board, g_download.slot, why);
    close_download_locked(true);
}

bool bmp_download_open()
{
    std::lock_guard<std::mutex> guard(g_download_lock);
    return g_download.file != nullptr;
}

int bmp_download_next_from_server(const char* body, int len, int board)
{
    int slot = -1;
    if (!parse_index(body, len, slot) || !slot_valid(board, slot)) {
        dbg_log("bmp_download_next_from_server: board_num:%d, bmp_index:%d out of range, dropped\n", board, slot);
        return -1;
    }
    return send_wire_message(g_file_sock, board, MSG_BMP_DOWNLOAD_REQUEST, format_text("%4d", slot));
}

void install_board_bmp_transfer()
{
    set_file_handler(MSG_BMP_DOWNLOAD_NEXT, [](const char* body, int len, int field2) {
        bmp_download_next_from_server(body, len, field2);
    });
    set_file_handler(MSG_BMP_DOWNLOAD_BEGIN, [](const char* body, int len, int field2) {
        bmp_download_begin_from_server(body, len, field2);
    });
    set_file_handler(MSG_BMP_DOWNLOAD_DATA, [](const char* body, int len, int) { bmp_download_data_from_server(body, len); });
    set_file_handler(MSG_BMP_DOWNLOAD_END, [](const char* body, int len, int) { bmp_download_end_from_server(body, len); });
    set_connection_end_handler(ReceiveConnection::file, [] { bmp_download_abort("the file connection ended"); });
}
