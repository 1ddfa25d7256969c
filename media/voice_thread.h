#pragma once
// The thread classes of the voice machinery: a thread with its own message
// queue (posted thread messages carry a buffer whose ownership goes with
// them), and the counting semaphores the sound master thread waits on, any
// one of twelve at a time.

#include "platform/audio/audio_device.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

struct ThreadMessage {
    uint32_t msg = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    platform::WaveHeaderPtr header;
};

class VoiceThread {
public:
    VoiceThread();
    virtual ~VoiceThread() = default;
    VoiceThread(const VoiceThread&) = delete;
    VoiceThread& operator=(const VoiceThread&) = delete;

    // Starts the thread (once); false when it could not be started.
    bool create_thread(const std::string& name);
    // False when the thread has ended; the header is then freed.
    bool post_thread_message(uint32_t msg, uintptr_t wparam = 0, intptr_t lparam = 0,
                             platform::WaveHeaderPtr header = nullptr);
    uint32_t thread_id() const { return thread_id_; }
    bool running() const { return running_; }

protected:
    // Returns false to end the thread.
    virtual bool on_thread_message(ThreadMessage& m) = 0;

private:
    void run();

    uint32_t thread_id_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<ThreadMessage> queue_;
    std::atomic<bool> running_ { false };
    bool ended_ = false;
};

// A counting semaphore with a maximum: a release beyond it fails, as the
// system's semaphores do.
class VoiceSemaphore {
public:
    VoiceSemaphore(int initial, int maximum) : count_(initial), maximum_(maximum) {}
    bool release();
    bool try_acquire();
    bool acquire_for(int wait_ms);
    int count() const;

private:
    friend int wait_for_any_semaphore(VoiceSemaphore* const* semaphores, size_t count, int wait_ms,
                                      const std::function<bool()>& give_up);
    int count_;
    int maximum_;
};

// Waits until one of the semaphores can be taken, takes the first such in
// order and returns its index; -1 after wait_ms.
int wait_for_any_semaphore(VoiceSemaphore* const* semaphores, size_t count, int wait_ms);
// The same wait, which also ends (-2) as soon as give_up says so; give_up is
// asked under the semaphores' lock whenever a waiter wakes, so it must be
// quick and take no lock. With no semaphores it is a sleep that ends early.
int wait_for_any_semaphore(VoiceSemaphore* const* semaphores, size_t count, int wait_ms,
                           const std::function<bool()>& give_up);
// Wakes every waiter so that it asks its give_up again (the flags it reads
// changed).
void wake_semaphore_waiters();
