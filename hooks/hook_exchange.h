#pragma once
// The small files through which the program tells the hook procedures
// where to send their notices: text, one decimal number a line, in a folder
// of this user's only ("$XDG_RUNTIME_DIR/kelo/", mode 0700). The atom that
// says the per-window file is new is a file there too.

#include <initializer_list>
#include <string>

inline constexpr const char* hook_paint_file_name = "hook_paint.tmp";
inline constexpr const char* hook_paint_global_file_name = "hook_paint_global.tmp";
inline constexpr const char* hook_mouse_file_name = "wnd.tmp";
inline constexpr const char* hook_notify_atom_name = "kelo_notify_paint";
inline constexpr int hook_line_limit = 127;

// "<runtime folder>kelo/"; in the shared temporary folder "kelo-<uid>/".
std::string hook_exchange_folder();
// Creates it with mode 0700; false when it cannot, or when it exists but
// is not this user's own folder (never write where another user could read).
bool make_hook_exchange_folder();
std::string hook_exchange_path(const char* name);

// Reads the first count lines, at most 127 characters each, each a whole
// decimal number. 0, or -1 when the file is missing, short or holds
// anything else (out is then left as it was).
int read_exchange_numbers(const std::string& path, int count, long* out);
// Writes "%ld\n" for each value under a temporary name and renames it, so a
// reader never sees half a file. 0 or -1.
int write_exchange_numbers(const std::string& path, std::initializer_list<long> values);

// The atom: added after the per-window file is written, deleted by the
// procedure that re-read the file.
bool hook_atom_exists();
int hook_atom_add();
int hook_atom_delete();
