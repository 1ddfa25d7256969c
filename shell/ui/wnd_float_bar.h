#pragma once
// The small bars that float in a larger window's top-left corner: a grip to
// drag them by (they stay inside their window), a fold button that shrinks
// them to a stub, then their content, which each bar draws and handles.

#include <QPoint>
#include <QWidget>

class QPainter;

class CWndFloatBar : public QWidget {
    Q_OBJECT
public:
    bool folded() const { return folded_; }
    // The width unfolded, from the content.
    virtual int unfolded_width() const = 0;

protected:
    // A visible child of host with id 1 at (2, 2), unfolded.
    explicit CWndFloatBar(QWidget* host);
    // Called by the derived bar once it can tell its width.
    void take_unfolded_size();

    // The content's press (x from the bar's left) and the mouse moving over
    // the bar while it is not dragged; the content's drawing, unfolded only.
    virtual void content_press(int x) = 0;
    virtual void content_move(int) {}
    virtual void paint_content(QPainter& p) = 0;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keep_inside_host();

    bool folded_ = false;
    bool dragging_ = false;
    QPoint drag_start_;
};
