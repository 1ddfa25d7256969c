#pragma once
// The launcher as this user's handler of tamblo:// links: its desktop entry
// in $XDG_DATA_HOME/applications and the default xdg-mime keeps for the
// scheme. The installed entry (launcher/quillet.desktop) is this text with
// "quillet" for the program.

#include <string>

inline constexpr const char* quillet_desktop_name = "quillet.desktop";
inline constexpr const char* tamblo_scheme_type = "x-scheme-handler/tamblo";

// Exit codes of --register and --unregister, one per step that can fail.
inline constexpr int registration_folder_failed = 2;  // the applications folder
inline constexpr int registration_entry_failed = 3;   // writing or removing the entry
inline constexpr int registration_default_failed = 4; // xdg-mime, or the defaults file

// The entry's text; program as the Exec line's first word, quoted where it needs to be.
std::string quillet_desktop_entry(const std::string& program);
// One word of an Exec line: as it stands when plain, else in double quotes
// with '"', '`', '$' and '\' escaped; '%' doubled; then escaped once more as
// every desktop-entry string value is.
std::string desktop_exec_word(const std::string& word);

// Writes the entry naming quillet_path and makes it the scheme's default.
int register_quillet(const std::string& quillet_path);
// Removes the entry and the scheme's default that names it.
int unregister_quillet();
