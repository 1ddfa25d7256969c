// The chat and member bodies as the main connection hands them over: public
// lines (41, with the history behind them), private lines (171), member
// records (112, 113) and member states (424) into the roster, and the RTF
// escaping of whatever text arrived.

#include "core/chat_receive.h"
#include "fuzz/fuzz_input.h"
#include "shell/members_roster.h"
#include "shell/rtf_writer.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietMessageBoxes boxes;
    set_message_box_presenter(&boxes);
    static MembersRoster roster;
    FuzzInput in(data, size);
    while (!in.empty()) {
        int kind = in.u8() % 5;
        std::string_view body = in.bytes(in.u16() % 8173);
        // The receive buffer has a zero byte behind every body; the page's
        // copy of a member record has five.
        std::vector<char> copy(body.begin(), body.end());
        copy.insert(copy.end(), 5, '\0');
        switch (kind) {
        case 0: {
            receive_chat_text(copy.data(), body.size(), 1);
            std::lock_guard<std::mutex> hold(chat_history_lock());
            if (chat_history().text().size() > 4 * 1024 * 1024)
                chat_history().clear();
            break;
        }
        case 1: parse_private_chat_body(copy.data(), body.size()); break;
        case 2:
            if (roster.rows().size() > 300)
                roster.clear();
            roster.add_member(copy.data(), body.size(), static_cast<int32_t>(in.u16()) - 100);
            break;
        case 3: roster.update_member(static_cast<int>(in.u16()) - 100, static_cast<int32_t>(in.u16()) - 100); break;
        default: rtf_escape_text(std::string(body)); break;
        }
    }
    return 0;
}
