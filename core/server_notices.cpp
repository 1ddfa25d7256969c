#include "core/server_notices.h"

#include "core/build_config.h"
#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/window_messages.h"

#include <cstdio>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>

namespace {

constexpr size_t report_host_limit = 127;
constexpr size_t version_text_limit = 240;
constexpr size_t greeting_limit = 2047;

// "%d:%d:%d" of a version body; false, with a log line naming the handler, when it is not.
bool parse_version_fields(const char* body, int body_len, const char* handler, int& major, int& minor, int& build)
{
    std::string text = body_text(body, body_len);
    if (std::sscanf(text.c_str(), "%d:%d:%d", &major, &minor, &build) == 3)
        return true;
    dbg_log("format error in %s:%s\n", handler, text.c_str());
    return false;
}

} // namespace

std::string report_endpoint_host()
{
    std::string host;
    reg_read("general", "report_host", host, report_host_limit + 1);
    // The service listens for reports beside the conference server.
    return host.empty() ? g_main_sock.host.get() : host;
}

int send_udp_datagram(const std::string& text, const std::string& host, int port)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (port < 1 || port > 65535 || ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
        return -1;
    int result = -1;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) {
            ssize_t sent = ::sendto(fd, text.c_str(), text.size() + 1, MSG_NOSIGNAL, found->ai_addr, found->ai_addrlen);
            result = sent == static_cast<ssize_t>(text.size() + 1) ? 0 : -1;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return result;
}

bool version_is_newer(int major, int minor, int build)
{
    return std::tie(major, minor, build) > std::make_tuple(TAMBLO_VERSION_MAJOR, TAMBLO_VERSION_MINOR, TAMBLO_VERSION_BUILD);
}

void do_new_version_from_server(const char* body, int body_len)
{
    int major = 0, minor = 0, build = 0;
    if (!parse_version_fields(body, body_len, "do_new_version_from_server", major, minor, build))
        return;
    g_newest_version_major = major;
    g_newest_version_minor = minor;
    g_newest_version_build = build;
    if (version_is_newer(major, minor, build))
        send_window_message(WindowSlot::main_frame, WM_MY_MSG_NEW_VERSION);
}

void do_server_version_from_server(const char* body, int body_len)
{
    int major = 0, minor = 0, build = 0;
    if (!parse_version_fields(body, body_len, "do_server_version_from_server", major, minor, build))
        return;
    reg_write("general", "server_version", format_text("%8d.%8d.%8d", major, minor, build));
}

int send_version_report_udp()
{
    std::string version, version_text;
    reg_read("general", "server_version", version, version_text_limit + 1);
    reg_read("general", "server_version_str", version_text, version_text_limit + 1);
    std::string text = format_text("%s:%s:%d:%s:%s", g_main_sock.local_address.get().c_str(), g_main_sock.host.get().c_str(),
                                   static_cast<int>(g_main_sock.port.load()), version.c_str(), version_text.c_str());
    return send_udp_datagram(text, report_endpoint_host(), report_port);
}

void do_server_version_text_from_server(const char* body, int body_len)
{
    std::string text = body_text(body, body_len);
    reg_write("general", "server_version_str", text);
    g_server_version_text.set(text);
    send_version_report_udp();
}

void do_server_hello_from_server(const char* body, int body_len)
{
    std::string greeting = cut_copy(body_text(body, body_len), greeting_limit);
    g_server_greeting.set(greeting);
    send_udp_datagram(format_text("%s:%s:%d", g_main_sock.local_address.get().c_str(), g_main_sock.host.get().c_str(),
                                  static_cast<int>(g_main_sock.port.load())),
                      report_endpoint_host(), report_port);
    send_window_message(WindowSlot::main_frame, WM_MY_MSG_CONNECTED, reinterpret_cast<uintptr_t>(greeting.c_str()),
                        static_cast<intptr_t>(greeting.size()));
}
