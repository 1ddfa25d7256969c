// The talk messages as the voice connection hands them over (32, 610-617):
// the talk block codec, its zlib layer and the voice packets inside.

#include "core/messages.h"
#include "fuzz/fuzz_input.h"
#include "media/voice_receive.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietMessageBoxes boxes;
    set_message_box_presenter(&boxes);
    FuzzInput in(data, size);
    static constexpr int numbers[] = { MSG_TALK_DATA,  MSG_TALK_LPC10,   MSG_TALK_LPC10_B,   MSG_TALK_Z, MSG_TALK_Z_B,
                                       MSG_TALK_SILENCE, MSG_TALK_SILENCE_B, MSG_TALK_DCT_Z, MSG_TALK_DCT_Z_B };
    while (!in.empty()) {
        int number = numbers[in.u8() % std::size(numbers)];
        std::string_view body = in.bytes(in.u16() % 8173);
        // The receive buffer has a zero byte behind every body.
        std::vector<char> copy(body.begin(), body.end());
        copy.push_back('\0');
        dispatch_talk_message(number, copy.data(), static_cast<int>(body.size()), 1001);
    }
    return 0;
}
