#pragma once
// The unnamed mutex with a time-out wait. The caller tells a time-out from
// success and writes its own log line, as every waiter has its own text.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// Built on a plain mutex and a condition variable rather than
// std::timed_mutex: ThreadSanitizer sees both, while the timed wait of
// std::timed_mutex (pthread_mutex_clocklock) is hidden from it, so every lock
// taken that way looked unowned and everything it guards looked raced.
class TimedMutex {
public:
    void lock()
    {
        std::unique_lock state(state_lock_);
        released_.wait(state, [this] { return !locked_; });
        locked_ = true;
    }
    bool try_lock()
    {
        std::lock_guard state(state_lock_);
        if (locked_)
            return false;
        locked_ = true;
        return true;
    }
    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& wait)
    {
        std::unique_lock state(state_lock_);
        if (!released_.wait_for(state, wait, [this] { return !locked_; }))
            return false;
        locked_ = true;
        return true;
    }
    void unlock()
    {
        // Signalled under the state lock: whoever takes the mutex next (and
        // may destroy it, a global at exit) does so after the signal is done.
        std::lock_guard state(state_lock_);
        locked_ = false;
        released_.notify_one();
    }

private:
    std::mutex state_lock_;
    std::condition_variable released_;
    bool locked_ = false;
};

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
