#include "platform/sys/child_program.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

bool same_name(const char* entry, const std::string& assignment)
{
    size_t eq = assignment.find('=');
    return eq != std::string::npos && std::strncmp(entry, assignment.c_str(), eq + 1) == 0;
}

void sleep_a_little() { ::usleep(20 * 1000); }

long long now_ms()
{
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

} // namespace

ChildProgram::~ChildProgram()
{
    // A program left running on purpose was released; one still kept is
    // only reaped when it has ended, never waited for.
    running();
}

bool ChildProgram::start(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra)
{
    if (argv.empty() || argv[0].empty() || running())
        return false;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const std::string& extra : env_extra)
            replaced = replaced || same_name(*e, extra);
        if (!replaced)
            env.push_back(*e);
    }
    for (const std::string& extra : env_extra)
        env.push_back(const_cast<char*>(extra.c_str()));
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    int started = ::posix_spawnp(&pid, argv[0].c_str(), &actions, &attributes, args.data(), env.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return false;
    pid_ = pid;
    return true;
}

bool ChildProgram::running()
{
    if (pid_ <= 0)
        return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0)
        return true;
    if (r < 0 && errno == EINTR)
        return true;
    // Ended (reaped now), or no child of ours any more.
    pid_ = -1;
    return false;
}

bool ChildProgram::wait_ended(int wait_ms)
{
    long long until = now_ms() + wait_ms;
    while (running()) {
        if (now_ms() >= until)
            return false;
        sleep_a_little();
    }
    return true;
}

void ChildProgram::stop(int wait_ms)
{
    if (!running())
        return;
    int group = pid_;
    ::kill(-group, SIGTERM);
    if (wait_ended(wait_ms))
        return;
    ::kill(-group, SIGKILL);
    wait_ended(wait_ms);
}

} // namespace platform
