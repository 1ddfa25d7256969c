#pragma once
// python3 -m http.server on 127.0.0.1 at a free port, serving a folder, its
// request log kept in a file so a test can count what a browser asked for.

#include "tests/support/child_process.h"

#include <cstdint>
#include <string>

class LoggedWebServer {
public:
    LoggedWebServer(const std::string& folder, const std::string& log_path);
    // Waits (up to 20 s) until it listens.
    bool up() const;
    uint16_t port() const { return port_; }
    // How many times path (with its query) was asked for.
    int requests(const std::string& path) const;

private:
    uint16_t port_ = 0;
    std::string log_path_;
    ChildProcess process_;
};
