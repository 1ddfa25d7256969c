#pragma once
// The report endpoint: clients send small plain-text datagrams (their
// address, the server they use, its version) to UDP port 8999 of the
// service. The server listens for them on its own address and logs each.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

inline constexpr uint16_t report_listen_port = 8999;

class ReportListener {
public:
    ReportListener() = default;
    ~ReportListener();
    ReportListener(const ReportListener&) = delete;
    ReportListener& operator=(const ReportListener&) = delete;

    // Binds host:port (IPv4) and logs what arrives on a thread of its own.
    // 0, or -1 (logged) when the address cannot be had.
    int start(const std::string& host, uint16_t port = report_listen_port);
    void stop();

private:
    void receive_loop();

    int fd_ = -1;
    int wake_fd_ = -1;
    std::thread thread_;
};

// The log form of one datagram: the text up to its zero, unprintable bytes
// as '?', at most 512 characters.
std::string report_log_text(const char* data, size_t length);
