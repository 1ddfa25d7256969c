#pragma once
// A desktop of the test's own for xdg-open and xdg-email: the generic
// desktop of xdg-utils, no session, no system applications, no browser to fall back on, and recording
// programs made the default for the types a test names. Needs a TempHome
// (its XDG_DATA_HOME and XDG_CONFIG_HOME) and a DISPLAY (xdg-open's generic
// mode asks for one). Every variable it changes comes back afterwards.

#include "tests/support/env_guard.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class PrivateDesktop {
public:
    explicit PrivateDesktop(const std::string& home_root) : root_(home_root)
    {
        env_.set("XDG_DATA_DIRS", root_ + "/system-data");
        // Named, so that xdg-utils do not probe the display (xprop) or the
        // session bus to guess the desktop: a probe can wait forever on a
        // display another X server answers for.
        env_.set("XDG_CURRENT_DESKTOP", "X-Generic");
        for (const char* name : { "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                  "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "LXQT_SESSION_CONFIG",
                                  "DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY" })
            env_.unset(name);
        env_.set("BROWSER", root_ + "/no-browser");
        std::filesystem::create_directories(root_ + "/data/applications");
        std::filesystem::create_directories(root_ + "/config");
    }
    PrivateDesktop(const PrivateDesktop&) = delete;
    PrivateDesktop& operator=(const PrivateDesktop&) = delete;

    // A program that appends each argument it is started with as a line of
    // log, as the default of type; false when xdg-mime did not take it.
    bool install_recording_handler(const std::string& name, const std::string& type, const std::string& log)
    {
        const std::string script = root_ + "/" + name + ".sh";
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << log << "'; done\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        std::ofstream(root_ + "/data/applications/" + name + ".desktop")
            << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << script << " %f\nMimeType=" << type
            << ";\n";
        return std::system(("xdg-mime default '" + name + ".desktop' '" + type + "'").c_str()) == 0;
    }

private:
    std::string root_;
    EnvGuard env_;
};
