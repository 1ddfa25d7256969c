#include "skin/ui/wnd_sound_level.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "platform/ui/gdi_painter.h"

#include <QResizeEvent>

CWndSoundLevel::CWndSoundLevel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CWndSoundLevel::add_level(int16_t level)
{
    if (g_closing == 1)
        return;
    m_history.add_level(level);
    update();
}

void CWndSoundLevel::resizeEvent(QResizeEvent* event)
{
    m_history.resize(event->size().width());
    QWidget::resizeEvent(event);
}

void CWndSoundLevel::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        dc.fill_rect(0, 0, w, h, sound_level_background);
        dc.select_pen(sound_level_bar_colour);
        for (int x = 0; x < w; ++x) {
            int bar = sound_level_bar_px(m_history.column_level(x), h);
            if (bar <= 0)
                continue;
            dc.move_to(x, h);
            dc.line_to(x, h - bar);
        }
    } catch (...) {
        dbg_log("exception in CWndSoundLevel::OnPaint.\n");
    }
}
