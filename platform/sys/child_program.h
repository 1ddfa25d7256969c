#pragma once
// A program this process starts and keeps: it runs in a process group of
// its own (a launcher's children included), so that ending it never
// reaches another process; it is ended by its id, never by name.

#include <string>
#include <vector>

namespace platform {

class ChildProgram {
public:
    ChildProgram() = default;
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Runs argv[0] (looked up in PATH) with this process's environment and
    // env_extra ("NAME=value") on top; its standard input and output are
    // empty. False when it could not be started (one already kept stays).
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra = {});
    // The process id, -1 when none is kept.
    int pid() const { return pid_; }
    // Started and not yet ended; an ended one is reaped here.
    bool running();
    // Waits up to wait_ms for it to end by itself.
    bool wait_ended(int wait_ms);
    // SIGTERM to its group, then SIGKILL when it outlives wait_ms; reaped.
    void stop(int wait_ms);
    // Forgets the process without touching it.
    void release() { pid_ = -1; }

private:
    int pid_ = -1;
};

} // namespace platform
