#include "platform/sys/clock.h"

#include <atomic>
#include <ctime>
#include <thread>

namespace platform {

namespace {

class RealClock : public Clock {
public:
    uint32_t tick_ms() override
    {
        timespec ts {};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }
    void sleep_ms(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

RealClock g_real_clock;
std::atomic<Clock*> g_clock { &g_real_clock };

} // namespace

uint32_t tick_count() { return g_clock.load()->tick_ms(); }

void sleep_ms(uint32_t ms) { g_clock.load()->sleep_ms(ms); }

void set_clock(Clock* clock) { g_clock.store(clock ? clock : &g_real_clock); }

} // namespace platform
