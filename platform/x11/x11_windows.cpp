#include "platform/x11/x11_internal.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace platform::x11 {
namespace {

constexpr long property_item_limit = 1 << 22;  // icons of a few hundred pixels square at most

// The whole of a property, as Xlib hands it (32-bit items come as longs).
struct Property {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;
    ~Property()
    {
        if (data)
            XFree(data);
    }
};

bool read_property(Display* display, Window window, Atom name, Atom type, Property& out)
{
    if (!display || !window || name == None)
        return false;
    ErrorTrap trap(display);
    unsigned long after = 0;
    int status = XGetWindowProperty(display, window, name, 0, property_item_limit, False, type, &out.type, &out.format,
                                    &out.count, &after, &out.data);
    if (trap.failed() || status != Success || !out.data || out.type == None)
        return false;
    return true;
}

bool wm_present(Display* display)
{
    Window root = DefaultRootWindow(display);
    std::vector<unsigned long> check = long_property(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.empty() || !check[0])
        return false;
    std::vector<unsigned long> again = long_property(display, check[0], "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    return !again.empty() && again[0] == check[0];
}

bool has_atom(const std::vector<unsigned long>& list, Atom a)
{
    return std::find(list.begin(), list.end(), a) != list.end();
}

bool attributes(Display* display, Window window, XWindowAttributes& attrs)
{
    if (!display || !window)
        return false;
    ErrorTrap trap(display);
    Status status = XGetWindowAttributes(display, window, &attrs);
    return !trap.failed() && status;
}

// ICCCM WM_STATE: 1 normal, 3 iconic; -1 when the window has none.
int wm_state(Display* display, Window window)
{
    Atom name = atom(display, "WM_STATE");
    Property p;
    if (!read_property(display, window, name, name, p) || p.format != 32 || p.count < 1)
        return -1;
    return static_cast<int>(reinterpret_cast<long*>(p.data)[0]);
}

void send_client_message(Display* display, Window window, const char* type, long d0, long d1, long d2)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(display, type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = d0;
    event.xclient.data.l[1] = d1;
    event.xclient.data.l[2] = d2;
    ErrorTrap trap(display);
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace

Atom atom(Display* display, const char* name) { return display ? XInternAtom(display, name, False) : None; }

std::vector<unsigned long> long_property(Display* display, Window window, const char* name, Atom type)
{
    Property p;
    if (!read_property(display, window, atom(display, name), type, p) || p.format != 32)
        return {};
    const long* items = reinterpret_cast<const long*>(p.data);
    std::vector<unsigned long> out(p.count);
    for (unsigned long i = 0; i < p.count; ++i)
        out[i] = static_cast<unsigned long>(items[i]);
    return out;
}

std::vector<Window> top_level_windows(Display* display)
{
    if (!display)
        return {};
    Window root = DefaultRootWindow(display);
    if (wm_present(display)) {
        std::vector<unsigned long> list = long_property(display, root, "_NET_CLIENT_LIST", XA_WINDOW);
        return std::vector<Window>(list.begin(), list.end());
    }
    std::vector<Window> out;
    Window root_back = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    {
        ErrorTrap trap(display);
        if (!XQueryTree(display, root, &root_back, &parent, &children, &count) || trap.failed())
            return {};
    }
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attrs {};
        if (attributes(display, children[i], attrs) && attrs.map_state == IsViewable && !attrs.override_redirect
            && attrs.c_class == InputOutput)
            out.push_back(children[i]);
    }
    if (children)
        XFree(children);
    return out;
}

std::string window_title(Display* display, Window window)
{
    Property p;
    if (read_property(display, window, atom(display, "_NET_WM_NAME"), atom(display, "UTF8_STRING"), p) && p.format == 8)
        return std::string(reinterpret_cast<const char*>(p.data), p.count);
    Property plain;
    if (read_property(display, window, XA_WM_NAME, AnyPropertyType, plain) && plain.format == 8)
        return std::string(reinterpret_cast<const char*>(plain.data), plain.count);
    return {};
}

bool window_rect(Display* display, Window window, ScreenRect& out)
{
    XWindowAttributes attrs {};
    if (!attributes(display, window, attrs))
        return false;
    int x = 0, y = 0;
    Window child = 0;
    ErrorTrap trap(display);
    if (!XTranslateCoordinates(display, window, attrs.root, 0, 0, &x, &y, &child) || trap.failed())
        return false;
    out = { x, y, attrs.width, attrs.height };
    return true;
}

bool frame_extents(Display* display, Window window, FrameExtents& out)
{
    out = {};
    std::vector<unsigned long> e = long_property(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    if (e.size() < 4)
        return false;
    out = { static_cast<int>(e[0]), static_cast<int>(e[1]), static_cast<int>(e[2]), static_cast<int>(e[3]) };
    return true;
}

bool window_frame_rect(Display* display, Window window, ScreenRect& out)
{
    if (!window_rect(display, window, out))
        return false;
    FrameExtents e;
    if (frame_extents(display, window, e)) {
        out = { out.left - e.left, out.top - e.top, out.width + e.left + e.right, out.height + e.top + e.bottom };
        return true;
    }
    // A window manager that reparents without saying its extents: its frame is the root child.
    Window outer = root_child_of(display, window);
    if (outer && outer != window)
        return window_rect(display, outer, out);
    return true;
}

Window root_child_of(Display* display, Window window)
{
    if (!display || !window)
        return 0;
    Window root = DefaultRootWindow(display);
    Window current = window;
    for (int depth = 0; depth < 64 && current && current != root; ++depth) {
        Window root_back = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        ErrorTrap trap(display);
        Status ok = XQueryTree(display, current, &root_back, &parent, &children, &count);
        if (children)
            XFree(children);
        if (!ok || trap.failed())
            return 0;
        if (parent == root)
            return current;
        current = parent;
    }
    return 0;
}

Window client_of(Display* display, Window root_child)
{
    if (wm_state(display, root_child) >= 0)
        return root_child;
    // Breadth-first, a few levels: window managers nest the client one or two deep.
    std::vector<Window> level { root_child };
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window w : level) {
            Window root_back = 0, parent = 0;
            Window* children = nullptr;
            unsigned count = 0;
            ErrorTrap trap(display);
            Status ok = XQueryTree(display, w, &root_back, &parent, &children, &count);
            bool bad = trap.failed();
            for (unsigned i = 0; ok && !bad && i < count; ++i) {
                if (wm_state(display, children[i]) >= 0) {
                    Window found = children[i];
                    XFree(children);
                    return found;
                }
                next.push_back(children[i]);
            }
            if (children)
                XFree(children);
        }
        level = std::move(next);
    }
    return root_child;
}

int window_pid(Display* display, Window window)
{
    std::vector<unsigned long> pid = long_property(display, window, "_NET_WM_PID", XA_CARDINAL);
    return pid.empty() ? 0 : static_cast<int>(pid[0]);
}

std::vector<ScreenRect> own_window_rects(Display* display)
{
    std::vector<ScreenRect> out;
    if (!display)
        return out;
    Window root = DefaultRootWindow(display);
    Window root_back = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    {
        ErrorTrap trap(display);
        if (!XQueryTree(display, root, &root_back, &parent, &children, &count) || trap.failed())
            return out;
    }
    const int me = static_cast<int>(::getpid());
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attrs {};
        if (!attributes(display, children[i], attrs) || attrs.map_state != IsViewable)
            continue;
        int pid = window_pid(display, children[i]);
        if (pid == 0 && !attrs.override_redirect)
            pid = window_pid(display, client_of(display, children[i]));
        if (pid == me)
            out.push_back({ attrs.x, attrs.y, attrs.width + 2 * attrs.border_width, attrs.height + 2 * attrs.border_width });
    }
    if (children)
        XFree(children);
    return out;
}

} // namespace platform::x11

namespace platform {

using namespace platform::x11;

std::vector<XWindowId> x11_top_level_windows()
{
    LockedDisplay d = lock_process_display();
    std::vector<Window> list = top_level_windows(d.display);
    return std::vector<XWindowId>(list.begin(), list.end());
}

std::string x11_window_title(XWindowId window)
{
    LockedDisplay d = lock_process_display();
    return window_title(d.display, window);
}

bool x11_window_exists(XWindowId window)
{
    LockedDisplay d = lock_process_display();
    XWindowAttributes attrs {};
    return d.display && window && [&] {
        ErrorTrap trap(d.display);
        Status ok = XGetWindowAttributes(d.display, window, &attrs);
        return !trap.failed() && ok;
    }();
}

bool x11_window_rect(XWindowId window, ScreenRect& out)
{
    LockedDisplay d = lock_process_display();
    return window_rect(d.display, window, out);
}

bool x11_frame_extents(XWindowId window, FrameExtents& out)
{
    LockedDisplay d = lock_process_display();
    return frame_extents(d.display, window, out);
}

bool x11_window_frame_rect(XWindowId window, ScreenRect& out)
{
    LockedDisplay d = lock_process_display();
    return window_frame_rect(d.display, window, out);
}

bool x11_window_is_shareable(XWindowId window)
{
    LockedDisplay d = lock_process_display();
    Display* display = d.display;
    XWindowAttributes attrs {};
    if (!display || !window)
        return false;
    {
        ErrorTrap trap(display);
        if (!XGetWindowAttributes(display, window, &attrs) || trap.failed())
            return false;
    }
    if (attrs.override_redirect || attrs.c_class != InputOutput)
        return false;
    Window root = DefaultRootWindow(display);
    std::vector<unsigned long> owner = long_property(display, window, "WM_TRANSIENT_FOR", XA_WINDOW);
    if (!owner.empty() && owner[0] != 0 && owner[0] != root)
        return false;
    std::vector<unsigned long> types = long_property(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM);
    if (!types.empty() && !has_atom(types, atom(display, "_NET_WM_WINDOW_TYPE_NORMAL"))
        && !has_atom(types, atom(display, "_NET_WM_WINDOW_TYPE_DIALOG")))
        return false;
    if (attrs.map_state == IsViewable)
        return true;
    // Minimised windows are unmapped but still the user's windows.
    std::vector<unsigned long> state = long_property(display, window, "_NET_WM_STATE", XA_ATOM);
    return wm_state(display, window) == IconicState || has_atom(state, atom(display, "_NET_WM_STATE_HIDDEN"));
}

bool x11_window_is_own(XWindowId window)
{
    LockedDisplay d = lock_process_display();
    if (!d.display || !window)
        return false;
    const int me = static_cast<int>(::getpid());
    return window_pid(d.display, window) == me || window_pid(d.display, client_of(d.display, window)) == me;
}

bool x11_window_icon(XWindowId window, int size_px, int& width_px, int& height_px, std::vector<uint32_t>& argb)
{
    LockedDisplay d = lock_process_display();
    std::vector<unsigned long> icon = long_property(d.display, window, "_NET_WM_ICON", XA_CARDINAL);
    // [w, h, w*h pixels] repeated; pick the best fit.
    size_t best = SIZE_MAX;
    int best_w = 0, best_h = 0;
    for (size_t at = 0; at + 2 <= icon.size();) {
        unsigned long w = icon[at], h = icon[at + 1];
        if (w == 0 || h == 0 || w > 4096 || h > 4096 || w * h > icon.size() - at - 2)
            break;
        int wi = static_cast<int>(w), hi = static_cast<int>(h);
        bool fits = wi <= size_px && hi <= size_px;
        bool best_fits = best != SIZE_MAX && best_w <= size_px && best_h <= size_px;
        if (best == SIZE_MAX || (fits && (!best_fits || wi > best_w)) || (!fits && !best_fits && wi < best_w)) {
            best = at;
            best_w = wi;
            best_h = hi;
        }
        at += 2 + w * h;
    }
    if (best == SIZE_MAX)
        return false;
    width_px = best_w;
    height_px = best_h;
    argb.resize(static_cast<size_t>(best_w) * static_cast<size_t>(best_h));
    for (size_t i = 0; i < argb.size(); ++i)
        argb[i] = static_cast<uint32_t>(icon[best + 2 + i]);
    return true;
}

XWindowId x11_active_window()
{
    LockedDisplay d = lock_process_display();
    Display* display = d.display;
    if (!display)
        return 0;
    if (wm_present(display)) {
        std::vector<unsigned long> active = long_property(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return active.empty() ? 0 : active[0];
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot)
        return 0;
    return root_child_of(display, focus);
}

bool x11_window_is_active(XWindowId window)
{
    XWindowId active = x11_active_window();
    if (!active || !window)
        return false;
    if (active == window)
        return true;
    LockedDisplay d = lock_process_display();
    Window a = root_child_of(d.display, active);
    return a && a == root_child_of(d.display, window);
}

void x11_activate_window(XWindowId window)
{
    LockedDisplay d = lock_process_display();
    Display* display = d.display;
    if (!display || !window)
        return;
    if (wm_present(display)) {
        // Source 2: a pager asks, which window managers honour without focus-stealing rules.
        send_client_message(display, window, "_NET_ACTIVE_WINDOW", 2, CurrentTime, 0);
    } else {
        ErrorTrap trap(display);
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    XFlush(display);
}

bool x11_window_is_minimised(XWindowId window)
{
    LockedDisplay d = lock_process_display();
    if (!d.display || !window)
        return false;
    std::vector<unsigned long> state = long_property(d.display, window, "_NET_WM_STATE", XA_ATOM);
    return wm_state(d.display, window) == IconicState || has_atom(state, atom(d.display, "_NET_WM_STATE_HIDDEN"));
}

void x11_restore_window(XWindowId window)
{
    if (!x11_window_is_minimised(window))
        return;
    LockedDisplay d = lock_process_display();
    if (!d.display)
        return;
    // ICCCM: mapping an iconic window makes it normal again; its maximised state is the window manager's and stays.
    ErrorTrap trap(d.display);
    XMapRaised(d.display, window);
    XFlush(d.display);
}

bool x11_screen_size(int& width_px, int& height_px)
{
    LockedDisplay d = lock_process_display();
    if (!d.display)
        return false;
    XWindowAttributes attrs {};
    if (!attributes(d.display, DefaultRootWindow(d.display), attrs))
        return false;
    width_px = attrs.width;
    height_px = attrs.height;
    return true;
}

bool x11_cursor_position(int& x, int& y)
{
    LockedDisplay d = lock_process_display();
    if (!d.display)
        return false;
    Window root_back = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned mask = 0;
    return XQueryPointer(d.display, DefaultRootWindow(d.display), &root_back, &child, &x, &y, &wx, &wy, &mask);
}

bool x11_cursor_image(CursorImage& out)
{
    LockedDisplay d = lock_process_display();
    int event_base = 0, error_base = 0;
    if (!d.display || !XFixesQueryExtension(d.display, &event_base, &error_base))
        return false;
    ErrorTrap trap(d.display);
    XFixesCursorImage* image = XFixesGetCursorImage(d.display);
    if (!image)
        return false;
    out.x = image->x;
    out.y = image->y;
    out.width = image->width;
    out.height = image->height;
    out.hot_x = image->xhot;
    out.hot_y = image->yhot;
    out.argb.resize(static_cast<size_t>(image->width) * image->height);
    for (size_t i = 0; i < out.argb.size(); ++i)
        out.argb[i] = static_cast<uint32_t>(image->pixels[i]);
    XFree(image);
    return !trap.failed();
}

bool x11_has_damage()
{
    LockedDisplay d = lock_process_display();
    int event_base = 0, error_base = 0;
    return d.display && XDamageQueryExtension(d.display, &event_base, &error_base);
}

bool x11_has_shared_memory()
{
    LockedDisplay d = lock_process_display();
    return d.display && XShmQueryExtension(d.display);
}

} // namespace platform
