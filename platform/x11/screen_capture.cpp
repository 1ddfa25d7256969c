#include "platform/x11/screen_capture.h"

#include "platform/x11/x11_internal.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
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
// Counts the connections opened, so a grab knows its segment belongs to an older one.
unsigned g_display_generation = 0;

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
    if (g_display) {
        x11::install_error_handler(false);
        ++g_display_generation;
    }
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
            x11::ErrorTrap trap(display);
            if (XShmAttach(display, &segment)) {
                if (!trap.failed() && XShmGetImage(display, window, image, x, y, AllPlanes) && !trap.failed()) {
                    copy_image(image, out);
                    ok = true;
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
    x11::ErrorTrap trap(display);
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
    bool ok = !trap.failed();
    if (!image)
        return false;
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

XWindowId x11_top_level_window_at(int x, int y)
{
    std::lock_guard lock(g_display_lock);
    Display* display = display_locked();
    if (!display)
        return 0;
    const Window root = DefaultRootWindow(display);
    Window child = 0;
    int wx = 0;
    int wy = 0;
    x11::ErrorTrap trap(display);
    if (!XTranslateCoordinates(display, root, root, x, y, &wx, &wy, &child) || !child)
        return 0;
    // Under a window manager the child of the root is its frame; the
    // program's window is the client inside it.
    const Window client = x11::client_of(display, child);
    if (trap.failed())
        return 0;
    return client;
}

bool x11_window_size(XWindowId window, int& width_px, int& height_px)
{
    std::lock_guard lock(g_display_lock);
    Display* display = display_locked();
    if (!display || !window)
        return false;
    XWindowAttributes attrs {};
    x11::ErrorTrap trap(display);
    Status status = XGetWindowAttributes(display, window, &attrs);
    if (trap.failed() || !status)
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
    Status status = 0;
    {
        x11::ErrorTrap trap(display);
        status = XGetWindowAttributes(display, window, &attrs);
        if (trap.failed())
            return false;
    }
    if (!status || x + width_px > attrs.width || y + height_px > attrs.height)
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

ScreenGrab::ScreenGrab() = default;

ScreenGrab::~ScreenGrab() { release(); }

void ScreenGrab::release()
{
    if (!segment_attached_)
        return;
    std::lock_guard lock(g_display_lock);
    // A connection closed meanwhile took its attachment with it.
    if (g_display && segment_generation_ == g_display_generation) {
        XShmSegmentInfo segment {};
        segment.shmseg = shm_seg_;
        XShmDetach(g_display, &segment);
        XSync(g_display, False);
    }
    shmdt(shm_addr_);
    shm_addr_ = nullptr;
    shm_capacity_ = 0;
    segment_attached_ = false;
}

bool ScreenGrab::ensure_segment(Display* display, size_t bytes)
{
    if (segment_attached_ && segment_generation_ == g_display_generation && bytes <= shm_capacity_)
        return true;
    if (segment_attached_) {
        if (segment_generation_ == g_display_generation) {
            XShmSegmentInfo segment {};
            segment.shmseg = shm_seg_;
            XShmDetach(display, &segment);
            XSync(display, False);
        }
        shmdt(shm_addr_);
        segment_attached_ = false;
        shm_addr_ = nullptr;
        shm_capacity_ = 0;
    }
    int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void* addr = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (addr == reinterpret_cast<void*>(-1))
        return false;
    XShmSegmentInfo segment {};
    segment.shmid = id;
    segment.shmaddr = static_cast<char*>(addr);
    segment.readOnly = False;
    x11::ErrorTrap trap(display);
    if (!XShmAttach(display, &segment) || trap.failed()) {
        shmdt(addr);
        return false;
    }
    shm_seg_ = segment.shmseg;
    shm_addr_ = addr;
    shm_capacity_ = bytes;
    segment_attached_ = true;
    segment_generation_ = g_display_generation;
    return true;
}

bool ScreenGrab::grab(int x, int y, int width_px, int height_px)
{
    width_ = height_ = 0;
    rows_ = nullptr;
    if (width_px < 1 || height_px < 1)
        return false;
    std::lock_guard lock(g_display_lock);
    Display* display = display_locked();
    if (!display)
        return false;
    Window root = DefaultRootWindow(display);
    XWindowAttributes attrs {};
    {
        x11::ErrorTrap trap(display);
        if (!XGetWindowAttributes(display, root, &attrs) || trap.failed())
            return false;
    }
    if (attrs.visual->c_class != TrueColor && attrs.visual->c_class != DirectColor)
        return false;
    // What lies on the screen; the rest of the rectangle stays black.
    int cx0 = std::max(x, 0), cy0 = std::max(y, 0);
    int cx1 = std::min(x + width_px, attrs.width), cy1 = std::min(y + height_px, attrs.height);
    bool clipped = cx0 != x || cy0 != y || cx1 != x + width_px || cy1 != y + height_px;
    if (cx1 <= cx0 || cy1 <= cy0) {
        buffer_.assign(static_cast<size_t>(width_px) * static_cast<size_t>(height_px), 0);
        finish_in_buffer(width_px, height_px);
        used_shm_ = false;
        return true;
    }
    int cw = cx1 - cx0, ch = cy1 - cy0;
    XImage* image = nullptr;
    XShmSegmentInfo segment {};
    used_shm_ = false;
    if (g_shm_allowed && XShmQueryExtension(display)) {
        image = XShmCreateImage(display, attrs.visual, static_cast<unsigned>(attrs.depth), ZPixmap, nullptr, &segment,
                                static_cast<unsigned>(cw), static_cast<unsigned>(ch));
        if (image && ensure_segment(display, static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(ch))) {
            segment.shmseg = shm_seg_;
            segment.shmaddr = image->data = static_cast<char*>(shm_addr_);
            segment.readOnly = False;
            x11::ErrorTrap trap(display);
            used_shm_ = XShmGetImage(display, root, image, cx0, cy0, AllPlanes) && !trap.failed();
        }
        if (!used_shm_ && image) {
            image->data = nullptr;
            XDestroyImage(image);
            image = nullptr;
        }
    }
    if (!image) {
        x11::ErrorTrap trap(display);
        image = XGetImage(display, root, cx0, cy0, static_cast<unsigned>(cw), static_cast<unsigned>(ch), AllPlanes, ZPixmap);
        if (trap.failed() || !image) {
            if (image)
                XDestroyImage(image);
            return false;
        }
    }
    g_last_used_shm = used_shm_;
    bool plain = image->bits_per_pixel == 32 && image->red_mask == 0xff0000 && image->green_mask == 0xff00
        && image->blue_mask == 0xff && image->byte_order == LSBFirst;
    if (plain && !clipped && used_shm_) {
        // Read straight from the segment: no copy.
        width_ = width_px;
        height_ = height_px;
        stride_px_ = image->bytes_per_line / 4;
        rows_ = reinterpret_cast<const uint32_t*>(shm_addr_);
        image->data = nullptr;
        XDestroyImage(image);
        return true;
    }
    CapturedImage part;
    copy_image(image, part);
    if (used_shm_)
        image->data = nullptr;
    XDestroyImage(image);
    buffer_.assign(static_cast<size_t>(width_px) * static_cast<size_t>(height_px), 0);
    for (int row = 0; row < ch; ++row)
        std::copy_n(part.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(cw), cw,
                    buffer_.data() + static_cast<size_t>(row + cy0 - y) * static_cast<size_t>(width_px) + (cx0 - x));
    finish_in_buffer(width_px, height_px);
    return true;
}

void ScreenGrab::finish_in_buffer(int width_px, int height_px)
{
    width_ = width_px;
    height_ = height_px;
    stride_px_ = width_px;
    rows_ = buffer_.data();
}

void x11_close_display()
{
    std::lock_guard lock(g_display_lock);
    if (g_display)
        XCloseDisplay(g_display);
    g_display = nullptr;
    g_display_tried = false;
}

} // namespace platform

namespace platform::x11 {

LockedDisplay lock_process_display()
{
    LockedDisplay locked { std::unique_lock(g_display_lock), nullptr };
    locked.display = display_locked();
    return locked;
}

} // namespace platform::x11
