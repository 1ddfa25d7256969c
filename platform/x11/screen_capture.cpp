#include "platform/x11/screen_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <bit>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::mutex g_display_lock;
Display* g_display = nullptr;
bool g_display_tried = false;
std::atomic<bool> g_shm_allowed { true };
std::atomic<bool> g_last_used_shm { false };
// Set by the error handler; read under g_display_lock after XSync.
int g_x_error_code = 0;

int record_x_error(Display*, XErrorEvent* event)
{
    g_x_error_code = event->error_code;
    return 0;
}

Display* display_locked()
{
    if (g_display || g_display_tried)
        return g_display;
    g_display_tried = true;
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return nullptr;
    XInitThreads();
    g_display = XOpenDisplay(name);
    if (g_display)
        XSetErrorHandler(record_x_error);
    return g_display;
}

int mask_shift(unsigned long mask) { return mask ? std::countr_zero(mask) : 0; }

// Converts any TrueColor XImage into 0x00RRGGBB words.
void copy_image(XImage* image, CapturedImage& out)
{
    out.width = image->width;
    out.height = image->height;
    out.pixels.resize(static_cast<size_t>(image->width) * static_cast<size_t>(image->height));
    bool plain = image->bits_per_pixel == 32 && image->red_mask == 0xff0000 && image->green_mask == 0xff00
        && image->blue_mask == 0xff && image->byte_order == LSBFirst;
    const int red_shift = mask_shift(image->red_mask);
    const int green_shift = mask_shift(image->green_mask);
    const int blue_shift = mask_shift(image->blue_mask);
    auto scale = [](unsigned long value, unsigned long mask, int shift) -> uint32_t {
        unsigned long max = mask >> shift;
        return max ? static_cast<uint32_t>((value * 255 + max / 2) / max) : 0;
    };
    for (int y = 0; y < image->height; ++y) {
        uint32_t* row = out.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image->width);
        if (plain) {
            const auto* src = reinterpret_cast<const uint32_t*>(image->data + static_cast<ptrdiff_t>(y) * image->bytes_per_line);
            for (int x = 0; x < image->width; ++x)
                row[x] = src[x] & 0xffffffu;
            continue;
        }
        for (int x = 0; x < image->width; ++x) {
            unsigned long p = XGetPixel(image, x, y);
            uint32_t r = scale((p & image->red_mask) >> red_shift, image->red_mask, red_shift);
            uint32_t g = scale((p & image->green_mask) >> green_shift, image->green_mask, green_shift);
            uint32_t b = scale((p & image->blue_mask) >> blue_shift, image->blue_mask, blue_shift);
            row[x] = (r << 16) | (g << 8) | b;
        }
    }
}

bool capture_with_shm(Display* display, XWindowId window, const XWindowAttributes& attrs, int x, int y, int w, int h,
                      CapturedImage& out)
{
    XShmSegmentInfo segment {};
    XImage* image = XShmCreateImage(display, attrs.visual, static_cast<unsigned>(attrs.depth), ZPixmap, nullptr, &segment,
                                    static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (!image)
        return false;
    bool ok = false;
    segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h), IPC_CREAT | 0600);
    if (segment.shmid >= 0) {
        segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
        // Marked for removal at once, so a crash never leaves the segment behind.
        shmctl(segment.shmid, IPC_RMID, nullptr);
        if (segment.shmaddr != reinterpret_cast<char*>(-1)) {
            segment.readOnly = False;
            g_x_error_code = 0;
            if (XShmAttach(display, &segment)) {
                XSync(display, False);
                if (g_x_error_code == 0 && XShmGetImage(display, window, image, x, y, AllPlanes)) {
                    XSync(display, False);
                    if (g_x_error_code == 0) {
                        copy_image(image, out);
                        ok = true;
                    }
                }
                XShmDetach(display, &segment);
                XSync(display, False);
            }
            shmdt(segment.shmaddr);
        }
    }
    image->data = nullptr;
    XDestroyImage(image);
    return ok;
}

bool capture_with_get_image(Display* display, XWindowId window, int x, int y, int w, int h, CapturedImage& out)
{
    g_x_error_code = 0;
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
    XSync(display, False);
    if (!image)
        return false;
    bool ok = g_x_error_code == 0;
    if (ok)
        copy_image(image, out);
    XDestroyImage(image);
    return ok;
}

} // namespace

bool x11_available()
{
    std::lock_guard lock(g_display_lock);
    return display_locked() != nullptr;
}

XWindowId x11_root_window()
{
    std::lock_guard lock(g_display_lock);
    Display* display = display_locked();
    return display ? DefaultRootWindow(display) : 0;
}

bool x11_window_size(XWindowId window, int& width_px, int& height_px)
{
    std::lock_guard lock(g_display_lock);
    Display* display = display_locked();
    if (!display || !window)
        return false;
    XWindowAttributes attrs {};
    g_x_error_code = 0;
    Status status = XGetWindowAttributes(display, window, &attrs);
    XSync(display, False);
    if (!status || g_x_error_code != 0)
        return false;
    width_px = attrs.width;
    height_px = attrs.height;
    return true;
}

bool capture_window_area(XWindowId window, int x, int y, int width_px, int height_px, CapturedImage& out)
{
    std::lock_guard lock(g_display_lock);
    Display* display = display_locked();
    if (!display || !window || width_px < 1 || height_px < 1 || x < 0 || y < 0)
        return false;
    XWindowAttributes attrs {};
    g_x_error_code = 0;
    Status status = XGetWindowAttributes(display, window, &attrs);
    XSync(display, False);
    if (!status || g_x_error_code != 0 || x + width_px > attrs.width || y + height_px > attrs.height)
        return false;
    if (attrs.visual->c_class != TrueColor && attrs.visual->c_class != DirectColor)
        return false;
    if (g_shm_allowed && XShmQueryExtension(display)) {
        if (capture_with_shm(display, window, attrs, x, y, width_px, height_px, out)) {
            g_last_used_shm = true;
            return true;
        }
    }
    if (!capture_with_get_image(display, window, x, y, width_px, height_px, out))
        return false;
    g_last_used_shm = false;
    return true;
}

bool capture_screen_area(int x, int y, int width_px, int height_px, CapturedImage& out)
{
    return capture_window_area(x11_root_window(), x, y, width_px, height_px, out);
}

void x11_set_shared_memory_allowed(bool allowed) { g_shm_allowed = allowed; }

bool x11_last_capture_used_shared_memory() { return g_last_used_shm; }

void x11_close_display()
{
    std::lock_guard lock(g_display_lock);
    if (g_display)
        XCloseDisplay(g_display);
    g_display = nullptr;
    g_display_tried = false;
}

} // namespace platform
