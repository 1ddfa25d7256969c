#pragma once
// The program's own main connection for a test or a helper: the receive
// thread on g_main_sock, logging in and entering a room as auto-login does.
// The caller waits for g_room_number with its own loop (the receivers may
// send window messages that need the caller's thread).

#include <cstdint>
#include <string>
#include <thread>

class ProgramConnection {
public:
    ProgramConnection() = default;
    ~ProgramConnection() { stop(); }
    ProgramConnection(const ProgramConnection&) = delete;
    ProgramConnection& operator=(const ProgramConnection&) = delete;

    void start(uint16_t port, const std::string& login_name, const std::string& room);
    // Closes the connection and waits for its thread.
    void stop();

private:
    std::thread reader_;
};
