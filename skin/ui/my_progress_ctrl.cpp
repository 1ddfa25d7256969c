#include "skin/ui/my_progress_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"

#include <QPainter>

#include <algorithm>

CMyProgressCtrl::CMyProgressCtrl(int id, QWidget* parent) : QWidget(parent)
{
    set_control_id(this, id);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CMyProgressCtrl::SetRange(int lower, int upper)
{
    lower_ = std::min(lower, upper);
    upper_ = std::max(lower, upper);
    SetPos(pos_);
    update();
}

void CMyProgressCtrl::SetPos(int pos)
{
    int clamped = std::clamp(pos, lower_, upper_);
    if (clamped == pos_)
        return;
    pos_ = clamped;
    update();
}

void CMyProgressCtrl::paintEvent(QPaintEvent*)
{
    try {
        QPainter p(this);
        QRect frame = rect().adjusted(0, 0, -1, -1);
        p.fillRect(rect(), Qt::white);
        int span = upper_ - lower_;
        if (span > 0 && pos_ > lower_) {
            QRect inner = rect().adjusted(2, 2, -2, -2);
            int done = inner.width() * (pos_ - lower_) / span;
            p.fillRect(QRect(inner.left(), inner.top(), done, inner.height()),
                       colorref_color(skin_word_value(skin_word::caption_fill)));
        }
        p.setPen(colorref_color(skin_word_value(skin_word::outline)));
        p.drawRect(frame);
    } catch (...) {
        dbg_log("exception in CMyProgressCtrl::paintEvent.\n");
    }
}
