#pragma once
// Files in share without windows: the transfer state, the upload thread,
// the senders and the file connection's receivers, the page's commands and
// their refusals, the list entries, clipboard-file names. One upload and one
// download run at a time; the progress dialogs poll the state.
//
// A download is written to "<chosen path>.part" and renamed to the chosen
// path only when the server's end arrives with every announced byte; a
// short, cancelled, failed or cut-off one leaves no file behind. An upload
// sends what the file held when it was measured, never more.

#include "core/shared_text.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

inline constexpr long long share_upload_limit = 20000000;
// Names hold 63 characters on the wire (153 carries 63), so a longer one
// could be uploaded but never asked for again.
inline constexpr size_t share_name_limit = 63;
inline constexpr size_t share_path_limit = 255;
inline constexpr size_t share_upload_piece = 1000;
inline constexpr size_t clipboard_offer_limit = 511;
inline constexpr size_t clipboard_name_limit = 127;
inline constexpr char clipboard_file_suffix[] = ".nclp.z";
// A clipboard file never unpacks to more than this.
inline constexpr long long clipboard_unpack_limit = 256LL * 1024 * 1024;
inline constexpr char download_part_suffix[] = ".part";

// What became of the current download.
enum class DownloadState : int {
    idle,      // nothing asked
    announced, // 153 sent, waiting for 154
    running,   // the part file is open
    done,      // whole and renamed to its path
    failed,    // the part file could not be opened
    cancelled, // by the user
    missing,   // the server has no such file
    incomplete,// the end came before every byte
    lost,      // the file connection went while it ran
};

struct FileTransferState {
    SharedText<255> download_remote_name;
    SharedText<255> download_local_path;
    std::atomic<long long> download_done { 0 };
    std::atomic<long long> download_total { 0 };
    std::atomic<int> download_failed { 0 };
    std::atomic<int> download_cancel { 0 };
    std::atomic<int> download_state { static_cast<int>(DownloadState::idle) };

    SharedText<255> upload_local_path;
    std::atomic<long long> upload_sent { 0 };
    std::atomic<long long> upload_total { 0 };
    std::atomic<int> upload_cancel { 0 };
    std::atomic<int> upload_running { 0 };
    std::atomic<int> upload_result { 0 };
};
extern FileTransferState g_file_transfer;

DownloadState download_state();
bool download_file_open();

// The bare file name: what follows the last '/', '\' or ':'.
std::string share_bare_name(std::string_view path);

// The windows the transfers run: each shows its progress dialog modally and
// returns IDOK or IDCANCEL. Installed by sharing/ui; without them (headless)
// the transfer is waited for without a window.
struct FileShareWindows {
    std::function<int()> run_upload_dialog;
    std::function<int()> run_download_dialog;
};
FileShareWindows& file_share_windows();

// ---- uploads ----
// The page's Upload with the path from its edit: login and room, blank,
// the name, the open, the size limit; then 150, the thread and the dialog.
// 0 when the dialog ended with OK, -1 otherwise (refusals included).
int file_share_upload(const std::string& path_text);
// Office sharing: no limit and no login or room checks. 0, or -1 on a
// failure or when the user cancelled.
int upload_file_with_progress(const std::string& path);
// Steps 4-5 of an upload: the state reset, the file measured. 0, or -1
// after its box (open_failure_text for a file that cannot be opened).
int prepare_upload(const std::string& path, const char* open_failure_text);
// Waits for a cancelled upload's thread to send its end; false (after a box)
// when it does not stop in time.
bool previous_upload_ended();
// Sends 150 with the name, starts file_upload_thread and runs the dialog.
int run_prepared_upload(const std::string& bare_name);
// The worker: 151 pieces, 152 at the end; a cancel or a read error sends
// 162 on the file connection before the 152. 0 or -1.
int file_upload_thread();
// The upload dialog's Cancel: cancel = 1 and 162 on the main connection.
void upload_cancel_from_dialog();

// ---- downloads ----
// The state reset, 153 sent, the dialog run; the result of the dialog.
int file_share_download(const std::string& remote_name, const std::string& local_path);
// The download dialog's Cancel: 163 on the main and the file connection,
// the part closed and deleted.
void download_cancel_from_dialog();
// The dialog's tick watches the file connection: lost while running ends
// the download (part deleted). True when it was so ended now.
bool download_check_connection();
// The file connection ended (its receive thread's end): a download under
// way is lost, and nothing more comes for the downloads given up before.
void file_share_connection_ended();
// The text that tells the user what became of the download, empty for done
// and for the user's own cancel.
std::string download_outcome_text();

// Receivers on the file connection (body followed by a zero byte).
void do_file_download_begin_from_server(const char* body, int len, int field2);   // 154
void do_file_download_data_from_server(const char* body, int len, int field2);    // 155
void do_file_download_end_from_server(const char* body, int len, int field2);     // 156
void do_file_list_first_from_server(const char* body, int len, int field2);       // 158
void do_file_list_add_from_server(const char* body, int len, int field2);         // 159
void do_file_list_changed_from_server(const char* body, int len, int field2);     // 160
// Main connection: a member offers a clipboard file.
void do_clipboard_offer_from_server(const char* body, int len, int field2);       // 750

// Senders.
int send_file_list_refresh();                      // 157
int send_file_delete(const std::string& name);     // 161
int send_file_download_request(const std::string& name); // 153, first 63 characters

// ---- the page's rules ----
// A list entry (158, 159): the name up to its zero byte, the size in the last
// 14 characters. False (logged) for a body with no zero byte, no number or a
// name that is not a plain file name.
bool parse_file_list_entry(const char* body, int len, std::string& name, long long& size);
// The refusal of Upload, Download and Delete before anything is sent
// (English source text), or empty.
std::string upload_login_refusal();
bool is_clipboard_file_name(std::string_view name);
// "clip_%u_%u_%u_%u.nclp": day of the month, hour, minute, second.
std::string clipboard_file_name(unsigned day, unsigned hour, unsigned minute, unsigned second);
// Where a clipboard file of that name is kept: "<user>share/<name>"; empty
// for a name that is not a plain ".nclp.z" file name.
std::string clipboard_local_path(const std::string& name);

void install_file_share_handlers();
