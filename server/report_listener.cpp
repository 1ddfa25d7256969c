#include "server/report_listener.h"

#include "server/server_log.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t report_text_limit = 512;

} // namespace

std::string report_log_text(const char* data, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length && data[i] != '\0' && text.size() < report_text_limit; ++i) {
        unsigned char ch = static_cast<unsigned char>(data[i]);
        text.push_back(ch >= 0x20 && ch < 0x7f ? static_cast<char>(ch) : '?');
    }
    return text;
}

ReportListener::~ReportListener() { stop(); }

int ReportListener::start(const std::string& host, uint16_t port)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        server_log("report datagrams: cannot resolve %s", host.c_str());
        return -1;
    }
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int bound = fd_ >= 0 ? ::bind(fd_, found->ai_addr, found->ai_addrlen) : -1;
    int error = errno;
    ::freeaddrinfo(found);
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC);
    if (bound != 0 || wake_fd_ < 0) {
        server_log("report datagrams: cannot listen on %s:%u: %s", host.c_str(), port, std::strerror(error));
        stop();
        return -1;
    }
    server_log("report datagrams on %s:%u", host.c_str(), port);
    thread_ = std::thread([this] { receive_loop(); });
    return 0;
}

void ReportListener::stop()
{
    if (thread_.joinable()) {
        uint64_t one = 1;
        if (::write(wake_fd_, &one, sizeof one) < 0)
            server_log("report datagrams: wake failed");
        thread_.join();
    }
    for (int* fd : { &fd_, &wake_fd_ }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void ReportListener::receive_loop()
{
    try {
        char buffer[2048];
        for (;;) {
            pollfd fds[2] = { { fd_, POLLIN, 0 }, { wake_fd_, POLLIN, 0 } };
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                server_log("report datagrams: poll failed: %s", std::strerror(errno));
                return;
            }
            if (fds[1].revents != 0)
                return;
            sockaddr_in from {};
            socklen_t from_len = sizeof from;
            ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &from_len);
            if (n < 0)
                continue;
            char address[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
            server_log("report from %s: %s", address, report_log_text(buffer, static_cast<size_t>(n)).c_str());
        }
    } catch (...) {
        server_log("exception in ReportListener::receive_loop");
    }
}
