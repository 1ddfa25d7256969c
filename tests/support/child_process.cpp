#include "tests/support/child_process.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

ChildProcess::ChildProcess(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    pid_ = pid;
}

ChildProcess::~ChildProcess() { stop(); }

void ChildProcess::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

bool wait_for_loopback_port(int port, int wait_ms, const char* address)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (std::chrono::steady_clock::now() < until) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, address, &to.sin_addr);
        bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
        if (fd >= 0)
            ::close(fd);
        if (ok)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

extern char** environ;

ProgramRun run_program(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
                       const std::vector<std::string>& env_removed, int timeout_ms)
{
    ProgramRun run;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool removed = false;
        for (const std::string& r : env_removed)
            removed = removed || r == name;
        if (!removed)
            env.push_back(entry);
    }
    env.insert(env.end(), env_extra.begin(), env_extra.end());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    int out[2] = { -1, -1 };
    if (::pipe2(out, O_CLOEXEC) != 0)
        return run;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            ::dup2(devnull, 0);
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        return run;
    }
    ::setpgid(pid, pid);
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    bool ended = false;
    char buf[4096];
    while (!ended) {
        ssize_t n = 0;
        while ((n = ::read(out[0], buf, sizeof buf)) > 0)
            run.output.append(buf, static_cast<size_t>(n));
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!ended && std::chrono::steady_clock::now() >= until) {
            run.timed_out = true;
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ended = true;
        }
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // What the group's other members still write before they notice the end.
    for (int i = 0; i < 10; ++i) {
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n > 0)
            run.output.append(buf, static_cast<size_t>(n));
        else if (n == 0)
            break;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(out[0]);
    ::kill(-pid, SIGKILL); // whatever the program left behind in its group
    run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
