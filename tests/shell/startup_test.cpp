#include "core/global_state.h"
#include "core/lan_multicast.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "platform/sys/registry_store.h"
#include "platform/ui/translations.h"
#include "shell/ui/brenmo_app.h"
#include "shell/ui/main_frame.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>
#include <filesystem>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

pid_t spawn_program(const std::vector<std::string>& env_extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    for (const auto& e : env_extra)
        env.push_back(e);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = TAMBLO_PROGRAM;
    char* argv[] = { program.data(), nullptr };
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    return pid;
}

bool wait_exit(pid_t pid, int& status, int timeout_ms)
{
    for (int waited = 0; waited < timeout_ms; waited += 20) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

TEST(Startup, ShowsTambloCreatesFoldersAndEmptiesWorkFolders)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(std::filesystem::create_directories(home.user_folder() + "bmp"));
    std::fclose(std::fopen((home.user_folder() + "bmp/stale.bmp").c_str(), "w"));

    CBrenmoApp app("");
    ASSERT_TRUE(app.InitInstance());
    QApplication::processEvents();
    ASSERT_NE(app.main_frame(), nullptr);
    EXPECT_EQ(app.main_frame()->windowTitle(), "Tamblo");
    EXPECT_TRUE(app.main_frame()->isMaximized() || app.main_frame()->isVisible());
    EXPECT_EQ(g_global_state_ready, 1);
    EXPECT_EQ(g_auto_connect_allowed, 1);
    EXPECT_FALSE(file_exists(home.user_folder() + "bmp/stale.bmp"));
    for (const char* f : { "dbg_log.txt", "dbg_log1.txt", "dbg_log2.txt", "share", "play_back", "install" })
        EXPECT_TRUE(file_exists(home.user_folder() + f)) << f;
    EXPECT_EQ(app.ExitInstance(0), 0);
    EXPECT_FALSE(window_exists(WindowSlot::main_frame));
    EXPECT_TRUE(boxes.texts().empty());
}

TEST(Startup, OpensTheMulticastReceiverOnItsPort)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    CBrenmoApp app("");
    ASSERT_TRUE(app.InitInstance());
    for (int waited_ms = 0; waited_ms < 5000 && g_multicast_recv_sock.open == 0; waited_ms += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(g_multicast_recv_sock.open.load(), 1);
    EXPECT_EQ(g_multicast_recv_sock.port.load(), 1559);
    EXPECT_EQ(g_multicast_recv_sock.group_address(), "225.8.88.66");
    app.ExitInstance(0);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST(Startup, LauncherArgumentTurnsAutoConnectOff)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    CBrenmoApp app("127.0.0.1:Local:9081:Lobby:xxcodeyyy:ann:");
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(g_auto_connect_allowed, 0);
    EXPECT_EQ(g_launch_params_given, 1);
    EXPECT_EQ(g_login_name.get(), "ann");
    app.ExitInstance(0);
}

TEST(Startup, SecondCopyIsRefusedAndTheFirstKeepsRunning)
{
    TempHome home;
    std::string boxes_log = home.root() + "/boxes.txt";
    std::vector<std::string> env = { "QT_QPA_PLATFORM=offscreen", "TAMBLO_MESSAGE_BOX_LOG=" + boxes_log };
    pid_t first = spawn_program(env);
    ASSERT_GT(first, 0);
    // The first copy is up once it has rotated its log.
    for (int i = 0; i < 500 && !file_exists(home.user_folder() + "dbg_log1.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(file_exists(home.user_folder() + "dbg_log1.txt"));

    pid_t second = spawn_program(env);
    ASSERT_GT(second, 0);
    int status = 0;
    bool ended = wait_exit(second, status, 20000);
    if (!ended)
        ::kill(second, SIGKILL);
    EXPECT_TRUE(ended);
    EXPECT_EQ(read_file(boxes_log), "An instance of Tamblo is already running.\n");

    int first_status = 0;
    EXPECT_FALSE(wait_exit(first, first_status, 200)) << "the running copy must not be disturbed";
    ::kill(first, SIGTERM);
    if (!wait_exit(first, first_status, 5000)) {
        ::kill(first, SIGKILL);
        ::waitpid(first, &first_status, 0);
    }
}

// The web launcher finds the program where it last started from.
TEST(Startup, EachStartStoresWhereTheProgramIsForTheLauncher)
{
    TempHome home;
    ASSERT_EQ(settings_store().write("tamblo", "exe_path", "/nowhere/tamblo"), platform::StoreResult::ok);
    pid_t program = spawn_program({ "QT_QPA_PLATFORM=offscreen", "TAMBLO_MESSAGE_BOX_LOG=" + home.root() + "/boxes.txt" });
    ASSERT_GT(program, 0);
    const std::string want = std::filesystem::canonical(TAMBLO_PROGRAM).string();
    std::optional<std::string> stored;
    for (int waited_ms = 0; waited_ms < 20000 && stored != want; waited_ms += 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        settings_store().read("tamblo", "exe_path", stored);
    }
    EXPECT_EQ(stored, want);
    int status = 0;
    ::kill(program, SIGTERM);
    if (!wait_exit(program, status, 5000)) {
        ::kill(program, SIGKILL);
        ::waitpid(program, &status, 0);
    }
}

// Without an X display the program says what it needs, not Qt's advice to reinstall.
TEST(Startup, WithoutAnXDisplaySaysAnXSessionOrXvfbRunIsNeeded)
{
    struct Case {
        std::vector<std::string> env;
        const char* want;
    };
    const Case cases[] = {
        { {}, "no X display (DISPLAY is not set)" },
        { { "DISPLAY=:987" }, "cannot open the X display \":987\"" },
        { { "DISPLAY=:987", "QT_QPA_PLATFORM=xcb" }, "cannot open the X display \":987\"" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        TempHome home;
        ProgramRun run = run_program({ TAMBLO_PROGRAM }, c.env, { "DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY" }, 20000);
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(run.exit_status, 1) << run.output;
        EXPECT_NE(run.output.find(c.want), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("Tamblo needs an X session"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("xvfb-run"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Reinstalling"), std::string::npos) << run.output;
    }
}

TEST(Translations, ChineseCatalogueIsBuiltIn)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load(":/i18n/tamblo_zh_CN.qm"));
    EXPECT_EQ(translator.translate("tamblo", "About Tamblo"), QString::fromUtf8("关于 Tamblo"));
    EXPECT_EQ(translator.translate("tamblo", "An instance of Tamblo is already running."),
              QString::fromUtf8("Tamblo 已有一个实例正在运行。"));
}

TEST(Translations, EnglishWhenTheSettingSaysSo)
{
    TempHome home;
    reg_write("general", "language", "en");
    EXPECT_FALSE(install_translations());
    EXPECT_EQ(tr_ui("About Tamblo"), "About Tamblo");
}

TEST(Translations, ChineseAlsoTranslatesQtsStandardButtons)
{
    TempHome home;
    reg_write("general", "language", "zh_CN");
    ASSERT_TRUE(install_translations());
    {
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), QString::fromUtf8("确定"));
        EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("取消"));
    }
    reg_write("general", "language", "en");
    EXPECT_FALSE(install_translations());
    QDialogButtonBox buttons(QDialogButtonBox::Ok);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), "OK");
}
