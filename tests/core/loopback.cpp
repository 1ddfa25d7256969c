#include "tests/core/loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

LoopbackListener::LoopbackListener(const char* address)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    socklen_t len = sizeof at;
    if (fd_ < 0 || ::inet_pton(AF_INET, address, &at.sin_addr) != 1 || ::bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd_, 16) != 0
        || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &len) != 0)
        throw std::runtime_error("loopback listener");
    port_ = ntohs(at.sin_port);
}

LoopbackListener::~LoopbackListener() { close_listener(); }

void LoopbackListener::close_listener()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int LoopbackListener::accept_one(int wait_ms)
{
    pollfd p { fd_, POLLIN, 0 };
    if (fd_ < 0 || ::poll(&p, 1, wait_ms) <= 0)
        return -1;
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

uint16_t unused_loopback_port()
{
    LoopbackListener l;
    return l.port();
}

std::string read_bytes(int fd, size_t length, int wait_ms)
{
    std::string out;
    char piece[4096];
    while (out.size() < length) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, wait_ms) <= 0)
            break;
        size_t want = std::min(sizeof piece, length - out.size());
        ssize_t n = ::recv(fd, piece, want, 0);
        if (n <= 0)
            break;
        out.append(piece, static_cast<size_t>(n));
    }
    return out;
}

bool write_bytes(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void close_with_reset(int fd)
{
    linger l { 1, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

int FdByteSource::read_exact(char* buffer, int length)
{
    ++reads_;
    if (length < 0)
        return -1;
    int got = 0;
    while (got < length) {
        ssize_t n = ::recv(fd_, buffer + got, static_cast<size_t>(length - got), 0);
        if (n <= 0)
            return -1;
        got += static_cast<int>(n);
    }
    return length;
}

int FdByteSource::read_some(char* buffer, int max_len)
{
    ++reads_;
    return static_cast<int>(::recv(fd_, buffer, static_cast<size_t>(max_len), 0));
}

std::string scrambled_message(const WireHead& head, std::string body)
{
    WireHead h = head;
    h.length = static_cast<int>(body.size());
    scramble_message_body(body.data(), static_cast<int>(body.size()));
    return format_wire_head(h) + body;
}

std::pair<std::string, std::string> next_wire_message(int fd)
{
    FdByteSource source(fd);
    std::vector<char> buffer(wire_recv_buffer_len);
    WireHead head;
    const HeadReaderLines lines { "test", "test format error at:%d.\n", "content is:%s.\n" };
    if (read_wire_message(source, buffer.data(), buffer.size(), lines, head) != HeadReadResult::message)
        return {};
    return { std::string(buffer.data(), wire_head_len), std::string(buffer.data() + wire_head_len, static_cast<size_t>(head.length)) };
}
