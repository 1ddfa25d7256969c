#include "hooks/hook_notices.h"

#include "core/window_messages.h"
#include "hooks/hook_exchange.h"

void HookNotices::set_post(HookPost post)
{
    std::lock_guard lock(lock_);
    post_ = post;
}

void HookNotices::post(long window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (post_)
        post_(window, message, wparam, lparam);
}

void HookNotices::read_if_atom()
{
    if (!hook_atom_exists())
        return;
    long values[3] = { notify_window_, next_get_message_, next_call_wnd_ };
    // A file that cannot be read leaves the atom for the next paint.
    if (read_exchange_numbers(hook_exchange_path(hook_paint_file_name), 3, values) != 0)
        return;
    notify_window_ = values[0];
    next_get_message_ = values[1];
    next_call_wnd_ = values[2];
    hook_atom_delete();
}

void HookNotices::read_global(uint32_t& last_read_ms, uint32_t now_ms)
{
    // Until a window to notify is known every notice looks for the file: the
    // hooks start watching before the sharer writes it, and a paint in between
    // must not silence the first three seconds of the share.
    bool known = global_notify_window_ != 0;
    if (known && now_ms - last_read_ms <= global_reread_ms)
        return;
    long values[3] = { global_notify_window_, next_global_get_message_, next_global_call_wnd_ };
    bool read = read_exchange_numbers(hook_exchange_path(hook_paint_global_file_name), 3, values) == 0;
    if (read || known)
        last_read_ms = now_ms;
    if (!read)
        return;
    global_notify_window_ = values[0];
    next_global_get_message_ = values[1];
    next_global_call_wnd_ = values[2];
}

namespace {

// The window's origin plus the painted part, both halves signed 16 bits.
void painted_words(const HookMessage& m, uintptr_t& wparam, intptr_t& lparam)
{
    int32_t left = m.update_left + m.window_left;
    int32_t top = m.update_top + m.window_top;
    int32_t right = m.update_right + m.window_left;
    int32_t bottom = m.update_bottom + m.window_top;
    wparam = pack_halves(left, right);
    lparam = static_cast<intptr_t>(pack_halves(top, bottom));
}

} // namespace

void HookNotices::per_thread_paint_notice(const HookMessage& message)
{
    std::lock_guard lock(lock_);
    read_if_atom();
    if (notify_window_ == 0 || message.own)
        return;
    uintptr_t w = 0;
    intptr_t l = 0;
    painted_words(message, w, l);
    post(notify_window_, WM_MY_MSG_HOOK_PAINT_RECT, w, l);
}

void HookNotices::per_thread_menu_notice(const HookMessage& message)
{
    std::lock_guard lock(lock_);
    read_if_atom();
    if (notify_window_ == 0 || message.own)
        return;
    post(notify_window_, WM_MY_MSG_HOOK_MENU, 0, 0);
}

void HookNotices::global_paint_notice(const HookMessage& message, uint32_t now_ms)
{
    std::lock_guard lock(lock_);
    read_global(last_global_paint_read_ms_, now_ms);
    if (global_notify_window_ == 0 || message.own)
        return;
    uintptr_t w = 0;
    intptr_t l = 0;
    painted_words(message, w, l);
    post(global_notify_window_, WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL, w, l);
}

void HookNotices::global_menu_notice(const HookMessage& message, uint32_t now_ms)
{
    std::lock_guard lock(lock_);
    read_global(last_global_menu_read_ms_, now_ms);
    if (global_notify_window_ == 0 || message.own)
        return;
    post(global_notify_window_, WM_MY_MSG_HOOK_MENU_GLOBAL, 0, 0);
}

void HookNotices::mouse_notice(const HookMouse& mouse)
{
    std::lock_guard lock(lock_);
    if (!mouse_read_once_) {
        mouse_read_once_ = true;
        long values[2] = { 0, 0 };
        if (read_exchange_numbers(hook_exchange_path(hook_mouse_file_name), 2, values) == 0) {
            mouse_target_ = values[0];
            next_mouse_ = values[1];
        }
    }
    if (mouse_target_ != 0)
        post(mouse_target_, WM_MY_MSG_HOOK_MOUSE_POS, static_cast<uintptr_t>(static_cast<intptr_t>(mouse.x)), mouse.y);
}

intptr_t HookNotices::next_get_message_hook() const { std::lock_guard lock(lock_); return next_get_message_; }
intptr_t HookNotices::next_call_wnd_hook() const { std::lock_guard lock(lock_); return next_call_wnd_; }
intptr_t HookNotices::next_global_get_message_hook() const { std::lock_guard lock(lock_); return next_global_get_message_; }
intptr_t HookNotices::next_global_call_wnd_hook() const { std::lock_guard lock(lock_); return next_global_call_wnd_; }
intptr_t HookNotices::next_mouse_hook() const { std::lock_guard lock(lock_); return next_mouse_; }
long HookNotices::notify_window() const { std::lock_guard lock(lock_); return notify_window_; }
long HookNotices::global_notify_window() const { std::lock_guard lock(lock_); return global_notify_window_; }
