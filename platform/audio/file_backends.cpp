// The null backend (silence in, nothing out) and the file backend (a sound
// file as the microphone, WAV files of what is played), both paced by the
// program's clock.
#include "platform/audio/backends.h"

#include "platform/audio/device_core.h"
#include "platform/audio/wav_file.h"

#include <cstring>
#include <filesystem>
#include <map>

namespace platform {

namespace {

// Mixing in 40 ms steps in step with the clock leaves a done notice 40 ms
// to turn into the player's next write, and takes a buffer no earlier than
// a real device would play it.
constexpr size_t paced_period_samples = 320;
constexpr size_t paced_lead_samples = 0;

class PacedCaptureSource : public CaptureSource {
public:
    explicit PacedCaptureSource(std::vector<uint8_t> samples) : samples_(std::move(samples)) {}
    int open() override { return 0; }
    int start() override
    {
        pacer_.restart();
        return 0;
    }
    int stop() override { return 0; }
    int read(uint8_t* out, size_t count, const std::atomic<bool>& stop) override
    {
        // The samples exist once their time has passed, as with a real microphone.
        if (!pacer_.wait_for(count, stop))
            return -4;
        size_t from_file = position_ < samples_.size() ? std::min(count, samples_.size() - position_) : 0;
        if (from_file > 0)
            std::memcpy(out, samples_.data() + position_, from_file);
        std::memset(out + from_file, audio_silence, count - from_file);
        position_ += from_file;
        return 0;
    }
    void close() override {}

private:
    std::vector<uint8_t> samples_;
    size_t position_ = 0;
    RealTimePacer pacer_;
};

class PacedSink : public MixSink {
public:
    explicit PacedSink(std::string output_folder) : output_folder_(std::move(output_folder)) {}
    size_t period_samples() const override { return paced_period_samples; }
    int open() override
    {
        pacer_.restart();
        if (!output_folder_.empty() && !mix_.is_open()) {
            std::error_code ec;
            std::filesystem::create_directories(output_folder_, ec);
            if (mix_.open(output_folder_ + "/mix.wav") != 0)
                return -5;  // EIO
        }
        return 0;
    }
    void wait_for_period(size_t count) override
    {
        static const std::atomic<bool> never { false };
        pacer_.wait_for(count, never);
    }
    int write_period(const uint8_t* mix, size_t count) override
    {
        if (mix_.is_open())
            mix_.append(mix, count);
        return 0;
    }
    void player_period(const std::string& name, const uint8_t* samples, size_t count) override
    {
        if (output_folder_.empty())
            return;
        WavWriter& w = players_[name];
        if (!w.is_open() && w.open(output_folder_ + "/player_" + name + ".wav") != 0)
            return;
        w.append(samples, count);
    }
    // The files stay open across closes so that one file holds a whole run.
    void close() override {}

private:
    std::string output_folder_;
    WavWriter mix_;
    std::map<std::string, WavWriter> players_;
    RealTimePacer pacer_ { paced_lead_samples };
};

class PacedBackend : public AudioBackend {
public:
    PacedBackend(std::vector<uint8_t> microphone, std::string output_folder)
        : microphone_(std::move(microphone)), mixer_(std::make_unique<PacedSink>(std::move(output_folder)))
    {
    }
    std::unique_ptr<CaptureDevice> make_capture() override
    {
        return std::make_unique<ThreadedCapture>(std::make_unique<PacedCaptureSource>(microphone_));
    }
    std::unique_ptr<PlaybackDevice> make_playback(const std::string& name) override { return mixer_.make_device(name); }
    std::string error_text(int code) override { return std::strerror(-code); }

private:
    std::vector<uint8_t> microphone_;
    PlaybackMixer mixer_;
};

} // namespace

std::unique_ptr<AudioBackend> make_null_backend() { return std::make_unique<PacedBackend>(std::vector<uint8_t> {}, ""); }

std::unique_ptr<AudioBackend> make_file_backend(const std::string& microphone_path, const std::string& output_folder)
{
    std::vector<uint8_t> samples;
    if (!microphone_path.empty() && read_wav_as_u8_8000(microphone_path, samples) != 0)
        return nullptr;
    return std::make_unique<PacedBackend>(std::move(samples), output_folder);
}

std::unique_ptr<AudioBackend> make_audio_backend(const std::string& spec, std::string* error)
{
    if (spec.empty() || spec == "alsa")
        return make_alsa_backend();
    if (spec == "null")
        return make_null_backend();
    if (spec.rfind("file:", 0) == 0) {
        std::string rest = spec.substr(5);
        std::string microphone = rest;
        std::string output;
        size_t comma = rest.find(',');
        if (comma != std::string::npos) {
            microphone = rest.substr(0, comma);
            output = rest.substr(comma + 1);
        } else if (!rest.empty()) {
            output = rest + ".played";
        }
        auto backend = make_file_backend(microphone, output);
        if (!backend && error)
            *error = "cannot read the sound file " + microphone;
        return backend;
    }
    if (error)
        *error = "unknown audio device " + spec;
    return nullptr;
}

} // namespace platform
