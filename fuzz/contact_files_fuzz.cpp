// The contact and group files as the address book reads them: whatever the
// files hold, every field ends inside its record, no line break reaches a
// field that the file writes back, and what is written reads back the same.

#include "core/folders.h"
#include "dialogs/contacts.h"
#include "fuzz/fuzz_input.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct UserFolder {
    UserFolder()
    {
        char pattern[] = "/dev/shm/tamblo-fuzz-XXXXXX";
        const char* root = ::mkdtemp(pattern);
        if (!root) {
            char fallback[] = "/tmp/tamblo-fuzz-XXXXXX";
            root = ::mkdtemp(fallback);
        }
        if (!root)
            std::abort();
        ::setenv("XDG_DATA_HOME", root, 1);
        set_message_box_presenter(&boxes);
        // The files live in the user's folder, which the program makes at start.
        if (create_work_folders() != 0)
            std::abort();
    }
    QuietMessageBoxes boxes;
};

template <size_t N>
void check_field(const std::array<char, N>& field, bool bar_allowed)
{
    size_t len = 0;
    while (len < N && field[len] != '\0')
        ++len;
    if (len == N)
        std::abort();  // not terminated inside its record
    for (size_t i = 0; i < len; ++i)
        if (field[i] == '\n' || (!bar_allowed && field[i] == '|'))
            std::abort();
}

std::string table_text()
{
    std::string text;
    for (const contact_group_record& g : contact_group)
        if (g.in_use)
            text += std::to_string(g.id) + "|" + g.name.data() + "\n";
    for (const contact_info_record& c : contact_info)
        if (c.in_use)
            text += std::to_string(c.group_id) + "|" + c.email.data() + "|" + c.first_name.data() + "|"
                + c.last_name.data() + "|" + c.comment.data() + "\n";
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static UserFolder folder;
    FuzzInput in(data, size);
    const size_t group_len = in.u16();
    const std::string_view groups = in.bytes(group_len);
    const std::string_view contacts = in.rest();
    std::ofstream(group_file_path(), std::ios::binary | std::ios::trunc).write(groups.data(), static_cast<std::streamsize>(groups.size()));
    std::ofstream(contact_file_path(), std::ios::binary | std::ios::trunc).write(contacts.data(), static_cast<std::streamsize>(contacts.size()));
    if (read_group_file() != 0 || read_contact_file() != 0)
        std::abort();
    for (const contact_group_record& g : contact_group)
        check_field(g.name, true);
    for (const contact_info_record& c : contact_info) {
        check_field(c.email, false);
        check_field(c.first_name, false);
        check_field(c.last_name, false);
        check_field(c.comment, true);
    }
    const std::string first = table_text();
    if (write_group_file() != 0 || write_contact_file() != 0)
        std::abort();
    if (read_group_file() != 0 || read_contact_file() != 0 || table_text() != first)
        std::abort();  // what was written did not read back the same
    return 0;
}
