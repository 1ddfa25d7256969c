#include "tests/support/http_exchange.h"

#include <arpa/inet.h>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

int connect_loopback(uint16_t port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

std::string http_exchange(uint16_t port, const std::string& request, int wait_ms)
{
    int fd = connect_loopback(port);
    if (fd < 0)
        return {};
    size_t sent = 0;
    while (sent < request.size()) {
        ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    std::string reply;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    char piece[65536];
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p { fd, POLLIN, 0 };
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        ssize_t n = ::recv(fd, piece, sizeof piece, 0);
        if (n <= 0)
            break;
        reply.append(piece, static_cast<size_t>(n));
    }
    ::close(fd);
    return reply;
}

std::string HttpReply::header(const std::string& name) const
{
    auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string wanted = lower(name) + ":";
    size_t start = 0;
    while (start < head.size()) {
        size_t end = head.find("\r\n", start);
        std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (lower(line.substr(0, wanted.size())) == wanted) {
            size_t value = line.find_first_not_of(' ', wanted.size());
            return value == std::string::npos ? std::string() : line.substr(value);
        }
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    return {};
}

HttpReply parse_http_reply(const std::string& bytes)
{
    HttpReply reply;
    size_t end = bytes.find("\r\n\r\n");
    reply.head = bytes.substr(0, end);
    if (end != std::string::npos)
        reply.body = bytes.substr(end + 4);
    int major = 0, minor = 0, status = 0;
    if (std::sscanf(reply.head.c_str(), "HTTP/%d.%d %d", &major, &minor, &status) == 3)
        reply.status = status;
    return reply;
}

std::string html_unescape(const std::string& text)
{
    static const std::pair<const char*, char> entities[] = { { "&amp;", '&' }, { "&lt;", '<' }, { "&gt;", '>' },
                                                             { "&quot;", '"' }, { "&#39;", '\'' } };
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : entities) {
            std::string e = entity;
            if (text.compare(i, e.size(), e) == 0) {
                out += c;
                i += e.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

std::string html_attribute_after(const std::string& page, const std::string& marker)
{
    size_t at = page.find(marker);
    if (at == std::string::npos)
        return {};
    at += marker.size();
    size_t end = page.find('"', at);
    return end == std::string::npos ? std::string() : html_unescape(page.substr(at, end - at));
}
