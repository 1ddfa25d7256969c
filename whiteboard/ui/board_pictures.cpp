#include "whiteboard/ui/board_pictures.h"

#include "core/bitmap_file.h"
#include "core/dbg_log.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/ui/dib_image.h"
#include "whiteboard/board_bmp_transfer.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_recording.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <cstring>

BoardPendingUpload g_board_pending_upload;

namespace {

bool g_upload_in_progress = false;

BoardPictureUploader& uploader()
{
    static BoardPictureUploader u;
    return u;
}

int first_free_slot(int board)
{
    const board_record& r = g_board[static_cast<size_t>(board)];
    for (int i = 0; i < board_bmp_count; ++i)
        if (r.bitmaps[static_cast<size_t>(i)].used == 0)
            return i;
    return -1;
}

template <size_t N>
void set_path(std::array<char, N>& field, const std::string& path)
{
    field.fill('\0');
    std::memcpy(field.data(), path.data(), std::min(path.size(), N - 1));
}

// Steps 5-7: the slot takes the picture file, its compressed copy travels.
int place_picture(int board, int slot, const std::string& bmp_path, const std::string& z_path, int x, int y)
{
    bmp_slot& s = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(slot)];
    if (z_compress_file(bmp_path, z_path) != 0) {
        message_box_printf("Failed to compress the picture file.");
        return -1;
    }
    s.used = 1;
    s.x = x;
    s.y = y;
    s.z_order = 0;
    set_path(s.path, bmp_path);
    set_path(s.z_path, z_path);
    board_invalidate_windows(board);
    if (g_offline_board == 1)
        return 0;
    g_board_pending_upload = { board, slot, x, y };
    if (!uploader()) {
        dbg_log("board picture %d of board %d stays here: no picture upload.\n", slot, board);
        return 0;
    }
    g_upload_in_progress = true;
    const int rc = uploader()(board, slot, z_path);
    if (rc != 0)
        g_upload_in_progress = false;
    return rc;
}

// Steps 2-4: a free slot and its files' names; the folders are made.
int prepare_slot(int board, int& slot, std::string& bmp_path, std::string& z_path)
{
    if (!board_index_valid(board))
        return -1;
    slot = first_free_slot(board);
    if (slot < 0) {
        message_box_printf("No more bmps available on this board.");
        return -1;
    }
    std::FILE* z_file = create_board_bmp_folders(board, slot, z_path);
    if (!z_file) {
        message_box_printf("Failed to create the picture folder.");
        return -1;
    }
    std::fclose(z_file);
    bmp_path = z_path + ".bmp";
    return 0;
}

int write_bmp(const PackedDib& dib, const std::string& path)
{
    if (dib_write_bmp_file(dib, path) != 1) {
        message_box_printf("Failed to write the picture file.");
        return -1;
    }
    return 0;
}

} // namespace

void set_board_picture_uploader(BoardPictureUploader u) { uploader() = std::move(u); }

bool board_picture_upload_in_progress() { return g_upload_in_progress || g_bmp_uploading != 0; }

void board_picture_upload_done() { g_upload_in_progress = false; }

int board_paste_image(int board, const QImage& image, int x, int y)
{
    int slot = -1;
    std::string bmp_path;
    std::string z_path;
    if (prepare_slot(board, slot, bmp_path, z_path) != 0)
        return -1;
    std::unique_ptr<PackedDib> dib = qimage_to_dib(image);
    if (!dib || write_bmp(*dib, bmp_path) != 0)
        return -1;
    return place_picture(board, slot, bmp_path, z_path, x, y);
}

int board_paste_clipboard_bitmap(int board, int x, int y)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        message_box_printf("Failed to open clipboard.");
        return -1;
    }
    const QImage image = clipboard->image();
    if (image.isNull()) {
        message_box_printf("No bitmap on the clipboard.");
        return -1;
    }
    return board_paste_image(board, image, x, y);
}

int board_paste_bitmap_file(int board, const std::string& path, int x, int y)
{
    QImageReader reader(QString::fromStdString(path));
    const QImage image = reader.read();
    if (image.isNull()) {
        message_box_printf("Failed to read the picture file.");
        return -1;
    }
    return board_paste_image(board, image, x, y);
}

int board_next_bmp(int board, platform::XWindowId window, int x, int y)
{
    int slot = -1;
    std::string bmp_path;
    std::string z_path;
    if (prepare_slot(board, slot, bmp_path, z_path) != 0)
        return -1;
    int width_px = 0;
    int height_px = 0;
    platform::CapturedImage captured;
    if (!platform::x11_window_size(window, width_px, height_px) ||
        !platform::capture_window_area(window, 0, 0, width_px, height_px, captured)) {
        message_box_printf("Failed to capture the window.");
        return -1;
    }
    std::unique_ptr<DeviceBitmap> bitmap = device_bitmap_from_capture(captured);
    std::unique_ptr<PackedDib> dib = bitmap ? ddb_to_dib(*bitmap, nullptr) : nullptr;
    if (!dib || write_bmp(*dib, bmp_path) != 0)
        return -1;
    return place_picture(board, slot, bmp_path, z_path, x, y);
}

platform::XWindowId board_window_at(int screen_x, int screen_y)
{
    return platform::x11_top_level_window_at(screen_x, screen_y);
}
