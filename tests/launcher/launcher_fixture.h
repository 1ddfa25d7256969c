#pragma once
// The launcher as the desktop runs it: the real quillet in its test mode
// (message boxes and the name dialog logged), a fake tamblo that logs how it
// was started, and a private home whose settings name the fake.

#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

class LauncherFixture : public ::testing::Test {
protected:
    LauncherFixture();

    // quillet with args, offscreen, in the test mode; its exit code.
    ProgramRun run_quillet(const std::vector<std::string>& args, const std::vector<std::string>& env_extra = {},
                           const std::vector<std::string>& env_removed = {});
    // Any program (looked up in PATH), run in folder with the environment given.
    ProgramRun run_in_folder(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
                             const std::vector<std::string>& env_removed);
    void store_exe_path(const std::string& path);
    // The fake copied to path, executable.
    void place_fake(const std::string& path);

    std::vector<std::string> boxes() const;
    // The fake's starts: each the list of its arguments.
    std::vector<std::vector<std::string>> starts() const;
    // Waits (20 s at most) until the fake has been started count times.
    bool wait_for_starts(size_t count) const;

    TempHome home;
    std::string folder;     // the home's root, the runs' working folder
    std::string fake_path;  // the fake as "tamblo", which exe_path names
    std::string boxes_log;
    std::string fake_log;
};

// The Join link of the test pages.
inline const std::string lobby_link = "tamblo://launch?server_addr=127.0.0.1&server_port=9081&server_name=Local"
                                      "&meeting_room_name=Lobby&c=xxsecretxxx&mp=";
