#pragma once
// The unnamed mutex with a time-out wait. The caller tells a time-out from
// success and writes its own log line, as every waiter has its own text.

#include <chrono>
#include <mutex>

namespace platform {

using TimedMutex = std::timed_mutex;

class TimedLockWait {
public:
    TimedLockWait(TimedMutex& mutex, int wait_ms)
        // An uncontended lock is taken without reading the clock.
        : mutex_(mutex), locked_(mutex.try_lock() || mutex.try_lock_for(std::chrono::milliseconds(wait_ms)))
    {
    }
    ~TimedLockWait()
    {
        if (locked_)
            mutex_.unlock();
    }
    TimedLockWait(const TimedLockWait&) = delete;
    TimedLockWait& operator=(const TimedLockWait&) = delete;

    explicit operator bool() const { return locked_; }
    bool locked() const { return locked_; }

private:
    TimedMutex& mutex_;
    bool locked_;
};

} // namespace platform
