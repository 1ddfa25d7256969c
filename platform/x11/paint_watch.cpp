#include "platform/x11/paint_watch.h"

#include "platform/x11/x11_internal.h"

#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform {

struct PaintWatch::Impl {
    Display* display = nullptr;
    Window window = 0;
    bool is_root = false;
    bool menus = false;
    bool own = false;
    bool gone = false;
    Damage damage = 0;
    int damage_event = 0;
    PaintFn paint_fn;
    MenuFn menu_fn;
    int wake[2] = { -1, -1 };
    std::atomic<bool> stop { false };
    std::thread thread;

    ~Impl()
    {
        if (thread.joinable()) {
            stop = true;
            char c = 1;
            [[maybe_unused]] ssize_t n = ::write(wake[1], &c, 1);
            thread.join();
        }
        if (display) {
            if (damage) {
                x11::ErrorTrap trap(display);
                XDamageDestroy(display, damage);
            }
            XCloseDisplay(display);
        }
        for (int fd : wake)
            if (fd >= 0)
                ::close(fd);
    }

    bool open(std::string& why)
    {
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name) {
            why = "no DISPLAY";
            return false;
        }
        XInitThreads();
        display = XOpenDisplay(name);
        if (!display) {
            why = "cannot open the display";
            return false;
        }
        // A library's copy passes on what it does not trap.
        x11::install_error_handler(true);
        if (::pipe2(wake, O_CLOEXEC) != 0) {
            why = "no pipe";
            return false;
        }
        return true;
    }

    void report_damage()
    {
        XserverRegion region = XFixesCreateRegion(display, nullptr, 0);
        XDamageSubtract(display, damage, None, region);
        if (is_root) {
            std::vector<ScreenRect> own_rects = x11::own_window_rects(display);
            if (!own_rects.empty()) {
                std::vector<XRectangle> cut;
                for (const ScreenRect& r : own_rects)
                    cut.push_back({ static_cast<short>(r.left), static_cast<short>(r.top), static_cast<unsigned short>(r.width),
                                    static_cast<unsigned short>(r.height) });
                XserverRegion own_region = XFixesCreateRegion(display, cut.data(), static_cast<int>(cut.size()));
                XFixesSubtractRegion(display, region, region, own_region);
                XFixesDestroyRegion(display, own_region);
            }
        }
        int count = 0;
        XRectangle bounds {};
        XRectangle* rects = XFixesFetchRegionAndBounds(display, region, &count, &bounds);
        XFixesDestroyRegion(display, region);
        ScreenRect origin;
        bool placed = is_root || x11::window_rect(display, window, origin);
        if (placed && count > 0) {
            auto send = [&](const XRectangle& r) {
                paint_fn({ window, { r.x, r.y, r.width, r.height }, origin.left, origin.top, own });
            };
            if (count > rect_limit)
                send(bounds);
            else
                for (int i = 0; i < count; ++i)
                    send(rects[i]);
        }
        if (rects)
            XFree(rects);
    }

    void handle_map(const XMapEvent& map)
    {
        if (!map.override_redirect)
            return;
        ScreenRect rect;
        if (!x11::window_rect(display, map.window, rect))
            return;
        if (x11::window_pid(display, map.window) == static_cast<int>(::getpid()))
            return;
        if (!is_root) {
            ScreenRect frame;
            if (!x11::window_frame_rect(display, window, frame) || !frame.intersects(rect))
                return;
        }
        menu_fn({ map.window, rect });
    }

    void run()
    {
        using clock = std::chrono::steady_clock;
        bool damage_pending = false;
        clock::time_point last_report = clock::now() - std::chrono::milliseconds(paint_batch_ms);
        while (!stop) {
            int timeout_ms = -1;
            if (damage_pending) {
                auto due = last_report + std::chrono::milliseconds(paint_batch_ms);
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - clock::now()).count();
                timeout_ms = left > 0 ? static_cast<int>(left) : 0;
            }
            if (!XPending(display)) {
                pollfd fds[2] = { { ConnectionNumber(display), POLLIN, 0 }, { wake[0], POLLIN, 0 } };
                int n = ::poll(fds, 2, timeout_ms);
                if (n < 0 && errno != EINTR)
                    return;
                if (fds[1].revents)
                    return;
                if (fds[0].revents & (POLLERR | POLLHUP))
                    return;
            }
            while (XPending(display)) {
                XEvent event {};
                XNextEvent(display, &event);
                if (!menus && event.type == damage_event + XDamageNotify)
                    damage_pending = !gone;
                else if (event.type == DestroyNotify && event.xdestroywindow.window == window)
                    gone = true;
                else if (menus && event.type == MapNotify)
                    handle_map(event.xmap);
            }
            if (damage_pending && clock::now() - last_report >= std::chrono::milliseconds(paint_batch_ms)) {
                x11::ErrorTrap trap(display);
                report_damage();
                damage_pending = false;
                last_report = clock::now();
            }
        }
    }
};

PaintWatch::PaintWatch(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PaintWatch::~PaintWatch() = default;

std::unique_ptr<PaintWatch> PaintWatch::watch_paints(XWindowId window, PaintFn fn, std::string& why)
{
    auto impl = std::make_unique<Impl>();
    if (!impl->open(why))
        return nullptr;
    Display* display = impl->display;
    int error_base = 0;
    if (!XDamageQueryExtension(display, &impl->damage_event, &error_base)) {
        why = "the display has no DAMAGE extension";
        return nullptr;
    }
    int fixes_event = 0;
    if (!XFixesQueryExtension(display, &fixes_event, &error_base)) {
        why = "the display has no XFIXES extension";
        return nullptr;
    }
    Window root = DefaultRootWindow(display);
    impl->window = window ? window : root;
    impl->is_root = impl->window == root;
    impl->paint_fn = std::move(fn);
    {
        x11::ErrorTrap trap(display);
        if (!impl->is_root)
            XSelectInput(display, impl->window, StructureNotifyMask);
        impl->damage = XDamageCreate(display, impl->window, XDamageReportNonEmpty);
        if (trap.failed()) {
            impl->damage = 0;
            why = "no such window";
            return nullptr;
        }
    }
    if (!impl->is_root) {
        const int me = static_cast<int>(::getpid());
        Window outer = x11::root_child_of(display, impl->window);
        impl->own = x11::window_pid(display, impl->window) == me || (outer && x11::window_pid(display, x11::client_of(display, outer)) == me);
    }
    Impl* raw = impl.get();
    impl->thread = std::thread([raw] { raw->run(); });
    return std::unique_ptr<PaintWatch>(new PaintWatch(std::move(impl)));
}

std::unique_ptr<PaintWatch> PaintWatch::watch_menus(XWindowId window, MenuFn fn, std::string& why)
{
    auto impl = std::make_unique<Impl>();
    if (!impl->open(why))
        return nullptr;
    Display* display = impl->display;
    Window root = DefaultRootWindow(display);
    impl->window = window ? window : root;
    impl->is_root = impl->window == root;
    impl->menus = true;
    impl->menu_fn = std::move(fn);
    {
        x11::ErrorTrap trap(display);
        XSelectInput(display, root, SubstructureNotifyMask);
        if (!impl->is_root)
            XSelectInput(display, impl->window, StructureNotifyMask);
        if (trap.failed()) {
            why = "no such window";
            return nullptr;
        }
    }
    Impl* raw = impl.get();
    impl->thread = std::thread([raw] { raw->run(); });
    return std::unique_ptr<PaintWatch>(new PaintWatch(std::move(impl)));
}

} // namespace platform
