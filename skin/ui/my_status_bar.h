#pragma once
// The main frame's skinned status bar: panes of text on the skin's band,
// and at the right end of pane 0 a row of small windows: the speaker and
// microphone sliders with their sound-level graphs, three command buttons
// and the connection light. Its timer takes the levels the voice threads
// left in the rings (core/sound_levels.h) and polls the light.

#include "skin/status_bar_rules.h"

#include <QStatusBar>
#include <QTimer>

#include <array>
#include <vector>

class CWndMySliderSpeaker;
class CWndMySliderMic;
class CWndStatusButton;
class CWndStatusIndicator;
class CWndSoundLevel;
class GdiPainter;

// The bar's panes, each a width and a text, and the erase under the bar's
// own painting.
class CMyStatusBarCtrl {
public:
    void set_parts(int count);
    int part_count() const { return static_cast<int>(widths_.size()); }
    void set_width(int index, int width_px);
    int width(int index) const;
    void set_text(int index, const QString& text);
    QString text(int index) const;
    std::vector<PaneRect> rects(int bar_width, int bar_height) const;

    // The background bitmap of short windows, stretched, from row 100.
    void erase(GdiPainter& dc, int w, int h) const;

private:
    std::vector<int> widths_;
    std::vector<QString> texts_;
};

class CMyStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CMyStatusBar(QWidget* parent = nullptr);
    ~CMyStatusBar() override;

    // Panes: 0 stretches, the others keep their width, widened where their
    // text needs more. Pane 0 shows the status message while there is one.
    void set_indicators(int count);
    void set_pane_width(int index, int width_px);
    void set_pane_text(int index, const QString& text);
    QString pane_text(int index) const;
    PaneRect pane_rect(int index) const;

    // The children, in the order the bar owns them.
    CMyStatusBarCtrl m_ctrl;
    CWndMySliderSpeaker* m_slider_speaker = nullptr;
    CWndMySliderMic* m_slider_mic = nullptr;
    std::array<CWndStatusButton*, 3> m_buttons {};
    CWndStatusIndicator* m_indicator = nullptr;
    // [0] beside the microphone slider, [1] beside the speaker slider.
    std::array<CWndSoundLevel*, 2> m_sound_level {};

    // Takes the waiting levels into the graphs and refreshes the light (the timer's work).
    void take_levels();
    QTimer m_level_timer;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layout_children();
    void update_height();
    std::vector<int> pane_widths() const;
};

// The status bar while it exists (user-interface thread only).
extern CMyStatusBar* g_status_bar;

// Control ids of the bar and of the children without a command of their own;
// the buttons and the light carry their command's id.
inline constexpr int status_bar_id = 59393;
inline constexpr int speaker_slider_id = 59408;
inline constexpr int mic_slider_id = 59409;
inline constexpr int mic_graph_id = 59410;
inline constexpr int speaker_graph_id = 59411;
// How often the graphs take their levels and the light looks at the connections.
inline constexpr int status_bar_timer_ms = 50;
