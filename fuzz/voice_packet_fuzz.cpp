// The voice packet decoder: packets one after another through one decoder
// state, as a speaker's packets arrive.

#include "fuzz/fuzz_input.h"
#include "media/voice_packet.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    VoiceDecStatePtr state(voice_dec_state_new());
    std::vector<int16_t> out(8192);
    while (!in.empty()) {
        size_t capacity = 1 + in.u16() % out.size();
        std::string_view packet = in.bytes(in.u8());
        int n = voice_packet_decode(reinterpret_cast<const uint8_t*>(packet.data()), packet.size(), out.data(),
                                    capacity, nullptr, state.get());
        if (n < 0 || static_cast<size_t>(n) > capacity)
            std::abort(); // more samples than the room it was given
    }
    return 0;
}
