// The recording level on ALSA's simple mixer, and the software line.
#include "platform/audio/audio_device.h"
#include "platform/audio/mixer.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace platform {

namespace {

std::mutex g_mixer_lock;
std::function<void(const std::string&)> g_mixer_log;
std::string g_recorder_pcm;
std::string g_recorder_mixer;

void mixer_log(const std::string& line)
{
    std::function<void(const std::string&)> log;
    {
        std::lock_guard<std::mutex> hold(g_mixer_lock);
        log = g_mixer_log;
    }
    if (log)
        log(line);
}

void alsa_error_handler(const char* file, int line, const char* function, int err, const char* fmt, ...)
{
    char text[512] = {};
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    char full[768] = {};
    std::snprintf(full, sizeof full, "ALSA %s:%d (%s) %s%s%s\n", file ? file : "?", line, function ? function : "?", text,
                  err ? ": " : "", err ? snd_strerror(err) : "");
    mixer_log(full);
}

// The mixer of an open PCM: its card's control, or the control named like a plugin PCM.
std::string mixer_of_pcm(snd_pcm_t* pcm, const std::string& pcm_name)
{
    snd_pcm_info_t* info = nullptr;
    snd_pcm_info_alloca(&info);
    if (snd_pcm_info(pcm, info) == 0) {
        int card = snd_pcm_info_get_card(info);
        if (card >= 0)
            return "hw:" + std::to_string(card);
    }
    return pcm_name;
}

struct MixerHandle {
    snd_mixer_t* mixer = nullptr;
    ~MixerHandle()
    {
        if (mixer)
            snd_mixer_close(mixer);
    }
    // 0 attached and loaded; 1 no mixer attaches; -1 attached, not loaded.
    int open(const std::string& name)
    {
        if (snd_mixer_open(&mixer, 0) < 0) {
            mixer = nullptr;
            return 1;
        }
        if (snd_mixer_attach(mixer, name.c_str()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0) {
            snd_mixer_close(mixer);
            mixer = nullptr;
            return 1;
        }
        if (snd_mixer_load(mixer) < 0) {
            snd_mixer_close(mixer);
            mixer = nullptr;
            return -1;
        }
        return 0;
    }
};

std::string element_name(snd_mixer_elem_t* e)
{
    const char* name = snd_mixer_selem_get_name(e);
    return name ? name : "";
}

snd_mixer_elem_t* find_element(snd_mixer_t* mixer, const std::string& name)
{
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && snd_mixer_selem_has_capture_volume(e) && element_name(e) == name
            && snd_mixer_selem_get_index(e) == 0)
            return e;
    }
    return nullptr;
}

// The software line: the capture gain every capture device applies.
class SoftwareVolume : public IVolume {
public:
    bool available() const override { return true; }
    int minimum() const override { return 0; }
    int maximum() const override { return software_gain_max; }
    int level() override { return static_cast<int>(capture_gain()); }
    void set_level(int level) override
    {
        if (level >= 0 && level <= software_gain_max)
            set_capture_gain(static_cast<uint32_t>(level));
    }
    bool select_line() override { return true; }
};

class AlsaElementVolume : public IVolume {
public:
    AlsaElementVolume(const std::string& mixer_name, const std::string& element) : element_name_(element)
    {
        if (handle_.open(mixer_name) != 0)
            return;
        elem_ = find_element(handle_.mixer, element);
        if (!elem_)
            return;
        long low = 0;
        long high = 0;
        if (snd_mixer_selem_get_capture_volume_range(elem_, &low, &high) < 0 || low >= high) {
            elem_ = nullptr;
            return;
        }
        min_ = static_cast<int>(low);
        max_ = static_cast<int>(high);
        snd_mixer_elem_set_callback_private(elem_, this);
        snd_mixer_elem_set_callback(elem_, &AlsaElementVolume::element_event);
        available_ = true;
    }

    bool available() const override { return available_; }
    int minimum() const override { return min_; }
    int maximum() const override { return max_; }

    int level() override
    {
        if (!available_)
            return -1;
        long v = 0;
        snd_mixer_selem_channel_id_t channel = SND_MIXER_SCHN_MONO;
        for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
            if (snd_mixer_selem_has_capture_channel(elem_, static_cast<snd_mixer_selem_channel_id_t>(c))) {
                channel = static_cast<snd_mixer_selem_channel_id_t>(c);
                break;
            }
        }
        if (snd_mixer_selem_get_capture_volume(elem_, channel, &v) < 0) {
            lost("its level cannot be read");
            return -1;
        }
        return static_cast<int>(v);
    }

    void set_level(int level) override
    {
        if (!available_ || level < min_ || level > max_)
            return;
        if (snd_mixer_selem_set_capture_volume_all(elem_, level) < 0)
            lost("its level cannot be set");
    }

    bool select_line() override
    {
        if (!available_ || !snd_mixer_selem_has_capture_switch(elem_))
            return false;
        return snd_mixer_selem_set_capture_switch_all(elem_, 1) >= 0;
    }

    std::vector<int> poll_descriptors() override
    {
        std::vector<int> fds;
        if (!available_)
            return fds;
        int count = snd_mixer_poll_descriptors_count(handle_.mixer);
        if (count <= 0)
            return fds;
        std::vector<pollfd> polls(static_cast<size_t>(count));
        count = snd_mixer_poll_descriptors(handle_.mixer, polls.data(), static_cast<unsigned>(count));
        for (int i = 0; i < count; ++i)
            fds.push_back(polls[static_cast<size_t>(i)].fd);
        return fds;
    }

    bool handle_events() override
    {
        if (!available_)
            return false;
        if (snd_mixer_handle_events(handle_.mixer) < 0)
            lost("the mixer stopped answering");
        return available_;
    }

private:
    static int element_event(snd_mixer_elem_t* elem, unsigned int mask)
    {
        auto* self = static_cast<AlsaElementVolume*>(snd_mixer_elem_get_callback_private(elem));
        if (self && mask == SND_CTL_EVENT_MASK_REMOVE) {
            // The element is freed after this returns.
            self->elem_ = nullptr;
            self->lost("it was removed");
        }
        return 0;
    }

    // Logged once: the object stays unavailable from here on.
    void lost(const char* why)
    {
        if (!available_)
            return;
        available_ = false;
        mixer_log("the mixer element " + element_name_ + " is gone: " + why + ".\n");
    }

    MixerHandle handle_;
    snd_mixer_elem_t* elem_ = nullptr;
    std::string element_name_;
    int min_ = 0;
    int max_ = 0;
    bool available_ = false;
};

} // namespace

bool is_microphone_line_name(std::string_view name)
{
    if (name == "Capture" || name == software_line_name)
        return true;
    return name.find("Mic") != std::string_view::npos && name.find("Boost") == std::string_view::npos;
}

void set_mixer_log(std::function<void(const std::string&)> log)
{
    {
        std::lock_guard<std::mutex> hold(g_mixer_lock);
        g_mixer_log = std::move(log);
    }
    snd_lib_error_set_handler(&alsa_error_handler);
}

void note_recorder_mixer(const std::string& pcm_name, const std::string& mixer_name)
{
    std::lock_guard<std::mutex> hold(g_mixer_lock);
    g_recorder_pcm = mixer_name.empty() ? std::string() : pcm_name;
    g_recorder_mixer = mixer_name;
}

std::string capture_mixer_name(const std::string& pcm_name)
{
    if (pcm_name.empty())
        return {};
    {
        std::lock_guard<std::mutex> hold(g_mixer_lock);
        if (!g_recorder_mixer.empty() && g_recorder_pcm == pcm_name)
            return g_recorder_mixer;
    }
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, pcm_name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
        return {};
    std::string mixer;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, 22050, 1, 500000) == 0)
        mixer = mixer_of_pcm(pcm, pcm_name);
    snd_pcm_close(pcm);
    return mixer;
}

// For the capture device, which holds the PCM open.
std::string mixer_of_open_pcm(snd_pcm_t* pcm, const std::string& pcm_name) { return mixer_of_pcm(pcm, pcm_name); }

bool mixer_input_lines(const std::string& mixer_name, std::vector<MixerLine>& lines)
{
    lines.clear();
    bool ok = true;
    if (!mixer_name.empty()) {
        MixerHandle handle;
        int rc = handle.open(mixer_name);
        if (rc < 0)
            ok = false;
        if (rc == 0) {
            std::vector<MixerLine> others;
            for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle.mixer); e; e = snd_mixer_elem_next(e)) {
                if (!snd_mixer_selem_is_active(e) || !snd_mixer_selem_has_capture_volume(e)
                    || snd_mixer_selem_get_index(e) != 0)
                    continue;
                std::string name = element_name(e);
                if (name == "Master")
                    continue;
                MixerLine line { name, is_microphone_line_name(name), false };
                if (name == "Capture")
                    lines.push_back(line);
                else
                    others.push_back(line);
            }
            lines.insert(lines.end(), others.begin(), others.end());
        }
    }
    lines.push_back(MixerLine { software_line_name, true, true });
    return ok;
}

std::unique_ptr<IVolume> open_input_volume(const std::string& mixer_name, const MixerLine& line)
{
    if (line.software)
        return std::make_unique<SoftwareVolume>();
    return std::make_unique<AlsaElementVolume>(mixer_name, line.name);
}

} // namespace platform
