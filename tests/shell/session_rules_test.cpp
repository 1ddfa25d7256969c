// The checks, limits and settings of the connect, login, meeting-room,
// password and rest-room dialogs, without windows.

#include "core/global_state.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/rest_room_rules.h"
#include "shell/room_rules.h"
#include "shell/server_choice.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

namespace {

std::string read_setting(const char* name)
{
    std::string value;
    reg_read("general", name, value, 256);
    return value;
}

class SessionRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        load_default_servers();
        g_login_pending = 0;
        g_join_pending = 0;
        g_logged_in = 0;
        g_launch_params_given = 0;
        g_auto_connect_allowed = 1;
        g_start_play_record = 0;
        g_server_list_refreshing = 0;
        g_created_room_count = 0;
    }
    TempHome home;
};

} // namespace

TEST(LoginFields, RefusalsComeInTheirOrderWithTheirFieldAndWhetherItIsEmptied)
{
    struct Case {
        std::string name;
        std::string code;
        const char* text; // nullptr: accepted
        LoginField field;
        bool emptied;
    };
    const std::string name31(31, 'n');
    const std::string code30(30, 'c');
    const Case cases[] = {
        { name31, code30, nullptr, LoginField::name, false },
        { name31 + "n", "", "Login name too long, please less than 31 chars.", LoginField::name, true },
        // The name's length is checked before the code's.
        { name31 + "n", code30 + "c", "Login name too long, please less than 31 chars.", LoginField::name, true },
        { "ann", code30 + "c", "Auth code too long, please less than 30 chars.", LoginField::code, true },
        { "an:n", "a:b", "Login name should not contain ':'", LoginField::name, true },
        { "ann", "a:b", "Auth code should not contain ':'.", LoginField::code, true },
        { "   ", "", "Login Name should not be all blank.", LoginField::name, false },
        { "", "code", "Login Name should not be all blank.", LoginField::name, false },
        { " ann ", "", nullptr, LoginField::name, false },
        // Bytes count, as on the wire: eleven Chinese characters are 33 bytes.
        { "\u5f20\u5f20\u5f20\u5f20\u5f20\u5f20\u5f20\u5f20\u5f20\u5f20\u5f20", "", "Login name too long, please less than 31 chars.", LoginField::name, true },
    };
    for (const Case& c : cases) {
        std::optional<LoginRefusal> refusal = check_login_fields(c.name, c.code);
        if (!c.text) {
            EXPECT_FALSE(refusal) << c.name;
            continue;
        }
        ASSERT_TRUE(refusal) << c.name;
        EXPECT_EQ(refusal->text, c.text) << c.name;
        EXPECT_EQ(refusal->field, c.field) << c.name;
        EXPECT_EQ(refusal->empty_field, c.emptied) << c.name;
    }
}

TEST(PasswordChange, RefusalsComeInTheirOrderAndOnlyAMismatchEmptiesTheNewFields)
{
    struct Case {
        const char* old_password;
        const char* new_password;
        const char* retyped;
        const char* text;
        bool empty_new;
    };
    const Case cases[] = {
        { "", "", "", nullptr, false },
        { "0123456789abcdef", "0123456789abcdef", "0123456789abcdef", nullptr, false },
        { "0123456789abcdefg", "x", "y", "The max length of the old passwd is 16.", false },
        { "a:b", "x", "y", "old passwd can not contain ':'.", false },
        { "old", "x", "y", "New passwd not match, please retype.", true },
        { "old", "0123456789abcdefg", "0123456789abcdefg", "The max length of the new passwd is 16.", false },
        { "old", "a:b", "a:b", "New passwd can not contain ':'.", false },
    };
    for (const Case& c : cases) {
        std::optional<PasswordRefusal> refusal = check_password_change(c.old_password, c.new_password, c.retyped);
        if (!c.text) {
            EXPECT_FALSE(refusal) << c.new_password;
            continue;
        }
        ASSERT_TRUE(refusal) << c.new_password;
        EXPECT_EQ(refusal->text, c.text);
        EXPECT_EQ(refusal->empty_new, c.empty_new) << c.text;
    }
}

TEST_F(SessionRules, CreateRefusesBlankNamesColonsAndAFourthRoom)
{
    EXPECT_EQ(create_room_refusal(""), "Meeting room name should not be blank.");
    EXPECT_EQ(create_room_refusal("a:b"), "Meeting room name should not contain ':'.");
    EXPECT_EQ(create_room_refusal("Board"), "");
    for (int i = 0; i < created_rooms_limit; ++i)
        create_room("Board" + std::to_string(i)); // no connection: the send fails quietly, the count goes on
    EXPECT_EQ(g_created_room_count, created_rooms_limit);
    EXPECT_EQ(create_room_refusal("Board"), "Sorry, you can only create three meeting rooms in a session.");
}

TEST_F(SessionRules, JoinKeepsRoomAndPasswordAndWritesAutoJoinOnlyWhenAsked)
{
    join_room("Lobby", "0123456789abcdefXYZ", false);
    EXPECT_EQ(g_room_name.get(), "Lobby");
    EXPECT_EQ(g_room_password.get(), "0123456789abcdef");
    EXPECT_EQ(read_setting("auto_join_meeting_room"), "");
    join_room("Board", "pw", true);
    EXPECT_EQ(read_setting("auto_join_meeting_room"), "Board");
    EXPECT_EQ(read_setting("auto_join_passwd"), "pw");
    store_auto_join(true);
    EXPECT_TRUE(auto_join_checked());
    store_auto_join(false);
    EXPECT_EQ(read_setting("auto_join"), "0");
    EXPECT_EQ(room_list_name(std::string(80, 'r').c_str(), 80), std::string(63, 'r'));
    EXPECT_EQ(room_list_name(nullptr, 5), "");
}

TEST_F(SessionRules, ServerListRunsFromTheLastEntryToTheFirst)
{
    ASSERT_EQ(do_server_address_from_server("Far away:127.0.0.1:9090"), 0);
    std::vector<ServerLine> lines = server_list_lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.front().show_name, "Far away");
    EXPECT_EQ(lines.front().index, 4);
    EXPECT_EQ(lines[1].show_name, "Local server");
    EXPECT_EQ(lines.back().index, 0);

    // Without a list from a server the local server is the first line.
    load_default_servers();
    EXPECT_EQ(server_list_lines().front().show_name, "Local server");
    EXPECT_EQ(server_list_lines().front().index, 3);
}

TEST_F(SessionRules, ListedServerTakesTheChosenPortOrItsOwn)
{
    ASSERT_EQ(do_server_address_from_server("Far away:127.0.0.1:9090"), 0);
    ServerChoice choice;
    EXPECT_EQ(choose_listed_server(-1, 0, choice), "Please choose a server to connect.");
    EXPECT_EQ(choose_listed_server(20, 0, choice), "Server index out of range.");
    EXPECT_EQ(choose_listed_server(-2, 0, choice), "Server index out of range.");
    EXPECT_EQ(choose_listed_server(4, port_choice_default, choice), "");
    EXPECT_EQ(choice.host, "127.0.0.1");
    EXPECT_EQ(choice.port, 9090);
    EXPECT_EQ(choice.display_name, "Far away");
    EXPECT_EQ(choose_listed_server(4, 2, choice), "");
    EXPECT_EQ(choice.port, 443);

    const std::pair<const char*, int> expected[] = { { "Default", 9081 }, { "irc(194)", 194 }, { "https(443)", 443 },
        { "IMAP4 over SSL(993)", 993 }, { "POP3 over SSL(995)", 995 }, { "socks proxy(1080)", 1080 },
        { "SQL Server(1433)", 1433 }, { "msn(1863)", 1863 }, { "http2(8080)", 8080 } };
    for (size_t i = 0; i < port_choices().size(); ++i) {
        EXPECT_STREQ(port_choices()[i].text, expected[i].first);
        EXPECT_EQ(port_choices()[i].port, expected[i].second);
    }
}

TEST_F(SessionRules, ManualAddressRefusesPortsBelowFiftyAndAboveSixteenBits)
{
    struct Case {
        const char* port;
        const char* text;
    };
    const Case cases[] = {
        { "50", "" },
        { " 9081", "" },
        { "65535", "" },
        { "49", "Please enter a port greater than 50." },
        { "", "Please enter a port greater than 50." },
        { "abc", "Please enter a port greater than 50." },
        { "65536", "Please enter a port between 50 and 65535." },
        { "99999999999999999999", "Please enter a port greater than 50." },
    };
    for (const Case& c : cases) {
        ServerChoice choice;
        EXPECT_EQ(choose_manual_server({ 127, 0, 0, 1 }, c.port, choice), c.text) << c.port;
        if (*c.text == '\0') {
            EXPECT_EQ(choice.host, "127.0.0.1");
            EXPECT_EQ(choice.display_name, "Customer IP");
        }
    }
}

TEST_F(SessionRules, AutoConnectSettingsFollowTheCheckBox)
{
    ServerChoice choice { "127.0.0.1", 9085, "Mine" };
    store_auto_connect(true, choice);
    EXPECT_TRUE(auto_connect_checked());
    EXPECT_EQ(read_setting("auto_connect_server"), "127.0.0.1");
    EXPECT_EQ(read_setting("auto_connect_port"), "9085");
    EXPECT_EQ(read_setting("auto_connect_server_show_name"), "Mine");
    EXPECT_TRUE(start_up_connection().auto_connect);

    store_auto_connect(false, choice);
    EXPECT_EQ(read_setting("auto_connect"), "0");
    StartUpConnection next = start_up_connection();
    EXPECT_FALSE(next.auto_connect);
    EXPECT_TRUE(next.open_connect_dialog);
}

TEST_F(SessionRules, StartUpConnectsByItselfOnlyWithoutAnArgument)
{
    struct Case {
        int allowed;
        int setting;
        int launched;
        int play_record;
        bool auto_connect, dialog, reconnect;
    };
    const Case cases[] = {
        { 1, 0, 0, 0, false, true, false },
        { 1, 1, 0, 0, true, false, false },
        // Any argument turns the automatic connection off.
        { 0, 1, 1, 0, false, false, true },
        { 0, 1, 0, 0, false, true, false },  // refused or ignored argument
        { 0, 0, 0, 1, false, false, false }, // a recording to play
    };
    for (const Case& c : cases) {
        g_auto_connect_allowed = c.allowed;
        reg_write_int("general", "auto_connect", c.setting);
        g_launch_params_given = c.launched;
        g_start_play_record = c.play_record;
        StartUpConnection s = start_up_connection();
        EXPECT_EQ(s.auto_connect, c.auto_connect) << c.allowed << c.setting << c.launched;
        EXPECT_EQ(s.open_connect_dialog, c.dialog) << c.allowed << c.setting << c.launched;
        EXPECT_EQ(s.reconnect, c.reconnect) << c.allowed << c.setting << c.launched;
    }
}

TEST_F(SessionRules, ConnectedOpensTheLoginUnlessALoginIsUnderWay)
{
    EXPECT_EQ(after_connected(), AfterConnected::open_login_dialog);
    g_launch_params_given = 1;
    g_login_pending = 1;
    EXPECT_EQ(after_connected(), AfterConnected::nothing);
    EXPECT_EQ(g_launch_params_given, 0);
    // A launcher argument without name or code sent no login: the dialog opens.
    g_launch_params_given = 1;
    g_login_pending = 0;
    EXPECT_EQ(after_connected(), AfterConnected::open_login_dialog);
    g_logged_in = 1;
    EXPECT_EQ(after_connected(), AfterConnected::nothing);
    g_server_list_refreshing = 1;
    EXPECT_EQ(after_connected(), AfterConnected::ignore);
}

TEST_F(SessionRules, LoginSuccessIsQuietStopsOrJoinsAsTheFlagsAndSettingsSay)
{
    g_server_display_name.set("Local server");
    g_login_name.set("ann");
    LoginSuccess plain = after_login_success();
    EXPECT_EQ(plain.caption, "Local server: You are logged in as ann");
    EXPECT_TRUE(plain.show_success);
    EXPECT_TRUE(plain.open_room_dialog);

    g_login_pending = 1;
    g_join_pending = 1;
    LoginSuccess automatic = after_login_success();
    EXPECT_FALSE(automatic.show_success);
    EXPECT_TRUE(automatic.stop);
    EXPECT_FALSE(automatic.open_room_dialog);
    EXPECT_EQ(g_login_pending, 0);
    EXPECT_EQ(g_join_pending, 0);

    reg_write_int("general", "auto_join", 1);
    reg_write("general", "auto_join_meeting_room", "Board");
    reg_write("general", "auto_join_passwd", "pw");
    LoginSuccess joined = after_login_success();
    EXPECT_TRUE(joined.auto_join);
    EXPECT_FALSE(joined.open_room_dialog);
    EXPECT_EQ(g_room_name.get(), "Board");
    EXPECT_EQ(g_room_password.get(), "pw");
}

TEST_F(SessionRules, LoginMemoryIsWrittenAndReadBack)
{
    EXPECT_FALSE(read_login_memory().remember_name);
    store_login_memory({ true, "ann", false, "secret" });
    LoginMemory memory = read_login_memory();
    EXPECT_TRUE(memory.remember_name);
    EXPECT_EQ(memory.name, "ann");
    EXPECT_FALSE(memory.remember_code);
    EXPECT_EQ(memory.code, "");
    EXPECT_EQ(read_setting("remember_auth_code"), "0");
}

TEST(RestRoom, SendAndSendOnReturn)
{
    EXPECT_FALSE(rest_room_line_to_send(""));
    EXPECT_EQ(rest_room_line_to_send("hello"), "hello\r\n");
    EXPECT_EQ(rest_room_line_to_send(std::string(2500, 'x'))->size(), rest_room_input_limit + 2);
    EXPECT_FALSE(rest_room_line_on_change("hello", true));
    EXPECT_FALSE(rest_room_line_on_change("hello\n", false));
    EXPECT_EQ(rest_room_line_on_change("hello\n", true), "hello\r\n");
    EXPECT_EQ(rest_room_line_on_change("a\r\nb\n", true), "a\r\nb\r\n");
}

TEST(RestRoom, HistoryDropsItsOldestWholeLinesWhenFull)
{
    std::string history;
    rest_room_append_history(history, "ann: one\r\n", 24);
    rest_room_append_history(history, "bob: two\r\n", 24);
    EXPECT_EQ(history, "ann: one\r\nbob: two\r\n");
    rest_room_append_history(history, "cid: three\r\n", 24);
    EXPECT_EQ(history, "bob: two\r\ncid: three\r\n");
}
