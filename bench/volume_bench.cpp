// How soon a volume change is heard, and what the microphone's software
// gain costs. Both paths run on the file backend's pacing (the program's
// clock): from set_speaker_volume's device gain, or the capture gain, to
// the first sample at the new level, as a share of one device period (960
// samples, 120 ms); target at most 2. The software gain on a 960-sample
// block beside a plain copy of the block; target at most 3.
#include "platform/audio/audio_device.h"
#include "platform/audio/device_core.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint8_t loud = 228;
constexpr uint32_t half_gain = 0x8000;
constexpr uint8_t half_level = 178;  // 128 + (228 - 128) / 2
constexpr double period_ms = 1000.0 * static_cast<double>(audio_block_samples) / audio_rate_hz;
constexpr int changes = 8;

// Records when each period of the mix was handed over and what it held, in
// real time like the file backend's sink.
class TimedSink : public MixSink {
public:
    size_t period_samples() const override { return 320; }
    int open() override
    {
        pacer_.restart();
        return 0;
    }
    void wait_for_period(size_t count) override
    {
        std::atomic<bool> never { false };
        pacer_.wait_for(count, never);
    }
    int write_period(const uint8_t* mix, size_t count) override
    {
        std::lock_guard<std::mutex> hold(lock);
        periods.emplace_back(Clock::now(), count ? mix[0] : 128);
        changed.notify_all();
        return 0;
    }
    void close() override {}

    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::pair<Clock::time_point, uint8_t>> periods;

private:
    RealTimePacer pacer_;
};

// The latency of one change: from `change` to the first record at `level`.
template <typename Records>
double latency_ms(std::mutex& lock, std::condition_variable& cv, Records& records, uint8_t level,
                  const std::function<void()>& change)
{
    Clock::time_point at;
    size_t from = 0;
    {
        std::lock_guard<std::mutex> hold(lock);
        from = records.size();
        at = Clock::now();
    }
    change();
    std::unique_lock<std::mutex> hold(lock);
    for (size_t i = from;; ++i) {
        if (!cv.wait_for(hold, std::chrono::seconds(3), [&] { return records.size() > i; }))
            return -1;
        if (records[i].second == level)
            return std::chrono::duration<double, std::milli>(records[i].first - at).count();
    }
}

double speaker_ratio()
{
    auto sink = std::make_unique<TimedSink>();
    TimedSink* s = sink.get();
    PlaybackMixer mixer(std::move(sink));
    auto player = mixer.make_device("bench");
    std::atomic<bool> running { true };
    PlaybackDevice* p = player.get();
    auto block = [] {
        auto h = std::make_unique<WaveHeader>();
        h->data.assign(audio_block_samples, loud);
        return h;
    };
    p->open([&](WaveHeaderPtr) {
        if (running)
            p->write(block());
    });
    for (int i = 0; i < 3; ++i)
        p->write(block());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    double worst = 0;
    double total = 0;
    for (int i = 0; i < changes; ++i) {
        bool half = i % 2 == 0;
        uint32_t v = half ? half_gain : 0xffff;
        // A moment inside a period, not in step with it.
        std::this_thread::sleep_for(std::chrono::milliseconds(97 + 13 * i));
        double ms = latency_ms(s->lock, s->changed, s->periods, half ? half_level : loud,
                               [&] { p->set_volume((v << 16) | v); });
        worst = std::max(worst, ms);
        total += ms;
    }
    running = false;
    p->reset();
    p->close();
    std::printf("speaker: mean %.1f ms, worst %.1f ms after the change\n", total / changes, worst);
    return worst / period_ms;
}

double microphone_ratio()
{
    std::string dir = std::filesystem::temp_directory_path() / ("tamblo-volume-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/mic.raw", std::ios::binary) << std::string(audio_rate_hz * 30, static_cast<char>(loud));
    auto backend = make_audio_backend("file:" + dir + "/mic.raw," + dir);
    auto capture = backend->make_capture();
    std::mutex lock;
    std::condition_variable cv;
    std::vector<std::pair<Clock::time_point, uint8_t>> blocks;
    CaptureDevice* c = capture.get();
    std::atomic<bool> running { true };
    c->open([&](WaveHeaderPtr h) {
        {
            std::lock_guard<std::mutex> hold(lock);
            blocks.emplace_back(Clock::now(), h->bytes_recorded ? h->data[0] : 128);
            cv.notify_all();
        }
        if (running)
            c->add_buffer(std::move(h));
    });
    for (int i = 0; i < 2; ++i) {
        auto h = std::make_unique<WaveHeader>();
        h->data.resize(audio_block_samples);
        c->add_buffer(std::move(h));
    }
    set_capture_gain(0xffff);
    c->start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    double worst = 0;
    double total = 0;
    for (int i = 0; i < changes; ++i) {
        bool half = i % 2 == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(97 + 13 * i));
        double ms = latency_ms(lock, cv, blocks, half ? half_level : loud,
                               [&] { set_capture_gain(half ? half_gain : 0xffff); });
        worst = std::max(worst, ms);
        total += ms;
    }
    running = false;
    c->stop();
    c->reset();
    c->close();
    set_capture_gain(0xffff);
    std::filesystem::remove_all(dir);
    std::printf("microphone: mean %.1f ms, worst %.1f ms after the change\n", total / changes, worst);
    return worst / period_ms;
}

template <typename F>
double ns_per_block(F f)
{
    const int rounds = 200000;
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i)
        f();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / rounds;
}

double gain_ratio()
{
    std::vector<uint8_t> in(audio_block_samples);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<uint8_t>(128 + 100 * ((i * 37) % 200) / 200 - 50);
    std::vector<uint8_t> out(in.size());
    volatile uint8_t sink = 0;
    double copy_ns = ns_per_block([&] {
        std::copy(in.begin(), in.end(), out.begin());
        sink = sink + out[in.size() / 2];
    });
    // What a capture device does with each block it hands over.
    double gain_ns = ns_per_block([&] {
        copy_with_capture_gain(out.data(), in.data(), in.size(), half_gain);
        sink = sink + out[in.size() / 2];
    });
    std::printf("software gain: %.0f ns a block (copied with the gain), plain copy %.0f ns\n", gain_ns, copy_ns);
    return gain_ns / copy_ns;
}

} // namespace

int main()
{
    double speaker = speaker_ratio();
    double mic = microphone_ratio();
    double gain = gain_ratio();
    std::printf("volume change to the new level, speaker, worst over a period: %.2f (target <= 2)\n", speaker);
    std::printf("volume change to the new level, microphone (software line), worst over a period: %.2f (target <= 2)\n",
                mic);
    std::printf("software gain on a block beside a plain copy: %.2f (target <= 3)\n", gain);
    return speaker < 0 || mic < 0 ? 1 : 0;
}
