#pragma once
// The main frame's tool bar: the tool-bar control in the skin. Its face is
// skin word 2 framed light (word 11) at the top and left and in the panel
// colour (word 7) at the right and bottom; a button under the pointer is
// filled with word 8 and raised, a pressed one filled with word 5 and
// sunken, a checked one filled with word 8 and sunken. No button text is
// drawn.

#include "skin/ui/my_tool_bar_ctrl.h"

class CMyToolBar : public CMyToolBarCtrl {
    Q_OBJECT
public:
    // resource_id names the bar (131, 144, 161 on the main frame).
    explicit CMyToolBar(int resource_id, QWidget* parent = nullptr);
    int resource_id() const { return resource_id_; }

protected:
    void erase_background(GdiPainter& dc) override;
    void draw_button(GdiPainter& dc, const QRect& rect, const ToolBarButton& button, const ToolButtonState& state) override;

private:
    int resource_id_ = 0;
};
