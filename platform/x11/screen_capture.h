#pragma once
// Window and screen capture from the X server: MIT-SHM where the server
// offers it, XGetImage otherwise. One display connection serves the whole
// process; every call is serialised on it.

#include <cstddef>
#include <cstdint>
#include <vector>

struct _XDisplay;

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
// The top-level window of the desktop under a screen point (the program's
// window, not its manager's frame); 0 for none.
XWindowId x11_top_level_window_at(int x, int y);
// Size of a window's own area (its client area); false when it is unknown.
bool x11_window_size(XWindowId window, int& width_px, int& height_px);
// Captures a rectangle of a window (window coordinates). The rectangle must
// lie inside the window; false on any failure.
bool capture_window_area(XWindowId window, int x, int y, int width_px, int height_px, CapturedImage& out);
bool capture_screen_area(int x, int y, int width_px, int height_px, CapturedImage& out);

// One grab of a rectangle of the screen (root coordinates) for a capture
// pass to cut into tiles. The shared-memory segment stays attached between
// grabs that fit it, so a pass costs one request and, in the usual pixel
// format, no copy. Parts of the rectangle off the screen read as black.
class ScreenGrab {
public:
    ScreenGrab();
    ~ScreenGrab();
    ScreenGrab(const ScreenGrab&) = delete;
    ScreenGrab& operator=(const ScreenGrab&) = delete;

    bool grab(int x, int y, int width_px, int height_px);
    int width() const { return width_; }
    int height() const { return height_; }
    // Row y of the last grab: width() words, 0x00RRGGBB in the low 24 bits.
    const uint32_t* row(int y) const { return rows_ + static_cast<size_t>(y) * static_cast<size_t>(stride_px_); }
    bool used_shared_memory() const { return used_shm_; }

private:
    bool ensure_segment(struct _XDisplay* display, size_t bytes);
    void finish_in_buffer(int width_px, int height_px);
    void release();

    int width_ = 0;
    int height_ = 0;
    int stride_px_ = 0;
    const uint32_t* rows_ = nullptr;
    bool used_shm_ = false;
    std::vector<uint32_t> buffer_;
    void* shm_addr_ = nullptr;
    size_t shm_capacity_ = 0;
    unsigned long shm_seg_ = 0;
    bool segment_attached_ = false;
    unsigned segment_generation_ = 0;
};

// Tests force the XGetImage path. Also set when the server lacks MIT-SHM.
void x11_set_shared_memory_allowed(bool allowed);
// True when the last successful capture went through shared memory.
bool x11_last_capture_used_shared_memory();

// Closes the display connection (program exit, tests).
void x11_close_display();

} // namespace platform
