#pragma once
// The whole clipboard in a file (".nclp"): a 40-byte head "clip339966", then
// per format a 32-bit number, a 32-bit size and the data. Text is kept as
// formats 13 (UTF-16) and 1, pictures as format 8 (a packed DIB); every other
// MIME type under a private number from 0xC000 whose data starts with the
// MIME name and a zero byte. Formats this system cannot show (from other
// machines) are kept on the clipboard under their number, so saving again
// writes them back unchanged. UI thread only.

#include <cstdint>
#include <string>

inline constexpr char clipboard_file_head[] = "clip339966";
inline constexpr size_t clipboard_file_head_len = 40;
inline constexpr uint32_t CF_TEXT = 1;
inline constexpr uint32_t CF_DIB = 8;
inline constexpr uint32_t CF_UNICODETEXT = 13;
inline constexpr uint32_t clipboard_private_first = 0xC000;

// 0 (also when the clipboard is empty: "Clipboard is empty."), -1 on failure.
int clipboard_save_to_file(const std::string& path);
// 0 when the clipboard now holds the file's formats; -1 and the clipboard
// unchanged when the file cannot be read or is not a whole clipboard file.
int clipboard_load_from_file(const std::string& path);
