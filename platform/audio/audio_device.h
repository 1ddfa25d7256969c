#pragma once
// Sound devices: what waveIn and waveOut gave the program. A capture device
// fills the buffers it is given and hands each back in order; a playback
// device plays the buffers written to it and hands each back once played.
// Every player of one backend shares one output stream, mixed in software.
//
// Format everywhere: PCM, mono, 8000 samples per second, unsigned 8 bits.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

inline constexpr int audio_rate_hz = 8000;
inline constexpr size_t audio_block_samples = 960;  // 120 ms
inline constexpr uint8_t audio_silence = 128;

// One buffer handed to a device; whoever holds the pointer owns it.
struct WaveHeader {
    std::vector<uint8_t> data;
    size_t bytes_recorded = 0;  // capture: bytes filled
    uint32_t user_tick = 0;     // free for the owner (tests time blocks with it)
};
using WaveHeaderPtr = std::unique_ptr<WaveHeader>;

// Error codes are negative; 0 is success.
class CaptureDevice {
public:
    using Filled = std::function<void(WaveHeaderPtr)>;
    virtual ~CaptureDevice() = default;
    // filled runs on the device's own thread, once per added buffer.
    virtual int open(Filled filled) = 0;
    virtual int add_buffer(WaveHeaderPtr header) = 0;
    virtual int start() = 0;
    virtual int stop() = 0;
    // Hands back every buffer still waiting, with what it holds.
    virtual int reset() = 0;
    virtual int close() = 0;
};

class PlaybackDevice {
public:
    using Done = std::function<void(WaveHeaderPtr)>;
    virtual ~PlaybackDevice() = default;
    // done runs on the output thread, once per written buffer, in write order.
    virtual int open(Done done) = 0;
    virtual int write(WaveHeaderPtr header) = 0;
    // Hands back every buffer not yet played.
    virtual int reset() = 0;
    virtual int close() = 0;
    // Low word left, high word right, 0..0xffff each; mono plays the left.
    virtual int set_volume(uint32_t volume) = 0;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    virtual std::unique_ptr<CaptureDevice> make_capture() = 0;
    // name tells the players apart (the file backend names its files by it).
    virtual std::unique_ptr<PlaybackDevice> make_playback(const std::string& name) = 0;
    virtual std::string error_text(int code) = 0;
    // The ALSA PCM the microphone is read from; empty for backends that
    // reach no sound card (their microphone has the software level only).
    virtual std::string capture_pcm_name() const { return {}; }
};

// The microphone's level, 0..0xffff, applied in software to what every
// capture device reads (0xffff: the samples as captured, 0: silence). It
// stands for the sound card's recording control, which the devices here
// do not reach; set from any thread, it takes effect from the next block.
void set_capture_gain(uint32_t gain);
uint32_t capture_gain();
// Scales samples around silence by the gain: in place, or while copying
// them (out may be in).
void apply_capture_gain(uint8_t* samples, size_t count, uint32_t gain);
void copy_with_capture_gain(uint8_t* out, const uint8_t* in, size_t count, uint32_t gain);

// spec: "alsa", "null" or "file:<microphone file>[,<output folder>]"; an empty
// spec means ALSA. Without an output folder the file backend writes its WAVs
// to "<microphone file>.played". Returns nullptr (and sets error) for an
// unknown spec.
std::unique_ptr<AudioBackend> make_audio_backend(const std::string& spec, std::string* error = nullptr);

} // namespace platform
