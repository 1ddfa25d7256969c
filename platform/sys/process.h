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

// The same with the program's standard output (and, when with_errors, its
// standard error) collected into output, of which at most limit bytes are
// kept; its standard input is empty.
int run_program_output(const std::vector<std::string>& argv, std::string& output, bool with_errors = false,
                       size_t limit = 64 * 1024);

// True when name is an executable file in one of PATH's folders.
bool program_in_path(const std::string& name);
// The path of that file ("" when there is none); a name with a '/' is taken as it stands.
std::string find_program(const std::string& name);
// An existing regular file (a link followed) that this user may run.
bool is_executable_file(const std::string& path);

} // namespace platform
