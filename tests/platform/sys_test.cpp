#include "platform/sys/child_program.h"
#include "platform/sys/clock.h"
#include "platform/sys/paths.h"
#include "platform/sys/process.h"
#include "platform/sys/single_instance.h"
#include "platform/sys/threads.h"
#include "platform/sys/timed_lock.h"
#include "tests/support/temp_home.h"
#include "tests/support/wait_until.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

TEST(Clock, TickDifferencesSurviveTheWrap)
{
    platform::ManualClock clock(0xFFFFFF00u);
    platform::set_clock(&clock);
    uint32_t then = platform::tick_count();
    platform::sleep_ms(0x200);
    uint32_t now = platform::tick_count();
    platform::set_clock(nullptr);
    EXPECT_LT(now, then);
    EXPECT_EQ(now - then, 0x200u);
}

TEST(Clock, RealTickMovesWithSleep)
{
    uint32_t then = platform::tick_count();
    platform::sleep_ms(20);
    uint32_t elapsed = platform::tick_count() - then;
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 2000u);
}

// The program never joins its threads: one may read the clock while the
// process ends and its static objects are destroyed.
TEST(Clock, ReadableWhileTheProcessEnds)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        std::atomic<bool> ticking { false };
        std::thread([&ticking] {
            for (;;) {
                platform::tick_count();
                ticking = true;
                platform::sleep_ms(0);
            }
        }).detach();
        while (!ticking)
            std::this_thread::yield();
        std::exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(TimedLockWait, TellsTimeOutFromSuccess)
{
    platform::TimedMutex mutex;
    {
        platform::TimedLockWait first(mutex, 10);
        ASSERT_TRUE(first);
        auto other = std::async(std::launch::async, [&] { return platform::TimedLockWait(mutex, 30).locked(); });
        EXPECT_FALSE(other.get());
    }
    auto later = std::async(std::launch::async, [&] { return platform::TimedLockWait(mutex, 30).locked(); });
    EXPECT_TRUE(later.get());
}

// Whoever takes the mutex next may destroy it at once (a global at exit):
// the one who let it go must be done with it by then. Sanitizer builds see
// a late touch as a use after free.
TEST(TimedLockWait, NextOwnerMayDestroyTheMutex)
{
    for (int round = 0; round < 2000; ++round) {
        auto* mutex = new platform::TimedMutex;
        mutex->lock();
        std::atomic<bool> trying { false };
        std::thread next([&] {
            trying = true;
            while (!mutex->try_lock()) { }
            mutex->unlock();
            delete mutex;
        });
        while (!trying)
            std::this_thread::yield();
        mutex->unlock();
        next.join();
    }
}

TEST(Paths, FollowXdgAndEndWithSlash)
{
    TempHome home;
    EXPECT_EQ(platform::config_home(), home.root() + "/config/");
    EXPECT_EQ(platform::data_home(), home.root() + "/data/");
    ::setenv("XDG_DATA_HOME", "relative/path", 1);
    std::string fallback = platform::data_home();
    EXPECT_TRUE(fallback.ends_with(".local/share/")) << fallback;
    std::string program = platform::program_folder();
    EXPECT_TRUE(!program.empty() && program.back() == '/');
}

TEST(Paths, MakeFoldersCreatesEveryLevel)
{
    TempHome home;
    EXPECT_TRUE(platform::make_folders(home.root() + "/a/b/c/"));
    EXPECT_TRUE(platform::make_folders(home.root() + "/a/b/c"));
    EXPECT_TRUE(file_exists(home.root() + "/a/b/c"));
}

TEST(SingleInstance, SecondProcessIsRefusedAndTheFirstIsUndisturbed)
{
    TempHome home;
    ASSERT_EQ(platform::acquire_single_instance("kelo_tamblo_test"), platform::InstanceLock::acquired);
    pid_t pid = ::fork();
    if (pid == 0) {
        auto r = platform::acquire_single_instance("kelo_tamblo_test");
        ::_exit(r == platform::InstanceLock::already_running ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(file_exists(platform::single_instance_lock_path("kelo_tamblo_test")));
}

TEST(Threads, StartedThreadRunsDetached)
{
    std::promise<std::string> ran;
    ASSERT_TRUE(platform::start_thread("tamblo_test", [&] { ran.set_value("yes"); }));
    EXPECT_EQ(ran.get_future().get(), "yes");
}

// Only a regular file this user may run counts as a program, wherever it stands.
TEST(Process, FindProgramTakesOnlyRunnableRegularFiles)
{
    TempHome home;
    namespace fs = std::filesystem;
    const std::string root = home.root();
    for (const char* folder : { "/a", "/b", "/c" })
        fs::create_directories(root + folder);
    fs::create_directories(root + "/a/tool");                          // a folder by the name
    std::ofstream(root + "/b/tool") << "#!/bin/sh\n";                   // not executable
    fs::create_symlink(root + "/gone", root + "/c/tool");              // dangling
    const char* was = std::getenv("PATH");
    const std::string saved = was ? was : "";
    ::setenv("PATH", (root + "/a:" + root + "/b:" + root + "/c").c_str(), 1);
    EXPECT_EQ(platform::find_program("tool"), "");
    EXPECT_FALSE(platform::program_in_path("tool"));
    std::ofstream(root + "/d_tool") << "#!/bin/sh\n";
    fs::permissions(root + "/d_tool", fs::perms::owner_all);
    fs::remove(root + "/c/tool");
    fs::create_symlink(root + "/d_tool", root + "/c/tool");              // a link to a program
    EXPECT_EQ(platform::find_program("tool"), root + "/c/tool");
    EXPECT_EQ(platform::find_program(root + "/b/tool"), "");
    EXPECT_EQ(platform::find_program(root + "/d_tool"), root + "/d_tool");
    EXPECT_FALSE(platform::is_executable_file(root + "/a/tool"));
    ::setenv("PATH", saved.c_str(), 1);
}

// A kept program ends with everything it started, and nothing else does.
TEST(ChildProgram, StopEndsItsWholeGroupAndNoOtherProgram)
{
    TempHome home;
    const std::string pid_file = home.root() + "/grandchild";
    platform::ChildProgram launcher;
    ASSERT_TRUE(launcher.start({ "sh", "-c", "sleep 300 & echo $! > " + pid_file + "; wait" }));
    platform::ChildProgram other;
    ASSERT_TRUE(other.start({ "sleep", "300" }));
    ASSERT_TRUE(wait_until([&] { return !read_file(pid_file).empty(); }));
    const pid_t grandchild = std::stoi(read_file(pid_file));
    EXPECT_TRUE(launcher.running());
    launcher.stop(20000);
    EXPECT_FALSE(launcher.running());
    EXPECT_EQ(launcher.pid(), -1);
    // Reparented and reaped by whoever adopts it; gone once it is.
    EXPECT_TRUE(wait_until([&] { return ::kill(grandchild, 0) != 0; }));
    EXPECT_TRUE(other.running());
    other.stop(20000);
    EXPECT_FALSE(other.running());
}

TEST(ChildProgram, RunsWithTheEnvironmentGivenOnTopAndIsReapedWhenItEnds)
{
    TempHome home;
    const std::string out = home.root() + "/env";
    platform::ChildProgram program;
    ASSERT_TRUE(program.start({ "sh", "-c", "echo \"$TAMBLO_CHILD_TEST $HOME\" > " + out },
                              { "TAMBLO_CHILD_TEST=given", "HOME=/replaced" }));
    EXPECT_TRUE(program.wait_ended(20000));
    EXPECT_EQ(read_file(out), "given /replaced\n");
    EXPECT_FALSE(program.running());
    EXPECT_FALSE(program.start({ "tamblo-no-such-program" }));
    EXPECT_FALSE(program.start({}));
}
