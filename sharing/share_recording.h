#pragma once
// The shared screen in the meeting recording: a tile's compressed file
// (22 window, 24 desktop), the shared window's rectangle (23) and the
// sharer's screen size (25). 0 when written or not recording, -1 on a
// refused argument or a short copy.

int record_share_app_action(const char* z_file_path, int row, int column);
int record_share_desk_action(const char* z_file_path, int row, int column);
int record_share_window_rect(int x, int y, int width, int height);
int record_share_desktop_size(int width, int height);
