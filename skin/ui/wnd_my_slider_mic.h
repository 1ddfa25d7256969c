#pragma once
// The status bar's microphone level: the first microphone line of the
// mixer behind the capture device ("Capture" under a sound server), else
// the software gain on what every capture device reads, kept as
// "audio" / "mic_gain". Changes made elsewhere move it; a mixer that goes
// leaves it inert.

#include "skin/ui/wnd_my_slider.h"

#include <memory>

class CInputVolume;
class InputVolumeWatch;

class CWndMySliderMic : public CWndMySlider {
    Q_OBJECT
public:
    explicit CWndMySliderMic(QWidget* parent = nullptr);
    ~CWndMySliderMic() override;

    // Reads the level and its range again and repaints.
    void refresh_from_mixer();
    bool inert() const;
    CInputVolume* volume() const { return volume_.get(); }

protected:
    void apply_value() override;

private:
    std::unique_ptr<CInputVolume> volume_;
    InputVolumeWatch* watch_ = nullptr;
};

// The microphone slider while it exists (user-interface thread only).
extern CWndMySliderMic* g_slider_mic;
