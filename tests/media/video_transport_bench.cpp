// Video from capture to the receiver's window through a local tamblo-server:
// a windowless sender (tamblo_video_peer with the synthetic camera: capture
// and coding, the frame sender) and, in this process, the receiver (its
// application connection, decoding, the window and the zoom dialog painting
// every frame offscreen). Frames per second at 320 x 240 and 640 x 480 when
// the receiver asks again as soon as a frame is shown, and with the
// program's own 50 ms request clock; then the share of one core each side
// takes at the default rate of 5 frames per second.
#include "core/connections.h"
#include "core/global_state.h"
#include "core/receive_threads.h"
#include "media/ui/dlg_video_zoom.h"
#include "media/ui/video_wnd.h"
#include "media/video_receive.h"
#include "media/video_requests.h"
#include "media/video_transport.h"
#include "media/video_windows.h"
#include "platform/sys/clock.h"
#include "platform/ui/window_bridge.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

const std::string build_dir = TAMBLO_BENCH_BUILD_DIR;

double cpu_ms()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

pid_t spawn_sender(const std::string& dir, uint16_t port, int size_index, int speed, int seconds)
{
    std::filesystem::create_directories(dir);
    std::vector<std::string> args { build_dir + "/tests/media/tamblo_video_peer", "--port", std::to_string(port), "--room",
                                    "bench", "--name", "sender", "--seconds", std::to_string(seconds), "--size",
                                    std::to_string(size_index), "--speed", std::to_string(speed), "--quality", "70",
                                    "--id-file", dir + "/id", "--report", dir + "/report" };
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("XDG_", 0) != 0)
            env.emplace_back(*e);
    env.push_back("XDG_CONFIG_HOME=" + dir + "/config");
    env.push_back("XDG_DATA_HOME=" + dir + "/data");
    env.push_back("XDG_RUNTIME_DIR=" + dir);
    env.push_back("TAMBLO_CAMERA=synthetic");
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return -1;
    return pid;
}

std::map<std::string, double> read_report(const std::string& path)
{
    std::map<std::string, double> out;
    std::ifstream in(path);
    std::string key;
    double value = 0;
    while (in >> key >> value)
        out[key] = value;
    return out;
}

int read_id(const std::string& path)
{
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path);
        int id = -1;
        if (in >> id)
            return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

std::atomic<int> g_stored { 0 };
std::atomic<int> g_ask_member { -1 };

struct Run {
    double fps = 0;
    double receiver_core = 0;
    double sender_core = 0;
};

// One sender for seconds; eager asks again right when a frame is stored,
// else the 50 ms clock asks. The receiver paints every stored frame.
Run run(const std::string& root, uint16_t port, int size_index, int speed, int seconds, bool eager, CVideoWnd& window,
        CDlgVideoZoom& zoom)
{
    static int round = 0;
    std::string dir = root + "/sender" + std::to_string(round++);
    pid_t pid = spawn_sender(dir, port, size_index, speed, seconds);
    int member = read_id(dir + "/id");
    Run r;
    if (member < 0)
        return r;
    video_windows_reset();
    video_wnd_set_user(0, member);
    window.sync_from_model();
    g_ask_member = eager ? member : -1;
    // The first frames of a run start the clock: the sender's start-up is not counted.
    QElapsedTimer clock;
    clock.start();
    while (g_stored == 0 && clock.elapsed() < 5000) {
        video_request_tick(true, platform::tick_count());
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int stored_before = g_stored;
    double cpu_before = cpu_ms();
    QElapsedTimer measured;
    measured.start();
    QImage canvas(window.size(), QImage::Format_RGB32);
    QImage zoom_canvas(zoom.size(), QImage::Format_RGB32);
    int painted = -1;
    qint64 next_tick = 0;
    const qint64 window_ms = (seconds - 2) * 1000;
    while (measured.elapsed() < window_ms) {
        if (!eager && measured.elapsed() >= next_tick) {
            video_request_tick(true, platform::tick_count());
            next_tick += video_request_period_ms;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 2);
        if (g_stored != painted) {
            painted = g_stored;
            window.render(&canvas);
            zoom.render(&zoom_canvas);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    double elapsed_s = measured.elapsed() / 1000.0;
    r.fps = (g_stored - stored_before) / elapsed_s;
    r.receiver_core = (cpu_ms() - cpu_before) / (elapsed_s * 1000.0);
    g_ask_member = -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::map<std::string, double> report = read_report(dir + "/report");
    if (report.count("cpu_ms") && report["wall_ms"] > 0)
        r.sender_core = report["cpu_ms"] / report["wall_ms"];
    g_stored = 0;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    TempHome home;
    ServerProcess server;

    init_global_state();
    install_video_parts();
    // The store listener of the program posts repaints; here the loop paints
    // itself, and an eager receiver asks again at once.
    set_video_store_listener([](int sender) {
        ++g_stored;
        if (g_ask_member == sender) {
            VideoWindowState s = video_window_state(0);
            send_video_frame_request(sender, s.received_ids[0], s.received_ids[1]);
        }
    });
    g_meeting_started = 1;

    HeadlessPeer control("receiver");
    if (control.connect("127.0.0.1", server.port(), true) != 0 || control.join_room("bench") < 0) {
        std::fprintf(stderr, "video_transport_bench: cannot join\n");
        return 1;
    }
    g_my_customer_id = control.customer_id();
    g_server_host.set("127.0.0.1");
    g_server_port = server.port();
    std::thread([] { g_share_app_thread(); }).detach();
    for (int i = 0; i < 300 && g_share_app_sock.m_sock == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    CVideoWnd window(0);
    CDlgVideoZoom zoom(0);
    zoom.set_owner(0);

    std::printf("capture to window through the local server (sender at 50 frames/s; the window and the zoom dialog paint each frame):\n");
    for (int size_index : { 1, 2 }) {
        const char* size = size_index == 1 ? "320x240" : "640x480";
        Run eager = run(home.root(), server.port(), size_index, 50, 7, true, window, zoom);
        Run clocked = run(home.root(), server.port(), size_index, 50, 7, false, window, zoom);
        std::printf("  %s: %5.1f frames/s asking again at once, %5.1f frames/s with the 50 ms request clock"
                    " (sender %4.1f%%, receiver %4.1f%% of a core)\n",
                    size, eager.fps, clocked.fps, eager.sender_core * 100, eager.receiver_core * 100);
    }
    std::printf("at the default rate (5 frames/s, the 50 ms request clock):\n");
    for (int size_index : { 1, 2 }) {
        const char* size = size_index == 1 ? "320x240" : "640x480";
        Run r = run(home.root(), server.port(), size_index, 5, 8, false, window, zoom);
        std::printf("  %s: %4.1f frames/s, sender %4.1f%% and receiver %4.1f%% of one core\n", size, r.fps,
                    r.sender_core * 100, r.receiver_core * 100);
    }
    std::printf("target: 25 frames/s end to end at 320x240; under 10%% of one core per side at 5 frames/s\n");
    std::fflush(stdout);
    control.close();
    server.stop();
    std::_Exit(0);
}
