#include "tests/support/xvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbServer::XvfbServer(const char* screen, const std::vector<std::string>& extra)
{
    int fds[2] = { -1, -1 };
    if (::pipe(fds) != 0)
        return;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        std::string fd_text = std::to_string(fds[1]);
        std::vector<std::string> args { "Xvfb", "-displayfd", fd_text, "-nolisten", "tcp", "-screen", "0", screen };
        bool shm_named = false;
        for (const std::string& a : extra)
            shm_named = shm_named || a == "MIT-SHM";
        if (!shm_named)
            args.insert(args.end(), { "+extension", "MIT-SHM" });
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp("Xvfb", argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return;
    }
    pid_ = pid;
    std::string number;
    pollfd wait_for { fds[0], POLLIN, 0 };
    while (::poll(&wait_for, 1, 10000) > 0) {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty())
        return;
    display_ = ":" + number;
    const char* old = std::getenv("DISPLAY");
    had_display_ = old != nullptr;
    saved_display_ = old ? old : "";
    ::setenv("DISPLAY", display_.c_str(), 1);
}

XvfbServer::~XvfbServer()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (!display_.empty()) {
        if (had_display_)
            ::setenv("DISPLAY", saved_display_.c_str(), 1);
        else
            ::unsetenv("DISPLAY");
    }
}
