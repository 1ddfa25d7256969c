// The real quillet, offscreen in its test mode, starting a fake tamblo: the
// one argument it hands over, the links and names it refuses, the offer
// when there is no tamblo, and its options.

#include "tests/launcher/launcher_fixture.h"

#include <filesystem>
#include <fstream>

namespace {

using Args = std::vector<std::string>;

bool has_line(const std::vector<std::string>& lines, const std::string& want)
{
    for (const std::string& line : lines)
        if (line == want)
            return true;
    return false;
}

} // namespace

TEST_F(LauncherFixture, StartsTambloWithTheMeetingAsItsOneArgument)
{
    struct Case {
        Args args;
        std::string want;
    } cases[] = {
        { { "--name", "Ann", lobby_link }, "127.0.0.1:Local:9081:Lobby:xxsecretxxx:Ann:" },
        // Whatever a shell would make of it reaches tamblo as text, once decoded.
        { { "--name", "Ann", "tamblo://launch?server_addr=h&meeting_room_name=%24(touch%20MARK)%3B%60touch%20MARK%60%7C%26%3C%3E%22'" },
          "h:Default:8080:$(touch MARK);`touch MARK`|&<>\"'::Ann:" },
        { { "--name", "$(touch MARK) \"'", "tamblo://launch?server_addr=h&mp=%25%32%35" }, "h:Default:8080:Beijing::$(touch MARK) \"':%25" },
        { { "--name", std::string(100, 'u'), "tamblo://launch?server_addr=h&server_port=65535" },
          "h:Default:65535:Beijing::" + std::string(63, 'u') + ":" },
    };
    size_t count = 0;
    for (const Case& k : cases) {
        ProgramRun run = run_quillet(k.args);
        EXPECT_EQ(run.exit_status, 0) << run.output;
        ASSERT_TRUE(wait_for_starts(++count)) << k.args.back();
        EXPECT_EQ(starts().back(), Args { k.want });
    }
    EXPECT_EQ(starts().size(), count);
    EXPECT_TRUE(boxes().empty());
    EXPECT_FALSE(file_exists(folder + "/MARK"));
    EXPECT_FALSE(file_exists("MARK"));
}

TEST_F(LauncherFixture, FindsTambloOnThePathWhenNoneIsStored)
{
    store_exe_path("");
    std::string bin = folder + "/path_bin";
    std::filesystem::create_directories(bin);
    place_fake(bin + "/tamblo");
    ProgramRun run = run_quillet({ "--name", "Ann", lobby_link }, { "PATH=" + bin + ":/usr/bin:/bin" }, { "PATH" });
    EXPECT_EQ(run.exit_status, 0) << run.output;
    ASSERT_TRUE(wait_for_starts(1));
    EXPECT_EQ(starts()[0], Args { "127.0.0.1:Local:9081:Lobby:xxsecretxxx:Ann:" });
}

TEST_F(LauncherFixture, HostileLinksAreRefusedAndStartNothing)
{
    struct Case {
        std::string link;
        std::string box; // "" when the arguments themselves are refused
    } cases[] = {
        { lobby_link + "&c=" + std::string(100 * 1024, 'a'), "The meeting link is not valid (length)." },
        { lobby_link + "&text=%00", "The meeting link is not valid (text)." },
        { "tamblo://launch?server_addr=h&meeting_room_name=x%0a-platform", "The meeting link is not valid (meeting_room_name)." },
        { "tamblo://launch?server_addr=h&server_name=a%3A9:b", "The meeting link is not valid (server_name)." },
        { "tamblo://launch?server_addr=h&mp=%FF", "The meeting link is not valid (mp)." },
        { "tamblo://launch?server_addr=h&server_addr=%24(touch%20MARK)", "The meeting link is not valid (server_addr)." },
        { "tamblo://launch?server_addr=-stylesheet=x", "The meeting link is not valid (server_addr)." },
        { "tamblo://launch?server_port=99999&server_addr=h", "The meeting link is not valid (server_port)." },
        { "tamblo://launch?server_addr=h&mp=%4", "The meeting link is not valid (mp)." },
        { "javascript:alert(1)", "The meeting link is not valid (scheme)." },
        { "-platform", "" },
        { "--name", "" },
    };
    for (const Case& k : cases) {
        ProgramRun run = run_quillet({ "--name", "Ann", k.link });
        EXPECT_EQ(run.exit_status, 1) << k.link.substr(0, 80);
        if (!k.box.empty()) {
            EXPECT_TRUE(has_line(boxes(), k.box)) << k.box;
        }
    }
    // A good link afterwards is the only start the fake ever saw.
    ASSERT_EQ(run_quillet({ "--name", "Ann", lobby_link }).exit_status, 0);
    ASSERT_TRUE(wait_for_starts(1));
    EXPECT_EQ(starts(), std::vector<Args> { Args { "127.0.0.1:Local:9081:Lobby:xxsecretxxx:Ann:" } });
    EXPECT_FALSE(file_exists(folder + "/MARK"));
}

TEST_F(LauncherFixture, NamesAreCheckedAsTheDialogChecksThem)
{
    struct Case {
        const char* name;
        const char* box;
    } cases[] = {
        { "Ann:admin", "The name entered should not contain ':'" },
        { "   ", "The name entered should not be blank." },
        { "", "The name entered should not be blank." },
    };
    for (const Case& k : cases) {
        EXPECT_EQ(run_quillet({ "--name", k.name, lobby_link }).exit_status, 1) << k.name;
        EXPECT_TRUE(has_line(boxes(), k.box)) << k.name;
    }
    // Without --name the dialog asks; the test mode logs it and cancels.
    EXPECT_EQ(run_quillet({ lobby_link }).exit_status, 0);
    EXPECT_TRUE(has_line(boxes(), "Information Required"));
    ASSERT_EQ(run_quillet({ "--name", "Ann", lobby_link }).exit_status, 0);
    ASSERT_TRUE(wait_for_starts(1));
    EXPECT_EQ(starts().size(), 1u);
}

TEST_F(LauncherFixture, WithoutAProgramAtTheStoredPathTheOfferIsMade)
{
    std::string not_executable = folder + "/plain_file";
    std::ofstream(not_executable) << "#!/bin/sh\ntouch MARK\n";
    std::string dangling = folder + "/dangling";
    std::filesystem::create_symlink(folder + "/gone", dangling);
    std::string offer_start = "Your tamblo software is not installed";
    for (const std::string& stored : { folder + "/bin", not_executable, dangling, folder + "/missing" }) {
        store_exe_path(stored);
        std::filesystem::remove(boxes_log);
        ProgramRun run = run_quillet({ "--name", "Ann", lobby_link });
        // Declined: the test mode closes the box.
        EXPECT_EQ(run.exit_status, 0) << stored << run.output;
        std::string text = read_file(boxes_log);
        EXPECT_EQ(text.rfind(offer_start, 0), 0u) << stored << ": " << text;
        EXPECT_NE(text.find("http://127.0.0.1/home/release/tamblo_install.deb"), std::string::npos) << text;
    }
    EXPECT_TRUE(starts().empty());
    EXPECT_FALSE(file_exists(folder + "/MARK"));
}

TEST_F(LauncherFixture, AStartThatFailsIsSaid)
{
    // Executable, but no program the system can run.
    std::string broken = folder + "/bin/broken";
    std::ofstream(broken) << "not a program\n";
    std::filesystem::permissions(broken, std::filesystem::perms::owner_all);
    store_exe_path(broken);
    EXPECT_EQ(run_quillet({ "--name", "Ann", lobby_link }).exit_status, 1);
    EXPECT_TRUE(has_line(boxes(), "Failed to start " + broken + "."));
}

TEST_F(LauncherFixture, OptionsAndStrayArguments)
{
    struct Case {
        Args args;
        int status;
        const char* output; // a piece of what it prints
    } cases[] = {
        { { "--help" }, 0, "Usage: quillet" },
        { { "--version" }, 0, "quillet 1.9.4" },
        { {}, 1, "Usage: quillet" },
        { { "-x" }, 1, "Usage: quillet" },
        { { "--name", "Ann" }, 1, "Usage: quillet" },
        { { "--name", "Ann", "--register" }, 1, "Usage: quillet" },
        { { lobby_link, lobby_link }, 1, "Usage: quillet" },
    };
    for (const Case& k : cases) {
        ProgramRun run = run_quillet(k.args);
        EXPECT_EQ(run.exit_status, k.status) << (k.args.empty() ? "" : k.args[0]);
        EXPECT_NE(run.output.find(k.output), std::string::npos) << run.output;
    }
    EXPECT_TRUE(starts().empty());
}

// Without a display the launcher says what it needs instead of Qt's advice to reinstall.
TEST_F(LauncherFixture, WithoutAnXDisplayItSaysSo)
{
    ProgramRun run = run_program({ TAMBLO_QUILLET, "--name", "Ann", lobby_link }, {}, { "DISPLAY", "QT_QPA_PLATFORM" }, 20000);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.output.find("quillet: no X display (DISPLAY is not set)"), std::string::npos) << run.output;
    EXPECT_TRUE(starts().empty());
}

// Settings that cannot be read are said, and without a path the offer follows.
TEST_F(LauncherFixture, UnreadableSettingsAreSaidAndLeadToTheOffer)
{
    std::filesystem::remove(home.config_file());
    std::filesystem::create_directories(home.config_file());
    EXPECT_EQ(run_quillet({ "--name", "Ann", lobby_link }, { "PATH=/usr/bin:/bin" }, { "PATH" }).exit_status, 0);
    std::vector<std::string> shown = boxes();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], "create key failed in reg read!");
    EXPECT_NE(read_file(boxes_log).find("Your tamblo software is not installed"), std::string::npos);
    EXPECT_TRUE(starts().empty());
}
