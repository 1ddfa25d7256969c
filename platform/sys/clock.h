#pragma once
// The program's millisecond tick: 32 bits from the monotonic clock, wrapping
// like the original, so every "now - then" is an unsigned difference.

#include <atomic>
#include <cstdint>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t tick_ms() = 0;
    virtual void sleep_ms(uint32_t ms) = 0;
};

uint32_t tick_count();
void sleep_ms(uint32_t ms);

// Tests replace the clock; nullptr restores the real one.
void set_clock(Clock* clock);

// A clock that stands still until the test moves it; sleeping moves it.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start_ms = 0) : now_ms_(start_ms) {}
    uint32_t tick_ms() override { return now_ms_; }
    void sleep_ms(uint32_t ms) override { now_ms_ += ms; }
    void advance(uint32_t ms) { now_ms_ += ms; }
    void set(uint32_t ms) { now_ms_ = ms; }

private:
    std::atomic<uint32_t> now_ms_;
};

} // namespace platform
