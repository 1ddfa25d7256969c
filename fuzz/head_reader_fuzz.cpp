// The shared head reader over any byte stream, read directly and read ahead;
// whatever arrives, it stays inside its buffer and in step.

#include "core/head_reader.h"
#include "fuzz/fuzz_input.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// The bytes as a connection delivers them, in pieces of a chosen size.
class PieceSource : public ByteSource {
public:
    PieceSource(std::string_view bytes, int piece) : bytes_(bytes), piece_(piece) {}
    int read_exact(char* buffer, int length) override
    {
        if (length == 0)
            return 0;
        if (static_cast<size_t>(length) > bytes_.size() - pos_)
            return -1;
        std::memcpy(buffer, bytes_.data() + pos_, static_cast<size_t>(length));
        pos_ += static_cast<size_t>(length);
        return length;
    }
    int read_some(char* buffer, int max_len) override
    {
        size_t n = std::min<size_t>({ static_cast<size_t>(max_len), static_cast<size_t>(piece_), bytes_.size() - pos_ });
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return static_cast<int>(n);
    }

private:
    std::string_view bytes_;
    int piece_;
    size_t pos_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    uint8_t mode = in.u8();
    int piece = 1 + in.u8() * 37;
    PieceSource raw(in.rest(), piece);
    BufferedByteSource buffered(raw);
    ByteSource& source = (mode & 1) ? static_cast<ByteSource&>(buffered) : raw;
    // A buffer a little smaller than the loops' own sometimes, to meet the edge.
    size_t buffer_len = (mode & 2) ? wire_recv_buffer_len : 64 + (mode >> 2);
    std::vector<char> buffer(buffer_len + 1);
    const HeadReaderLines lines { "fuzz", "fuzz format error at:%d.\n", "content is:%s.\n" };
    for (int i = 0; i < 10000; ++i) {
        WireHead head;
        HeadReadResult r = read_wire_message(source, buffer.data(), buffer_len, lines, head);
        if (r == HeadReadResult::failed)
            break;
        if (r == HeadReadResult::message && (head.length < 0 || wire_head_len + static_cast<size_t>(head.length) > buffer_len))
            std::abort(); // a body reported that does not lie inside the buffer
    }
    return 0;
}
