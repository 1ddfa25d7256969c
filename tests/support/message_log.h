#pragma once
// A window that records every message it receives, from any thread, and a
// wait for one to arrive.

#include "core/window_messages.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

struct LoggedMessage {
    uint32_t msg = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

class MessageLog : public WindowTarget {
public:
    explicit MessageLog(WindowSlot slot) : binding_(slot, this) {}

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        {
            std::lock_guard lock(lock_);
            messages_.push_back({ msg, wparam, lparam });
        }
        arrived_.notify_all();
        return 0;
    }
    std::vector<LoggedMessage> messages() const
    {
        std::lock_guard lock(lock_);
        return messages_;
    }
    std::vector<LoggedMessage> of(uint32_t msg) const
    {
        std::vector<LoggedMessage> out;
        for (const LoggedMessage& m : messages())
            if (m.msg == msg)
                out.push_back(m);
        return out;
    }
    void clear()
    {
        std::lock_guard lock(lock_);
        messages_.clear();
    }
    // True once a message satisfying want arrived within wait_ms.
    bool wait_for(const std::function<bool(const LoggedMessage&)>& want, int wait_ms)
    {
        std::unique_lock lock(lock_);
        return arrived_.wait_for(lock, std::chrono::milliseconds(wait_ms), [&] {
            for (const LoggedMessage& m : messages_)
                if (want(m))
                    return true;
            return false;
        });
    }

private:
    mutable std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<LoggedMessage> messages_;
    WindowSlotBinding binding_;
};
