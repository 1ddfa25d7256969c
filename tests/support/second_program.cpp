#include "tests/support/second_program.h"

#include "tests/support/temp_home.h"

#include <filesystem>
#include <fstream>

SecondProgram::SecondProgram(const std::string& program, const std::string& root, int peer_port,
                             const std::string& argument, const std::vector<std::string>& env)
    : root_(root)
{
    std::filesystem::create_directories(root + "/config/kelo");
    std::filesystem::create_directories(root + "/data");
    std::filesystem::create_directories(root + "/run");
    std::filesystem::permissions(root + "/run", std::filesystem::perms::owner_all);
    if (!std::filesystem::exists(root + "/config/kelo/tamblo.ini"))
        std::ofstream(root + "/config/kelo/tamblo.ini") << "[general]\npeer_port=" << peer_port << "\n";
    std::vector<std::string> argv { "env", "-u", "TAMBLO_PEER_PORT", "-u", "DISPLAY", "QT_QPA_PLATFORM=offscreen",
                                    "TAMBLO_CAMERA=none", "XDG_CONFIG_HOME=" + root + "/config",
                                    "XDG_DATA_HOME=" + root + "/data", "XDG_RUNTIME_DIR=" + root + "/run",
                                    "TAMBLO_MESSAGE_BOX_LOG=" + boxes_path() };
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(program);
    argv.push_back(argument);
    process_ = std::make_unique<ChildProcess>(argv);
}

std::string SecondProgram::boxes() const { return file_exists(boxes_path()) ? read_file(boxes_path()) : ""; }

std::string SecondProgram::debug_log() const
{
    std::string path = root_ + "/data/kelo/tamblo/dbg_log.txt";
    return file_exists(path) ? read_file(path) : "";
}
