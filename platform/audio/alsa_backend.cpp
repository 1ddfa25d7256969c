// ALSA: the "default" device, 8000 Hz mono unsigned 8-bit, periods of one
// 960-sample block. One playback PCM carries the mix of every player.
#include "platform/audio/backends.h"

#include "platform/audio/device_core.h"
#include "platform/audio/mixer.h"

#include <alsa/asoundlib.h>

namespace platform {

std::string mixer_of_open_pcm(snd_pcm_t* pcm, const std::string& pcm_name);

namespace {

constexpr const char* alsa_device_name = "default";

int set_alsa_params(snd_pcm_t* pcm, snd_pcm_uframes_t period_frames, snd_pcm_uframes_t buffer_frames)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int rc = snd_pcm_hw_params_any(pcm, hw);
    if (rc >= 0)
        rc = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (rc >= 0)
        rc = snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_U8);
    if (rc >= 0)
        rc = snd_pcm_hw_params_set_channels(pcm, hw, 1);
    unsigned int rate_hz = audio_rate_hz;
    if (rc >= 0)
        rc = snd_pcm_hw_params_set_rate(pcm, hw, rate_hz, 0);
    int dir = 0;
    if (rc >= 0)
        rc = snd_pcm_hw_params_set_period_size_near(pcm, hw, &period_frames, &dir);
    if (rc >= 0)
        rc = snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer_frames);
    if (rc >= 0)
        rc = snd_pcm_hw_params(pcm, hw);
    return rc < 0 ? rc : 0;
}

// Opens the default device for one direction in the block format; nothing
// stays open on failure.
int open_alsa_pcm(snd_pcm_t*& pcm, snd_pcm_stream_t stream, snd_pcm_uframes_t buffer_frames)
{
    int rc = snd_pcm_open(&pcm, alsa_device_name, stream, 0);
    if (rc < 0) {
        pcm = nullptr;
        return rc;
    }
    rc = set_alsa_params(pcm, audio_block_samples, buffer_frames);
    if (rc < 0) {
        snd_pcm_close(pcm);
        pcm = nullptr;
    }
    return rc;
}

// ALSA's null PCM and some plugins never block; the pacer keeps them in real
// time without slowing a device that blocks by itself.
class AlsaCaptureSource : public CaptureSource {
public:
    int open() override
    {
        int rc = open_alsa_pcm(pcm_, SND_PCM_STREAM_CAPTURE, audio_block_samples * 4);
        // The volume dialog reaches the mixer of this PCM without opening it a second time.
        if (rc == 0)
            note_recorder_mixer(alsa_device_name, mixer_of_open_pcm(pcm_, alsa_device_name));
        return rc;
    }
    int start() override
    {
        int rc = snd_pcm_prepare(pcm_);
        if (rc >= 0)
            rc = snd_pcm_start(pcm_);
        pacer_.restart();
        return rc < 0 ? rc : 0;
    }
    int stop() override { return snd_pcm_drop(pcm_) < 0 ? -5 : 0; }
    int read(uint8_t* out, size_t count, const std::atomic<bool>& stop) override
    {
        size_t got = 0;
        while (got < count) {
            if (stop)
                return -4;  // EINTR
            snd_pcm_sframes_t n = snd_pcm_readi(pcm_, out + got, count - got);
            if (n < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0)
                    return static_cast<int>(n);
                snd_pcm_start(pcm_);
                continue;
            }
            got += static_cast<size_t>(n);
        }
        return pacer_.wait_for(count, stop) ? 0 : -4;
    }
    void close() override
    {
        if (pcm_) {
            snd_pcm_close(pcm_);
            note_recorder_mixer(alsa_device_name, "");
        }
        pcm_ = nullptr;
    }

private:
    snd_pcm_t* pcm_ = nullptr;
    RealTimePacer pacer_ { 2 * audio_block_samples };
};

class AlsaSink : public MixSink {
public:
    size_t period_samples() const override { return audio_block_samples; }
    int open() override
    {
        int rc = open_alsa_pcm(pcm_, SND_PCM_STREAM_PLAYBACK, audio_block_samples * 3);
        if (rc < 0)
            return rc;
        pacer_.restart();
        return 0;
    }
    void wait_for_period(size_t count) override
    {
        static const std::atomic<bool> never { false };
        pacer_.wait_for(count, never);
    }
    int write_period(const uint8_t* mix, size_t count) override
    {
        size_t done = 0;
        while (done < count && pcm_) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm_, mix + done, count - done);
            if (n < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0)
                    return static_cast<int>(n);
                continue;
            }
            done += static_cast<size_t>(n);
        }
        return 0;
    }
    void close() override
    {
        if (pcm_) {
            snd_pcm_drop(pcm_);
            snd_pcm_close(pcm_);
        }
        pcm_ = nullptr;
    }

private:
    snd_pcm_t* pcm_ = nullptr;
    RealTimePacer pacer_ { 2 * audio_block_samples };
};

class AlsaBackend : public AudioBackend {
public:
    AlsaBackend() : mixer_(std::make_unique<AlsaSink>()) {}
    std::unique_ptr<CaptureDevice> make_capture() override
    {
        return std::make_unique<ThreadedCapture>(std::make_unique<AlsaCaptureSource>());
    }
    std::unique_ptr<PlaybackDevice> make_playback(const std::string& name) override { return mixer_.make_device(name); }
    std::string error_text(int code) override { return snd_strerror(code); }
    std::string capture_pcm_name() const override { return alsa_device_name; }

private:
    PlaybackMixer mixer_;
};

} // namespace

std::unique_ptr<AudioBackend> make_alsa_backend() { return std::make_unique<AlsaBackend>(); }

} // namespace platform
