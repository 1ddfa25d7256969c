#pragma once
// The picture downloads on the application connection write into files
// that their begin messages (344, 348) open: one per named video window and
// a spare one for pictures no window is named for. The data messages append
// here: 345 to the file the last 344 opened, 349 (its body led by a 64-byte
// member name) to that name's file, else to the spare one. Nothing is
// appended without an open file, and no file grows past
// video_image_file_limit (the rest is dropped, once logged).
// Only the application connection's thread uses these.

#include <string>

inline constexpr size_t video_image_file_limit = 4 * 1024 * 1024;
inline constexpr size_t video_image_name_len = 64;

// name: the video window's name, or "" for the spare file. Closes what that
// one had open and makes it the file 345 appends to. 0, or -1 when path
// cannot be created (nothing is open for the name then).
int video_image_file_open(const std::string& name, const std::string& path);
// 0, or -1 when nothing was open for the name.
int video_image_file_close(const std::string& name);
bool video_image_file_is_open(const std::string& name);
// Bytes written to the name's open file, -1 when none is open.
long video_image_file_size(const std::string& name);
void video_image_files_close_all();

void video_z_down_data_from_server(const char* body, int len, int field2);    // 345
void video_z_down_data_2_from_server(const char* body, int len, int field2);  // 349
