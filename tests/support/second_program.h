#pragma once
// A second copy of the real program beside the test, as `make run-second`
// starts it: settings and folders of its own under root, its peer port in
// its settings, offscreen, its message boxes answered at once and written to
// a file. Stopped by its process id.

#include "tests/support/child_process.h"

#include <memory>
#include <string>
#include <vector>

class SecondProgram {
public:
    // argument: the program's one command-line argument; env: further
    // "NAME=value" settings of its environment.
    SecondProgram(const std::string& program, const std::string& root, int peer_port, const std::string& argument,
                  const std::vector<std::string>& env = {});
    void stop() { process_->stop(); }
    // The texts of its message boxes so far, one a line.
    std::string boxes() const;
    // Its debug log so far.
    std::string debug_log() const;

private:
    std::string boxes_path() const { return root_ + "/boxes.txt"; }
    std::string root_;
    std::unique_ptr<ChildProcess> process_;
};
