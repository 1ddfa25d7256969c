#pragma once
// A sound backend for the voice tests: players that keep what is written
// and hand buffers back only when the test says so.

#include "platform/audio/audio_device.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

struct FakePlaybackLog {
    std::mutex lock;
    std::condition_variable cv;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> writes;
    std::vector<std::pair<std::string, uint32_t>> volumes;
    size_t write_count()
    {
        std::lock_guard<std::mutex> hold(lock);
        return writes.size();
    }
    bool wait_for_writes(size_t n, int wait_ms = 3000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return cv.wait_for(hold, std::chrono::milliseconds(wait_ms), [&] { return writes.size() >= n; });
    }
};

class FakePlayback : public platform::PlaybackDevice {
public:
    FakePlayback(std::string name, FakePlaybackLog& log) : name_(std::move(name)), log_(log) {}
    int open(Done done) override
    {
        done_ = std::move(done);
        return 0;
    }
    int write(platform::WaveHeaderPtr header) override
    {
        std::lock_guard<std::mutex> hold(log_.lock);
        log_.writes.emplace_back(name_, header->data);
        pending_.push_back(std::move(header));
        log_.cv.notify_all();
        return 0;
    }
    int reset() override
    {
        while (!pending_.empty()) {
            done_(std::move(pending_.front()));
            pending_.pop_front();
        }
        return 0;
    }
    int close() override { return 0; }
    int set_volume(uint32_t v) override
    {
        std::lock_guard<std::mutex> hold(log_.lock);
        log_.volumes.emplace_back(name_, v);
        return 0;
    }

private:
    std::string name_;
    FakePlaybackLog& log_;
    Done done_;
    std::deque<platform::WaveHeaderPtr> pending_;
};

class FakeBackend : public platform::AudioBackend {
public:
    explicit FakeBackend(FakePlaybackLog& log) : log_(log) {}
    std::unique_ptr<platform::CaptureDevice> make_capture() override { return platform::make_audio_backend("null")->make_capture(); }
    std::unique_ptr<platform::PlaybackDevice> make_playback(const std::string& name) override
    {
        return std::make_unique<FakePlayback>(name, log_);
    }
    std::string error_text(int) override { return "fake"; }

private:
    FakePlaybackLog& log_;
};
