#pragma once
// Test fixtures: a private home for the settings, the user folder and the
// runtime folder, and a tap on the debug log.

#include "platform/sys/registry_store.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR at fresh folders
// under a temporary directory, and the settings store at its file; removes
// it all again at the end. TAMBLO_PEER_PORT names a free port, so that
// peer servers of tests running side by side do not collide.
class TempHome {
public:
    TempHome();
    ~TempHome();
    const std::string& root() const { return root_; }
    std::string user_folder() const { return root_ + "/data/kelo/tamblo/"; }
    std::string config_file() const { return root_ + "/config/kelo/tamblo.ini"; }

private:
    std::string root_;
    std::unique_ptr<platform::RegistryStore> store_;
    std::vector<std::pair<std::string, std::string>> saved_env_;
};

// Collects every debug-log line written while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};

std::string read_file(const std::string& path);
// A loopback TCP port that was free a moment ago.
uint16_t unused_tcp_port();
bool file_exists(const std::string& path);
