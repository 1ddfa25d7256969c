// A meeting link all the way into the meeting: the real quillet starts the
// real tamblo (offscreen), which connects to a real tamblo-server, logs in
// with the name given and enters the link's room, where a headless member
// sees it arrive.

#include "core/messages.h"
#include "core/settings.h"
#include "tests/launcher/launcher_fixture.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

bool process_gone(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return true;
    // Reparented when it was started detached: a zombie nobody reaps is gone too.
    std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

bool wait_gone(pid_t pid, int wait_ms)
{
    for (int waited_ms = 0; waited_ms < wait_ms; waited_ms += 20) {
        if (process_gone(pid))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

TEST_F(LauncherFixture, AJoinLinkBringsTheNamedUserIntoTheRoom)
{
    ServerProcess server;
    HeadlessPeer chair("chair");
    ASSERT_EQ(chair.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_EQ(chair.login("chair"), 0);
    ASSERT_GT(chair.join_room("Lobby"), 0);

    // tamblo itself, behind a wrapper that tells the test its process id.
    std::string pid_file = folder + "/tamblo.pid";
    std::string wrapper = folder + "/bin/tamblo-wrapper";
    std::string errors = folder + "/tamblo.err";
    std::ofstream(wrapper) << "#!/bin/sh\necho $$ > '" << pid_file << "'\nexec '" << TAMBLO_PROGRAM << "' \"$@\" 2>>'"
                           << errors << "'\n";
    std::filesystem::permissions(wrapper, std::filesystem::perms::owner_all);
    store_exe_path(wrapper);

    std::string link = "tamblo://launch?server_addr=127.0.0.1&server_port=" + std::to_string(server.port())
        + "&server_name=Local&meeting_room_name=Lobby&c=xxsecretxxx&mp=";
    ProgramRun run = run_quillet({ "--name", "Ann", link }, { "TAMBLO_AUDIO=null", "TAMBLO_CAMERA=none" });
    EXPECT_EQ(run.exit_status, 0) << run.output;

    auto joined = chair.await(
        [](const ArrivedMessage& m) { return m.head.number == MSG_MEMBER_JOINED && m.body == "Ann"; }, 20000);
    EXPECT_TRUE(joined) << server.log_text() << "\nboxes:\n" << read_file(boxes_log) << "\ntamblo:\n" << read_file(errors);

    pid_t tamblo = -1;
    for (int waited_ms = 0; waited_ms < 20000 && tamblo <= 0; waited_ms += 20) {
        std::string text = read_file(pid_file);
        tamblo = text.empty() ? -1 : std::atoi(text.c_str());
        if (tamblo <= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GT(tamblo, 0);
    // tamblo tells the launcher where it lives from now on.
    std::optional<std::string> stored;
    settings_store().read("tamblo", "exe_path", stored);
    EXPECT_EQ(stored, std::filesystem::canonical(TAMBLO_PROGRAM).string());

    // A second link while the meeting runs: the new copy refuses to start, the
    // running one stays in its room.
    std::filesystem::remove(pid_file);
    std::string other = "tamblo://launch?server_addr=127.0.0.1&server_port=" + std::to_string(server.port())
        + "&server_name=Local&meeting_room_name=Other&c=xxsecretxxx&mp=";
    EXPECT_EQ(run_quillet({ "--name", "Bob", other }, { "TAMBLO_AUDIO=null", "TAMBLO_CAMERA=none" }).exit_status, 0);
    bool refused = false;
    for (int waited_ms = 0; waited_ms < 20000 && !refused; waited_ms += 20) {
        refused = read_file(boxes_log).find("An instance of Tamblo is already running.\n") != std::string::npos;
        if (!refused)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(refused) << read_file(boxes_log);
    EXPECT_FALSE(process_gone(tamblo));
    EXPECT_EQ(server.log_text().find("Bob"), std::string::npos);

    ::kill(tamblo, SIGTERM);
    if (!wait_gone(tamblo, 20000))
        ::kill(tamblo, SIGKILL);
    EXPECT_TRUE(wait_gone(tamblo, 20000));
}
