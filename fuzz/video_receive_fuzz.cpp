// The receiver of video frames: 764, 765 and 766 in any order and with any
// bodies, into windows that show two senders. Each record is one byte of
// kind (0 begin, 1 data, 2 end; the next bit picks the sender), two of
// length and the body.

#include "core/global_state.h"
#include "fuzz/fuzz_input.h"
#include "media/video_receive.h"
#include "media/video_windows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    video_windows_reset();
    video_wnd_set_user(0, 1001);
    video_wnd_set_user(7, 1002);
    for (int message = 0; message < 200 && !in.empty(); ++message) {
        uint8_t kind = in.u8();
        std::string body(in.bytes(in.u16()));
        int sender = (kind & 4) ? 1002 : 1001;
        switch (kind & 3) {
        case 0: video_dct_frame_begin(body.c_str(), static_cast<int>(body.size()), 0); break;
        case 1: video_dct_buf_append(body.data(), static_cast<int>(body.size()), 0); break;
        default: video_dct_decode_frame(body.c_str(), static_cast<int>(body.size()), sender); break;
        }
    }
    video_dct_decode_frame("0:0", 3, 1001); // ends whatever is open
    return 0;
}
