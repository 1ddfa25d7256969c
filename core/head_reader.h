#pragma once
// The one blocking reader of wire messages that every receive loop shares
// (server connections, peers): it reads the 20-character head, skips what is
// malformed or too long so the stream stays in step, and reads and
// unscrambles the body behind the head in the loop's buffer.

#include "core/wire_head.h"

#include <cstddef>
#include <memory>

// Where the bytes come from: a connection, or a socketpair in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Exactly length bytes: length, 0 for a length of 0, -1 on failure or close.
    virtual int read_exact(char* buffer, int length) = 0;
    // One read of up to max_len bytes: the count, 0 when the peer closed, negative on failure.
    virtual int read_some(char* buffer, int max_len) = 0;
};

class Cwf_socket;

// A connection as a byte source (Cwf_socket itself has no virtual operations).
// Its failures are quiet: the loop that reads ends on them.
class SocketByteSource : public ByteSource {
public:
    explicit SocketByteSource(Cwf_socket& socket) : socket_(socket) {}
    int read_exact(char* buffer, int length) override;
    int read_some(char* buffer, int max_len) override;

private:
    Cwf_socket& socket_;
};

// Reads ahead: one read of the source then serves the heads and bodies of
// every message it brought, so a stream of small messages costs about one
// system call each instead of two. A receive loop wraps its connection in one
// and from then on reads that connection only through it (what it has read
// ahead is in here, not in the socket).
class BufferedByteSource : public ByteSource {
public:
    static constexpr int capacity = 65536;
    explicit BufferedByteSource(ByteSource& source);
    int read_exact(char* buffer, int length) override;
    // Bytes read ahead first; when there are none, one read of the source.
    int read_some(char* buffer, int max_len) override;
    int buffered() const { return end_ - begin_; }

private:
    ByteSource& source_;
    std::unique_ptr<char[]> bytes_;
    int begin_ = 0;
    int end_ = 0;
};

// Every loop owns a buffer of this size: the head and at most 8172 body bytes.
inline constexpr size_t wire_recv_buffer_len = 8192;
// One discard read after a malformed head takes at most this much.
inline constexpr int wire_discard_read_len = 2048;

// The loop's own log lines, each with its line feed.
struct HeadReaderLines {
    const char* loop_name;    // names the loop in the over-long-body line, e.g. "g_recv_thread"
    const char* format_error; // with the bad position, e.g. "g_recv_thread command format error at:%d.\n"
    const char* content;      // with the 20 head bytes as text, e.g. "content is:%s.\n"
};

enum class HeadReadResult {
    message, // head and body are in the buffer, the body unscrambled
    skipped, // a malformed head or an over-long body was logged and skipped: read the next
    failed,  // the source failed or closed: the loop ends
};

// Clears the first buffer_len bytes of buffer (at least 20), reads one head and,
// when it fits in the room behind the head, its body; head holds the parsed
// fields of a message.
HeadReadResult read_wire_message(ByteSource& source, char* buffer, size_t buffer_len, const HeadReaderLines& lines,
                                 WireHead& head);
