#pragma once
// The address book: 200 contacts, each in one of 50 groups, kept in
// "contact.txt" and "group.txt" in the user folder (UTF-8, one record a
// line: "%d|%s|%s|%s|%s" = group id, e-mail, first name, last name,
// comment; "%d|%s" = group id, name). The tables belong to the UI thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int contact_count = 200;
inline constexpr int group_count = 50;
inline constexpr size_t contact_name_limit = 49;     // first and last name
inline constexpr size_t contact_text_limit = 99;     // e-mail and comment
inline constexpr size_t group_name_dialog_limit = 49;
inline constexpr size_t group_name_file_limit = 99;
inline constexpr int no_group_id = -1;

struct contact_info_record {
    std::array<char, 50> first_name {};
    std::array<char, 50> last_name {};
    std::array<char, 100> email {};
    std::array<char, 100> comment {};
    std::array<char, 100> spare {};
    int32_t group_id = no_group_id;
    uint32_t in_use = 0;
};

struct contact_group_record {
    int32_t id = 0;
    uint32_t in_use = 0;
    std::array<char, 100> name {};
};

extern std::array<contact_info_record, contact_count> contact_info;
extern std::array<contact_group_record, group_count> contact_group;

// Lines of a file that did not fit its table or could not be read into it
// (a group line without a number): written back after the table, so that
// nothing the file held is lost by the next write.
extern std::vector<std::string> contact_file_rest;
extern std::vector<std::string> group_file_rest;

// Reading: a missing file returns -1 and leaves its table as it was;
// otherwise the table is emptied and filled from the file (0).
int read_group_file();
int read_contact_file();
// Writing goes to "group_tmp.txt" / "contact_tmp.txt", which then replaces
// the file; a failure shows its message, leaves the file as it was and
// returns -1. The table keeps what it holds.
int write_group_file();
int write_contact_file();

std::string group_file_path();
std::string contact_file_path();

// What the contact dialogs edit.
struct ContactFields {
    std::string email;
    std::string first_name;
    std::string last_name;
    std::string comment;
    int group_id = no_group_id;
};

// The file keeps a record a line with '|' between its first five fields:
// "" when the fields can be stored, else the English refusal.
std::string contact_fields_refusal(const ContactFields& fields);
std::string group_name_refusal(std::string_view name);

ContactFields contact_fields(int index);

// Stores into the first free slot and writes the file: the slot, or -1 when
// the table is full ("Max contacts reached, can not add more.").
int add_contact(const ContactFields& fields);
// Stores the fields back into slot index, writes the file and reads it again.
int edit_contact(int index, const ContactFields& fields);
// Asks "Are you sure to delete %s %s?"; Yes frees the slot, writes and reads
// the file (0). -1 when the answer was No or the slot is not in use.
int delete_contact(int index);

// The group choices of the lists: (name, id) of every group in use, in table order.
struct GroupChoice {
    std::string name;
    int id = 0;
};
std::vector<GroupChoice> group_choices();

// One row of the contact lists: "%s %s" of first and last name, e-mail,
// comment, and the slot as item data.
struct ContactRow {
    std::string name;
    std::string email;
    std::string comment;
    int index = -1;
};
inline constexpr int all_groups_id = -1;  // the "All" entry's value
std::vector<ContactRow> contact_rows(int group_filter);

// Largest id in use + 1 (1 when there is none), into the first free entry;
// writes the file. The new id, or -1 when the table is full ("Max groups
// reached, can not add more.").
int add_group(std::string_view name);
// Renames every group in use with that id and writes the file.
int rename_group(int id, std::string_view name);
// Refuses a group with members ("There are members in %s, please delete
// those members first."), then asks "Are you sure to delete %s ?"; Yes
// frees it and writes the file (0). -1 when refused or answered No.
int delete_group(int id);
std::optional<std::string> group_name_of(int id);
