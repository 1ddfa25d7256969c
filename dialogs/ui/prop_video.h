#pragma once
// "Video & audio" (page 185): the camera picture's quality and frame rate,
// the shared desktop's quality and the talk quality. OK puts them into the
// meeting state at once, so the next frame, tile and talk block use them.

#include "skin/ui/my_property_page.h"

#include <functional>

class CMyComboBox;

class CPropVideo : public CMyPropertyPage {
    Q_OBJECT
public:
    // video_changed runs after OK applied new values (the frame restarts the
    // capture timers); empty, nothing more happens.
    explicit CPropVideo(QWidget* parent = nullptr, std::function<void()> video_changed = {});

    bool OnInitDialog() override;
    void OnOK() override;

    CMyComboBox* quality_combo() const { return quality_; }
    CMyComboBox* frame_rate_combo() const { return frame_rate_; }
    CMyComboBox* desktop_quality_combo() const { return desktop_quality_; }
    CMyComboBox* audio_quality_combo() const { return audio_quality_; }

private:
    CMyComboBox* quality_ = nullptr;
    CMyComboBox* frame_rate_ = nullptr;
    CMyComboBox* desktop_quality_ = nullptr;
    CMyComboBox* audio_quality_ = nullptr;
    std::function<void()> video_changed_;
};
