#pragma once
// What sharing asks of the X server besides pixels: the top-level windows
// and their titles (EWMH, with a plain fallback when no window manager keeps
// the list), geometry in root coordinates, frame extents, the active window
// and bringing one to the front, the screen size, the pointer's position
// and the cursor's picture (XFixes). Every call goes through the process's
// one display connection; a window that vanished makes a call fail, never
// the process.

#include "platform/x11/screen_capture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool intersects(const ScreenRect& o) const
    {
        return !empty() && !o.empty() && left < o.right() && o.left < right() && top < o.bottom() && o.top < bottom();
    }
    bool operator==(const ScreenRect&) const = default;
};

struct FrameExtents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

// _NET_CLIENT_LIST in the window manager's order; without one, the root's
// mapped children that are not override-redirect, bottom to top.
std::vector<XWindowId> x11_top_level_windows();
// _NET_WM_NAME (UTF-8), else WM_NAME; empty when the window has none.
std::string x11_window_title(XWindowId window);
bool x11_window_exists(XWindowId window);
// The window's own area in root coordinates.
bool x11_window_rect(XWindowId window, ScreenRect& out);
// _NET_FRAME_EXTENTS; all zero when the window manager sets none.
bool x11_frame_extents(XWindowId window, FrameExtents& out);
// The window with the frame its window manager draws, in root coordinates.
bool x11_window_frame_rect(XWindowId window, ScreenRect& out);
// Whether the window is one a user would share: a normal top-level window
// (no dialog owner, no dock, menu or tool window), shown or minimised.
bool x11_window_is_shareable(XWindowId window);
// Whether the window (or the client inside a frame) belongs to this process (_NET_WM_PID).
bool x11_window_is_own(XWindowId window);
// The biggest _NET_WM_ICON picture not larger than size_px (else the
// smallest), as 0xAARRGGBB words; false when the window has none.
bool x11_window_icon(XWindowId window, int size_px, int& width_px, int& height_px, std::vector<uint32_t>& argb);

// _NET_ACTIVE_WINDOW; without a window manager, the top-level window that
// holds the input focus. 0 when none.
XWindowId x11_active_window();
// True when window is the active one, or the frame or client of it.
bool x11_window_is_active(XWindowId window);
// Raises and activates (through the window manager when there is one).
void x11_activate_window(XWindowId window);
// A minimised window is shown again; a maximised one stays maximised.
void x11_restore_window(XWindowId window);
bool x11_window_is_minimised(XWindowId window);

bool x11_screen_size(int& width_px, int& height_px);
bool x11_cursor_position(int& x, int& y);

// The cursor's picture and hot spot (XFixes); false without XFixes.
struct CursorImage {
    int x = 0;  // pointer position
    int y = 0;
    int width = 0;
    int height = 0;
    int hot_x = 0;
    int hot_y = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB, rows top-down
};
bool x11_cursor_image(CursorImage& out);

bool x11_has_damage();
bool x11_has_shared_memory();

} // namespace platform
