#pragma once
// Pictures put on the current page: from the clipboard, from a file (a
// video snapshot), or captured from a window on the screen. Each takes the
// page's first free slot, is written as "<user>bmp/<page>/<slot>.bmp" and
// compressed beside it as "<user>bmp/<page>/<slot>"; on line the compressed
// file is then uploaded and its position sent after it.

#include "platform/x11/screen_capture.h"

#include <QImage>

#include <functional>
#include <string>

// Where the upload of a pasted picture puts it when the file has arrived.
struct BoardPendingUpload {
    int board = -1;
    int slot = -1;
    int x = 0;
    int y = 0;
};
extern BoardPendingUpload g_board_pending_upload;
// The upload of one picture file on the file connection, set by the picture
// transfer; without it a picture pasted on line stays on this page only.
using BoardPictureUploader = std::function<int(int board, int slot, const std::string& z_path)>;
void set_board_picture_uploader(BoardPictureUploader uploader);
// While a pasted picture is on its way to the server; the upload ends it.
bool board_picture_upload_in_progress();
void board_picture_upload_done();

// Steps 2-7 for a picture already in hand: the first free slot of board at
// (x, y). 0, or -1 after the message box ("No more bmps available on this
// board." and the failures of writing).
int board_paste_image(int board, const QImage& image, int x, int y);
// The clipboard's picture; "No bitmap on the clipboard." when it holds none.
int board_paste_clipboard_bitmap(int board, int x, int y);
// A picture file (a video snapshot as ".bmp", or any image Qt reads).
int board_paste_bitmap_file(int board, const std::string& path, int x, int y);
// The client area of an X window, captured from the screen.
int board_next_bmp(int board, platform::XWindowId window, int x, int y);
// The window of the desktop under a screen point (the top-level one), 0 for none.
platform::XWindowId board_window_at(int screen_x, int screen_y);
