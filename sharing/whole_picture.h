#pragma once
// Whole pictures on the application connection: besides the tiles, the
// server sends a viewer the whole shared window (212-214, a gzip of one
// ".bmp") or the whole shared screen (252-254, a gzip of one ".jpg"), so that
// a late joiner sees the screen at once. A viewer that already holds a
// desktop picture is instead sent block signatures of the server's copy
// (451-453); it describes its own copy against them (s_create_diff_file) and
// uploads the difference (454-456), from which the server learns whether
// the copy is current.
//
// Each download goes into "<name>.part" and replaces its file only at its
// end message, and only when it unpacks: a cut or bad picture leaves the
// last good one. The unpacked files are read by the windows under the
// picture's lock (g_app_tile_end_lock, g_desk_tile_end_lock).

#include "core/global_state.h"
#include "sharing/share_state.h"

#include <string>

// An unpacked picture from the network stops at this size; past it the old picture stays.
inline constexpr long long network_picture_limit = 64LL * 1024 * 1024;
inline constexpr int whole_picture_wait_ms = 3000;
inline constexpr int desk_diff_chunk_limit = 900;

// "<user>bmp/wnd" and "<user>bmp/desk" (compressed, as received; the desktop's
// is the new file of the difference) and the same names with ".bmp" / ".jpg".
std::string whole_picture_z_path(ShareGrid grid);
std::string whole_picture_path(ShareGrid grid);
// "<user>bmp/desk_cs_server" and "<user>bmp/desk_diff_to_server".
std::string desk_signature_path();
std::string desk_diff_path();
platform::TimedMutex& whole_picture_lock(ShareGrid grid);
// Raised whenever the unpacked picture of the grid was replaced or deleted,
// so a window that keeps it loaded knows to load it again.
int whole_picture_version(ShareGrid grid);

// A new share: the grid's whole picture is deleted (under its lock).
void forget_whole_picture(ShareGrid grid);

// The handlers of the application connection (body, length, head field 2).
void do_share_app_file_begin_from_server(const char* body, int len, int field2);   // 212
void do_share_app_file_data_from_server(const char* body, int len, int field2);    // 213
void do_share_app_file_end_from_server(const char* body, int len, int field2);     // 214
void do_share_desk_file_begin_from_server(const char* body, int len, int field2);  // 252
void do_share_desk_file_data_from_server(const char* body, int len, int field2);   // 253
void do_share_desk_file_end_from_server(const char* body, int len, int field2);    // 254
void do_desk_cs_begin_from_server(const char* body, int len, int field2);          // 451
void do_desk_cs_data_from_server(const char* body, int len, int field2);           // 452
void do_desk_cs_end_from_server(const char* body, int len, int field2);            // 453
// The application connection ended: half downloads are deleted.
void whole_pictures_connection_ended();

// The difference sender (454-456 in pieces of at most 900 bytes), one at a
// time on a thread of its own. Signatures that arrive while it runs are
// described once it has finished, so the difference file is never
// rewritten under it.
void g_send_desk_diff_thread();
bool desk_diff_sender_running();

// The handlers and the connection's end plugged in.
void install_whole_pictures();
