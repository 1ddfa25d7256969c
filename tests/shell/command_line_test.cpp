#include "core/global_state.h"
#include "core/message_box.h"
#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace {

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_launch_params_given = 0;
        g_start_open_board = 0;
        g_start_play_record = 0;
        g_start_file_path.clear();
        g_server_port = 1234;
        g_server_host.clear();
        g_access_code.clear();
    }
    ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(CommandLine, SevenFieldsAreStored)
{
    EXPECT_EQ(parse_launch_command_line("srv.local:My Server:9081:Lobby:xxSECRETyyy:ann:pw"), 0);
    EXPECT_EQ(g_launch_params_given, 1);
    EXPECT_EQ(g_server_host.get(), "srv.local");
    EXPECT_EQ(g_server_display_name.get(), "My Server");
    EXPECT_EQ(g_server_port, 9081);
    EXPECT_EQ(g_room_name.get(), "Lobby");
    EXPECT_EQ(g_access_code.get(), "SECRET");
    EXPECT_EQ(g_login_name.get(), "ann");
    EXPECT_EQ(g_room_password.get(), "pw");
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(CommandLine, FieldsAreCutAtTheirLimits)
{
    std::string long_field(100, 'h');
    std::string line = long_field + ":" + long_field + "::" + long_field + ":ab" + long_field + "cde:" + long_field + ":" + long_field;
    EXPECT_EQ(parse_launch_command_line(line), 0);
    EXPECT_EQ(g_server_host.get().size(), 63u);
    EXPECT_EQ(g_room_name.get().size(), 63u);
    EXPECT_EQ(g_access_code.get(), std::string(63, 'h'));
    EXPECT_EQ(g_room_password.get().size(), 31u);
    EXPECT_EQ(g_server_port, 1234) << "an empty port leaves the stored one";
}

TEST_F(CommandLine, RefusalsAndSilentIgnores)
{
    struct Case {
        const char* line;
        int result;
        const char* message; // nullptr: none
        int stored;
    } cases[] = {
        { "a:b:1:r:xxcodeyyy:n:p:extra", -1, "Parameter not correct.", 0 },
        { "a:b:1:r:xxcodeyyy:n:p:e:f", -1, "Parameter not correct.", 0 },
        { "a:b:1:r:x", 0, nullptr, 0 },
        { "a:b:1:r:x:y", 0, nullptr, 0 },
        { "a:b:81a:r:xxcodeyyy:n:p", -1, "port num not correct.", 0 },
        { "a:b:-81:r:xxcodeyyy:n:p", -1, "port num not correct.", 0 },
        { "a:b: 81:r:abcd:n:p", -1, "Invalide c.", 0 },
        { "a:b: 81:r:abcde:n:p", 0, nullptr, 1 },
    };
    for (const Case& c : cases) {
        SetUp();
        boxes.clear();
        EXPECT_EQ(parse_launch_command_line(c.line), c.result) << c.line;
        EXPECT_EQ(g_launch_params_given, c.stored) << c.line;
        auto texts = boxes.texts();
        if (c.message)
            EXPECT_EQ(texts, std::vector<std::string> { c.message }) << c.line;
        else
            EXPECT_TRUE(texts.empty()) << c.line;
    }
}

TEST_F(CommandLine, BlankPortIsReadAsANumberAndFiveCharacterCodeIsEmpty)
{
    EXPECT_EQ(parse_launch_command_line("a:b: 81:r:abcde:n:p"), 0);
    EXPECT_EQ(g_server_port, 81);
    EXPECT_EQ(g_access_code.get(), "");
}

TEST_F(CommandLine, FewerThanFourColonsIsAFilePath)
{
    struct Case {
        const char* line;
        int board, record;
        const char* path;
        const char* message;
    } cases[] = {
        { "\"/home/ann/meeting.mrd\"", 0, 1, "/home/ann/meeting.mrd", nullptr },
        { "/home/ann/board.bod", 1, 0, "/home/ann/board.bod", nullptr },
        { "\"C:\\x\\board.bod\"", 1, 0, "C:\\x\\board.bod", nullptr },
        { "/home/ann/board.BOD", 0, 0, "", "file suffix not correct." },
        { "\"/home/ann/notes.txt\"", 0, 0, "", "file suffix not correct." },
        { "\"half-quoted.mrd", 0, 1, "\"half-quoted.mrd", nullptr },
    };
    for (const Case& c : cases) {
        SetUp();
        boxes.clear();
        EXPECT_EQ(parse_launch_command_line(c.line), 0) << c.line;
        EXPECT_EQ(g_start_open_board, c.board) << c.line;
        EXPECT_EQ(g_start_play_record, c.record) << c.line;
        EXPECT_EQ(g_start_file_path.get(), c.path) << c.line;
        EXPECT_EQ(boxes.texts().size(), c.message ? 1u : 0u) << c.line;
    }
}

TEST_F(CommandLine, OneOrTwoCharactersDoNothing)
{
    EXPECT_EQ(parse_launch_command_line("x"), -1);
    EXPECT_EQ(parse_launch_command_line("\"\""), -1);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(g_start_play_record + g_start_open_board, 0);
}

TEST_F(CommandLine, FilePathIsCutAt255)
{
    std::string path = "/" + std::string(300, 'd') + ".mrd";
    // The copy keeps 1023 characters; the stored path 255.
    EXPECT_EQ(open_recording_argument(path), 0);
    EXPECT_EQ(g_start_file_path.get().size(), 255u);
}
