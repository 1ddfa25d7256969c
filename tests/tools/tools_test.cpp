#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"

#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string source_dir = TAMBLO_TEST_SOURCE_DIR;
const std::string build_dir = TAMBLO_TEST_BUILD_DIR;

void write_script(const fs::path& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/bash\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

// A folder of commands standing in for the system's: only these are on PATH.
struct FakeCommands {
    TempHome home;
    fs::path bin = fs::path(home.root()) / "bin";
    FakeCommands()
    {
        fs::create_directories(bin);
        for (const char* real : { "bash", "grep", "cat", "env" })
            fs::create_symlink(fs::path("/bin") / real, bin / real);
    }
    std::string path_env() const { return "PATH=" + bin.string(); }
};

} // namespace

// Without root, install-deps.sh needs someone to install the packages: sudo
// where it exists, else the user is told the one command to run as root.
TEST(InstallDeps, WithoutRootUsesSudoOrNamesTheRootCommand)
{
    struct Case {
        bool has_sudo;
        int want_status;
    };
    for (Case c : { Case { false, 1 }, Case { true, 0 } }) {
        SCOPED_TRACE(c.has_sudo ? "with sudo" : "without sudo");
        FakeCommands fake;
        std::string log = fake.home.root() + "/calls.txt";
        write_script(fake.bin / "id", "echo 1000");
        write_script(fake.bin / "dpkg-query", "exit 1"); // nothing is installed
        write_script(fake.bin / "apt-get", "echo \"apt-get $*\" >> " + log);
        if (c.has_sudo)
            write_script(fake.bin / "sudo", "echo sudo >> " + log + "; \"$@\"");

        ProgramRun run = run_program({ "/bin/bash", source_dir + "/tools/install-deps.sh" }, { fake.path_env() },
                                     { "PATH" }, 20000);
        ASSERT_FALSE(run.timed_out);
        EXPECT_EQ(run.exit_status, c.want_status) << run.output;
        std::string calls = file_exists(log) ? read_file(log) : "";
        if (c.has_sudo) {
            EXPECT_NE(calls.find("sudo\napt-get update"), std::string::npos) << calls;
            EXPECT_NE(calls.find("apt-get install -y -qq --no-install-recommends build-essential"), std::string::npos)
                << calls;
        } else {
            EXPECT_EQ(calls, "") << "nothing is installed without root";
            EXPECT_NE(run.output.find("these packages are missing: build-essential cmake"), std::string::npos)
                << run.output;
            EXPECT_NE(run.output.find("su -c 'apt-get update && apt-get install -y --no-install-recommends "
                                      "build-essential cmake"),
                      std::string::npos)
                << run.output;
            EXPECT_NE(run.output.find("qt6-translations-l10n"), std::string::npos) << run.output;
        }
    }
}

// make run: a server that cannot listen stops it with the server's own
// message, before the client starts.
TEST(RunLocal, TakenPortStopsWithTheServersMessage)
{
    int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_port = htons(9081);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    ::setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    bool held = ::bind(holder, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && ::listen(holder, 4) == 0;
    if (!held)
        ::close(holder); // someone else holds it: taken all the same

    TempHome home;
    ProgramRun run = run_program({ "/bin/bash", source_dir + "/tools/run-local.sh", build_dir },
                                 { "QT_QPA_PLATFORM=offscreen" }, {}, 20000);
    if (held)
        ::close(holder);
    EXPECT_FALSE(run.timed_out) << "the client must not start: " << run.output;
    EXPECT_EQ(run.exit_status, 1) << run.output;
    EXPECT_NE(run.output.find("tamblo-server could not start"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("cannot listen on 127.0.0.1:9081"), std::string::npos) << run.output;
}

// make bench: only the programs of the bench folder run, not CMake's files beside them.
TEST(RunBenchmarks, RunsOnlyTheBenchmarkPrograms)
{
    TempHome home;
    fs::path bench = fs::path(home.root()) / "build" / "bench";
    fs::create_directories(bench / "CMakeFiles");
    std::ofstream(bench / "cmake_install.cmake") << "# cmake\n";
    write_script(bench / "one_bench", "echo one_bench ran");
    write_script(bench / "two_bench", "echo two_bench ran");

    ProgramRun run = run_program({ "/bin/bash", source_dir + "/tools/run-benchmarks.sh", (fs::path(home.root()) / "build").string() },
                                 {}, {}, 20000);
    EXPECT_EQ(run.exit_status, 0) << run.output;
    EXPECT_NE(run.output.find("one_bench ran"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("two_bench ran"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Permission denied"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("failed"), std::string::npos) << run.output;
}
