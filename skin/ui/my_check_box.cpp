#include "skin/ui/my_check_box.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/input_gate.h"
#include "skin/ui/skin_bitmaps.h"

#include <QStyleOptionButton>

CMyCheckBox::CMyCheckBox(int id, const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    set_control_id(this, id);
    m_background_colour = palette().color(QPalette::Window);
}

bool CMyCheckBox::event(QEvent* event)
{
    m_tooltip.relay(event);
    if (m_input_gate == 0 && input_gate_drops(event))
        return true;
    return QCheckBox::event(event);
}

void CMyCheckBox::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        if (m_transparent == 0)
            dc.fill_rect(rect(), color_colorref(m_background_colour));
        // The label as the style places it, in the skin's text colour; the box is ours.
        QStyleOptionButton option;
        initStyleOption(&option);
        option.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
        option.palette.setColor(QPalette::WindowText, colorref_color(skin_word_value(skin_word::text)));
        style()->drawControl(QStyle::CE_CheckBoxLabel, &option, &dc.painter(), this);

        const int m = height() / 2;
        dc.select_pen(skin_word_value(skin_word::outline));
        dc.polyline({ { 0, m + 5 }, { 0, m - 7 }, { 13, m - 7 } });
        dc.polyline({ { 1, m + 4 }, { 1, m - 6 }, { 12, m - 6 } });
        dc.select_pen(0xffffff);
        dc.polyline({ { 0, m + 5 }, { 12, m + 5 }, { 12, m - 7 } });
        dc.select_pen(skin_word_value(skin_word::inner_border));
        dc.polyline({ { 1, m + 4 }, { 11, m + 4 }, { 11, m - 6 } });
        dc.fill_rect(2, m - 5, 11, m + 4, 0xffffff);
        if (checkState() == Qt::Checked)
            dc.bit_blt(3, m - 4, 8, 8, skin_bitmap(check_box_tick_bitmap), 1, 1);
    } catch (...) {
        dbg_log("exception in CMyCheckBox::paintEvent.\n");
    }
}
