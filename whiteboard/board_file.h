#pragma once
// The whiteboard file ".bod": one page with the texts, fonts and pictures it
// shows, saved and loaded again; and the upload of a page to the room, which
// replaces every attendee's copy of it.
//
// Layout, little-endian, no padding: the 14-byte magic "0001KHBSENITE" and
// its NUL; the page's 10000-byte record as is; its n visible actions (n =
// the visible count of the record); the whole font table (50 x 64 bytes);
// the whole short-text pool (500 x 408); the whole long-text pool (40 x
// 4008); then the compressed picture files of the slots whose used word is
// 1, slot 0 first, each exactly its file-size word long.

#include "whiteboard/board_model.h"

#include <cstdio>
#include <string>

inline constexpr char board_file_magic[] = "0001KHBSENITE";  // and its NUL: 14 bytes
inline constexpr size_t board_file_magic_len = sizeof board_file_magic;
inline constexpr size_t board_file_fixed_len = board_file_magic_len + sizeof(board_record)
    + sizeof(board_font_entry) * board_font_count + sizeof(board_short_str) * board_short_str_count
    + sizeof(board_long_str) * board_long_str_count;
static_assert(board_file_magic_len == 14);
static_assert(board_file_fixed_len == 377534);
inline constexpr size_t board_file_extract_piece = 4096;
inline constexpr const char* board_file_filter = "White Board Files (*.bod)|*.bod|All Files (*.*)|*.*||";

// Each used slot's file-size word becomes the size of its compressed file
// (0 when it is missing). -1 with a message box for a page outside 0..9.
int board_file_calculate_size(int board);

// Writes the page to the path in its record's file-path field: first into a
// new file beside it, which then replaces the old one, so a failed save
// leaves the old file as it was. 0, or -1 after a message box.
int board_file_save(int board);

// Reads the file named by the page's file-path field into the page. The
// whole file is checked first (magic, every size, the texts and the
// pictures) and a file that does not hold together changes nothing and is
// told ("file format not correct"); likewise when the text pools lack room.
// 0 when loaded; -1 when no file could be opened or it was refused.
int board_file_load(int board);

// Moves one loaded text action onto the live pools and font table: the
// file's pools and font table are those read from the file. 0, or -1 with a
// message box (not a text, a wrong pool, the pool used up).
int file_open_fix_text(const board_short_str* file_short, const board_long_str* file_long,
                       const board_font_entry* file_fonts, board_action& action);

// Copies size bytes from file to z_path in pieces of 4096 bytes and unpacks
// it into bmp_path. 0, or -1 (size below 1, a target that cannot be made,
// the file ending early, data that does not unpack; nothing is left behind).
int board_file_extract_bmp(const std::string& z_path, const std::string& bmp_path, std::FILE* file, long long size);

// Sends the page to the room in place of the server's copy: its clear, then
// every action (texts with their fonts), then each picture with its place.
// Runs on the UI thread; the picture uploads are waited for in 50 ms steps.
// 0, or -1 after a message box.
int board_upload_board_to_server(int board);
