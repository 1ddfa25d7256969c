// libhoverlin.so: the five hook procedures and, standing in for the window
// system, the hook chains that call them. No code goes into other programs:
// each chain watches its window (the root for the global set) with XDamage
// on a display connection of its own, and calls its newest procedure with
// every paint or menu it sees. The library keeps its own copy of the X code,
// so its connections and error trap are its own and leave with it.

#include "hooks/hook_notices.h"
#include "hooks/hoverlin.h"
#include "platform/x11/paint_watch.h"
#include "platform/x11/x11_internal.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#define HOVERLIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

HookNotices& notices()
{
    static HookNotices n;
    return n;
}

uint32_t tick_ms()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

struct Hook {
    intptr_t handle = 0;
    HookProc procedure = nullptr;
};

// One watched window and one kind: the hooks installed on it, oldest first.
struct Chain {
    int kind = 0;
    unsigned long window = 0;
    std::vector<Hook> hooks;
    std::unique_ptr<platform::PaintWatch> watch;
};

std::mutex g_chains_lock;
std::vector<std::shared_ptr<Chain>> g_chains;
intptr_t g_last_handle = 0;

// Where in which chain this thread's current call is: CallNextHookEx goes on from there.
struct CallPosition {
    std::shared_ptr<Chain> chain;
    size_t index = 0;
};
thread_local CallPosition* t_position = nullptr;

intptr_t call_at(const std::shared_ptr<Chain>& chain, size_t index, int code, uintptr_t wparam, intptr_t lparam)
{
    HookProc procedure = nullptr;
    {
        std::lock_guard lock(g_chains_lock);
        if (index >= chain->hooks.size())
            return 0;
        procedure = chain->hooks[chain->hooks.size() - 1 - index].procedure;
    }
    CallPosition position { chain, index };
    CallPosition* outer = t_position;
    t_position = &position;
    intptr_t result = procedure(code, wparam, lparam);
    t_position = outer;
    return result;
}

// The window system's CallNextHookEx: the handle only says there is a next
// hook; the chain position of the running call says which.
intptr_t call_next_hook(intptr_t hook, int code, uintptr_t wparam, intptr_t lparam)
{
    if (hook == 0 || !t_position)
        return 0;
    return call_at(t_position->chain, t_position->index + 1, code, wparam, lparam);
}

void deliver_paint(const std::shared_ptr<Chain>& chain, const platform::PaintEvent& e)
{
    HookMessage message;
    message.window = e.window;
    message.message = WM_PAINT;
    message.update_left = e.update.left;
    message.update_top = e.update.top;
    message.update_right = e.update.right();
    message.update_bottom = e.update.bottom();
    message.window_left = e.window_left;
    message.window_top = e.window_top;
    message.own = e.own ? 1 : 0;
    call_at(chain, 0, HC_ACTION, PM_REMOVE, reinterpret_cast<intptr_t>(&message));
}

void deliver_menu(const std::shared_ptr<Chain>& chain, const platform::MenuEvent&)
{
    HookMessage message;
    message.window = chain->window;
    message.message = WM_CONTEXTMENU;
    call_at(chain, 0, HC_ACTION, 0, reinterpret_cast<intptr_t>(&message));
}

// Removes the error trap when the library is unloaded.
struct Unload {
    ~Unload() { platform::x11::remove_error_handler(); }
} g_unload;

} // namespace

HOVERLIN_EXPORT intptr_t GetMsgProc(int code, uintptr_t wparam, intptr_t lparam)
{
    const auto* message = reinterpret_cast<const HookMessage*>(lparam);
    if (message && message->message == WM_PAINT)
        notices().per_thread_paint_notice(*message);
    if (intptr_t next = notices().next_get_message_hook())
        call_next_hook(next, code, wparam, lparam);
    return 0;
}

HOVERLIN_EXPORT intptr_t CallWndProc(int code, uintptr_t wparam, intptr_t lparam)
{
    const auto* message = reinterpret_cast<const HookMessage*>(lparam);
    if (message && message->message == WM_PAINT)
        notices().per_thread_paint_notice(*message);
    else if (message && message->message == WM_CONTEXTMENU)
        notices().per_thread_menu_notice(*message);
    if (intptr_t next = notices().next_call_wnd_hook())
        call_next_hook(next, code, wparam, lparam);
    return 0;
}

HOVERLIN_EXPORT intptr_t MouseProc(int code, uintptr_t wparam, intptr_t lparam)
{
    if (const auto* mouse = reinterpret_cast<const HookMouse*>(lparam))
        notices().mouse_notice(*mouse);
    return call_next_hook(notices().next_mouse_hook(), code, wparam, lparam);
}

HOVERLIN_EXPORT intptr_t global_CallWndProc(int code, uintptr_t wparam, intptr_t lparam)
{
    const auto* message = reinterpret_cast<const HookMessage*>(lparam);
    if (message && message->message == WM_PAINT)
        notices().global_paint_notice(*message, tick_ms());
    else if (message && message->message == WM_CONTEXTMENU)
        notices().global_menu_notice(*message, tick_ms());
    if (intptr_t next = notices().next_global_call_wnd_hook())
        call_next_hook(next, code, wparam, lparam);
    return 0;
}

HOVERLIN_EXPORT intptr_t global_GetMsgProc(int code, uintptr_t wparam, intptr_t lparam)
{
    const auto* message = reinterpret_cast<const HookMessage*>(lparam);
    if (message && message->message == WM_PAINT)
        notices().global_paint_notice(*message, tick_ms());
    if (intptr_t next = notices().next_global_get_message_hook())
        call_next_hook(next, code, wparam, lparam);
    return 0;
}

HOVERLIN_EXPORT intptr_t hoverlin_set_hook(int kind, HookProc procedure, unsigned long window, HookPost post)
{
    if (!procedure || (kind != WH_GETMESSAGE && kind != WH_CALLWNDPROC))
        return 0;
    notices().set_post(post);
    std::unique_lock lock(g_chains_lock);
    for (auto& chain : g_chains) {
        if (chain->kind == kind && chain->window == window) {
            chain->hooks.push_back({ ++g_last_handle, procedure });
            return g_last_handle;
        }
    }
    lock.unlock();
    // Paints come through the message queue (get-message hooks), menus as sent messages (window-procedure hooks).
    auto chain = std::make_shared<Chain>();
    chain->kind = kind;
    chain->window = window;
    std::weak_ptr<Chain> weak = chain;
    std::string why;
    if (kind == WH_GETMESSAGE)
        chain->watch = platform::PaintWatch::watch_paints(window, [weak](const platform::PaintEvent& e) {
            if (auto c = weak.lock())
                deliver_paint(c, e);
        }, why);
    else
        chain->watch = platform::PaintWatch::watch_menus(window, [weak](const platform::MenuEvent& e) {
            if (auto c = weak.lock())
                deliver_menu(c, e);
        }, why);
    if (!chain->watch)
        return 0;
    lock.lock();
    chain->hooks.push_back({ ++g_last_handle, procedure });
    g_chains.push_back(chain);
    return g_last_handle;
}

HOVERLIN_EXPORT int hoverlin_unhook(intptr_t hook)
{
    std::unique_ptr<platform::PaintWatch> stopped;
    bool found = false;
    {
        std::lock_guard lock(g_chains_lock);
        for (auto it = g_chains.begin(); it != g_chains.end() && !found; ++it) {
            auto& hooks = (*it)->hooks;
            auto at = std::find_if(hooks.begin(), hooks.end(), [hook](const Hook& h) { return h.handle == hook; });
            if (at == hooks.end())
                continue;
            found = true;
            hooks.erase(at);
            if (hooks.empty()) {
                stopped = std::move((*it)->watch);
                g_chains.erase(it);
                break;
            }
        }
    }
    // Stopped outside the lock: its thread may be inside a procedure that takes it.
    stopped.reset();
    return found ? 0 : -1;
}
