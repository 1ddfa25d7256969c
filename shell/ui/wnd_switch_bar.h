#pragma once
// The bar each upper view carries at its top-left: "WhiteBoard" and "Video"
// bring that view forward. Dragged by its grip, folded to a stub.

#include <QPoint>
#include <QWidget>

#include <functional>

class CWndSwitchBar : public QWidget {
    Q_OBJECT
public:
    using SwitchHandler = std::function<void(int upper_view)>;
    static constexpr int unfolded_min_width = 120;

    // A child of host at (2, 2); on_switch shows the view a label names.
    CWndSwitchBar(QWidget* host, SwitchHandler on_switch);

    bool folded() const { return folded_; }
    int unfolded_width() const;
    // The right edge of label 0 ("WhiteBoard") or 1 ("Video"); they start at x = 20.
    int label_right(int label) const;
    // The label under x, -1 for none.
    int label_at(int x) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString label_text(int label) const;
    void keep_inside_host();

    SwitchHandler on_switch_;
    bool folded_ = false;
    bool dragging_ = false;
    QPoint drag_start_;
};
