#pragma once
// The status bar's speaker volume, 0..65535: every talk player's output.

#include "skin/ui/wnd_my_slider.h"

class CWndMySliderSpeaker : public CWndMySlider {
    Q_OBJECT
public:
    explicit CWndMySliderSpeaker(QWidget* parent = nullptr);
    ~CWndMySliderSpeaker() override;

    // Reads the volume again (the volume dialog changed it) and repaints.
    void refresh();

protected:
    // Sets the players' volume and stores it as "audio" / "speaker_volume".
    void apply_value() override;
};

// The speaker slider while it exists (user-interface thread only).
extern CWndMySliderSpeaker* g_slider_speaker;
