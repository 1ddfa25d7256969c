#pragma once
// Whole-file helpers: sizes, appending a file to an open one, gzip.

#include <cstdio>
#include <string>

// Size in bytes; on failure shows "get file size failed in file_get_size" and returns -1.
long long file_get_size(const std::string& path);

// Appends the file at path, in pieces of 4096 bytes, to out, which receives
// exactly size bytes. 0 on success; -1 size below 1, -2 the file is longer,
// -3 shorter, -4 a write failed (also -1 when the file cannot be opened).
int file_append_one_z_bmp_to_file(std::FILE* out, const std::string& path, long long size);

// gzip at level 9; names at most 255 characters. 0 or -1.
inline constexpr size_t z_file_name_limit = 255;
int z_compress_file(const std::string& in_path, const std::string& out_path);
// out_limit (when not negative) bounds the plain bytes: a file that would
// grow beyond it fails and its partial output is removed.
int z_uncompress_file(const std::string& in_path, const std::string& out_path, long long out_limit = -1);
