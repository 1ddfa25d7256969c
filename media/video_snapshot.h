#pragma once
// A still picture of the camera as a ".bmp" file: the snapshot dialog's
// "Save As File" and what it pastes into a whiteboard.

#include <cstdint>
#include <span>
#include <string>

// A name is taken when its last four characters, in lower case, are ".bmp".
bool video_snapshot_name_ok(const std::string& path);
// width x height pixels of R, G, B with the rows bottom-up (as the camera
// gives them) into a 24-bit device-independent bitmap file. 0 or -1.
int video_snapshot_write_bmp(std::span<const uint8_t> rgb, int width, int height, const std::string& path);
