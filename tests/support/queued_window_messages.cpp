#include "tests/support/queued_window_messages.h"

#include "core/head_reader.h"
#include "core/wire_head.h"

#include <algorithm>
#include <cstring>

QueuedWindowMessages::QueuedWindowMessages() { set_window_message_dispatcher(this); }

QueuedWindowMessages::~QueuedWindowMessages() { set_window_message_dispatcher(nullptr); }

void QueuedWindowMessages::post(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam,
                                std::optional<std::string> body)
{
    std::lock_guard hold(lock_);
    queue_.push_back({ slot, msg, wparam, lparam, std::move(body) });
}

intptr_t QueuedWindowMessages::send(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    return deliver_window_message(slot, msg, wparam, lparam);
}

size_t QueuedWindowMessages::deliver_posted()
{
    size_t delivered = 0;
    for (;;) {
        Posted m;
        {
            std::lock_guard hold(lock_);
            if (queue_.empty())
                return delivered;
            m = std::move(queue_.front());
            queue_.pop_front();
        }
        uintptr_t wparam = m.body ? reinterpret_cast<uintptr_t>(m.body->c_str()) : m.wparam;
        deliver_window_message(m.slot, m.msg, wparam, m.lparam);
        ++delivered;
    }
}

size_t QueuedWindowMessages::pending() const
{
    std::lock_guard hold(lock_);
    return queue_.size();
}

ReceiveBuffer::ReceiveBuffer(std::string_view body)
    : bytes_(std::max(wire_recv_buffer_len, wire_head_len + body.size() + 1), '\0'), length_(static_cast<int>(body.size()))
{
    std::memcpy(bytes_.data() + wire_head_len, body.data(), body.size());
}

char* ReceiveBuffer::body() { return bytes_.data() + wire_head_len; }

void ReceiveBuffer::reuse() { std::fill(bytes_.begin(), bytes_.end(), '#'); }
