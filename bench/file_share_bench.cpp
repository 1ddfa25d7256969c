// Files in share through a local tamblo-server: a 20 MB upload (until
// another member sees it listed) and download (until it is renamed under
// its name), beside the same bytes in 1000-byte writes over a plain
// loopback socket into a file; and the server's memory growth while ten
// members download 20 MB at once.

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "platform/sys/clock.h"
#include "sharing/file_share.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"
#include "tests/support/headless_peer.h"
#include "tests/support/random_bytes.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t file_bytes = 20000000;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
double mb_per_s(double seconds) { return static_cast<double>(file_bytes) / 1e6 / seconds; }

bool wait_for(const std::function<bool()>& done, int wait_ms = 30000)
{
    for (int waited = 0; !done() && waited < wait_ms; waited += 1)
        platform::sleep_ms(1);
    return done();
}

// The baseline: the bytes in 1000-byte writes over a loopback socket, the
// receiver writing them into a file.
double plain_socket_seconds(const std::string& bytes, const std::string& out_path)
{
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    ::listen(listener, 1);
    auto start = Clock::now();
    std::thread receiver([&] {
        int fd = ::accept(listener, nullptr, nullptr);
        std::FILE* out = std::fopen(out_path.c_str(), "wb");
        char buffer[8192];
        ssize_t got = 0;
        while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            std::fwrite(buffer, 1, static_cast<size_t>(got), out);
        std::fclose(out);
        ::close(fd);
    });
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    for (size_t at = 0; at < bytes.size(); at += 1000)
        ::send(fd, bytes.data() + at, std::min<size_t>(1000, bytes.size() - at), MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    receiver.join();
    ::close(fd);
    ::close(listener);
    return seconds_since(start);
}

long rss_kib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main()
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    set_message_box_presenter(&boxes);
    install_control_handlers();
    install_file_share_handlers();
    init_global_state();
    ServerProcess server({ "--room-files-mib", "100" });

    const std::string bytes = random_bytes(file_bytes, 42);
    const std::string work = home.root() + "/";
    std::ofstream(work + "bench.bin", std::ios::binary) << bytes;

    g_server_host.set("127.0.0.1");
    g_server_port = server.port();
    if (connect_to_current_server() != 0 || !wait_for([] { return g_my_customer_id >= 0 && g_file_sock.m_sock != 0; })) {
        std::printf("file_share_bench: no connection\n");
        return 1;
    }
    server.wait_for_log(format_text("client %d: file connection", g_my_customer_id.load()));
    send_login_from_dialog("ann", "code");
    wait_for([] { return g_logged_in == 1; });
    join_room("Lobby", "", false);
    wait_for([] { return g_room_number >= 0; });
    HeadlessPeer watcher("watcher");
    watcher.connect("127.0.0.1", server.port());
    watcher.join_room("Lobby");

    const double baseline_s = plain_socket_seconds(bytes, work + "plain.bin");

    // Upload: until the other member sees it listed.
    watcher.clear();
    auto start = Clock::now();
    if (file_share_upload(work + "bench.bin") != 0) {
        std::printf("file_share_bench: upload failed\n");
        return 1;
    }
    watcher.await_number(MSG_FILE_LIST_CHANGED, 30000);
    watcher.send(PeerChannel::file, MSG_FILE_LIST_REFRESH);
    watcher.await([](const ArrivedMessage& m) { return m.head.number == MSG_FILE_LIST_FIRST && m.body.rfind("bench.bin", 0) == 0; },
                  30000);
    const double upload_s = seconds_since(start);

    // Download: until it is renamed under its name.
    start = Clock::now();
    int downloaded = file_share_download("bench.bin", work + "copy.bin");
    const double download_s = seconds_since(start);
    if (downloaded != IDOK) {
        std::printf("file_share_bench: download failed\n");
        return 1;
    }

    std::printf("plain loopback socket, 1000-byte writes into a file: %.1f MB/s\n", mb_per_s(baseline_s));
    std::printf("upload until listed: %.1f MB/s (%.2f of the plain socket; target 0.5)\n", mb_per_s(upload_s), baseline_s / upload_s);
    std::printf("download until renamed: %.1f MB/s (%.2f of the plain socket; target 0.5)\n", mb_per_s(download_s),
                baseline_s / download_s);

    // Ten members download it at once; the server reads it as they take it.
    std::vector<std::unique_ptr<HeadlessPeer>> readers;
    std::vector<std::unique_ptr<std::atomic<size_t>>> received;
    for (int i = 0; i < 10; ++i) {
        auto peer = std::make_unique<HeadlessPeer>("reader" + std::to_string(i));
        peer->connect("127.0.0.1", server.port());
        peer->join_room("Lobby");
        received.push_back(std::make_unique<std::atomic<size_t>>(0));
        std::atomic<size_t>* count = received.back().get();
        peer->set_listener([count](const ArrivedMessage& m) {
            if (m.head.number == MSG_FILE_DOWNLOAD_DATA) {
                *count += m.body.size();
                return false;
            }
            return m.head.number == MSG_FILE_DOWNLOAD_END;
        });
        readers.push_back(std::move(peer));
    }
    platform::sleep_ms(200);
    const long before_kib = rss_kib(server.pid());
    std::atomic<long> peak_kib { before_kib };
    std::atomic<bool> sampling { true };
    std::thread sampler([&] {
        while (sampling) {
            peak_kib = std::max(peak_kib.load(), rss_kib(server.pid()));
            platform::sleep_ms(5);
        }
    });
    start = Clock::now();
    for (auto& r : readers)
        r->send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, "bench.bin");
    bool all = true;
    for (auto& r : readers)
        all = r->await_number(MSG_FILE_DOWNLOAD_END, 120000).has_value() && all;
    const double ten_s = seconds_since(start);
    sampling = false;
    sampler.join();
    size_t total = 0;
    for (auto& c : received)
        total += *c;
    const double growth_mib = static_cast<double>(peak_kib - before_kib) / 1024.0;
    const double bytes_mib = static_cast<double>(total) / (1024.0 * 1024.0);
    std::printf("ten downloads at once: %s, %.0f MB in %.2f s; server memory growth %.1f MiB, %.3f of their bytes (target at most 0.1)\n",
                all && total == 10 * file_bytes ? "all whole" : "NOT all whole", static_cast<double>(total) / 1e6, ten_s,
                growth_mib, growth_mib / bytes_mib);

    readers.clear();
    disconnect_server();
    stop_connection_watchdog();
    set_message_box_presenter(nullptr);
    return 0;
}
