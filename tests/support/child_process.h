#pragma once
// A helper program the test starts (a web server, ...) and stops by its
// process id, and a wait for it to listen.

#include <string>
#include <vector>

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void stop();

private:
    int pid_ = -1;
};

// True once address:port accepts a connection (within wait_ms); address is
// one of the loopback range.
bool wait_for_loopback_port(int port, int wait_ms, const char* address = "127.0.0.1");

// A program run to its end with its output (standard output and error
// together) collected. It runs in its own process group, which is killed when
// it outlives timeout_ms; timed_out then says so.
struct ProgramRun {
    bool timed_out = false;
    int exit_status = -1; // the exit code, or -1 when it was ended by a signal
    std::string output;
};
// The environment is this process's, less the variables env_removed names,
// with env_extra ("NAME=value") added.
ProgramRun run_program(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
                       const std::vector<std::string>& env_removed, int timeout_ms);
