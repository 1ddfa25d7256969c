// The video frame decoder: one sender's frames (kind, quality, size and the
// six zlib streams) one after another through one decoder.

#include "fuzz/fuzz_input.h"
#include "media/video_frame_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    VideoFrameDecoder decoder;
    std::vector<uint8_t> rgb;
    for (int frame = 0; frame < 8 && !in.empty(); ++frame) {
        int kind = in.u8() & 1;
        int quality = in.u8();
        int size_index = in.u8() % 4; // 3 reads as 0
        std::array<std::span<const uint8_t>, video_stream_count> streams;
        for (auto& stream : streams) {
            std::string_view bytes = in.bytes(in.u16());
            stream = { reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() };
        }
        decoder.decode(kind, quality, size_index, streams, rgb);
    }
    return 0;
}
