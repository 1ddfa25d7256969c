#include "platform/sys/clock.h"

#include <atomic>
#include <ctime>
#include <thread>

namespace platform {

namespace {

uint32_t real_tick_ms()
{
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

// Null stands for the real clock, which is no object: detached threads read
// the clock until the process ends, after static objects are destroyed.
std::atomic<Clock*> g_clock { nullptr };

} // namespace

uint32_t tick_count()
{
    Clock* clock = g_clock.load();
    return clock ? clock->tick_ms() : real_tick_ms();
}

void sleep_ms(uint32_t ms)
{
    if (Clock* clock = g_clock.load())
        clock->sleep_ms(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void set_clock(Clock* clock) { g_clock.store(clock); }

} // namespace platform
