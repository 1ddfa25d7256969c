#include "platform/x11/x11_overlay.h"

#include "platform/x11/x11_internal.h"

#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

X11Overlay::~X11Overlay()
{
    if (!window_)
        return;
    x11::LockedDisplay d = x11::lock_process_display();
    if (d.display) {
        x11::ErrorTrap trap(d.display);
        XDestroyWindow(d.display, static_cast<Window>(window_));
        trap.failed();
    }
}

bool X11Overlay::ensure_window(int width, int height)
{
    x11::LockedDisplay d = x11::lock_process_display();
    if (!d.display)
        return false;
    int event_base = 0, error_base = 0;
    if (!XShapeQueryExtension(d.display, &event_base, &error_base))
        return false;
    if (window_ && width == width_ && height == height_)
        return true;
    x11::ErrorTrap trap(d.display);
    if (window_)
        XDestroyWindow(d.display, static_cast<Window>(window_));
    XSetWindowAttributes attributes {};
    attributes.override_redirect = True;
    attributes.background_pixmap = None;
    Window w = XCreateWindow(d.display, DefaultRootWindow(d.display), 0, 0, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWOverrideRedirect | CWBackPixmap, &attributes);
    // No input at all: clicks go to what lies under the picture.
    XShapeCombineRectangles(d.display, w, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XStoreName(d.display, w, "annotation");
    if (trap.failed()) {
        window_ = 0;
        return false;
    }
    window_ = w;
    width_ = width;
    height_ = height;
    mapped_ = false;
    return true;
}

bool X11Overlay::show(const uint32_t* argb, int width, int height, int stride_words)
{
    if (!argb || width <= 0 || height <= 0)
        return false;
    // The shape: one bit a pixel, rows padded to bytes, lowest bit first.
    const int row_bytes = (width + 7) / 8;
    std::vector<char> bits(static_cast<size_t>(row_bytes) * static_cast<size_t>(height), 0);
    bool any = false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (argb[static_cast<size_t>(y) * static_cast<size_t>(stride_words) + static_cast<size_t>(x)] >> 24) {
                bits[static_cast<size_t>(y * row_bytes + x / 8)] |= static_cast<char>(1 << (x % 8));
                any = true;
            }
    if (!any) {
        hide();
        return true;
    }
    if (!ensure_window(width, height))
        return false;
    x11::LockedDisplay d = x11::lock_process_display();
    if (!d.display)
        return false;
    x11::ErrorTrap trap(d.display);
    Window w = static_cast<Window>(window_);
    Pixmap mask = XCreateBitmapFromData(d.display, w, bits.data(), static_cast<unsigned>(width), static_cast<unsigned>(height));
    XShapeCombineMask(d.display, w, ShapeBounding, 0, 0, mask, ShapeSet);
    XFreePixmap(d.display, mask);
    if (!mapped_) {
        XMapRaised(d.display, w);
        mapped_ = true;
    } else {
        XRaiseWindow(d.display, w);
    }
    // The pixels, as the screen's visual takes them (24 bits in 32-bit words here).
    int screen = DefaultScreen(d.display);
    std::vector<uint32_t> copy(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(copy.data() + static_cast<size_t>(y) * static_cast<size_t>(width),
                    argb + static_cast<size_t>(y) * static_cast<size_t>(stride_words), static_cast<size_t>(width) * 4);
    XImage* image = XCreateImage(d.display, DefaultVisual(d.display, screen), static_cast<unsigned>(DefaultDepth(d.display, screen)),
                                 ZPixmap, 0, reinterpret_cast<char*>(copy.data()), static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 32, width * 4);
    if (image) {
        GC gc = XCreateGC(d.display, w, 0, nullptr);
        XPutImage(d.display, w, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XFreeGC(d.display, gc);
        image->data = nullptr;  // the vector owns the pixels
        XDestroyImage(image);
    }
    XFlush(d.display);
    return !trap.failed();
}

void X11Overlay::hide()
{
    if (!window_ || !mapped_)
        return;
    x11::LockedDisplay d = x11::lock_process_display();
    if (!d.display)
        return;
    x11::ErrorTrap trap(d.display);
    XUnmapWindow(d.display, static_cast<Window>(window_));
    XFlush(d.display);
    trap.failed();
    mapped_ = false;
}

} // namespace platform
