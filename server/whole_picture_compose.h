#pragma once
// The whole picture of a share, made on the server from the tiles it keeps:
// a window's tiles (each a gzip of one ".bmp") pasted into one ".bmp", a
// desktop's tiles (each a gzip of one ".jpg") decoded, pasted and encoded
// again as one ".jpg" (TurboJPEG, quality 90); the result gzipped as the
// client unpacks it. No sockets: the share family calls this and keeps what
// it makes until a tile changes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int whole_picture_jpeg_quality = 90;
// The pixels of one whole picture at most (3 bytes each), and of one tile unpacked.
inline constexpr size_t whole_picture_pixel_limit = 64u * 1024 * 1024 / 3;
inline constexpr size_t whole_picture_tile_limit = 16u * 1024 * 1024;

// gzip at the default level, without a file name or time, so the same bytes
// always give the same file. Empty on failure.
std::string gzip_bytes(std::string_view plain);
// false when the bytes are not one whole gzip stream or unpack past limit.
bool gunzip_bytes(std::string_view packed, std::string& plain, size_t limit);

// tiles: grid_n * grid_n compressed tile files, row by row. Every tile must
// be there and of one size. The compressed whole picture, or empty with why
// set.
std::string compose_whole_picture(const std::vector<std::string_view>& tiles, int grid_n, bool app, std::string& why);
