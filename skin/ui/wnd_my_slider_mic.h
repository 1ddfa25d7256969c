#pragma once
// The status bar's microphone level. Until the sound card's mixer is reached
// it drives the audio layer's software gain on what the microphone captures
// (0..65535), kept as "audio" / "microphone_gain".

#include "skin/ui/wnd_my_slider.h"

class CWndMySliderMic : public CWndMySlider {
    Q_OBJECT
public:
    explicit CWndMySliderMic(QWidget* parent = nullptr);
    ~CWndMySliderMic() override;

    // Reads the level and its range again and repaints.
    void refresh_from_mixer();

protected:
    void apply_value() override;
};

// The microphone slider while it exists (user-interface thread only).
extern CWndMySliderMic* g_slider_mic;
