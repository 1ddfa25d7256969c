#pragma once
// Waits for a condition to hold, polling; never for a fixed time alone.

#include <chrono>
#include <thread>

template <class Condition>
bool wait_until(Condition condition, int wait_ms = 20000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The same, calling pump between polls (a test's event loop, say).
template <class Condition, class Pump>
bool wait_until(Condition condition, Pump pump, int wait_ms = 20000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
