#pragma once
// Real proxies for tests, started on 127.0.0.1 in the foreground and
// stopped by process id (their whole process group): tinyproxy (HTTP
// CONNECT), dante (SOCKS4 and SOCKS5) and microsocks (SOCKS5 with a user
// name and password, "alice" / "wonderland").

#include "tests/support/temp_home.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

bool can_connect(uint16_t port);
bool have_program(const std::string& path);
void write_text_file(const std::string& path, const std::string& text);

class ProxyProcess {
public:
    // Waits up to five seconds for it to accept connections on port.
    ProxyProcess(std::vector<std::string> argv, uint16_t port, const std::string& log_path);
    ~ProxyProcess();
    ProxyProcess(const ProxyProcess&) = delete;
    ProxyProcess& operator=(const ProxyProcess&) = delete;

    bool ready() const;

private:
    pid_t pid_ = -1;
    uint16_t port_;
};

std::unique_ptr<ProxyProcess> start_tinyproxy(const TempHome& home, uint16_t port, bool basic_auth);
std::unique_ptr<ProxyProcess> start_danted(const TempHome& home, uint16_t port);
std::unique_ptr<ProxyProcess> start_microsocks(const TempHome& home, uint16_t port);
