#include "skin/ui/wnd_my_slider_mic.h"

#include "media/input_volume.h"
#include "skin/ui/input_volume_watch.h"

CWndMySliderMic* g_slider_mic = nullptr;

CWndMySliderMic::CWndMySliderMic(QWidget* parent) : CWndMySlider(parent)
{
    read_mic_gain();
    volume_ = open_microphone_volume();
    watch_ = new InputVolumeWatch(this);
    connect(watch_, &InputVolumeWatch::changed, this, &CWndMySliderMic::refresh_from_mixer);
    watch_->watch(volume_.get());
    refresh_from_mixer();
    g_slider_mic = this;
}

CWndMySliderMic::~CWndMySliderMic()
{
    if (g_slider_mic == this)
        g_slider_mic = nullptr;
}

bool CWndMySliderMic::inert() const { return !volume_->available(); }

void CWndMySliderMic::refresh_from_mixer()
{
    if (inert())
        return;
    int level = volume_->level();
    if (level < 0)
        return;
    m_model.set_range(volume_->minimum(), volume_->maximum());
    set_value(level);
}

void CWndMySliderMic::apply_value()
{
    if (inert())
        return;
    volume_->set_level(m_model.value);
    if (volume_->software())
        store_mic_gain(m_model.value);
}
