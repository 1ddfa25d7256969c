#pragma once
// The clipboard shared through a file: the whole clipboard saved as a
// ".nclp" file, packed, uploaded and offered to the room (750); a member who
// says Yes downloads it, unpacks it (bounded) and puts it on the clipboard.

#include <string>

// Upload Clipboard: 0 when the file went and the offer was sent, else -1.
int upload_clipboard();
// Fetches the clipboard file of that name and puts it on the clipboard.
// 0 on success; -1 (and the user told) otherwise.
int download_clipboard(const std::string& name);
