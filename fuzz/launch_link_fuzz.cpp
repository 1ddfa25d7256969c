// What the web launcher reads from a web page: the meeting link. Taken or
// refused, it never yields more than tamblo's seven fields, never an
// argument that reads as an option, and a refusal names something printable.

#include "fuzz/fuzz_input.h"
#include "launcher/launch_link.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    std::string_view link = in.rest();
    CquilletCtrl ctrl;
    const std::string before = ctrl.launch_argument();
    std::string refused;
    if (apply_launch_link(link, ctrl, refused) != 0) {
        if (refused.empty() || ctrl.launch_argument() != before)
            std::abort();
        for (char c : refused)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                std::abort();
        return 0;
    }
    std::string argument = ctrl.launch_argument();
    if (std::count(argument.begin(), argument.end(), ':') != 6 || argument.empty() || argument[0] == '-')
        std::abort();
    for (char c : argument)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            std::abort();
    return 0;
}
