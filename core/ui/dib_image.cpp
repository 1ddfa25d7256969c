#include "core/ui/dib_image.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "whiteboard/board_model.h"

#include <QPainter>

#include <cstring>

QImage dib_to_qimage(const PackedDib& dib)
{
    if (dib.bit_count() == 32 && dib.valid()) {
        const int w = dib.width();
        const int h = dib.height() < 0 ? -dib.height() : dib.height();
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            int row = dib.height() < 0 ? y : h - 1 - y;
            const uint8_t* src = dib.bits() + dib.row_bytes() * static_cast<size_t>(row);
            auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x, src += 4)
                dst[x] = qRgb(src[2], src[1], src[0]);
        }
        return image;
    }
    std::vector<uint8_t> rgb;
    CBitmapFile converter;
    if (converter.DibToRgb(dib, rgb) != 0)
        return {};
    const int w = dib.width();
    const int h = dib.height() < 0 ? -dib.height() : dib.height();
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 3, static_cast<size_t>(w) * 3);
    return image;
}

std::unique_ptr<PackedDib> qimage_to_dib(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    QImage rgb32 = image.convertToFormat(QImage::Format_RGB32);
    DeviceBitmap bitmap;
    bitmap.width = rgb32.width();
    bitmap.height = rgb32.height();
    bitmap.bits_per_pixel = 32;
    bitmap.stride_bytes = rgb32.width() * 4;
    bitmap.bits.resize(static_cast<size_t>(bitmap.stride_bytes) * static_cast<size_t>(bitmap.height));
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(bitmap.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(bitmap.stride_bytes), rgb32.constScanLine(y),
                    static_cast<size_t>(bitmap.stride_bytes));
    return ddb_to_dib(bitmap, nullptr);
}

int bmp_draw_general(GdiPainter& dc, const std::string& path, int x, int y, int* width_px, int* height_px)
{
    auto dib = dib_read_bmp_file(path);
    QImage image = dib ? dib_to_qimage(*dib) : QImage();
    if (image.isNull()) {
        dbg_log("failed to read %s in bmp_draw_general.\n", path.c_str());
        return -1;
    }
    dc.painter().drawImage(x, y, image);
    if (width_px)
        *width_px = image.width();
    if (height_px)
        *height_px = image.height();
    return 0;
}

int bmp_draw(GdiPainter& dc, int board, int index)
{
    if (board < 0 || board >= board_count) {
        dbg_log("board_num out of range in bmp_draw.\n");
        return -1;
    }
    if (index < 0 || index >= board_bmp_count) {
        dbg_log("index out of range in bmp_draw.\n");
        return -1;
    }
    bmp_slot& slot = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(index)];
    if (!slot.used)
        return -1;
    std::string path(slot.path.data(), ::strnlen(slot.path.data(), slot.path.size()));
    int width_px = 0;
    int height_px = 0;
    if (bmp_draw_general(dc, path, slot.x, slot.y, &width_px, &height_px) != 0)
        return -1;
    slot.width = width_px;
    slot.height = height_px;
    return 0;
}
