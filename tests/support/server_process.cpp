#include "tests/support/server_process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::string ServerProcess::binary_path()
{
    const char* build = std::getenv("TAMBLO_BUILD_DIR");
    return std::string(build && *build ? build : TAMBLO_TEST_BUILD_DIR) + "/server/tamblo-server";
}

ServerProcess::ServerProcess(std::vector<std::string> extra_args)
{
    char pattern[] = "/tmp/tamblo-server-log-XXXXXX";
    int log_fd = ::mkstemp(pattern);
    if (log_fd < 0)
        throw std::runtime_error("mkstemp failed");
    log_path_ = pattern;

    std::vector<std::string> args { binary_path(), "--listen", "127.0.0.1:0" };
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    // The report port is one for the whole machine: only a test that asks gets it.
    if (std::find(extra_args.begin(), extra_args.end(), "--report-port") == extra_args.end())
        args.insert(args.end(), { "--report-port", "0" });
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, log_fd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, log_fd, STDERR_FILENO);
    int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(log_fd);
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + args[0]);
    }
    const std::string marker = "listening on 127.0.0.1:";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string log = log_text();
        size_t at = log.find(marker);
        if (at != std::string::npos && log.find('\n', at) != std::string::npos) {
            port_ = static_cast<uint16_t>(std::atoi(log.c_str() + at + marker.size()));
            return;
        }
        if (!running())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    stop();
    throw std::runtime_error("tamblo-server did not start: " + log_text());
}

ServerProcess::~ServerProcess()
{
    stop();
    if (!log_path_.empty())
        ::unlink(log_path_.c_str());
}

bool ServerProcess::running()
{
    if (pid_ <= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int ServerProcess::stop(int wait_ms)
{
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, SIGTERM);
    int status = wait_exit(wait_ms);
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return -1;
    }
    return status;
}

int ServerProcess::wait_exit(int wait_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    int status = 0;
    while (pid_ > 0) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return status;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

uint16_t ServerProcess::web_port() const
{
    const std::string marker = "web: serving http on 127.0.0.1:";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
        std::string log = log_text();
        size_t at = log.find(marker);
        if (at != std::string::npos && log.find('\n', at) != std::string::npos)
            return static_cast<uint16_t>(std::atoi(log.c_str() + at + marker.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
}

std::string ServerProcess::log_text() const
{
    return read_file(log_path_);
}

bool ServerProcess::wait_for_log(const std::string& text, int wait_ms) const
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    do {
        if (log_text().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}
