#pragma once
// The status bar's small volume slider: a wedge that widens to the right and
// a thumb on it. Pressing the thumb drags it, pressing the track jumps
// there; on button up the derived slider applies the value.

#include "skin/status_bar_rules.h"

#include <QWidget>

class CWndMySlider : public QWidget {
    Q_OBJECT
public:
    explicit CWndMySlider(QWidget* parent = nullptr);

    VolumeSliderModel m_model;

    int value() const { return m_model.value; }
    // Clamped into the range; repaints.
    void set_value(int value);
    void set_range(int minimum, int maximum);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Button up, after the drag has ended.
    virtual void apply_value() {}
};

// The slider's background: a fixed bitmap of the first scheme, whatever the current one.
inline constexpr int slider_background_bitmap = 192;
inline constexpr int slider_background_row = 150;
