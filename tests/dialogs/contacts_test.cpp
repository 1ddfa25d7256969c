// The address book without windows: "contact.txt" and "group.txt" read and
// written back in a private user folder, the add, edit and delete rules of
// contacts and groups, and what the dialogs must refuse to store.

#include "core/message_box.h"
#include "dialogs/contacts.h"
#include "tests/support/temp_home.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

void write_text(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct Contacts : ::testing::Test {
    TempHome home;
    ScriptedMessageBoxes boxes;
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        contact_info.fill({});
        contact_group.fill({});
        contact_file_rest.clear();
        group_file_rest.clear();
    }
    void TearDown() override { set_message_box_presenter(nullptr); }

    // The contacts in use, one "group|email|first|last|comment" line each.
    static std::vector<std::string> table()
    {
        std::vector<std::string> lines;
        for (const contact_info_record& c : contact_info)
            if (c.in_use)
                lines.push_back(std::to_string(c.group_id) + "|" + c.email.data() + "|" + c.first_name.data() + "|"
                                + c.last_name.data() + "|" + c.comment.data());
        return lines;
    }
};

using Lines = std::vector<std::string>;

// n times the three bytes of one Chinese character.
std::string zhang(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "\xe5\xbc\xa0";
    return text;
}

} // namespace

// What a contact file holds, as the table reads it and as it is written back.
TEST_F(Contacts, ContactFileReadsIntoTheTableAndWritesBack)
{
    const std::string b49(49, 'b');
    const std::string c99(99, 'c');
    struct Case {
        const char* what;
        std::string file;
        Lines table;
        std::string written;
    } cases[] = {
        { "a comment runs on over a fifth bar", "3|ann@x.org|Ann|Lee|note|more|end\n",
          { "3|ann@x.org|Ann|Lee|note|more|end" }, "3|ann@x.org|Ann|Lee|note|more|end\n" },
        { "missing fields stay empty", "2|bo@x.org\n7\n", { "2|bo@x.org|||", "7||||" }, "2|bo@x.org|||\n7||||\n" },
        { "a last line without its line feed is read", "1|a@x|A|B|c\n2|d@x|D|E|f",
          { "1|a@x|A|B|c", "2|d@x|D|E|f" }, "1|a@x|A|B|c\n2|d@x|D|E|f\n" },
        { "CRLF line ends, stray carriage returns", "1|a@x|A|B|c\r\n2|d@x|D\r|E|f\r\r\n",
          { "1|a@x|A|B|c", "2|d@x|D|E|f" }, "1|a@x|A|B|c\n2|d@x|D|E|f\n" },
        { "NUL bytes are dropped", std::string("1|a@x|A\0n|B|c\n", 14), { "1|a@x|An|B|c" }, "1|a@x|An|B|c\n" },
        { "empty lines are skipped", "\n\n1|a@x|A|B|c\n\n", { "1|a@x|A|B|c" }, "1|a@x|A|B|c\n" },
        { "a group id that is no number means no group", "abc|a@x|A|B|c\n99999999999|d@x|D|E|f\n",
          { "-1|a@x|A|B|c", "-1|d@x|D|E|f" }, "-1|a@x|A|B|c\n-1|d@x|D|E|f\n" },
        { "a number's leading digits are the id, as %d reads them", " 12x|a@x|A|B|c\n", { "12|a@x|A|B|c" },
          "12|a@x|A|B|c\n" },
        { "fields are cut to their limits", "1|" + std::string(150, 'e') + "|" + b49 + "bb|" + b49 + "|" + c99 + "cc\n",
          { "1|" + std::string(99, 'e') + "|" + b49 + "|" + b49 + "|" + c99 },
          "1|" + std::string(99, 'e') + "|" + b49 + "|" + b49 + "|" + c99 + "\n" },
        { "a long line stays one contact", "1|a@x|A|B|" + std::string(3000, 'z') + "\n2|d@x|D|E|f\n",
          { "1|a@x|A|B|" + std::string(99, 'z'), "2|d@x|D|E|f" },
          "1|a@x|A|B|" + std::string(99, 'z') + "\n2|d@x|D|E|f\n" },
        { "UTF-8 names are cut between characters", "1|a@x|" + zhang(17) + "|B|c\n", { "1|a@x|" + zhang(16) + "|B|c" },
          "1|a@x|" + zhang(16) + "|B|c\n" },
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_text(contact_file_path(), c.file);
        ASSERT_EQ(read_contact_file(), 0);
        EXPECT_EQ(table(), c.table);
        ASSERT_EQ(write_contact_file(), 0);
        EXPECT_EQ(read_file(contact_file_path()), c.written);
        EXPECT_FALSE(file_exists(home.user_folder() + "contact_tmp.txt"));
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(Contacts, AMissingFileLeavesTheTablesAsTheyWere)
{
    add_group("Friends");
    ASSERT_EQ(add_contact({ "a@x", "A", "B", "c", 1 }), 0);
    std::filesystem::remove(contact_file_path());
    std::filesystem::remove(group_file_path());
    EXPECT_EQ(read_contact_file(), -1);
    EXPECT_EQ(read_group_file(), -1);
    EXPECT_EQ(table(), Lines { "1|a@x|A|B|c" });
    EXPECT_EQ(group_name_of(1), "Friends");
}

// A file longer than the table: the lines beyond it are neither shown nor lost.
TEST_F(Contacts, LinesBeyondTheTableAreKeptThroughWrites)
{
    std::string file;
    for (int i = 0; i < 5000; ++i)
        file += std::to_string(i % 7) + "|p" + std::to_string(i) + "@x|P|" + std::to_string(i) + "|\n";
    write_text(contact_file_path(), file);
    ASSERT_EQ(read_contact_file(), 0);
    EXPECT_EQ(table().size(), 200u);
    EXPECT_EQ(contact_file_rest.size(), 4800u);
    EXPECT_EQ(add_contact({ "new@x", "N", "N", "", -1 }), -1);
    EXPECT_EQ(boxes.texts(), Lines { "Max contacts reached, can not add more." });

    boxes.answer_with(MessageBoxButton::yes);
    ASSERT_EQ(delete_contact(0), 0);
    // The freed place is taken by the first kept line when the file is read again.
    EXPECT_EQ(table().size(), 200u);
    EXPECT_EQ(table().back(), "4|p200@x|P|200|");
    std::string written = read_file(contact_file_path());
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 4999);
    EXPECT_EQ(written.find("|p0@x|"), std::string::npos);
    EXPECT_NE(written.find("\n1|p4999@x|P|4999|\n"), std::string::npos);
}

TEST_F(Contacts, GroupFileReadsIntoTheTableAndWritesBack)
{
    struct Case {
        const char* what;
        std::string file;
        Lines groups;        // "id name"
        Lines rest;
        std::string written;
    } cases[] = {
        { "names after the first bar, bars kept", "1|Friends\n4|A|B\n", { "1 Friends", "4 A|B" }, {},
          "1|Friends\n4|A|B\n" },
        { "no bar: an empty name", "3\n", { "3 " }, {}, "3|\n" },
        { "a last line without its line feed, CRLF", "1|One\r\n2|Two", { "1 One", "2 Two" }, {}, "1|One\n2|Two\n" },
        { "a line without an id, or with -1, is kept as it is", "x|Lost\n2|Two\n-1|All\n", { "2 Two" },
          { "x|Lost", "-1|All" }, "2|Two\nx|Lost\n-1|All\n" },
        { "names are cut at 99 bytes", "5|" + std::string(120, 'n') + "\n", { "5 " + std::string(99, 'n') }, {},
          "5|" + std::string(99, 'n') + "\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_text(group_file_path(), c.file);
        ASSERT_EQ(read_group_file(), 0);
        Lines groups;
        for (const GroupChoice& g : group_choices())
            groups.push_back(std::to_string(g.id) + " " + g.name);
        EXPECT_EQ(groups, c.groups);
        EXPECT_EQ(group_file_rest, c.rest);
        ASSERT_EQ(write_group_file(), 0);
        EXPECT_EQ(read_file(group_file_path()), c.written);
    }
    std::string many;
    for (int i = 1; i <= 60; ++i)
        many += std::to_string(i) + "|g" + std::to_string(i) + "\n";
    write_text(group_file_path(), many);
    ASSERT_EQ(read_group_file(), 0);
    EXPECT_EQ(group_choices().size(), 50u);
    EXPECT_EQ(group_file_rest.size(), 10u);
}

// A write that cannot be made leaves the file as it was, says so, and the table keeps the edit.
TEST_F(Contacts, AFailedWriteLeavesTheFileAndShowsItsMessage)
{
    write_text(contact_file_path(), "1|a@x|A|B|c\n");
    write_text(group_file_path(), "1|One\n");
    ASSERT_EQ(read_contact_file(), 0);
    ASSERT_EQ(read_group_file(), 0);
    std::filesystem::create_directory(home.user_folder() + "contact_tmp.txt");
    std::filesystem::create_directory(home.user_folder() + "group_tmp.txt");
    EXPECT_EQ(add_contact({ "n@x", "N", "M", "", 1 }), 1);
    EXPECT_EQ(add_group("Two"), 2);
    EXPECT_EQ(boxes.texts(), (Lines { "Failed to open contact file to write.", "Failed to open group file to write." }));
    EXPECT_EQ(read_file(contact_file_path()), "1|a@x|A|B|c\n");
    EXPECT_EQ(read_file(group_file_path()), "1|One\n");
    EXPECT_EQ(table(), (Lines { "1|a@x|A|B|c", "1|n@x|N|M|" }));
}

TEST_F(Contacts, ListsFilterByGroupAndAllShowsEveryone)
{
    EXPECT_EQ(add_group("Work"), 1);
    EXPECT_EQ(add_group("Home"), 2);
    add_contact({ "a@x", "Ann", "Lee", "boss", 1 });
    add_contact({ "b@x", "Bo", "Wu", "", 2 });
    // Added while the dialog's group list was empty: no group, listed only under "All".
    add_contact({ "c@x", "Cy", "Ng", "", no_group_id });
    auto names = [](int filter) {
        Lines out;
        for (const ContactRow& r : contact_rows(filter))
            out.push_back(r.name + "/" + r.email + "/" + r.comment + "/" + std::to_string(r.index));
        return out;
    };
    EXPECT_EQ(names(all_groups_id), (Lines { "Ann Lee/a@x/boss/0", "Bo Wu/b@x//1", "Cy Ng/c@x//2" }));
    EXPECT_EQ(names(1), Lines { "Ann Lee/a@x/boss/0" });
    EXPECT_EQ(names(2), Lines { "Bo Wu/b@x//1" });
    EXPECT_EQ(read_file(contact_file_path()), "1|a@x|Ann|Lee|boss\n2|b@x|Bo|Wu|\n-1|c@x|Cy|Ng|\n");
    EXPECT_EQ(read_file(group_file_path()), "1|Work\n2|Home\n");
}

TEST_F(Contacts, GroupIdsGrowPastTheLargestAndGroupsWithMembersStay)
{
    for (const char* name : { "One", "Two", "Three" })
        add_group(name);
    boxes.answer_with(MessageBoxButton::yes);
    ASSERT_EQ(delete_group(2), 0);
    EXPECT_EQ(add_group("Four"), 4);
    EXPECT_EQ(read_file(group_file_path()), "1|One\n4|Four\n3|Three\n");

    add_contact({ "a@x", "Ann", "Lee", "", 3 });
    boxes.clear();
    EXPECT_EQ(delete_group(3), -1);
    EXPECT_EQ(boxes.texts(), Lines { "There are members in Three, please delete those members first." });
    EXPECT_EQ(group_name_of(3), "Three");

    boxes.clear();
    boxes.answer_with(MessageBoxButton::no);
    EXPECT_EQ(delete_group(1), -1);
    EXPECT_EQ(boxes.texts(), Lines { "Are you sure to delete One ?" });
    EXPECT_EQ(group_name_of(1), "One");

    ASSERT_EQ(rename_group(4, "Fourth"), 0);
    EXPECT_EQ(read_file(group_file_path()), "1|One\n4|Fourth\n3|Three\n");
}

TEST_F(Contacts, TablesRefuseTheOneBeyondTheirSize)
{
    for (int i = 0; i < group_count; ++i)
        ASSERT_EQ(add_group("g" + std::to_string(i)), i + 1);
    EXPECT_EQ(add_group("more"), -1);
    for (int i = 0; i < contact_count; ++i)
        ASSERT_EQ(add_contact({ "p@x", "P", std::to_string(i), "", 1 }), i);
    EXPECT_EQ(add_contact({ "q@x", "Q", "Q", "", 1 }), -1);
    EXPECT_EQ(boxes.texts(),
              (Lines { "Max groups reached, can not add more.", "Max contacts reached, can not add more." }));
    ASSERT_EQ(read_contact_file(), 0);
    EXPECT_EQ(table().size(), 200u);
}

TEST_F(Contacts, EditStoresBackAndDeleteAsksFirst)
{
    add_contact({ "a@x", "Ann", "Lee", "", -1 });
    add_contact({ "b@x", "Bo", "Wu", "", -1 });
    ASSERT_EQ(edit_contact(1, { "bo@y", "Bob", "Wu", "new", -1 }), 0);
    EXPECT_EQ(read_file(contact_file_path()), "-1|a@x|Ann|Lee|\n-1|bo@y|Bob|Wu|new\n");
    boxes.answer_with(MessageBoxButton::no);
    EXPECT_EQ(delete_contact(0), -1);
    boxes.answer_with(MessageBoxButton::yes);
    EXPECT_EQ(delete_contact(0), 0);
    EXPECT_EQ(boxes.texts(), (Lines { "Are you sure to delete Ann Lee?", "Are you sure to delete Ann Lee?" }));
    // Read again: the remaining contact moves up to the first place.
    EXPECT_EQ(table(), Lines { "-1|bo@y|Bob|Wu|new" });
    EXPECT_EQ(contact_rows(all_groups_id).at(0).index, 0);
}

// Fields the file cannot carry: '|' would move the fields after it, a line break would start a new record.
TEST_F(Contacts, FieldsThatWouldBreakTheFileAreRefused)
{
    const std::string bar_or_break =
        "Email, first name and last name may not contain '|', and no field may contain a line break.";
    struct Case {
        ContactFields fields;
        bool refused;
    } cases[] = {
        { { "a@x", "Ann", "Lee", "likes | bars", 1 }, false },
        { { "a|b@x", "Ann", "Lee", "", 1 }, true },
        { { "a@x", "A|nn", "Lee", "", 1 }, true },
        { { "a@x", "Ann", "Le|e", "", 1 }, true },
        { { "a@x\n", "Ann", "Lee", "", 1 }, true },
        { { "a@x", "Ann", "Lee", "two\rlines", 1 }, true },
        { { "a@x", "Ann", "Lee", "two\nlines", 1 }, true },
        { { "", "", "", "", -1 }, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(contact_fields_refusal(c.fields), c.refused ? bar_or_break : "") << c.fields.email << c.fields.comment;
    EXPECT_EQ(group_name_refusal("A|B"), "");
    EXPECT_EQ(group_name_refusal("A\nB"), "A group name may not contain a line break.");
}
