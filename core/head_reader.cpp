#include "core/head_reader.h"

#include "core/dbg_log.h"
#include "core/wf_socket.h"

#include <algorithm>
#include <array>
#include <cstring>

int SocketByteSource::read_exact(char* buffer, int length) { return socket_.my_recv_fixed_len(buffer, length); }

int SocketByteSource::read_some(char* buffer, int max_len) { return socket_.my_recv_some(buffer, max_len); }

BufferedByteSource::BufferedByteSource(ByteSource& source) : source_(source), bytes_(new char[capacity]) {}

int BufferedByteSource::read_exact(char* buffer, int length)
{
    if (length < 0)
        return -1;
    int copied = 0;
    while (copied < length) {
        if (begin_ == end_) {
            // A long read goes straight to the caller; a short one refills.
            if (length - copied >= capacity)
                return source_.read_exact(buffer + copied, length - copied) == length - copied ? length : -1;
            int n = source_.read_some(bytes_.get(), capacity);
            if (n <= 0)
                return -1;
            begin_ = 0;
            end_ = n;
        }
        int take = std::min(end_ - begin_, length - copied);
        std::memcpy(buffer + copied, bytes_.get() + begin_, static_cast<size_t>(take));
        begin_ += take;
        copied += take;
    }
    return length;
}

int BufferedByteSource::read_some(char* buffer, int max_len)
{
    if (max_len < 1 || begin_ == end_)
        return source_.read_some(buffer, max_len);
    int take = std::min(end_ - begin_, max_len);
    std::memcpy(buffer, bytes_.get() + begin_, static_cast<size_t>(take));
    begin_ += take;
    return take;
}

namespace {

// Reads and drops length bytes in pieces; false when the source fails first.
bool discard_exactly(ByteSource& source, int length)
{
    std::array<char, wire_discard_read_len> scrap {};
    while (length > 0) {
        int piece = std::min(length, static_cast<int>(scrap.size()));
        if (source.read_exact(scrap.data(), piece) != piece)
            return false;
        length -= piece;
    }
    return true;
}

} // namespace

HeadReadResult read_wire_message(ByteSource& source, char* buffer, size_t buffer_len, const HeadReaderLines& lines,
                                 WireHead& head)
{
    if (buffer_len < wire_head_len)
        return HeadReadResult::failed;
    std::memset(buffer, 0, std::min(buffer_len, wire_recv_buffer_len));
    if (source.read_exact(buffer, static_cast<int>(wire_head_len)) != static_cast<int>(wire_head_len))
        return HeadReadResult::failed;

    int bad_position = 0;
    if (!parse_wire_head(buffer, head, &bad_position)) {
        char text[wire_head_len + 1] = {};
        std::memcpy(text, buffer, wire_head_len);
        dbg_log(lines.format_error, bad_position);
        dbg_log(lines.content, text);
        std::array<char, wire_discard_read_len> scrap {};
        if (source.read_some(scrap.data(), static_cast<int>(scrap.size())) <= 0)
            return HeadReadResult::failed;
        return HeadReadResult::skipped;
    }

    const int room = static_cast<int>(std::min(buffer_len, wire_recv_buffer_len) - wire_head_len);
    if (head.length < 0 || head.length > room) {
        dbg_log("%s skipped a body of %d bytes.\n", lines.loop_name, head.length);
        // A negative length announces nothing that could be read.
        if (head.length > 0 && !discard_exactly(source, head.length))
            return HeadReadResult::failed;
        return HeadReadResult::skipped;
    }
    char* body = buffer + wire_head_len;
    if (source.read_exact(body, head.length) != head.length)
        return HeadReadResult::failed;
    scramble_message_body(body, head.length);
    return HeadReadResult::message;
}
