#include "sharing/paint_hook.h"

#include "core/dbg_log.h"
#include "core/window_messages.h"
#include "hooks/hook_exchange.h"
#include "platform/sys/paths.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {

std::string& library_path_override()
{
    static std::string path;
    return path;
}

// Keyboard hooks are not part of this library: their line says 0.
constexpr long no_keyboard_hook = 0;

} // namespace

std::string hook_library_path()
{
    const std::string& set = library_path_override();
    return set.empty() ? platform::program_folder() + "libhoverlin.so" : set;
}

void set_hook_library_path(const std::string& path) { library_path_override() = path; }

void post_hook_notice(long window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (window < 0 || window >= static_cast<long>(WindowSlot::count))
        return;
    post_window_message(static_cast<WindowSlot>(window), message, wparam, lparam);
}

PaintHookBinding::~PaintHookBinding()
{
    stop_paint_hook();
    stop_paint_hook_global();
}

bool PaintHookBinding::load_library()
{
    if (m_hook_library)
        return true;
    std::string path = hook_library_path();
    m_hook_library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_hook_library) {
        const char* why = ::dlerror();
        dbg_log("failed to load %s: %s\n", path.c_str(), why ? why : "");
        return false;
    }
    set_hook_ = reinterpret_cast<decltype(set_hook_)>(::dlsym(m_hook_library, hoverlin_set_hook_name));
    unhook_ = reinterpret_cast<decltype(unhook_)>(::dlsym(m_hook_library, hoverlin_unhook_name));
    if (!set_hook_ || !unhook_) {
        dbg_log("%s lacks its hook calls.\n", path.c_str());
        ::dlclose(m_hook_library);
        m_hook_library = nullptr;
        set_hook_ = nullptr;
        unhook_ = nullptr;
        return false;
    }
    return true;
}

void PaintHookBinding::free_library_if_unused()
{
    if (!m_hook_library || m_paint_hook || m_paint_callwnd_hook || m_paint_hook_global || m_paint_callwnd_hook_global)
        return;
    ::dlclose(m_hook_library);
    m_hook_library = nullptr;
    set_hook_ = nullptr;
    unhook_ = nullptr;
}

int PaintHookBinding::start_paint_hook(platform::XWindowId window)
{
    stop_paint_hook();
    stop_paint_hook_global();
    if (!load_library())
        return -1;
    auto get_message = reinterpret_cast<HookProc>(::dlsym(m_hook_library, "GetMsgProc"));
    auto call_wnd = reinterpret_cast<HookProc>(::dlsym(m_hook_library, "CallWndProc"));
    if (get_message)
        m_paint_hook = set_hook_(WH_GETMESSAGE, get_message, window, post_hook_notice);
    if (!m_paint_hook)
        dbg_log("m_paint_hook is null in start_paint_hook.\n");
    if (m_paint_hook && call_wnd)
        m_paint_callwnd_hook = set_hook_(WH_CALLWNDPROC, call_wnd, window, post_hook_notice);
    if (m_paint_hook && !m_paint_callwnd_hook)
        dbg_log("m_paint_callwnd_hook is null in start_paint_hook.\n");
    if (!m_paint_hook || !m_paint_callwnd_hook) {
        stop_paint_hook();
        return -1;
    }
    std::string file = hook_exchange_path(hook_paint_file_name);
    if (!make_hook_exchange_folder()
        || write_exchange_numbers(file, { static_cast<long>(WindowSlot::share_view), static_cast<long>(m_paint_hook),
                                          static_cast<long>(m_paint_callwnd_hook), no_keyboard_hook }) != 0) {
        stop_paint_hook();
        dbg_log("failed to create temp file in start_paint_hook.\n");
        return -1;
    }
    // Tells the procedures the file is new.
    hook_atom_add();
    return 0;
}

int PaintHookBinding::start_paint_hook_global()
{
    stop_paint_hook();
    stop_paint_hook_global();
    if (!load_library())
        return -1;
    auto get_message = reinterpret_cast<HookProc>(::dlsym(m_hook_library, "global_GetMsgProc"));
    auto call_wnd = reinterpret_cast<HookProc>(::dlsym(m_hook_library, "global_CallWndProc"));
    if (get_message)
        m_paint_hook_global = set_hook_(WH_GETMESSAGE, get_message, 0, post_hook_notice);
    if (!m_paint_hook_global)
        dbg_log("m_paint_hook_global is null in start_paint_hook_global.\n");
    if (m_paint_hook_global && call_wnd)
        m_paint_callwnd_hook_global = set_hook_(WH_CALLWNDPROC, call_wnd, 0, post_hook_notice);
    if (m_paint_hook_global && !m_paint_callwnd_hook_global)
        dbg_log("m_paint_callwnd_hook_global is null in start_paint_hook_global.\n");
    if (!m_paint_hook_global || !m_paint_callwnd_hook_global) {
        stop_paint_hook_global();
        return -1;
    }
    std::string file = hook_exchange_path(hook_paint_global_file_name);
    if (!make_hook_exchange_folder()
        || write_exchange_numbers(file, { static_cast<long>(WindowSlot::share_view), static_cast<long>(m_paint_hook_global),
                                          static_cast<long>(m_paint_callwnd_hook_global), no_keyboard_hook }) != 0) {
        stop_paint_hook_global();
        dbg_log("failed to create temp file in start_paint_hook_global.\n");
        return -1;
    }
    return 0;
}

void PaintHookBinding::stop_paint_hook()
{
    for (intptr_t* hook : { &m_paint_hook, &m_paint_callwnd_hook }) {
        if (*hook && unhook_)
            unhook_(*hook);
        *hook = 0;
    }
    ::unlink(hook_exchange_path(hook_paint_file_name).c_str());
    hook_atom_delete();
    free_library_if_unused();
}

void PaintHookBinding::stop_paint_hook_global()
{
    for (intptr_t* hook : { &m_paint_hook_global, &m_paint_callwnd_hook_global }) {
        if (*hook && unhook_)
            unhook_(*hook);
        *hook = 0;
    }
    ::unlink(hook_exchange_path(hook_paint_global_file_name).c_str());
    free_library_if_unused();
}
