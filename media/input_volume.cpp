#include "media/input_volume.h"

#include "core/dbg_log.h"
#include "core/settings.h"
#include "media/voice_audio.h"
#include "platform/audio/audio_device.h"

#include <charconv>
#include <mutex>

namespace {

using Factory = std::function<std::unique_ptr<IVolume>(const InputLineInfo&)>;
using Enumerator = std::function<bool(const std::function<bool(const InputLineInfo&)>&)>;
Factory g_factory;
Enumerator g_enumerator;

void install_mixer_log()
{
    static std::once_flag once;
    std::call_once(once, [] { platform::set_mixer_log([](const std::string& line) { dbg_log("%s", line.c_str()); }); });
}

std::string mixer_name()
{
    install_mixer_log();
    return platform::capture_mixer_name(voice_audio_backend().capture_pcm_name());
}

bool mixer_lines(const std::function<bool(const InputLineInfo&)>& callback, const std::string& mixer)
{
    std::vector<platform::MixerLine> lines;
    if (!platform::mixer_input_lines(mixer, lines))
        return false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!callback(InputLineInfo { static_cast<int>(i), lines[i].name, lines[i].microphone, lines[i].software }))
            break;
    }
    return true;
}

// A stored gain, 0..65535; nothing when missing or damaged.
bool stored_gain(const char* name, int& out)
{
    std::string text;
    reg_read("audio", name, text, 20);
    if (text.empty())
        return false;
    int v = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || v < 0 || v > platform::software_gain_max)
        return false;
    out = v;
    return true;
}

} // namespace

bool EnumerateInputLines(const std::function<bool(const InputLineInfo&)>& callback)
{
    if (g_enumerator)
        return g_enumerator(callback);
    return mixer_lines(callback, mixer_name());
}

CInputVolume::CInputVolume(int line_index)
{
    std::string mixer = g_enumerator ? std::string() : mixer_name();
    InputLineInfo found;
    bool have = false;
    auto pick = [&](const InputLineInfo& line) {
        if (line.index != line_index)
            return true;
        found = line;
        have = true;
        return false;
    };
    if (g_enumerator)
        g_enumerator(pick);
    else
        mixer_lines(pick, mixer);
    if (have) {
        name_ = found.name;
        software_ = found.software;
        if (g_factory)
            volume_ = g_factory(found);
        else
            volume_ = platform::open_input_volume(mixer, platform::MixerLine { found.name, found.microphone, found.software });
    }
}

CInputVolume::~CInputVolume() = default;

bool CInputVolume::available() const { return volume_ && volume_->available(); }
int CInputVolume::minimum() const { return volume_ ? volume_->minimum() : 0; }
int CInputVolume::maximum() const { return volume_ ? volume_->maximum() : 0; }
int CInputVolume::level() { return available() ? volume_->level() : -1; }

void CInputVolume::set_level(int level)
{
    if (available())
        volume_->set_level(level);
}

bool CInputVolume::select_line() { return available() && volume_->select_line(); }
std::vector<int> CInputVolume::poll_descriptors() { return available() ? volume_->poll_descriptors() : std::vector<int> {}; }
bool CInputVolume::handle_events() { return available() && volume_->handle_events(); }

std::unique_ptr<CInputVolume> open_microphone_volume()
{
    int index = -1;
    EnumerateInputLines([&](const InputLineInfo& line) {
        if (!line.microphone)
            return true;
        index = line.index;
        return false;
    });
    return std::make_unique<CInputVolume>(index);
}

void use_input_volume_factory(Factory factory, Enumerator enumerate)
{
    g_factory = std::move(factory);
    g_enumerator = std::move(enumerate);
}

void read_mic_gain()
{
    int gain = platform::software_gain_max;
    if (!stored_gain("mic_gain", gain)) {
        std::string text;
        reg_read("audio", "mic_gain", text, 20);
        if (text.empty() && !stored_gain("microphone_gain", gain))
            gain = platform::software_gain_max;
    }
    platform::set_capture_gain(static_cast<uint32_t>(gain));
}

void store_mic_gain(int gain) { reg_write_int("audio", "mic_gain", gain); }
