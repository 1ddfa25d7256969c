#pragma once
// Inside platform/x11 and hooks/ only: the Xlib side of the window queries,
// on a display connection the caller names, and the error trap every
// request that may fail goes through.

#include "platform/x11/x11_windows.h"

#include <X11/Xlib.h>

#include <mutex>
#include <string>
#include <vector>

namespace platform::x11 {

// Xlib has one error handler per process. install_error_handler sets ours
// once per copy of this code: the program's copy swallows errors nobody
// traps; a copy inside a loaded library passes them on to the handler it
// found (chain) and puts that back when the library goes.
void install_error_handler(bool chain);
void remove_error_handler();

// Catches the errors of the requests made on display by this thread while
// it lives. failed() syncs first, so every request before it has answered.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    bool failed();
    int error_code() const { return error_code_; }

private:
    friend int trap_error(Display*, XErrorEvent*);
    Display* display_;
    ErrorTrap* outer_;
    int error_code_ = 0;
};

// The process's one connection, held for the caller (null display without one).
struct LockedDisplay {
    std::unique_lock<std::mutex> lock;
    Display* display = nullptr;
};
LockedDisplay lock_process_display();

Atom atom(Display* display, const char* name);
// A window's 32-bit property items (CARDINAL, WINDOW, ATOM); empty when missing.
std::vector<unsigned long> long_property(Display* display, Window window, const char* name, Atom type);

std::vector<Window> top_level_windows(Display* display);
std::string window_title(Display* display, Window window);
bool window_rect(Display* display, Window window, ScreenRect& out);
bool frame_extents(Display* display, Window window, FrameExtents& out);
bool window_frame_rect(Display* display, Window window, ScreenRect& out);
// The root child that holds window (the window manager's frame, or the window itself).
Window root_child_of(Display* display, Window window);
// The client window inside a root child: itself when it has WM_STATE, else
// the first descendant that has it, else itself.
Window client_of(Display* display, Window root_child);
int window_pid(Display* display, Window window);
// The screen rectangles of this process's windows that are mapped at the
// top level (frames included, override-redirect ones too).
std::vector<ScreenRect> own_window_rects(Display* display);

} // namespace platform::x11
