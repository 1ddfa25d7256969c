#include "tests/support/temp_home.h"

#include "core/dbg_log.h"
#include "core/settings.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

uint16_t unused_tcp_port()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

TempHome::TempHome()
{
    char pattern[] = "/tmp/tamblo-test-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    for (const char* sub : { "/config", "/data", "/run" })
        std::filesystem::create_directories(root_ + sub);
    ::chmod((root_ + "/run").c_str(), 0700);
    for (auto [name, sub] : { std::pair { "XDG_CONFIG_HOME", "/config" }, std::pair { "XDG_DATA_HOME", "/data" },
                              std::pair { "XDG_RUNTIME_DIR", "/run" } }) {
        const char* old = std::getenv(name);
        saved_env_.emplace_back(name, old ? old : "");
        ::setenv(name, (root_ + sub).c_str(), 1);
    }
    // Programs and peer servers that tests start side by side each get a
    // peer port of their own.
    const char* old_port = std::getenv("TAMBLO_PEER_PORT");
    saved_env_.emplace_back("TAMBLO_PEER_PORT", old_port ? old_port : "");
    ::setenv("TAMBLO_PEER_PORT", std::to_string(unused_tcp_port()).c_str(), 1);
    store_ = std::make_unique<platform::RegistryStore>(config_file());
    use_registry_store(store_.get());
}

TempHome::~TempHome()
{
    close_dbg_logs();
    use_registry_store(nullptr);
    for (const auto& [name, value] : saved_env_) {
        if (value.empty())
            ::unsetenv(name.c_str());
        else
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

LogCapture::LogCapture()
{
    set_dbg_log_tap([this](const std::string& line) {
        std::lock_guard lock(lock_);
        lines_.push_back(line);
    });
}

LogCapture::~LogCapture() { set_dbg_log_tap(nullptr); }

std::vector<std::string> LogCapture::lines() const
{
    std::lock_guard lock(lock_);
    return lines_;
}

bool LogCapture::contains(const std::string& line) const
{
    std::lock_guard lock(lock_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }
