#include "platform/sys/process.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

int run_program(const std::vector<std::string>& argv)
{
    if (argv.empty() || argv[0].empty())
        return -1;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int started = ::posix_spawnp(&pid, argv[0].c_str(), nullptr, nullptr, args.data(), environ);
    if (started == ENOENT)
        return program_not_found;
    if (started != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int run_program_output(const std::vector<std::string>& argv, std::string& output, bool with_errors, size_t limit)
{
    output.clear();
    if (argv.empty() || argv[0].empty())
        return -1;
    int pipe_fds[2] = { -1, -1 };
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0)
        return -1;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    if (with_errors)
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    pid_t pid = 0;
    int started = ::posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    if (started != 0) {
        ::close(pipe_fds[0]);
        return started == ENOENT ? program_not_found : -1;
    }
    char piece[4096];
    while (true) {
        ssize_t n = ::read(pipe_fds[0], piece, sizeof piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        // Read to the end whatever is kept, so the program never blocks on a full pipe.
        if (output.size() < limit)
            output.append(piece, std::min(static_cast<size_t>(n), limit - output.size()));
    }
    ::close(pipe_fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string find_program(const std::string& name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return is_executable_file(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        // An empty entry is the current folder.
        std::string folder = end > start ? folders.substr(start, end - start) : std::string(".");
        if (std::string candidate = folder + "/" + name; is_executable_file(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

bool program_in_path(const std::string& name) { return !find_program(name).empty(); }

bool is_executable_file(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace platform
