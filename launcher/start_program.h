#pragma once
// What a click on a meeting link does once the link is taken: find tamblo,
// ask for the name to show, and start tamblo with the meeting as its one
// argument; without tamblo, offer its package instead. The windows it needs
// are handed in, so the road itself runs without them.

#include "launcher/quillet_ctrl.h"

#include <functional>
#include <optional>
#include <string>

inline constexpr size_t exe_path_limit = 511;
inline constexpr size_t launcher_name_read_limit = 127;

struct LauncherActions {
    // The name dialog: false when the user cancels; else the name is in ctrl.
    std::function<bool(CquilletCtrl& ctrl)> ask_name;
    // Starts program with argument, detached, never through a shell.
    std::function<bool(const std::string& program, const std::string& argument)> start_detached;
    // Downloads, checks and opens the package: 0 when done or cancelled, -1 when it failed.
    std::function<int()> download_and_install;
};

// Where tamblo is: "exe_path" of "tamblo" in the user's settings (which tamblo
// writes at each start); without it the tamblo in launcher_folder, else on
// PATH. "" when the one found is no executable regular file; a store that
// cannot be read is said in a message box and taken as no exe_path.
std::string find_tamblo_program(const std::string& launcher_folder);

// 0 when tamblo was started, the user cancelled or declined the offer; -1
// when it failed (said in a message box). The link's server is the web host
// the offer names unless the settings name another.
int start_program(CquilletCtrl& ctrl, const std::string& launcher_folder, const LauncherActions& actions);

// The refusal of a name the user typed (English source text), or nothing.
std::optional<std::string> launcher_name_refusal(const std::string& name);
// Reads at most 127 bytes of typed, and hands them to ctrl; a refused name
// is said in a message box and false returned.
bool take_launcher_name(const std::string& typed, CquilletCtrl& ctrl);

// "Your tamblo software is not installed\n ..." with the package's address.
std::string not_installed_text();
