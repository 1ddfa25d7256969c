#pragma once
// The pictures of the whiteboard's slots on the file connection. The client
// that pastes a picture uploads its compressed file (300, 301 pieces, 302)
// on a worker thread of its own, one upload at a time, and sends the
// picture's place after it (308). The server offers the file to the others
// (307); each asks for it (303) and downloads it (304, 305..., 306) into its
// own slot of the same index. Only one download is open at a time, and it
// is written beside the slot's file: the slot changes only once the whole
// file has arrived and unpacked.
//
// Local files: "<user>bmp/<page>/<slot>" is the compressed file,
// "<user>bmp/<page>/<slot>.bmp" the picture painted.

#include "core/global_state.h"

#include <functional>
#include <string>

inline constexpr int bmp_upload_piece_bytes = 1000;
inline constexpr int bmp_upload_wait_step_ms = 50;

// The slot's two file names; the folders are made. False for a page or slot
// outside 0..9 or when the user folder cannot be had.
bool board_bmp_paths(int board, int slot, std::string& z_path, std::string& bmp_path);

// 1 while the upload thread runs.
extern AtomicInt g_bmp_uploading;

// Where the picture goes once uploaded: set by the paste commands before the
// upload starts, taken (and cleared) by the upload thread when it starts.
struct BmpUploadPosition {
    int board = -1;
    int slot = -1;
    int x = 0;
    int y = 0;
};
void bmp_set_upload_position(const BmpUploadPosition& position);
BmpUploadPosition bmp_take_upload_position();

// Starts the upload of one slot's compressed file. board and slot 0..9,
// the slot's compressed path set, no upload running; else a message box and
// -1. Records the picture in the meeting recording.
int bmp_upload_one_file(int board, int slot);
// The upload thread's work (tests run it on their own thread): the picture
// of page board, slot; clears the busy flag when it ends. 0, or -1 after
// its message box.
int g_bmp_upload_thread(int board, int slot);
// Waits in 50 ms steps while an upload runs, at most wait_ms (negative:
// without end). True when none runs any more.
bool bmp_wait_upload_done(int wait_ms = -1);
// How a caller on the UI thread waits one step (the window layer lets the
// messages of the upload thread through meanwhile); null: a plain sleep.
void set_bmp_upload_wait_step(std::function<void(int ms)> step);

// The download handlers of the file connection: body (followed by a zero
// byte), length, head field 2 (the page). 0, or -1 when refused (logged).
// 307: asks for the offered picture (303), when page and slot are 0..9.
int bmp_download_next_from_server(const char* body, int len, int board);
int bmp_download_begin_from_server(const char* body, int len, int board);  // 304
int bmp_download_data_from_server(const char* body, int len);              // 305
int bmp_download_end_from_server(const char* body, int len);               // 306
// Puts a whole compressed picture into a slot (page and slot 0..9): unpacks
// z_part_path beside the slot's picture and, when it unpacks, renames both
// into place, marks the slot used and records it. 0, or -1 with both parts
// removed. The download's end and the playback of a recording use it.
int board_bmp_take_file(int board, int slot, const std::string& z_part_path);
// Drops an open download and its partial file (the file connection ended).
void bmp_download_abort(const char* why);
bool bmp_download_open();

// Plugs 304-307 and the end of the file connection into the receive
// dispatch (after the sharing handlers, whose 307 this one replaces).
void install_board_bmp_transfer();
