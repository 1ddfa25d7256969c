#pragma once
// Folders the program lives in. Every folder text ends with '/'.

#include <string>

namespace platform {

// $XDG_CONFIG_HOME, else $HOME/.config.
std::string config_home();
// $XDG_DATA_HOME, else $HOME/.local/share: stands in for the application-data folder.
std::string data_home();
// The directory of the running executable (/proc/self/exe).
std::string program_folder();
// $XDG_RUNTIME_DIR when it is usable, else the temporary directory.
std::string runtime_folder();

// mkdir -p; existing folders are fine.
bool make_folders(const std::string& path);

} // namespace platform
