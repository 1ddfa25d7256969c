#include "skin/ui/wnd_my_slider_mic.h"

#include "core/settings.h"
#include "platform/audio/audio_device.h"

#include <algorithm>

CWndMySliderMic* g_slider_mic = nullptr;

namespace {
constexpr int full_gain = 0xffff;
}

CWndMySliderMic::CWndMySliderMic(QWidget* parent) : CWndMySlider(parent)
{
    int stored = full_gain;
    reg_read_int_or_default("audio", "microphone_gain", stored, full_gain);
    platform::set_capture_gain(static_cast<uint32_t>(std::clamp(stored, 0, full_gain)));
    refresh_from_mixer();
    g_slider_mic = this;
}

CWndMySliderMic::~CWndMySliderMic()
{
    if (g_slider_mic == this)
        g_slider_mic = nullptr;
}

void CWndMySliderMic::refresh_from_mixer()
{
    m_model.set_range(0, full_gain);
    set_value(static_cast<int>(platform::capture_gain()));
}

void CWndMySliderMic::apply_value()
{
    platform::set_capture_gain(static_cast<uint32_t>(m_model.value));
    reg_write_int("audio", "microphone_gain", m_model.value);
}
