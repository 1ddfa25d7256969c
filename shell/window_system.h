#pragma once
// Before the toolkit starts: the program's windows need an X display (Qt's
// platform here is X11) unless another platform is named. Without one, Qt
// only says "Reinstalling the application may fix this problem", which sends
// a newcomer the wrong way.

#include <string>
#include <vector>

// The text to print instead of starting, or "" when the windows can open.
// args are the program's arguments (Qt's "-platform NAME" among them);
// program names the one that says it.
std::string window_system_problem(const std::vector<std::string>& args, const std::string& program = "tamblo");
