// What the web host reads from a request before it answers: the meeting
// link queries of the join pages (both forms), the form bodies of the
// feedback and tell-a-friend posts, and the pages built from what they gave.

#include "core/http_util.h"
#include "fuzz/fuzz_input.h"
#include "server/web_pages.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    int kind = in.u8() % 3;
    std::string_view text = in.rest();
    MeetingLink link;
    std::string error;
    if (kind == 2) {
        std::vector<std::pair<std::string, std::string>> fields;
        if (parse_query_fields(text, fields))
            for (const auto& [name, value] : fields)
                is_valid_utf8(value);
        return 0;
    }
    bool ok = kind == 0 ? parse_meeting_query(text, link, error) : parse_encoded_meeting_query(text, link, error);
    if (!ok) {
        if (error.empty())
            std::abort();
        return 0;
    }
    // Whatever the link held, the page and its launcher link are whole and escaped.
    std::string page = join_page(link, PageLanguage::chinese, "/p");
    std::string launch = launch_link(link);
    if (launch.find_first_of(" \"'<>\r\n") != std::string::npos)
        std::abort();
    if (!is_valid_utf8(page))
        std::abort();
    return 0;
}
