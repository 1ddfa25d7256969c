#pragma once
// A real tamblo-server for a test: started from the build tree on a free
// loopback port (it picks one itself and logs it), its log in a file, and
// stopped by its process id.

#include <string>
#include <sys/types.h>
#include <vector>

class ServerProcess {
public:
    // Starts build/server/tamblo-server --listen 127.0.0.1:0 plus extra_args
    // and waits until it listens. Throws when it does not come up.
    explicit ServerProcess(std::vector<std::string> extra_args = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    uint16_t port() const { return port_; }
    // The web host's port of a server started with --web 127.0.0.1:0 (its
    // log names it); 0 when it does not serve within 5 s.
    uint16_t web_port() const;
    pid_t pid() const { return pid_; }

    // SIGTERM, then waits up to wait_ms; the exit status (as waitpid gives
    // it), or -1 when it had to be killed.
    int stop(int wait_ms = 5000);
    // Waits for the process to end by itself: its status, or -1 after wait_ms.
    int wait_exit(int wait_ms = 5000);
    bool running();

    std::string log_text() const;
    // Waits until a log line contains text; false after wait_ms.
    bool wait_for_log(const std::string& text, int wait_ms = 5000) const;

    static std::string binary_path();

private:
    pid_t pid_ = -1;
    uint16_t port_ = 0;
    std::string log_path_;
};
