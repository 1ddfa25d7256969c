#include "tests/support/proxy_process.h"

#include "core/text_util.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

bool can_connect(uint16_t port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    ::close(fd);
    return ok;
}

bool have_program(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

// A proxy program in the foreground, stopped by its process id.
ProxyProcess::ProxyProcess(std::vector<std::string> argv, uint16_t port, const std::string& log_path) : port_(port)
{
    pid_ = ::fork();
    if (pid_ == 0) {
        // Its own process group, so that a proxy's helper processes stop with it.
        ::setpgid(0, 0);
        int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        std::vector<char*> args;
        for (std::string& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    for (int i = 0; i < 500 && !ready(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

ProxyProcess::~ProxyProcess()
{
    if (pid_ <= 0)
        return;
    ::kill(-pid_, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

bool ProxyProcess::ready() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0 && can_connect(port_); }

void write_text_file(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::unique_ptr<ProxyProcess> start_tinyproxy(const TempHome& home, uint16_t port, bool basic_auth)
{
    std::string dir = home.root() + "/tinyproxy-" + std::to_string(port);
    std::string conf = dir + ".conf";
    write_text_file(conf, format_text("Port %d\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\n"
                                      "LogLevel Info\nDisableViaHeader Yes\n%s",
                                      port, basic_auth ? "BasicAuth alice wonderland\n" : ""));
    return std::make_unique<ProxyProcess>(std::vector<std::string> { "/usr/bin/tinyproxy", "-d", "-c", conf }, port,
                                          dir + ".log");
}

std::unique_ptr<ProxyProcess> start_danted(const TempHome& home, uint16_t port)
{
    std::string base = home.root() + "/danted-" + std::to_string(port);
    write_text_file(base + ".conf",
                    format_text("logoutput: %s.log\ninternal: 127.0.0.1 port = %d\nexternal: 127.0.0.1\n"
                                "clientmethod: none\nsocksmethod: none\n"
                                "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                                "socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 command: connect }\n",
                                base.c_str(), port));
    return std::make_unique<ProxyProcess>(
        std::vector<std::string> { "/usr/sbin/danted", "-f", base + ".conf", "-p", base + ".pid" }, port, base + ".out");
}

std::unique_ptr<ProxyProcess> start_microsocks(const TempHome& home, uint16_t port)
{
    return std::make_unique<ProxyProcess>(std::vector<std::string> { "/usr/bin/microsocks", "-i", "127.0.0.1", "-p",
                                                                     std::to_string(port), "-u", "alice", "-P",
                                                                     "wonderland" },
                                          port, home.root() + "/microsocks.log");
}

