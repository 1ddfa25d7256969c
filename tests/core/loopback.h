#pragma once
// Loopback fixtures for the connection tests: a listener on 127.0.0.1 at a
// free port, a socketpair as a byte source, and whole reads and writes on
// plain descriptors.

#include "core/head_reader.h"

#include <cstdint>
#include <string>
#include <utility>

class LoopbackListener {
public:
    // address: one of the loopback range (127.0.0.2 stands for another machine).
    explicit LoopbackListener(const char* address = "127.0.0.1");
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    uint16_t port() const { return port_; }
    // The next connection, or -1 after wait_ms without one.
    int accept_one(int wait_ms = 5000);
    void close_listener();

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// A port nothing listens on (bound once, then released).
uint16_t unused_loopback_port();

// Reads exactly length bytes within wait_ms; fewer when the peer closed or time ran out.
std::string read_bytes(int fd, size_t length, int wait_ms = 5000);
bool write_bytes(int fd, const std::string& bytes);
// Closes with a reset instead of an orderly close.
void close_with_reset(int fd);

class FdByteSource : public ByteSource {
public:
    explicit FdByteSource(int fd) : fd_(fd) {}
    int read_exact(char* buffer, int length) override;
    int read_some(char* buffer, int max_len) override;
    int reads() const { return reads_; }

private:
    int fd_;
    int reads_ = 0;
};

// A complete wire message with its body scrambled, as a sender puts it on the wire.
std::string scrambled_message(const WireHead& head, std::string body);

// The head as text and the unscrambled body of the next message at fd,
// read with the shared head reader; both empty when no whole message came.
std::pair<std::string, std::string> next_wire_message(int fd);
