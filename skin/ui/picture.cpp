#include "skin/ui/picture.h"

#include "core/dbg_log.h"
#include "platform/ui/window_bridge.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QMessageBox>
#include <QPaintDevice>
#include <QPainter>

#include <cmath>
#include <new>

CPicture g_company_logo;

namespace {

// These are the toolkit's own error boxes, always in English.
void picture_error_box(const char* text)
{
    run_on_ui_thread([text] { QMessageBox::critical(nullptr, "CPicture Error", QString::fromLatin1(text)); });
}

} // namespace

bool CPicture::Load(const QString& path)
{
    FreePictureData();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dbg_log("CPicture::Load can not open %s.\n", path.toLocal8Bit().constData());
        return false;
    }
    QByteArray bytes = file.readAll();
    file.close();
    m_size = static_cast<int32_t>(bytes.size());
    LoadPictureData(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    if (picture_.isNull()) {
        m_width = 0;
        m_height = 0;
        return false;
    }
    return true;
}

int CPicture::LoadPictureData(const uint8_t* bytes, size_t length)
{
    picture_ = QImage();
    m_width = 0;
    m_height = 0;
    if (!bytes && length > 0) {
        dbg_log("CPicture::LoadPictureData no bytes.\n");
        return 0;
    }
    QByteArray copy;
    try {
        copy = QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
    } catch (const std::bad_alloc&) {
        picture_error_box("Can not allocate enough memory in LoadPicture Data\t");
        return 0;
    }
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (!image.isNull()) {
        // The picture keeps its pixel size; screens here count 96 pixels per inch.
        picture_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        m_width = picture_.width();
        m_height = picture_.height();
    }
    return 1;
}

int CPicture::Show(QPainter* dc, int left, int top, int right, int bottom)
{
    if (!dc || picture_.isNull() || right - left == 0 || bottom - top == 0)
        return 0;
    try {
        dc->save();
        dc->setRenderHint(QPainter::SmoothPixmapTransform, true);
        // A rectangle given the other way round mirrors the picture, as rendering does.
        QRectF target(left, top, right - left, bottom - top);
        QTransform flip;
        if (right < left || bottom < top) {
            flip.translate(left, top);
            flip.scale(right < left ? -1 : 1, bottom < top ? -1 : 1);
            flip.translate(-left, -top);
            target = QRectF(left, top, std::abs(right - left), std::abs(bottom - top));
        }
        dc->setTransform(flip, true);
        dc->drawImage(target, picture_);
        dc->restore();
    } catch (...) {
        dbg_log("exception in CPicture::Show.\n");
        picture_error_box("draw failed in CPicture::Show\t");
        return 0;
    }
    return 1;
}

int CPicture::ShowMagnified(QPainter* dc, int x, int y, int extra_width, int extra_height, double h_factor, double v_factor)
{
    if (!dc || picture_.isNull())
        return 0;
    QPaintDevice* device = dc->device();
    double dpi_x = device ? device->logicalDpiX() : 96.0;
    double dpi_y = device ? device->logicalDpiY() : 96.0;
    int w = static_cast<int>(m_width * dpi_x / 96.0 * h_factor) + extra_width;
    int h = static_cast<int>(m_height * dpi_y / 96.0 * v_factor) + extra_height;
    if (w == 0 || h == 0) {
        dbg_log("CPicture::ShowMagnified empty size.\n");
        return 0;
    }
    if (Show(dc, x, y, x + w, y + h) == 0) {
        picture_error_box("Can not allocate enough memory in Show\t");
        return 0;
    }
    return 1;
}

void CPicture::FreePictureData()
{
    picture_ = QImage();
    m_height = 0;
    m_size = 0;
    m_width = 0;
}
