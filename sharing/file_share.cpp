#include "sharing/file_share.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "core/wire_head.h"
#include "platform/sys/clock.h"
#include "core/string_table.h"
#include "core/ui_text.h"
#include "platform/sys/threads.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

FileTransferState g_file_transfer;

namespace {

constexpr int list_size_chars = 14;

// The download's part file: written by the file thread, closed by it or by
// the dialog's Cancel on the UI thread.
std::mutex& download_lock()
{
    static std::mutex m;
    return m;
}
std::FILE* g_download_file = nullptr;
std::string g_download_part_path;
// Downloads given up before their 156 arrived: what the server still sends
// for them (their 154, 155 and 156) comes ahead of the next download's.
int g_stale_download_ends = 0;
bool g_download_end_seen = false;

void set_state(DownloadState state) { g_file_transfer.download_state = static_cast<int>(state); }

// Under download_lock.
void close_part(bool keep)
{
    if (g_download_file) {
        std::fclose(g_download_file);
        g_download_file = nullptr;
        if (!keep && !g_download_part_path.empty())
            ::unlink(g_download_part_path.c_str());
    }
}

int send_on(Cwf_socket& socket, int number, std::string_view body)
{
    WireHead head { 0, 0, number, static_cast<int>(body.size()) };
    if (!wire_head_fits(head))
        return -1;
    std::string message = format_wire_head(head);
    message.append(body);
    int length = static_cast<int>(message.size());
    return socket.my_send_fixed_len(message.data(), length) == length ? 0 : -1;
}

// Waits for the transfer without a window (headless use).
int wait_without_window(const std::function<bool()>& done, const std::function<bool()>& ok)
{
    while (!done())
        platform::sleep_ms(5);
    return ok() ? IDOK : IDCANCEL;
}

bool download_under_way()
{
    DownloadState s = download_state();
    return s == DownloadState::announced || s == DownloadState::running;
}

} // namespace

// A cancelled upload's thread sends its cancel and end before it stops; the
// next upload waits for that, so their messages never mix.
bool previous_upload_ended()
{
    for (int waited = 0; g_file_transfer.upload_running == 1 && waited < send_lock_wait_ms + 1000; waited += 5)
        platform::sleep_ms(5);
    if (g_file_transfer.upload_running == 1) {
        message_box_printf("File uploading failed half way.");
        return false;
    }
    return true;
}

DownloadState download_state() { return static_cast<DownloadState>(g_file_transfer.download_state.load()); }

bool download_file_open()
{
    std::lock_guard hold(download_lock());
    return g_download_file != nullptr;
}

std::string share_bare_name(std::string_view path)
{
    size_t cut = path.find_last_of("/\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

FileShareWindows& file_share_windows()
{
    static FileShareWindows windows;
    return windows;
}

// ---- uploads ---------------------------------------------------------------

std::string upload_login_refusal()
{
    if (g_logged_in != 1)
        return "You have to login to upload files.";
    if (g_room_number < 0)
        return "You have to enter a meeting room to upload files.";
    return {};
}

int prepare_upload(const std::string& path, const char* open_failure_text)
{
    g_file_transfer.upload_local_path.set(path);
    g_file_transfer.upload_sent = 0;
    g_file_transfer.upload_total = 0;
    g_file_transfer.upload_cancel = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        message_box_printf("%s", open_failure_text);
        return -1;
    }
    struct stat info {};
    if (::fstat(::fileno(f), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(f);
        message_box_printf("Bad file handle while open file\n");
        return -1;
    }
    std::fclose(f);
    g_file_transfer.upload_total = static_cast<long long>(info.st_size);
    return 0;
}

int run_prepared_upload(const std::string& bare_name)
{
    if (send_on(g_file_sock, MSG_FILE_UPLOAD_BEGIN, bare_name) != 0) {
        message_box_printf("File sock connection lost, need reconnect to server");
        return -1;
    }
    g_file_transfer.upload_running = 1;
    g_file_transfer.upload_result = 0;
    if (!platform::start_thread("file upload", [] { file_upload_thread(); })) {
        g_file_transfer.upload_running = 0;
        return -1;
    }
    int result = 0;
    if (file_share_windows().run_upload_dialog)
        result = file_share_windows().run_upload_dialog();
    else
        result = wait_without_window([] { return g_file_transfer.upload_running == 0; },
                                     [] { return g_file_transfer.upload_result == 0; });
    return result == IDOK ? 0 : -1;
}

int file_share_upload(const std::string& path_text)
{
    if (std::string refusal = upload_login_refusal(); !refusal.empty()) {
        message_box_id(refusal == "You have to login to upload files." ? 33937 : 33938);
        return -1;
    }
    std::string path = cut_copy(path_text, share_path_limit);
    if (path.find_first_not_of(' ') == std::string::npos) {
        message_box_id(33939);
        return -1;
    }
    std::string bare = share_bare_name(path);
    if (bare.size() > share_name_limit) {
        message_box_printf("The file name %s is longer than 63 characters. Please rename the file to upload it.", bare.c_str());
        return -1;
    }
    if (!previous_upload_ended() || prepare_upload(path, "failed to open file to read.") != 0)
        return -1;
    if (g_file_transfer.upload_total > share_upload_limit) {
        // The size as the box's "%d" shows it: every size above the limit fits an int.
        const char* text = string_table_text(33991);
        message_box_printf(tr_text(text).c_str(), static_cast<int>(std::min<long long>(g_file_transfer.upload_total, 0x7fffffff)));
        return -1;
    }
    return run_prepared_upload(bare);
}

int upload_file_with_progress(const std::string& path)
{
    std::string bare = share_bare_name(cut_copy(path, share_path_limit));
    if (!previous_upload_ended() || prepare_upload(path, "failed to open file to read.") != 0)
        return -1;
    return run_prepared_upload(bare);
}

int file_upload_thread()
{
    int result = -1;
    try {
        result = [] {
            if (g_file_sock.m_sock == 0) {
                message_box_printf("File sock connection lost, need reconnect to server");
                return -1;
            }
            std::FILE* f = std::fopen(g_file_transfer.upload_local_path.get().c_str(), "rb");
            if (!f) {
                message_box_printf("failed to open target file in file upload thread.");
                return -1;
            }
            const long long total = g_file_transfer.upload_total;
            std::array<char, share_upload_piece> piece {};
            bool stopped = false;
            // What the file held when it was measured: a file that grows meanwhile is not sent past it.
            while (g_file_transfer.upload_sent < total) {
                if (g_file_transfer.upload_cancel == 1) {
                    stopped = true;
                    break;
                }
                size_t want = static_cast<size_t>(std::min<long long>(total - g_file_transfer.upload_sent, piece.size()));
                size_t got = std::fread(piece.data(), 1, want, f);
                if (got == 0) {
                    if (std::ferror(f)) {
                        message_box_printf("read file failed.");
                        stopped = true;
                    }
                    break;
                }
                if (send_on(g_file_sock, MSG_FILE_UPLOAD_DATA, std::string_view(piece.data(), got)) != 0) {
                    std::fclose(f);
                    message_box_printf("File uploading failed half way.");
                    return -1;
                }
                g_file_transfer.upload_sent += static_cast<long long>(got);
            }
            std::fclose(f);
            // A cut upload is cancelled on the file connection first, in order
            // with its data, so the end that follows never stores it.
            if (stopped && send_on(g_file_sock, MSG_FILE_UPLOAD_CANCEL, {}) != 0) {
                message_box_printf("File uploading failed half way.");
                return -1;
            }
            if (send_on(g_file_sock, MSG_FILE_UPLOAD_END, {}) != 0) {
                message_box_printf("File uploading failed half way.");
                return -1;
            }
            return stopped ? -1 : 0;
        }();
    } catch (...) {
        dbg_log("exception in file_upload_thread.\n");
    }
    g_file_transfer.upload_result = result;
    g_file_transfer.upload_running = 0;
    return result;
}

void upload_cancel_from_dialog()
{
    g_file_transfer.upload_cancel = 1;
    send_on(g_main_sock, MSG_FILE_UPLOAD_CANCEL, {});
}

// ---- downloads -------------------------------------------------------------

int send_file_download_request(const std::string& name)
{
    return send_on(g_file_sock, MSG_FILE_DOWNLOAD_REQUEST, cut_copy(name, share_name_limit));
}

int send_file_list_refresh() { return send_on(g_file_sock, MSG_FILE_LIST_REFRESH, {}); }

int send_file_delete(const std::string& name) { return send_on(g_file_sock, MSG_FILE_DELETE, cut_copy(name, share_name_limit)); }

int file_share_download(const std::string& remote_name, const std::string& local_path)
{
    {
        std::lock_guard hold(download_lock());
        close_part(false);
        g_file_transfer.download_remote_name.set(remote_name);
        g_file_transfer.download_local_path.set(local_path);
        g_download_part_path = local_path + download_part_suffix;
        g_file_transfer.download_total = 0;
        g_file_transfer.download_done = 0;
        g_file_transfer.download_cancel = 0;
        g_file_transfer.download_failed = 0;
        g_download_end_seen = false;
        set_state(DownloadState::announced);
    }
    if (send_file_download_request(remote_name) != 0) {
        std::lock_guard hold(download_lock());
        set_state(DownloadState::lost);
    }
    if (file_share_windows().run_download_dialog)
        return file_share_windows().run_download_dialog();
    return wait_without_window([] { return !download_under_way(); }, [] { return download_state() == DownloadState::done; });
}

void download_cancel_from_dialog()
{
    send_on(g_main_sock, MSG_FILE_DOWNLOAD_CANCEL, {});
    send_on(g_file_sock, MSG_FILE_DOWNLOAD_CANCEL, {});
    std::lock_guard hold(download_lock());
    g_file_transfer.download_cancel = 1;
    DownloadState s = download_state();
    if ((s == DownloadState::announced || s == DownloadState::running || s == DownloadState::failed) && !g_download_end_seen)
        ++g_stale_download_ends;
    g_download_end_seen = true;
    close_part(false);
    g_file_transfer.download_failed = 0;
    if (s == DownloadState::announced || s == DownloadState::running)
        set_state(DownloadState::cancelled);
}

bool download_check_connection()
{
    if (g_file_sock.m_sock != 0)
        return false;
    std::lock_guard hold(download_lock());
    if (!download_under_way())
        return false;
    close_part(false);
    set_state(DownloadState::lost);
    return true;
}

void file_share_connection_ended()
{
    std::lock_guard hold(download_lock());
    // Whatever the old connection still had for us died with it.
    g_stale_download_ends = 0;
    if (download_under_way()) {
        close_part(false);
        set_state(DownloadState::lost);
    }
}

std::string download_outcome_text()
{
    std::string name = g_file_transfer.download_remote_name.get();
    switch (download_state()) {
    case DownloadState::missing: return format_text(tr_text("%s is no longer in share.").c_str(), name.c_str());
    case DownloadState::incomplete:
        return format_text(tr_text("Download of %s is incomplete: %d of %d bytes.").c_str(), name.c_str(),
                           static_cast<int>(g_file_transfer.download_done.load()),
                           static_cast<int>(g_file_transfer.download_total.load()));
    case DownloadState::lost:
        return format_text(tr_text("The connection to the server was lost: the download of %s was not finished.").c_str(),
                           name.c_str());
    default: return {};
    }
}

void do_file_download_begin_from_server(const char* body, int len, int)
{
    std::lock_guard hold(download_lock());
    if (g_stale_download_ends > 0)
        return;
    if (download_state() != DownloadState::announced) {
        dbg_log("download begin with no download asked for: dropped.\n");
        return;
    }
    long long total = 0;
    std::string text = body_text(body, len);
    if (std::sscanf(text.c_str(), "%lld", &total) != 1) {
        dbg_log("download begin without a size: dropped.\n");
        return;
    }
    if (total < 0) {
        set_state(DownloadState::missing);
        return;
    }
    close_part(false);
    std::string path = g_file_transfer.download_local_path.get();
    g_download_file = std::fopen(g_download_part_path.c_str(), "w+b");
    if (!g_download_file) {
        g_file_transfer.download_failed = 1;
        set_state(DownloadState::failed);
        message_box_post_printf("Failed to open download file: %s\n\n. Please close the application that is using it.",
                                path.c_str());
        return;
    }
    g_file_transfer.download_total = total;
    g_file_transfer.download_done = 0;
    set_state(DownloadState::running);
}

void do_file_download_data_from_server(const char* body, int len, int)
{
    std::lock_guard hold(download_lock());
    if (g_stale_download_ends > 0 || len <= 0)
        return;
    if (g_file_transfer.download_cancel == 1) {
        close_part(false);
        return;
    }
    if (!g_download_file) {
        // Before the 154 or after the end: no download open to take it.
        dbg_log("download data with no download open: dropped.\n");
        return;
    }
    if (g_file_transfer.download_done + len > g_file_transfer.download_total) {
        dbg_log("download data past the announced size: the download is given up.\n");
        g_file_transfer.download_done += len;
        close_part(false);
        set_state(DownloadState::incomplete);
        return;
    }
    if (std::fwrite(body, 1, static_cast<size_t>(len), g_download_file) != static_cast<size_t>(len)) {
        dbg_log("write failed in do_file_download_data_from_server.\n");
        close_part(false);
        g_file_transfer.download_failed = 1;
        set_state(DownloadState::failed);
        return;
    }
    g_file_transfer.download_done += len;
}

void do_file_download_end_from_server(const char*, int, int)
{
    std::lock_guard hold(download_lock());
    if (g_stale_download_ends > 0) {
        --g_stale_download_ends;
        return;
    }
    g_download_end_seen = true;
    DownloadState s = download_state();
    if (s == DownloadState::missing) {
        return;
    }
    if (s != DownloadState::running || !g_download_file)
        return;
    const bool whole = g_file_transfer.download_done == g_file_transfer.download_total;
    bool closed = std::fflush(g_download_file) == 0;
    closed = std::fclose(g_download_file) == 0 && closed;
    g_download_file = nullptr;
    std::string path = g_file_transfer.download_local_path.get();
    if (whole && closed && std::rename(g_download_part_path.c_str(), path.c_str()) == 0) {
        set_state(DownloadState::done);
        return;
    }
    ::unlink(g_download_part_path.c_str());
    set_state(whole ? DownloadState::failed : DownloadState::incomplete);
}

// ---- the list --------------------------------------------------------------

bool parse_file_list_entry(const char* body, int len, std::string& name, long long& size)
{
    if (!body || len <= 0)
        return false;
    const char* end = static_cast<const char*>(std::memchr(body, '\0', static_cast<size_t>(len)));
    if (!end) {
        dbg_log("file list entry without the end of its name: dropped.\n");
        return false;
    }
    name.assign(body, static_cast<size_t>(end - body));
    cut_to(name, share_name_limit);
    if (!is_plain_file_name(name)) {
        dbg_log("file list entry whose name is not a plain file name: dropped.\n");
        return false;
    }
    if (len < list_size_chars + static_cast<int>(end - body) + 1) {
        dbg_log("file list entry without its size: dropped.\n");
        return false;
    }
    std::string field(body + len - list_size_chars, list_size_chars);
    char rest = 0;
    if (std::sscanf(field.c_str(), "%lld%c", &size, &rest) != 1 || size < 0) {
        dbg_log("file list entry without its size: dropped.\n");
        return false;
    }
    return true;
}

void do_file_list_first_from_server(const char* body, int len, int)
{
    send_window_message(WindowSlot::files_page, WM_MY_MSG_FILE_LIST_FIRST, reinterpret_cast<uintptr_t>(body), len);
}

void do_file_list_add_from_server(const char* body, int len, int)
{
    send_window_message(WindowSlot::files_page, WM_MY_MSG_FILE_LIST_ADD, reinterpret_cast<uintptr_t>(body), len);
}

void do_file_list_changed_from_server(const char* body, int len, int)
{
    send_window_message(WindowSlot::files_page, WM_MY_MSG_FILE_LIST_CHANGED, reinterpret_cast<uintptr_t>(body), len);
}

// ---- the clipboard ---------------------------------------------------------

bool is_clipboard_file_name(std::string_view name)
{
    const size_t suffix = std::strlen(clipboard_file_suffix);
    return name.size() > suffix && name.size() <= share_name_limit && name.substr(name.size() - suffix) == clipboard_file_suffix
        && is_plain_file_name(std::string(name));
}

std::string clipboard_file_name(unsigned day, unsigned hour, unsigned minute, unsigned second)
{
    return format_text("clip_%u_%u_%u_%u.nclp", day, hour, minute, second);
}

std::string clipboard_local_path(const std::string& name)
{
    std::string user;
    if (!is_clipboard_file_name(name) || get_user_folder(user) != 0)
        return {};
    return user + "share/" + name;
}

void do_clipboard_offer_from_server(const char* body, int len, int)
{
    // The name becomes a path and a question: only a plain clipboard file name does.
    std::string name = cut_copy(body_text(body, len), clipboard_offer_limit);
    if (!is_clipboard_file_name(name)) {
        dbg_log("clipboard offer that names no clipboard file: dropped.\n");
        return;
    }
    g_clipboard_file_name.set(name);
    post_window_message(WindowSlot::files_page, WM_MY_MSG_CLIPBOARD_OFFERED);
}

void install_file_share_handlers()
{
    struct Entry {
        int number;
        void (*handler)(const char*, int, int);
    };
    static constexpr Entry file_entries[] = {
        { MSG_FILE_DOWNLOAD_BEGIN, do_file_download_begin_from_server },
        { MSG_FILE_DOWNLOAD_DATA, do_file_download_data_from_server },
        { MSG_FILE_DOWNLOAD_END, do_file_download_end_from_server },
        { MSG_FILE_LIST_FIRST, do_file_list_first_from_server },
        { MSG_FILE_LIST_ADD, do_file_list_add_from_server },
        { MSG_FILE_LIST_CHANGED, do_file_list_changed_from_server },
    };
    for (const Entry& entry : file_entries)
        set_file_handler(entry.number, entry.handler);
    set_main_handler(MSG_CLIPBOARD_OFFER, do_clipboard_offer_from_server);
    add_connection_end_handler(ReceiveConnection::file, file_share_connection_ended);
}
