#include "launcher/ui/quillet_band.h"

#include <QPainter>

namespace {

QColor to_qcolor(RgbColor c) { return QColor(c.r, c.g, c.b); }

} // namespace

CquilletBand::CquilletBand(const CquilletCtrl& ctrl, QWidget* parent) : QWidget(parent), ctrl_(ctrl)
{
    setObjectName("quillet_band");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize CquilletBand::sizeHint() const { return { 240, fontMetrics().height() + 20 }; }

void CquilletBand::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    std::vector<RgbColor> lines = caption_gradient(ctrl_.from_color(), ctrl_.to_color(), height());
    // The last line belongs to the edge below the band.
    for (int y = 0; y < height() && y < static_cast<int>(lines.size()); ++y) {
        p.setPen(to_qcolor(lines[static_cast<size_t>(y)]));
        p.drawLine(0, y, width() - 1, y);
    }
    QString caption = QString::fromStdString(ctrl_.text());
    if (caption.isEmpty())
        return;
    int text_height = fontMetrics().height();
    QRect text_rect(0, caption_text_offset(height(), text_height), width(), text_height);
    p.setPen(to_qcolor(ctrl_.text_color()));
    p.drawText(text_rect, Qt::AlignHCenter | Qt::AlignTop, caption);
}
