#pragma once
// Starting another program with an argument list (never through a shell),
// as ShellExecute once started the mail program and the calendar.

#include <string>
#include <vector>

namespace platform {

inline constexpr int program_not_found = -2;

// Runs argv[0] (looked up in PATH) with the arguments and waits for it to
// end: its exit status, program_not_found when there is no such program,
// -1 when it could not be started or did not exit by itself.
int run_program(const std::vector<std::string>& argv);

// True when name is an executable file in one of PATH's folders.
bool program_in_path(const std::string& name);

} // namespace platform
