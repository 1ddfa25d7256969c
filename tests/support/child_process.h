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

// True once 127.0.0.1:port accepts a connection (within wait_ms).
bool wait_for_loopback_port(int port, int wait_ms);
