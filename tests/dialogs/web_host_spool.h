#pragma once
// tamblo-server's web host on a free loopback port, keeping the forms it is
// sent in a spool folder, and the settings that lead the program to it.

#include "core/settings.h"
#include "tests/support/server_process.h"

#include <filesystem>
#include <string>
#include <vector>

class WebHostSpool {
public:
    explicit WebHostSpool(const std::string& root)
        : spool(made_folder(root + "/spool")),
          web({ "--web", "127.0.0.1:0", "--web-root", root, "--web-spool", spool.string() })
    {
        reg_write("general", "web_host", "127.0.0.1");
        reg_write_int("general", "web_port", web.web_port());
    }

    std::vector<std::filesystem::path> files() const
    {
        std::vector<std::filesystem::path> out;
        for (const auto& entry : std::filesystem::directory_iterator(spool))
            out.push_back(entry.path());
        return out;
    }

    const std::filesystem::path spool;
    ServerProcess web;

private:
    static std::filesystem::path made_folder(const std::string& path)
    {
        std::filesystem::create_directories(path);
        return path;
    }
};
