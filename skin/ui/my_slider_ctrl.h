#pragma once
// The skinned slider (a horizontal track bar): the skin's background, a 3-D
// groove with 11 ticks above and below it, and a raised thumb at the value.
// Dragging the thumb follows the pointer; a press beside it moves a page
// toward the press, repeated while held. Values outside the range are held
// at its ends.

#include <QAbstractSlider>
#include <QTimer>

class CMySliderCtrl : public QAbstractSlider {
    Q_OBJECT
public:
    explicit CMySliderCtrl(int id, QWidget* parent = nullptr);

    // The thumb's centre, as painted.
    int thumb_centre_px() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void page_toward_press();

    bool dragging_ = false;
    int press_x_ = 0;
    QTimer page_repeat_;
};
