#pragma once
// A small sound-level graph: one column per recent level, the bar's height
// by how far the sample lies from silence. The voice threads never reach
// it; the status bar hands it their levels on its own timer.

#include "skin/status_bar_rules.h"

#include <QWidget>

class CWndSoundLevel : public QWidget {
    Q_OBJECT
public:
    explicit CWndSoundLevel(QWidget* parent = nullptr);

    // Appends a level and repaints; nothing once the frame is closing.
    void add_level(int16_t level);

    SoundLevelHistory m_history;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

inline constexpr COLORREF sound_level_background = 0xfff0f0;
inline constexpr COLORREF sound_level_bar_colour = 0x40f040;
