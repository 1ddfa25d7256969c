#include "media/voice_thread.h"

#include "core/dbg_log.h"
#include "platform/sys/threads.h"

#include <chrono>

namespace {

std::atomic<uint32_t> g_next_voice_thread_id { 1000 };

// One lock and one condition for every voice semaphore keeps the wait for
// any of twelve simple. Never destroyed: the player threads are detached and
// may still signal while the process ends and destroys its static objects.
std::mutex& semaphore_lock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::condition_variable& semaphore_wake()
{
    static std::condition_variable* wake = new std::condition_variable;
    return *wake;
}

} // namespace

VoiceThread::VoiceThread() : thread_id_(g_next_voice_thread_id++) {}

bool VoiceThread::create_thread(const std::string& name)
{
    if (running_)
        return true;
    running_ = true;
    if (!platform::start_thread(name, [this] { run(); })) {
        running_ = false;
        return false;
    }
    return true;
}

bool VoiceThread::post_thread_message(uint32_t msg, uintptr_t wparam, intptr_t lparam, platform::WaveHeaderPtr header)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (!running_ || ended_)
        return false;
    queue_.push_back(ThreadMessage { msg, wparam, lparam, std::move(header) });
    wake_.notify_one();
    return true;
}

void VoiceThread::run()
{
    for (;;) {
        ThreadMessage m;
        {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait(hold, [this] { return !queue_.empty(); });
            m = std::move(queue_.front());
            queue_.pop_front();
        }
        bool go_on = true;
        try {
            go_on = on_thread_message(m);
        } catch (...) {
            dbg_log("exception in voice thread message %u.\n", m.msg);
        }
        if (!go_on)
            break;
    }
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
    running_ = false;
    queue_.clear();
}

bool VoiceSemaphore::release()
{
    {
        std::lock_guard<std::mutex> hold(semaphore_lock());
        if (count_ >= maximum_)
            return false;
        ++count_;
    }
    semaphore_wake().notify_all();
    return true;
}

bool VoiceSemaphore::try_acquire()
{
    std::lock_guard<std::mutex> hold(semaphore_lock());
    if (count_ <= 0)
        return false;
    --count_;
    return true;
}

bool VoiceSemaphore::acquire_for(int wait_ms)
{
    VoiceSemaphore* self = this;
    return wait_for_any_semaphore(&self, 1, wait_ms) == 0;
}

int VoiceSemaphore::count() const
{
    std::lock_guard<std::mutex> hold(semaphore_lock());
    return count_;
}

int wait_for_any_semaphore(VoiceSemaphore* const* semaphores, size_t count, int wait_ms)
{
    return wait_for_any_semaphore(semaphores, count, wait_ms, {});
}

int wait_for_any_semaphore(VoiceSemaphore* const* semaphores, size_t count, int wait_ms,
                           const std::function<bool()>& give_up)
{
    std::unique_lock<std::mutex> hold(semaphore_lock());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    auto take_one = [&]() -> int {
        for (size_t i = 0; i < count; ++i) {
            if (semaphores[i]->count_ > 0) {
                --semaphores[i]->count_;
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    for (;;) {
        if (give_up && give_up())
            return -2;
        int taken = take_one();
        if (taken >= 0)
            return taken;
        if (semaphore_wake().wait_until(hold, deadline) == std::cv_status::timeout) {
            if (give_up && give_up())
                return -2;
            return take_one();
        }
    }
}

void wake_semaphore_waiters()
{
    {
        // Taken and let go, so a waiter between its check and its wait cannot miss the wake.
        std::lock_guard<std::mutex> hold(semaphore_lock());
    }
    semaphore_wake().notify_all();
}
