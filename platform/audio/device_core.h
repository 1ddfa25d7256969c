#pragma once
// The parts every backend shares: a capture thread that fills the buffers
// it is given, and one output stream that mixes every player's buffers.
// Backends supply only the raw reads and writes.

#include "platform/audio/audio_device.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Keeps a stream of samples in step with the clock: wait_for(n) returns once
// the stream may move n samples on. lead_samples lets it run that far ahead
// (an output device's buffer); a device that blocks by itself never waits.
class RealTimePacer {
public:
    explicit RealTimePacer(size_t lead_samples = 0) : lead_samples_(lead_samples) {}
    void restart();
    // false when stop became true while waiting.
    bool wait_for(size_t samples, const std::atomic<bool>& stop);

private:
    size_t lead_samples_;
    bool running_ = false;
    uint32_t start_tick_ = 0;
    uint64_t samples_done_ = 0;
};

// Raw capture of one backend.
class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    virtual int open() = 0;
    virtual int start() = 0;
    virtual int stop() = 0;
    // Fills count samples; blocks (or paces itself) for their time.
    virtual int read(uint8_t* out, size_t count, const std::atomic<bool>& stop) = 0;
    virtual void close() = 0;
};

class ThreadedCapture : public CaptureDevice {
public:
    explicit ThreadedCapture(std::unique_ptr<CaptureSource> source);
    ~ThreadedCapture() override;
    int open(Filled filled) override;
    int add_buffer(WaveHeaderPtr header) override;
    int start() override;
    int stop() override;
    int reset() override;
    int close() override;

private:
    void run();

    std::unique_ptr<CaptureSource> source_;
    Filled filled_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<WaveHeaderPtr> buffers_;
    bool open_ = false;
    bool started_ = false;
    std::atomic<bool> quit_ { false };
    std::atomic<bool> stop_read_ { false };
    std::thread thread_;
};

// Where the mix goes.
class MixSink {
public:
    virtual ~MixSink() = default;
    virtual size_t period_samples() const = 0;
    virtual int open() = 0;
    // Waits until the next period may be mixed. Pacing before mixing (not
    // after writing) leaves a player a whole period between the done notice
    // of one buffer and the mix that needs its next one.
    virtual void wait_for_period(size_t /*count*/) {}
    // Hands the period to the device (a real device blocks here while full).
    virtual int write_period(const uint8_t* mix, size_t count) = 0;
    // What one player added to the period (after its gain).
    virtual void player_period(const std::string& /*name*/, const uint8_t* /*samples*/, size_t /*count*/) {}
    virtual void close() = 0;
};

class PlaybackMixer {
public:
    explicit PlaybackMixer(std::unique_ptr<MixSink> sink);
    ~PlaybackMixer();
    std::unique_ptr<PlaybackDevice> make_device(const std::string& name);

    struct Stream {
        std::string name;
        PlaybackDevice::Done done;
        std::deque<WaveHeaderPtr> queue;
        size_t position = 0;
        uint32_t gain = 0xffff;
        bool open = false;
        bool has_played = false;
    };
    int open_stream(const std::shared_ptr<Stream>& stream, PlaybackDevice::Done done);
    int write(const std::shared_ptr<Stream>& stream, WaveHeaderPtr header);
    int reset(const std::shared_ptr<Stream>& stream);
    int close_stream(const std::shared_ptr<Stream>& stream);
    int set_gain(const std::shared_ptr<Stream>& stream, uint32_t gain);

private:
    void run();

    std::unique_ptr<MixSink> sink_;
    std::mutex sink_lock_;  // taken before lock_
    bool sink_open_ = false;
    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable delivered_;
    std::vector<std::shared_ptr<Stream>> streams_;
    bool delivering_ = false;
    std::thread::id mixer_thread_id_;
    std::atomic<bool> quit_ { false };
    std::thread thread_;
};

} // namespace platform
