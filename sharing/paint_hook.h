#pragma once
// Binding the paint-notification library while a window or the desktop is
// shared: libhoverlin.so loaded, its procedures installed as hooks of the
// shared window (per-window set) or of the whole screen (global set), and
// the exchange file written that tells the procedures to notify the share
// view. A failed binding leaves no hooks: sharing then runs on full
// comparisons.

#include "hooks/hoverlin.h"
#include "platform/x11/screen_capture.h"

#include <cstdint>
#include <string>

class PaintHookBinding {
public:
    ~PaintHookBinding();

    // 0, or -1 (logged) with no hooks installed.
    int start_paint_hook(platform::XWindowId window);
    int start_paint_hook_global();
    // Removes the set's hooks, frees the library and deletes the set's
    // exchange file (and the atom), so nothing stays behind.
    void stop_paint_hook();
    void stop_paint_hook_global();

    bool paint_hooks_installed() const { return m_paint_hook != 0; }
    bool global_hooks_installed() const { return m_paint_hook_global != 0; }
    bool library_loaded() const { return m_hook_library != nullptr; }

private:
    bool load_library();
    void free_library_if_unused();

    void* m_hook_library = nullptr;
    intptr_t (*set_hook_)(int, HookProc, unsigned long, HookPost) = nullptr;
    int (*unhook_)(intptr_t) = nullptr;
    intptr_t m_paint_hook = 0;           // get-message hook
    intptr_t m_paint_callwnd_hook = 0;   // window-procedure hook
    intptr_t m_paint_hook_global = 0;
    intptr_t m_paint_callwnd_hook_global = 0;
};

// Where the library is looked for: beside the program unless a test says otherwise.
std::string hook_library_path();
void set_hook_library_path(const std::string& path);

// The library's notices arrive here: the window number is a window slot.
void post_hook_notice(long window, uint32_t message, uintptr_t wparam, intptr_t lparam);
