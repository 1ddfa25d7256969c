#pragma once
// The bar each upper view carries at its top-left: "WhiteBoard" and "Video"
// bring that view forward. Dragged by its grip, folded to a stub.

#include "shell/ui/wnd_float_bar.h"

#include <functional>

class CWndSwitchBar : public CWndFloatBar {
    Q_OBJECT
public:
    using SwitchHandler = std::function<void(int upper_view)>;
    static constexpr int unfolded_min_width = 120;

    // A child of host at (2, 2); on_switch shows the view a label names.
    CWndSwitchBar(QWidget* host, SwitchHandler on_switch);

    int unfolded_width() const override;
    // The right edge of label 0 ("WhiteBoard") or 1 ("Video"); they start at x = 20.
    int label_right(int label) const;
    // The label under x, -1 for none.
    int label_at(int x) const;

protected:
    void content_press(int x) override;
    void paint_content(QPainter& p) override;

private:
    QString label_text(int label) const;

    SwitchHandler on_switch_;
};
