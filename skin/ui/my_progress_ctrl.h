#pragma once
// The skinned progress bar: a frame in the outline colour, the done part in
// the caption colour, the rest white; colours read at
// each paint, so a new scheme shows at once.

#include <QWidget>

class CMyProgressCtrl : public QWidget {
    Q_OBJECT
public:
    CMyProgressCtrl(int id, QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    // Clamped to the range; repaints when it changed.
    void SetPos(int pos);
    int GetPos() const { return pos_; }
    int lower() const { return lower_; }
    int upper() const { return upper_; }

    QSize sizeHint() const override { return { 200, 16 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lower_ = 0;
    int upper_ = 100;
    int pos_ = 0;
};
