#pragma once
// Drives tamblo_share_peer (share_peer_main.cpp), a second client that
// watches a share, from a test: it runs in a process and data folder of its
// own and takes commands through files in its folder.

#include "tests/support/child_process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

inline bool pump_until(const std::function<bool()>& done, int wait_ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SharePeerClient {
public:
    // Logged in as the folder's last part; env: further variables for the peer ("NAME=value").
    SharePeerClient(uint16_t port, const std::string& room, const std::string& folder, const std::vector<std::string>& env = {})
        : folder_(folder)
    {
        std::filesystem::create_directories(folder + "/data");
        std::vector<std::pair<std::string, std::string>> saved;
        std::vector<std::string> all = env;
        all.push_back("XDG_DATA_HOME=" + folder + "/data");
        for (const std::string& e : all) {
            std::string name = e.substr(0, e.find('='));
            const char* old = std::getenv(name.c_str());
            saved.emplace_back(name, old ? old : std::string("\x01"));
            setenv(name.c_str(), e.substr(e.find('=') + 1).c_str(), 1);
        }
        process_ = std::make_unique<ChildProcess>(std::vector<std::string> {
            std::string(TAMBLO_TEST_BUILD_DIR) + "/tests/sharing/tamblo_share_peer", std::to_string(port), room, std::filesystem::path(folder).filename().string(),
            folder });
        for (auto& [name, value] : saved) {
            if (value == "\x01")
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
    }
    std::string state() const { return slurp(folder_ + "/state"); }
    bool joined() { return pump_until([&] { return !state().empty() && state()[0] != '-'; }); }
    bool master() const { return state().find("master=1") != std::string::npos; }
    // The second field: whether the server lets it steer.
    bool controlling() const
    {
        std::istringstream in(state());
        int room = 0, flag = 0;
        in >> room >> flag;
        return flag == 1;
    }
    bool saw_box(const std::string& text) const { return state().find("[" + text) != std::string::npos; }
    void command(const std::string& name, const std::string& text = "1")
    {
        std::ofstream(folder_ + "/" + name + ".tmp") << text << "\n";
        std::filesystem::rename(folder_ + "/" + name + ".tmp", folder_ + "/" + name);
    }
    QImage view()
    {
        std::filesystem::remove(folder_ + "/dumped");
        command("dump");
        if (!pump_until([&] { return std::filesystem::exists(folder_ + "/dumped"); }))
            return {};
        return QImage(QString::fromStdString(folder_ + "/view.png")).convertToFormat(QImage::Format_RGB32);
    }
    // A file of its user folder ("bmp/wnd_0_0.bmp").
    std::string user_file(const std::string& name) const { return folder_ + "/data/kelo/tamblo/" + name; }
    void stop() { process_->stop(); }

private:
    std::string folder_;
    std::unique_ptr<ChildProcess> process_;
};
