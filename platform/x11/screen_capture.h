#pragma once
// Window and screen capture from the X server: MIT-SHM where the server
// offers it, XGetImage otherwise. One display connection serves the whole
// process; every call is serialised on it.

#include <cstdint>
#include <vector>

namespace platform {

// Pixels as the X server keeps them at depth 24: one 32-bit word per pixel,
// 0x00RRGGBB, rows top-down without padding.
struct CapturedImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

using XWindowId = unsigned long;

// Opens the display named by DISPLAY on first use. False when there is none.
bool x11_available();
// The root window of the default screen, 0 without a display.
XWindowId x11_root_window();
// Size of a window's own area (its client area); false when it is unknown.
bool x11_window_size(XWindowId window, int& width_px, int& height_px);
// Captures a rectangle of a window (window coordinates). The rectangle must
// lie inside the window; false on any failure.
bool capture_window_area(XWindowId window, int x, int y, int width_px, int height_px, CapturedImage& out);
bool capture_screen_area(int x, int y, int width_px, int height_px, CapturedImage& out);

// Tests force the XGetImage path. Also set when the server lacks MIT-SHM.
void x11_set_shared_memory_allowed(bool allowed);
// True when the last successful capture went through shared memory.
bool x11_last_capture_used_shared_memory();

// Closes the display connection (program exit, tests).
void x11_close_display();

} // namespace platform
