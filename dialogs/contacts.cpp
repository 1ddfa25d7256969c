#include "dialogs/contacts.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/text_util.h"
#include "core/ui_text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

std::array<contact_info_record, contact_count> contact_info;
std::array<contact_group_record, group_count> contact_group;
std::vector<std::string> contact_file_rest;
std::vector<std::string> group_file_rest;

namespace {

std::string user_file(const char* name)
{
    std::string folder;
    if (get_user_folder(folder) != 0)
        return {};
    return folder + name;
}

// Every line of the file, the last one too when no line feed ends it.
// Carriage returns (CRLF files) and NUL bytes are dropped: no field can
// hold them, and a field ending in one would not read back the same.
bool read_lines(const std::string& path, std::vector<std::string>& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\0' || c == '\r'; }), text.end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

// The number a line starts with, as "%d" reads it; nothing when it has none
// or it does not fit.
std::optional<int> leading_number(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

// Writes the text into "<name>_tmp.txt" and puts that in place of the file,
// so a failed write never leaves a cut file behind.
int replace_file(const char* final_name, const char* temp_name, const std::string& text, const char* failure)
{
    std::string folder;
    if (get_user_folder(folder) != 0 || !create_folder_path(folder)) {
        message_box_printf("%s", tr_text(failure).c_str());
        return -1;
    }
    const std::string temp = folder + temp_name;
    const std::string target = folder + final_name;
    std::FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) {
        dbg_log("cannot open %s: %s\n", temp.c_str(), std::strerror(errno));
        message_box_printf("%s", tr_text(failure).c_str());
        return -1;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fflush(f) == 0 && ok;
    ok = ::fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        dbg_log("cannot write %s: %s\n", target.c_str(), std::strerror(errno));
        std::remove(temp.c_str());
        message_box_printf("%s", tr_text(failure).c_str());
        return -1;
    }
    return 0;
}

bool has_line_break(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

int first_free_contact()
{
    for (int i = 0; i < contact_count; ++i)
        if (!contact_info[static_cast<size_t>(i)].in_use)
            return i;
    return -1;
}

void store_fields(contact_info_record& c, const ContactFields& f)
{
    copy_to_field(c.email, cut_copy(f.email, contact_text_limit));
    copy_to_field(c.first_name, cut_copy(f.first_name, contact_name_limit));
    copy_to_field(c.last_name, cut_copy(f.last_name, contact_name_limit));
    copy_to_field(c.comment, cut_copy(f.comment, contact_text_limit));
    c.group_id = f.group_id;
    c.in_use = 1;
}

bool contact_index_in_use(int index)
{
    return index >= 0 && index < contact_count && contact_info[static_cast<size_t>(index)].in_use;
}

} // namespace

std::string group_file_path() { return user_file("group.txt"); }
std::string contact_file_path() { return user_file("contact.txt"); }

int read_group_file()
{
    std::vector<std::string> lines;
    if (!read_lines(group_file_path(), lines))
        return -1;
    contact_group.fill({});
    group_file_rest.clear();
    size_t filled = 0;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (line.empty())
            continue;
        // -1 is the lists' "All" and a contact's "no group": no group can have it.
        std::optional<int> id = leading_number(line);
        if (id == no_group_id)
            id.reset();
        if (!id || filled == contact_group.size()) {
            if (!id)
                dbg_log("group.txt line %zu has no usable group id, kept as it is.\n", n + 1);
            group_file_rest.push_back(line);
            continue;
        }
        contact_group_record& g = contact_group[filled++];
        g.id = *id;
        g.in_use = 1;
        size_t bar = line.find('|');
        copy_to_field(g.name, bar == std::string::npos ? std::string() : cut_copy(line.substr(bar + 1), group_name_file_limit));
    }
    if (!group_file_rest.empty())
        dbg_log("group.txt: %zu lines are kept beside the %d groups.\n", group_file_rest.size(), group_count);
    return 0;
}

int read_contact_file()
{
    std::vector<std::string> lines;
    if (!read_lines(contact_file_path(), lines))
        return -1;
    contact_info.fill({});
    contact_file_rest.clear();
    size_t filled = 0;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (line.empty())
            continue;
        if (filled == contact_info.size()) {
            contact_file_rest.push_back(line);
            continue;
        }
        // The first four '|' part the fields; the comment keeps any further '|'.
        std::array<std::string, 5> fields;
        size_t start = 0;
        for (size_t f = 0; f < fields.size(); ++f) {
            size_t bar = f + 1 < fields.size() ? line.find('|', start) : std::string::npos;
            fields[f] = line.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            if (bar == std::string::npos) {
                start = line.size();
                break;
            }
            start = bar + 1;
        }
        contact_info_record& c = contact_info[filled++];
        std::optional<int> group = leading_number(fields[0]);
        if (!group)
            dbg_log("contact.txt line %zu has no group id, the contact is kept without a group.\n", n + 1);
        store_fields(c, { fields[1], fields[2], fields[3], fields[4], group.value_or(no_group_id) });
    }
    if (!contact_file_rest.empty())
        dbg_log("contact.txt: %zu lines beyond the %d contacts are kept as they are.\n", contact_file_rest.size(),
                contact_count);
    return 0;
}

int write_group_file()
{
    std::string text;
    for (const contact_group_record& g : contact_group)
        if (g.in_use)
            text += format_text("%d|%s\n", g.id, g.name.data());
    for (const std::string& line : group_file_rest)
        text += line + "\n";
    return replace_file("group.txt", "group_tmp.txt", text, "Failed to open group file to write.");
}

int write_contact_file()
{
    std::string text;
    for (const contact_info_record& c : contact_info)
        if (c.in_use)
            text += format_text("%d|%s|%s|%s|%s\n", c.group_id, c.email.data(), c.first_name.data(),
                                c.last_name.data(), c.comment.data());
    for (const std::string& line : contact_file_rest)
        text += line + "\n";
    return replace_file("contact.txt", "contact_tmp.txt", text, "Failed to open contact file to write.");
}

std::string contact_fields_refusal(const ContactFields& f)
{
    for (std::string_view field : { f.email, f.first_name, f.last_name })
        if (field.find('|') != std::string_view::npos)
            return "Email, first name and last name may not contain '|', and no field may contain a line break.";
    for (std::string_view field : { f.email, f.first_name, f.last_name, f.comment })
        if (has_line_break(field))
            return "Email, first name and last name may not contain '|', and no field may contain a line break.";
    return {};
}

std::string group_name_refusal(std::string_view name)
{
    return has_line_break(name) ? "A group name may not contain a line break." : "";
}

ContactFields contact_fields(int index)
{
    if (index < 0 || index >= contact_count)
        return {};
    const contact_info_record& c = contact_info[static_cast<size_t>(index)];
    return { c.email.data(), c.first_name.data(), c.last_name.data(), c.comment.data(), c.group_id };
}

int add_contact(const ContactFields& fields)
{
    int slot = first_free_contact();
    if (slot < 0) {
        message_box_printf("Max contacts reached, can not add more.");
        return -1;
    }
    store_fields(contact_info[static_cast<size_t>(slot)], fields);
    write_contact_file();
    return slot;
}

int edit_contact(int index, const ContactFields& fields)
{
    if (!contact_index_in_use(index))
        return -1;
    store_fields(contact_info[static_cast<size_t>(index)], fields);
    int result = write_contact_file();
    read_contact_file();
    return result;
}

int delete_contact(int index)
{
    if (!contact_index_in_use(index))
        return -1;
    const contact_info_record& c = contact_info[static_cast<size_t>(index)];
    if (message_box_printf_yes_no("Are you sure to delete %s %s?", c.first_name.data(), c.last_name.data()) != IDYES)
        return -1;
    contact_info[static_cast<size_t>(index)].in_use = 0;
    int result = write_contact_file();
    read_contact_file();
    return result;
}

std::vector<GroupChoice> group_choices()
{
    std::vector<GroupChoice> choices;
    for (const contact_group_record& g : contact_group)
        if (g.in_use)
            choices.push_back({ g.name.data(), g.id });
    return choices;
}

std::vector<ContactRow> contact_rows(int group_filter)
{
    std::vector<ContactRow> rows;
    for (int i = 0; i < contact_count; ++i) {
        const contact_info_record& c = contact_info[static_cast<size_t>(i)];
        if (!c.in_use || (group_filter != all_groups_id && c.group_id != group_filter))
            continue;
        rows.push_back({ format_text("%s %s", c.first_name.data(), c.last_name.data()), c.email.data(), c.comment.data(), i });
    }
    return rows;
}

int add_group(std::string_view name)
{
    int new_id = 1;
    for (const contact_group_record& g : contact_group)
        if (g.in_use && g.id >= new_id)
            new_id = g.id == INT_MAX ? INT_MAX : g.id + 1;
    auto free = std::find_if(contact_group.begin(), contact_group.end(), [](const contact_group_record& g) { return !g.in_use; });
    if (free == contact_group.end()) {
        message_box_printf("Max groups reached, can not add more.");
        return -1;
    }
    free->id = new_id;
    free->in_use = 1;
    copy_to_field(free->name, cut_copy(name, group_name_dialog_limit));
    write_group_file();
    return new_id;
}

int rename_group(int id, std::string_view name)
{
    for (contact_group_record& g : contact_group)
        if (g.in_use && g.id == id)
            copy_to_field(g.name, cut_copy(name, group_name_dialog_limit));
    return write_group_file();
}

int delete_group(int id)
{
    std::string name = group_name_of(id).value_or("");
    for (const contact_info_record& c : contact_info) {
        if (c.in_use && c.group_id == id) {
            message_box_printf("There are members in %s, please delete those members first.", name.c_str());
            return -1;
        }
    }
    if (message_box_printf_yes_no("Are you sure to delete %s ?", name.c_str()) != IDYES)
        return -1;
    for (contact_group_record& g : contact_group)
        if (g.in_use && g.id == id)
            g.in_use = 0;
    return write_group_file();
}

std::optional<std::string> group_name_of(int id)
{
    for (const contact_group_record& g : contact_group)
        if (g.in_use && g.id == id)
            return std::string(g.name.data());
    return std::nullopt;
}
