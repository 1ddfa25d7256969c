#include "platform/x11/x11_internal.h"

#include <atomic>

namespace platform::x11 {
namespace {

thread_local ErrorTrap* t_trap = nullptr;
using Handler = int (*)(Display*, XErrorEvent*);
std::mutex g_handler_lock;
Handler g_previous = nullptr;
bool g_installed = false;
bool g_chain = false;

} // namespace

int trap_error(Display* display, XErrorEvent* event)
{
    for (ErrorTrap* trap = t_trap; trap; trap = trap->outer_) {
        if (trap->display_ == display) {
            trap->error_code_ = event->error_code;
            return 0;
        }
    }
    // Not ours: the handler we found may be trapping it (the program's, when
    // this copy lives in a library). The default one would end the process.
    if (g_chain && g_previous)
        return g_previous(display, event);
    return 0;
}

void install_error_handler(bool chain)
{
    std::lock_guard lock(g_handler_lock);
    if (g_installed)
        return;
    g_chain = chain;
    g_previous = XSetErrorHandler(trap_error);
    g_installed = true;
}

void remove_error_handler()
{
    std::lock_guard lock(g_handler_lock);
    if (!g_installed)
        return;
    Handler current = XSetErrorHandler(g_previous);
    // Someone installed theirs after ours: theirs stays.
    if (current != trap_error)
        XSetErrorHandler(current);
    g_installed = false;
    g_previous = nullptr;
}

ErrorTrap::ErrorTrap(Display* display) : display_(display), outer_(t_trap) { t_trap = this; }

ErrorTrap::~ErrorTrap()
{
    if (display_)
        XSync(display_, False);
    t_trap = outer_;
}

bool ErrorTrap::failed()
{
    if (display_)
        XSync(display_, False);
    return error_code_ != 0;
}

} // namespace platform::x11
