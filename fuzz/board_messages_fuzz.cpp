// The whiteboard receivers as the main receive thread feeds them: drawing
// messages, the reload stream (actions, texts and fonts by index), bitmaps,
// navigation and the verify list, in any order onto the ten pages.

#include "core/messages.h"
#include "fuzz/fuzz_input.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietMessageBoxes boxes;
    set_message_box_presenter(&boxes);
    const std::vector<int>& numbers = board_message_numbers();
    FuzzInput in(data, size);
    board_model_setup();
    g_offline_board = 0;
    g_board_count = 10;
    for (int i = 0; i < 200 && !in.empty(); ++i) {
        int number = numbers[in.u8() % numbers.size()];
        // Mostly a page, sometimes anything field 2 can say.
        uint8_t b = in.u8();
        int board = b < 240 ? b % 12 : (b == 255 ? 999 : -1 - b % 3);
        std::string_view body = in.bytes(in.u16() % 8173);
        // The receive buffer has a zero byte behind every body.
        std::vector<char> copy(body.begin(), body.end());
        copy.push_back('\0');
        board_dispatch_message(WireHead { 0, board, number, static_cast<int>(body.size()) }, copy.data(),
                               static_cast<int>(body.size()));
    }
    board_model_free();
    g_board_count = 1;
    return 0;
}
