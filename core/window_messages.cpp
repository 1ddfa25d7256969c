#include "core/window_messages.h"

#include <array>
#include <atomic>
#include <mutex>

namespace {

std::array<std::atomic<WindowTarget*>, static_cast<size_t>(WindowSlot::count)> g_slots {};
std::atomic<WindowMessageDispatcher*> g_dispatcher { nullptr };
// Without a dispatcher, delivery happens on the calling thread: this keeps a
// window from going away in the middle of its handler.
std::recursive_mutex g_direct_lock;

std::atomic<WindowTarget*>& slot_ref(WindowSlot slot) { return g_slots[static_cast<size_t>(slot)]; }

} // namespace

void set_window_message_dispatcher(WindowMessageDispatcher* dispatcher) { g_dispatcher.store(dispatcher); }

void register_window(WindowSlot slot, WindowTarget* target)
{
    std::lock_guard lock(g_direct_lock);
    slot_ref(slot).store(target);
}

void unregister_window(WindowSlot slot, WindowTarget* target)
{
    std::lock_guard lock(g_direct_lock);
    WindowTarget* expected = target;
    slot_ref(slot).compare_exchange_strong(expected, nullptr);
}

WindowTarget* window_in_slot(WindowSlot slot) { return slot_ref(slot).load(); }

bool window_exists(WindowSlot slot) { return window_in_slot(slot) != nullptr; }

intptr_t deliver_window_message(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    std::lock_guard lock(g_direct_lock);
    WindowTarget* target = window_in_slot(slot);
    return target ? target->handle_window_message(msg, wparam, lparam) : 0;
}

bool post_window_message(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    if (!window_exists(slot))
        return false;
    if (WindowMessageDispatcher* d = g_dispatcher.load())
        d->post(slot, msg, wparam, lparam, std::nullopt);
    else
        deliver_window_message(slot, msg, wparam, lparam);
    return true;
}

bool post_window_message_with_body(WindowSlot slot, uint32_t msg, std::string body)
{
    if (!window_exists(slot))
        return false;
    if (WindowMessageDispatcher* d = g_dispatcher.load()) {
        intptr_t len = static_cast<intptr_t>(body.size());
        d->post(slot, msg, 0, len, std::move(body));
    } else {
        deliver_window_message(slot, msg, reinterpret_cast<uintptr_t>(body.c_str()), static_cast<intptr_t>(body.size()));
    }
    return true;
}

intptr_t send_window_message(WindowSlot slot, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    if (!window_exists(slot))
        return 0;
    if (WindowMessageDispatcher* d = g_dispatcher.load())
        return d->send(slot, msg, wparam, lparam);
    return deliver_window_message(slot, msg, wparam, lparam);
}
