#include "skin/ui/my_static.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"

#include <QPainter>

CMyStatic::CMyStatic(int id, const QString& text, QWidget* parent) : QLabel(text, parent)
{
    set_control_id(this, id);
    m_background_colour = palette().color(QPalette::Window);
}

void CMyStatic::paintEvent(QPaintEvent* event)
{
    try {
        // The colour is read at each paint, so a new scheme shows at once.
        QPalette pal = palette();
        QColor text = colorref_color(skin_word_value(skin_word::text));
        if (pal.color(QPalette::WindowText) != text) {
            pal.setColor(QPalette::WindowText, text);
            setPalette(pal);
        }
        if (m_transparent == 0) {
            QPainter p(this);
            p.fillRect(rect(), m_background_colour);
        }
        QLabel::paintEvent(event);
    } catch (...) {
        dbg_log("exception in CMyStatic::paintEvent.\n");
    }
}

bool CMyStatic::event(QEvent* event)
{
    m_tooltip.relay(event);
    return QLabel::event(event);
}
