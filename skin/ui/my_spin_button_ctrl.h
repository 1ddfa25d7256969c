#pragma once
// The skinned spin button: two arrow boxes raised like the own scroll bars'
// arrows. A press on a box steps the position toward the upper end (the up or
// right box) or the lower end, again and again while held; the buddy edit,
// when there is one, shows the position and its arrow keys step it.

#include <QTimer>
#include <QWidget>

class QLineEdit;

class CMySpinButtonCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CMySpinButtonCtrl(int id, Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

    void set_range(int lower, int upper);
    int lower() const { return lower_; }
    int upper() const { return upper_; }
    // Held inside the range.
    void set_pos(int position);
    int pos() const { return position_; }
    void set_buddy(QLineEdit* buddy);
    Qt::Orientation orientation() const { return orientation_; }
    // +1 while the up (right) box is held, -1 for the down (left) box, else 0.
    int pressed_box() const { return pressed_; }

    QSize sizeHint() const override;

signals:
    // After a step the user made.
    void position_changed(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int box_at(QPoint pos) const;
    void step(int direction);
    void repeat();

    Qt::Orientation orientation_;
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    int pressed_ = 0;
    QPoint pointer_; // while a box is held: the pointer, which must stay on it for the repeat
    QLineEdit* buddy_ = nullptr;
    QTimer repeat_;
};

// Paints one arrow box of the skin in box, pointing up, down, left or right.
enum class ArrowDirection { up, down, left, right };
void paint_skin_arrow_box(class GdiPainter& dc, const QRect& box, ArrowDirection direction, bool pressed);
