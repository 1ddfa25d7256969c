#include "tests/launcher/launcher_fixture.h"

#include "core/settings.h"
#include "platform/sys/process.h"
#include "platform/sys/registry_store.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

LauncherFixture::LauncherFixture()
    : folder(home.root()),
      fake_path(home.root() + "/bin/tamblo"),
      boxes_log(home.root() + "/boxes.txt"),
      fake_log(home.root() + "/fake_tamblo.txt")
{
    std::filesystem::create_directories(home.root() + "/bin");
    place_fake(fake_path);
    store_exe_path(fake_path);
}

ProgramRun LauncherFixture::run_quillet(const std::vector<std::string>& args, const std::vector<std::string>& env_extra,
                                        const std::vector<std::string>& env_removed)
{
    std::vector<std::string> argv = { TAMBLO_QUILLET };
    argv.insert(argv.end(), args.begin(), args.end());
    return run_in_folder(argv, env_extra, env_removed);
}

ProgramRun LauncherFixture::run_in_folder(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
                                          const std::vector<std::string>& env_removed)
{
    std::vector<std::string> env = { "QT_QPA_PLATFORM=offscreen", "TAMBLO_MESSAGE_BOX_LOG=" + boxes_log,
                                     "FAKE_TAMBLO_LOG=" + fake_log };
    env.insert(env.end(), env_extra.begin(), env_extra.end());
    std::vector<std::string> removed = env_removed;
    removed.insert(removed.end(), { "QT_QPA_PLATFORM", "TAMBLO_MESSAGE_BOX_LOG", "FAKE_TAMBLO_LOG" });
    // A command a link smuggled in would leave its mark here.
    std::error_code error;
    std::filesystem::path was = std::filesystem::current_path(error);
    std::filesystem::current_path(folder, error);
    std::vector<std::string> resolved = argv;
    if (!resolved.empty())
        if (std::string found = platform::find_program(resolved[0]); !found.empty())
            resolved[0] = found;
    ProgramRun run = run_program(resolved, env, removed, 120000);
    std::filesystem::current_path(was, error);
    return run;
}

void LauncherFixture::store_exe_path(const std::string& path)
{
    ASSERT_EQ(settings_store().write("tamblo", "exe_path", path), platform::StoreResult::ok);
}

void LauncherFixture::place_fake(const std::string& path)
{
    std::filesystem::copy_file(TAMBLO_FAKE_PROGRAM, path, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

std::vector<std::string> LauncherFixture::boxes() const
{
    std::vector<std::string> lines;
    std::istringstream in(read_file(boxes_log));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::vector<std::string>> LauncherFixture::starts() const
{
    std::vector<std::vector<std::string>> runs;
    std::istringstream in(read_file(fake_log));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');)
            fields.push_back(field);
        // The count comes first; what follows must match it.
        if (!fields.empty() && std::to_string(fields.size() - 1) == fields[0])
            fields.erase(fields.begin());
        else
            fields = { "malformed: " + line };
        runs.push_back(fields);
    }
    return runs;
}

bool LauncherFixture::wait_for_starts(size_t count) const
{
    for (int waited_ms = 0; waited_ms < 20000; waited_ms += 20) {
        if (starts().size() >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}
