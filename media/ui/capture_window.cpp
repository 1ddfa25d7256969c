#include "media/ui/capture_window.h"

#include "core/dbg_log.h"
#include "platform/ui/translations.h"

#include <QPainter>

CCaptureWindow::CCaptureWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName("My Capture Window");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCaptureWindow::show_frame(const std::vector<uint8_t>& rgb, int width, int height)
{
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<size_t>(width) * height * 3)
        return;
    QImage stored(rgb.data(), width, height, width * 3, QImage::Format_RGB888);
    image_ = stored.mirrored(false, true); // a deep copy, top row first
    update();
}

void CCaptureWindow::set_camera_missing(bool missing)
{
    camera_missing_ = missing;
    if (missing)
        image_ = QImage();
    update();
}

void CCaptureWindow::paintEvent(QPaintEvent*)
{
    try {
        QPainter painter(this);
        if (!image_.isNull()) {
            painter.drawImage(rect(), image_);
            return;
        }
        painter.fillRect(rect(), Qt::black);
        if (camera_missing_) {
            painter.setPen(Qt::white);
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, tr_ui("Video device not available."));
        }
    } catch (...) {
        dbg_log("exception in CCaptureWindow::paintEvent.\n");
    }
}
