#pragma once
// Handler tests with the lifetimes of the program: posted window messages
// wait in a queue, as they do for the UI thread, while sent ones are handled
// at once; and the receive thread's buffer, which the next message
// overwrites. A handler that posted a pointer into the buffer would then
// hand its window the next message's bytes, and its test fails.

#include "core/window_messages.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Installs itself as the dispatcher while it lives; what is still queued at
// the end is dropped.
class QueuedWindowMessages : public WindowMessageDispatcher {
public:
    QueuedWindowMessages();
    ~QueuedWindowMessages() override;
    QueuedWindowMessages(const QueuedWindowMessages&) = delete;
    QueuedWindowMessages& operator=(const QueuedWindowMessages&) = delete;

    void post(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam, std::optional<std::string> body) override;
    intptr_t send(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Hands every queued message to the window now in its slot, in order.
    // Returns how many there were.
    size_t deliver_posted();
    size_t pending() const;

private:
    struct Posted {
        WindowSlot slot;
        uint32_t msg;
        uintptr_t wparam;
        intptr_t lparam;
        std::optional<std::string> body;
    };
    mutable std::mutex lock_;
    std::deque<Posted> queue_;
};

// A receive loop's buffer with one body in it, behind the head and followed
// by the zero byte the loop adds.
class ReceiveBuffer {
public:
    explicit ReceiveBuffer(std::string_view body);
    char* body();
    int length() const { return length_; }
    // The next message arrives: every byte of the buffer changes.
    void reuse();

private:
    std::vector<char> bytes_;
    int length_ = 0;
};

// Runs handler(body, length, field2) from a receive buffer, lets the next
// message overwrite the buffer, then delivers what the handler posted.
template <typename Handler>
decltype(auto) run_from_receive_buffer(QueuedWindowMessages& queue, Handler&& handler, std::string_view body, int field2 = 0)
{
    ReceiveBuffer buffer(body);
    if constexpr (std::is_void_v<decltype(handler(buffer.body(), buffer.length(), field2))>) {
        handler(buffer.body(), buffer.length(), field2);
        buffer.reuse();
        queue.deliver_posted();
    } else {
        auto result = handler(buffer.body(), buffer.length(), field2);
        buffer.reuse();
        queue.deliver_posted();
        return result;
    }
}
