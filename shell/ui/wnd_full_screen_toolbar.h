#pragma once
// The full-screen window's floating tool bar: the drawing tools, their
// settings and the page commands in one row of 21 buttons, posted to the
// window it notifies. The tool in use shows pressed, the button under the
// mouse highlighted; its pictures are the skin's strips 215/213/214 and
// 247/248/249 (normal, highlighted, pressed).

#include "shell/full_screen_rules.h"
#include "shell/ui/wnd_float_bar.h"

#include <functional>

class CWndFullScreenToolbar : public CWndFloatBar {
    Q_OBJECT
public:
    using Notify = std::function<void(int command)>;

    // A child of host at (2, 2); notify receives each pressed button's command.
    CWndFullScreenToolbar(QWidget* host, Notify notify);

    int unfolded_width() const override { return FullScreenToolbarModel::unfolded_width(); }
    const FullScreenToolbarModel& model() const { return model_; }
    // The current page's tool shown pressed among the tools.
    void show_tool(int tool_code);
    // Where button index lies in the bar.
    QRect button_rect(int index) const;

protected:
    void content_press(int x) override;
    void content_move(int x) override;
    void paint_content(QPainter& p) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void repaint_button(int index);

    Notify notify_;
    FullScreenToolbarModel model_;
    int held_ = -1;  // the button under a held left button
};
