// A meeting client without windows that shows its camera with the real
// video machinery: the headless peer logs in and enters the room on the
// main connection, the client core's application thread carries the frames,
// and the capture side codes the camera's pictures at the frame timer's
// rate. Used by the end-to-end tests and the benchmark.
//
//   tamblo_video_peer --port P --room R --name N --seconds S [--size I]
//       [--quality Q] [--speed FPS] [--scene N] [--still] [--noisy-frames N]
//       [--start-meeting] [--id-file F] [--frames-file F] [--report F]
//
// The camera is TAMBLO_CAMERA's (the tests use "synthetic"): --scene cuts
// to the scene of that number, --still stops its motion, and the first
// --noisy-frames pictures are random pixels instead. --frames-file keeps
// every frame the sender sent, each behind its length (32 bits) and each
// different one once; the report has "coded", "coded_kind_0",
// "coded_kind_1", "cpu_ms" and "wall_ms".
#include "core/connections.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_threads.h"
#include "media/video_capture.h"
#include "media/video_receive.h"
#include "media/video_send.h"
#include "media/video_transport.h"
#include "platform/camera/capture_source.h"
#include "tests/support/headless_peer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace {

// The camera, with the first pictures replaced by noise when asked.
class PeerCamera : public platform::CaptureSource {
public:
    PeerCamera(std::unique_ptr<platform::CaptureSource> inner, int noisy) : inner_(std::move(inner)), noisy_(noisy) {}
    int start(int width, int height) override
    {
        width_ = width;
        height_ = height;
        return inner_->start(width, height);
    }
    void stop() override { inner_->stop(); }
    int grab(std::span<uint8_t> out) override
    {
        if (noisy_ > 0) {
            --noisy_;
            for (uint8_t& b : out)
                b = static_cast<uint8_t>(random_());
            return 0;
        }
        return inner_->grab(out);
    }
    std::string name() const override { return "peer camera"; }

private:
    std::unique_ptr<platform::CaptureSource> inner_;
    int noisy_ = 0;
    std::mt19937 random_ { 7 };
};

// Keeps what goes out, then hands over to the real sender.
class KeepingSender : public VideoFrameSender {
public:
    explicit KeepingSender(std::string path) : path_(std::move(path)) {}
    void start_video_frame_sender() override
    {
        {
            platform::TimedLockWait wait(g_video_send_lock, 3000);
            VideoSendBuffers& buffers = video_send_buffers();
            std::vector<uint8_t> frame;
            // A frame still unsent at the next tick starts the sender again: count it once.
            if (wait && !buffers.frame_sent && build_video_frame(buffers, frame) > 0) {
                std::string bytes(frame.begin(), frame.end());
                if (!path_.empty() && kept_.insert(std::hash<std::string> {}(bytes)).second) {
                    std::ofstream out(path_, std::ios::binary | std::ios::app);
                    uint32_t len = static_cast<uint32_t>(bytes.size());
                    out.write(reinterpret_cast<const char*>(&len), 4);
                    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                }
            }
        }
        video_dct_sender().start_video_frame_sender();
    }

private:
    std::string path_;
    std::set<size_t> kept_;
};

double cpu_ms()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> opt;
    for (int i = 1; i < argc; ++i) {
        std::string key = argv[i];
        if (key == "--still" || key == "--start-meeting")
            opt[key] = "1";
        else if (i + 1 < argc)
            opt[key] = argv[++i];
    }
    auto number = [&opt](const char* key, int fallback) { return opt.count(key) ? std::atoi(opt[key].c_str()) : fallback; };
    int port = number("--port", 9081);
    int seconds = number("--seconds", 3);
    int speed = std::clamp(number("--speed", 10), 1, 50);

    init_global_state();
    install_video_parts();
    KeepingSender keeping(opt["--frames-file"]);
    set_video_frame_sender(&keeping);
    g_video_size_index = number("--size", 0);
    set_video_size_by_index();
    g_video_quality = number("--quality", 70);

    HeadlessPeer control(opt["--name"]);
    if (control.connect("127.0.0.1", static_cast<uint16_t>(port), true) != 0 || control.join_room(opt["--room"]) < 0) {
        std::fprintf(stderr, "tamblo_video_peer: cannot join the room\n");
        return 2;
    }
    if (opt.count("--start-meeting"))
        control.send(PeerChannel::main, MSG_MEETING_START);
    g_my_customer_id = control.customer_id();
    g_server_host.set("127.0.0.1");
    g_server_port = port;
    std::thread([] { g_share_app_thread(); }).detach();
    for (int i = 0; i < 300 && g_share_app_sock.m_sock == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (opt.count("--id-file"))
        std::ofstream(opt["--id-file"]) << g_my_customer_id.load() << "\n";

    std::unique_ptr<platform::CaptureSource> inner = open_video_camera(g_video_width, g_video_height);
    if (!inner) {
        std::fprintf(stderr, "tamblo_video_peer: no camera\n");
        return 3;
    }
    if (auto* synthetic = dynamic_cast<platform::SyntheticCaptureSource*>(inner.get())) {
        for (int s = 0; s < number("--scene", 0); ++s)
            synthetic->cut_scene();
        synthetic->set_motion(!opt.count("--still"));
    }
    PeerCamera camera(std::move(inner), number("--noisy-frames", 0));
    camera.start(g_video_width, g_video_height);

    VideoCaptureTicker ticker;
    int coded = 0;
    std::array<int, 2> coded_kind {};
    double cpu_before = cpu_ms();
    auto period = std::chrono::microseconds(1000000 / speed);
    auto next = std::chrono::steady_clock::now();
    auto end = next + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (ticker.tick(&camera) == VideoTickResult::coded) {
            ++coded;
            ++coded_kind[ticker.last_frame_kind() == 1 ? 1 : 0];
        }
        next += period;
        std::this_thread::sleep_until(next);
    }
    double cpu_used = cpu_ms() - cpu_before;

    if (opt.count("--report")) {
        std::ofstream out(opt["--report"]);
        out << "coded " << coded << "\n";
        out << "coded_kind_0 " << coded_kind[0] << "\n";
        out << "coded_kind_1 " << coded_kind[1] << "\n";
        out << "cpu_ms " << static_cast<long>(cpu_used) << "\n";
        out << "wall_ms " << seconds * 1000 << "\n";
    }
    std::fflush(nullptr);
    // The sender and receive threads live as long as the process.
    std::_Exit(0);
}
