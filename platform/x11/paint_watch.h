#pragma once
// Watches a window for what other programs paint into it and for menus that
// open over it, on a display connection and a thread of its own, so that a
// loaded library can report them without touching its host's connection.
// Built into the paint-notification library only.

#include "platform/x11/x11_windows.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

struct PaintEvent {
    XWindowId window = 0;
    ScreenRect update;     // the painted part, window coordinates
    int window_left = 0;   // the window's origin in root coordinates
    int window_top = 0;
    bool own = false;      // the window belongs to this process
};

struct MenuEvent {
    XWindowId menu = 0;    // the override-redirect window that was mapped
    ScreenRect rect;       // root coordinates
};

class PaintWatch {
public:
    using PaintFn = std::function<void(const PaintEvent&)>;
    using MenuFn = std::function<void(const MenuEvent&)>;

    // Paints reach fn at most every paint_batch_ms, merged as the server
    // merges damage. On the root window the parts inside this process's own
    // windows are left out. Null, with the reason, when there is no display,
    // no DAMAGE extension or no such window.
    static std::unique_ptr<PaintWatch> watch_paints(XWindowId window, PaintFn fn, std::string& why);
    // Override-redirect windows mapped over window's frame (over anything
    // when window is the root), except this process's own.
    static std::unique_ptr<PaintWatch> watch_menus(XWindowId window, MenuFn fn, std::string& why);

    ~PaintWatch();  // stops the thread and closes the connection
    PaintWatch(const PaintWatch&) = delete;
    PaintWatch& operator=(const PaintWatch&) = delete;

    static constexpr int paint_batch_ms = 20;
    // More rectangles than this in one batch are reported as their bounds.
    static constexpr int rect_limit = 16;

private:
    struct Impl;
    explicit PaintWatch(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
