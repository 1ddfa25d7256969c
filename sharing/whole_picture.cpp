#include "sharing/whole_picture.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "platform/sys/threads.h"
#include "sharing/file_diff.h"

#include <cstdio>
#include <unistd.h>

namespace {

AtomicInt g_app_whole_version { 0 };
AtomicInt g_desk_whole_version { 0 };

AtomicInt& version_of(ShareGrid grid) { return grid == ShareGrid::app ? g_app_whole_version : g_desk_whole_version; }

std::string bmp_folder_file(const char* name)
{
    std::string user;
    get_user_folder(user);
    return user + "bmp/" + name;
}

} // namespace

std::string whole_picture_z_path(ShareGrid grid) { return bmp_folder_file(grid == ShareGrid::app ? "wnd" : "desk"); }

std::string whole_picture_path(ShareGrid grid) { return whole_picture_z_path(grid) + (grid == ShareGrid::app ? ".bmp" : ".jpg"); }

std::string desk_signature_path() { return bmp_folder_file("desk_cs_server"); }

std::string desk_diff_path() { return bmp_folder_file("desk_diff_to_server"); }

platform::TimedMutex& whole_picture_lock(ShareGrid grid) { return grid == ShareGrid::app ? g_app_tile_end_lock : g_desk_tile_end_lock; }

int whole_picture_version(ShareGrid grid) { return version_of(grid).load(); }

void forget_whole_picture(ShareGrid grid)
{
    {
        platform::TimedLockWait lock(whole_picture_lock(grid), whole_picture_wait_ms);
        if (!lock)
            dbg_log("wait failed in forget_whole_picture.\n");
        ::unlink(whole_picture_path(grid).c_str());
        ::unlink(whole_picture_z_path(grid).c_str());
    }
    ++version_of(grid);
}

namespace {

// One download into "<name>.part"; used by the application connection's thread only.
struct PartDownload {
    PartDownload(const char* null_log_line, const char* what) : null_log(null_log_line), name(what) {}
    const char* null_log;  // logged once when the part cannot be created
    const char* name;      // for the log lines
    std::FILE* file = nullptr;
    std::string part_path;
    long long written = 0;
    bool null_logged = false;

    void abandon()
    {
        if (!file)
            return;
        std::fclose(file);
        file = nullptr;
        ::unlink(part_path.c_str());
    }

    void begin(const std::string& final_path)
    {
        abandon();
        part_path = final_path + ".part";
        written = 0;
        file = std::fopen(part_path.c_str(), "wb");
        if (!file && !null_logged) {
            null_logged = true;
            dbg_log("%s\n", null_log);
        }
    }

    void append(const char* body, int len)
    {
        if (!file || !body || len <= 0)
            return;
        if (written + len > network_picture_limit) {
            dbg_log("%s over %lld bytes: dropped.\n", name, network_picture_limit);
            abandon();
            return;
        }
        if (std::fwrite(body, 1, static_cast<size_t>(len), file) != static_cast<size_t>(len)) {
            dbg_log("write failed for %s: dropped.\n", name);
            abandon();
            return;
        }
        written += len;
    }

    // Closes the part; false (and the part gone) when nothing was open or it did not close whole.
    bool finish()
    {
        if (!file)
            return false;
        bool closed = std::fclose(file) == 0;
        file = nullptr;
        if (!closed) {
            dbg_log("write failed for %s: dropped.\n", name);
            ::unlink(part_path.c_str());
        }
        return closed;
    }
};

PartDownload g_app_picture_download { "g_share_app_bmp_download_fd is null.", "the shared window's picture" };
PartDownload g_desk_picture_download { "g_share_desktop_bmp_download_fd is null.", "the shared desktop's picture" };
PartDownload g_desk_signature_download { "g_share_desktop_cs_server_fd is null.", "the desktop picture's signatures" };

PartDownload& picture_download(ShareGrid grid) { return grid == ShareGrid::app ? g_app_picture_download : g_desk_picture_download; }

const char* end_handler_name(ShareGrid grid)
{
    return grid == ShareGrid::app ? "do_share_app_file_end_from_server" : "do_share_desktop_file_end_from_server";
}

void picture_begin(ShareGrid grid) { picture_download(grid).begin(whole_picture_z_path(grid)); }

void picture_end(ShareGrid grid)
{
    PartDownload& download = picture_download(grid);
    if (!download.finish())
        return;
    const std::string z_path = whole_picture_z_path(grid);
    const std::string path = whole_picture_path(grid);
    const std::string unpacked_part = path + ".part";
    // Unpacked beside the old picture first: one that does not unpack leaves the last good one.
    if (z_uncompress_file(download.part_path, unpacked_part, network_picture_limit) != 0) {
        dbg_log("%s: the picture does not unpack: the last one stays.\n", end_handler_name(grid));
        ::unlink(download.part_path.c_str());
        ::unlink(unpacked_part.c_str());
        return;
    }
    {
        platform::TimedLockWait lock(whole_picture_lock(grid), whole_picture_wait_ms);
        if (!lock)
            dbg_log("wait failed in %s.\n", end_handler_name(grid));
        bool renamed = std::rename(download.part_path.c_str(), z_path.c_str()) == 0;
        renamed = std::rename(unpacked_part.c_str(), path.c_str()) == 0 && renamed;
        if (!renamed)
            dbg_log("rename failed in %s.\n", end_handler_name(grid));
    }
    // The picture says what is shared, as a tile of that grid would.
    g_desktop_mode = grid == ShareGrid::desk ? 1 : 0;
    ++version_of(grid);
    post_window_message(WindowSlot::share_view, WM_MY_MSG_REPAINT);
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT);
}

AtomicInt g_desk_diff_running { 0 };
AtomicInt g_desk_diff_wanted { 0 };

// 454, the difference file in pieces of at most 900 bytes as 455, 456. 0, or -1 when a send failed.
int send_desk_diff()
{
    std::FILE* file = std::fopen(desk_diff_path().c_str(), "rb");
    if (!file) {
        dbg_log("g_send_desk_diff_thread: the difference file cannot be opened.\n");
        return 0;
    }
    int result = send_wire_message(g_share_app_sock, 0, MSG_DESK_DIFF_UPLOAD_BEGIN, {});
    char piece[desk_diff_chunk_limit];
    while (result == 0) {
        size_t got = std::fread(piece, 1, sizeof piece, file);
        if (got == 0)
            break;
        result = send_wire_message(g_share_app_sock, 0, MSG_DESK_DIFF_UPLOAD_DATA, std::string_view(piece, got));
    }
    std::fclose(file);
    if (result == 0)
        result = send_wire_message(g_share_app_sock, 0, MSG_DESK_DIFF_UPLOAD_END, {});
    if (result != 0)
        dbg_log("send failed in g_send_desk_diff_thread.\n");
    return result;
}

} // namespace

void do_share_app_file_begin_from_server(const char*, int, int) { picture_begin(ShareGrid::app); }
void do_share_app_file_data_from_server(const char* body, int len, int) { g_app_picture_download.append(body, len); }
void do_share_app_file_end_from_server(const char*, int, int) { picture_end(ShareGrid::app); }
void do_share_desk_file_begin_from_server(const char*, int, int) { picture_begin(ShareGrid::desk); }
void do_share_desk_file_data_from_server(const char* body, int len, int) { g_desk_picture_download.append(body, len); }
void do_share_desk_file_end_from_server(const char*, int, int) { picture_end(ShareGrid::desk); }

void do_desk_cs_begin_from_server(const char*, int, int) { g_desk_signature_download.begin(desk_signature_path()); }
void do_desk_cs_data_from_server(const char* body, int len, int) { g_desk_signature_download.append(body, len); }

void do_desk_cs_end_from_server(const char*, int, int)
{
    if (!g_desk_signature_download.finish())
        return;
    if (std::rename(g_desk_signature_download.part_path.c_str(), desk_signature_path().c_str()) != 0) {
        dbg_log("rename failed in do_desk_cs_end_from_server.\n");
        return;
    }
    g_desk_diff_wanted = 1;
    if (!g_desk_diff_running.load() && !platform::start_thread("send_desk_diff", g_send_desk_diff_thread))
        dbg_log("the difference sender cannot start in do_desk_cs_end_from_server.\n");
}

void whole_pictures_connection_ended()
{
    g_app_picture_download.abandon();
    g_desk_picture_download.abandon();
    g_desk_signature_download.abandon();
}

void g_send_desk_diff_thread()
{
    if (g_desk_diff_running.exchange(1))
        return;
    // Signatures that arrive while a difference goes out are described after it.
    do {
        while (g_desk_diff_wanted.exchange(0)) {
            s_create_diff_file(whole_picture_z_path(ShareGrid::desk), desk_diff_path(), desk_signature_path());
            if (send_desk_diff() != 0) {
                g_desk_diff_running = 0;
                return;
            }
        }
        g_desk_diff_running = 0;
    } while (g_desk_diff_wanted.load() && !g_desk_diff_running.exchange(1));
}

bool desk_diff_sender_running() { return g_desk_diff_running.load() != 0; }

void install_whole_pictures()
{
    set_app_handler(MSG_SHARE_APP_FILE_BEGIN, do_share_app_file_begin_from_server);
    set_app_handler(MSG_SHARE_APP_FILE_DATA, do_share_app_file_data_from_server);
    set_app_handler(MSG_SHARE_APP_FILE_END, do_share_app_file_end_from_server);
    set_app_handler(MSG_SHARE_DESK_FILE_BEGIN, do_share_desk_file_begin_from_server);
    set_app_handler(MSG_SHARE_DESK_FILE_DATA, do_share_desk_file_data_from_server);
    set_app_handler(MSG_SHARE_DESK_FILE_END, do_share_desk_file_end_from_server);
    set_app_handler(MSG_DESK_CS_BEGIN, do_desk_cs_begin_from_server);
    set_app_handler(MSG_DESK_CS_DATA, do_desk_cs_data_from_server);
    set_app_handler(MSG_DESK_CS_END, do_desk_cs_end_from_server);
    add_connection_end_handler(ReceiveConnection::app, whole_pictures_connection_ended);
}
