#include "shell/window_system.h"

#include "platform/x11/screen_capture.h"

#include <cstdlib>

namespace {

std::string named_platform(const std::vector<std::string>& args)
{
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-platform" || args[i] == "--platform")
            return args[i + 1];
    const char* env = std::getenv("QT_QPA_PLATFORM");
    return env ? env : "";
}

} // namespace

std::string window_system_problem(const std::vector<std::string>& args, const std::string& program)
{
    std::string platform = named_platform(args);
    if (!platform.empty() && platform.rfind("xcb", 0) != 0)
        return ""; // offscreen, wayland, vnc: Qt reports its own trouble there
    const char* display = std::getenv("DISPLAY");
    bool reachable = display && *display && platform::x11_available();
    platform::x11_close_display();
    if (reachable)
        return "";
    std::string what = display && *display ? program + ": cannot open the X display \"" + std::string(display) + "\".\n"
                                           : program + ": no X display (DISPLAY is not set).\n";
    return what + "Tamblo needs an X session: start it from a desktop session, or without one under a virtual "
                  "display, for example: xvfb-run -a make run\n";
}
