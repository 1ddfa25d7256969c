#pragma once
// The program's update: the shared download state the update dialog reads,
// the download thread, and opening the checked package for installation.

#include "dialogs/update_download.h"

#include <string>

// Total, received and the cancel flag of the one update download.
extern UpdateProgress g_update_progress;

// The web host of the settings, the user folder's "install/", and the
// update keyring: TAMBLO_UPDATE_KEYRING from the environment, else the one
// chosen when the program was built.
UpdateTarget update_target();
std::string update_keyring_path();

// Downloads and checks the package into update_target() with g_update_progress.
void g_update_thread();

// Hands the checked package to the desktop's package installer (xdg-open, on
// a thread of its own: the installer asks for the password and may stay
// open); when that fails, tells how to install it by hand.
void open_update_package(const std::string& path);
// The same on the calling thread, for a caller that ends once it is opened:
// 0 when xdg-open took it, else -1 after the hand-made way was shown.
int open_update_package_now(const std::string& path);
// The hand-made way: "sudo apt install '<path>'".
std::string update_install_command(const std::string& path);
