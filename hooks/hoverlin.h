#pragma once
// What the program and libhoverlin.so share. The five hook procedures keep
// the window system's signature; on X11 the library also stands in for the
// window system's hook calls: hoverlin_set_hook watches the window named
// (its thread's windows on Windows) on a display connection of the
// library's own and calls the procedure with each paint (get-message hooks)
// or opened menu (window-procedure hooks) it sees, as the system would.

#include <cstdint>

extern "C" {

using HookProc = intptr_t (*)(int code, uintptr_t wparam, intptr_t lparam);
// How a procedure's notice reaches the program: window is the number the
// exchange file names (the share view's window slot).
using HookPost = void (*)(long window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Hook kinds, with the window system's numbers.
inline constexpr int WH_GETMESSAGE = 3;
inline constexpr int WH_CALLWNDPROC = 4;
inline constexpr int WH_MOUSE = 7;
inline constexpr int HC_ACTION = 0;
inline constexpr uintptr_t PM_REMOVE = 1;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CONTEXTMENU = 0x007B;

// The message record a get-message or window-procedure procedure receives
// (lParam points to it). For WM_PAINT it carries what the system would let
// the procedure ask for: the painted part in window coordinates and the
// window's origin on the screen.
struct HookMessage {
    unsigned long window = 0;
    uint32_t message = 0;
    int32_t update_left = 0;
    int32_t update_top = 0;
    int32_t update_right = 0;
    int32_t update_bottom = 0;
    int32_t window_left = 0;
    int32_t window_top = 0;
    int32_t own = 0;  // the window belongs to the program that loaded the library
};

// What a mouse procedure receives.
struct HookMouse {
    int32_t x = 0;
    int32_t y = 0;
};

// Installs procedure as a hook of kind for window (0: the root, every
// window). Returns the hook's handle, 0 when the kind is unknown or the
// window cannot be watched (no display, no DAMAGE extension, no window).
intptr_t hoverlin_set_hook(int kind, HookProc procedure, unsigned long window, HookPost post);
// 0, or -1 for a handle that is not installed.
int hoverlin_unhook(intptr_t hook);

} // extern "C"

// The names the program looks up.
inline constexpr const char* hoverlin_set_hook_name = "hoverlin_set_hook";
inline constexpr const char* hoverlin_unhook_name = "hoverlin_unhook";

// A rectangle travels as two words of signed 16-bit halves:
// wParam = left << 16 | right, lParam = top << 16 | bottom.
inline uintptr_t pack_halves(int32_t high, int32_t low)
{
    return (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16) | static_cast<uint16_t>(low);
}
inline int32_t high_half(uintptr_t word) { return static_cast<int16_t>(static_cast<uint16_t>(word >> 16)); }
inline int32_t low_half(uintptr_t word) { return static_cast<int16_t>(static_cast<uint16_t>(word)); }
