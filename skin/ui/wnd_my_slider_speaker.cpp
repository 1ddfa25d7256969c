#include "skin/ui/wnd_my_slider_speaker.h"

#include "core/settings.h"
#include "media/play_sound.h"

CWndMySliderSpeaker* g_slider_speaker = nullptr;

CWndMySliderSpeaker::CWndMySliderSpeaker(QWidget* parent) : CWndMySlider(parent)
{
    m_model.set_range(0, 65535);
    m_model.set_value(get_speaker_volume());
    g_slider_speaker = this;
}

CWndMySliderSpeaker::~CWndMySliderSpeaker()
{
    if (g_slider_speaker == this)
        g_slider_speaker = nullptr;
}

void CWndMySliderSpeaker::refresh() { set_value(get_speaker_volume()); }

void CWndMySliderSpeaker::apply_value()
{
    set_speaker_volume(m_model.value);
    reg_write_int("audio", "speaker_volume", m_model.value);
}
