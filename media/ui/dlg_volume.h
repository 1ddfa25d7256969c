#pragma once
// "Adjust Speaker and Microphone volume": the players' volume and the
// microphone's recording level. Moves apply at once; OK keeps them (and
// the status bar's sliders follow), Cancel puts both back.

#include "skin/ui/good_dlg.h"

#include <memory>

class CInputVolume;
class CMySliderCtrl;
class InputVolumeWatch;

class CDlgVolume : public Cgood_dlg {
    Q_OBJECT
public:
    static constexpr int speaker_slider_id = 1015;
    static constexpr int mic_slider_id = 1016;
    static constexpr int speaker_tick = 6553;

    explicit CDlgVolume(QWidget* parent = nullptr);
    ~CDlgVolume() override;

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    CMySliderCtrl* speaker_slider() const { return speaker_; }
    CMySliderCtrl* mic_slider() const { return mic_; }
    // The microphone slider does nothing: no line, no volume, or its mixer went.
    bool mic_inert() const;
    CInputVolume* mic_volume() const { return volume_.get(); }
    int original_speaker_volume() const { return original_speaker_; }
    int original_mic_level() const { return original_mic_; }

private:
    void refresh_mic();
    void mic_lost();

    CMySliderCtrl* speaker_ = nullptr;
    CMySliderCtrl* mic_ = nullptr;
    std::unique_ptr<CInputVolume> volume_;
    InputVolumeWatch* watch_ = nullptr;
    int original_speaker_ = 0;
    int original_mic_ = -1;
    bool mic_lost_ = false;
};
