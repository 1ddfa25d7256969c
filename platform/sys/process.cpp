#include "platform/sys/process.h"

#include <cerrno>
#include <cstdlib>
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

bool program_in_path(const std::string& name)
{
    if (name.empty())
        return false;
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (folder.empty())
            folder = ".";
        if (::access((folder + "/" + name).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace platform
