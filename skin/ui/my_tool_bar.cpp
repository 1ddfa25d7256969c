#include "skin/ui/my_tool_bar.h"

#include "skin/skin_table.h"

CMyToolBar::CMyToolBar(int resource_id, QWidget* parent) : CMyToolBarCtrl(resource_id, parent), resource_id_(resource_id) {}

void CMyToolBar::erase_background(GdiPainter& dc)
{
    const int w = width();
    const int h = height();
    dc.fill_rect(0, 0, w, h, skin_word_value(skin_word::tool_bar_background));
    // The frame twice, as the erase and the border painter draw it: the
    // erase's right edge lies just outside the bar, the border's on its last column.
    for (int right : { w, w - 1 }) {
        dc.select_pen(skin_word_value(skin_word::light_3d));
        dc.polyline({ { 0, h - 1 }, { 0, 0 }, { right, 0 } });
        dc.select_pen(skin_word_value(skin_word::panel));
        dc.polyline({ { right, 0 }, { right, h - 1 }, { 0, h - 1 } });
    }
}

void CMyToolBar::draw_button(GdiPainter& dc, const QRect& rect, const ToolBarButton& button, const ToolButtonState& state)
{
    ToolButtonLook look = tool_button_look(state);
    if (look.fill_word >= 0) {
        dc.fill_rect(rect, skin_word_value(look.fill_word));
        dc.draw_3d_rect(rect, skin_word_value(look.top_left_word), skin_word_value(look.bottom_right_word));
    }
    draw_picture(dc, rect, button, look);
}
