// Delay from a block's capture to the moment the listener's player writes
// it, through a local tamblo-server, beside the delay the design sets: one
// block (120 ms) plus the jitter queue's target depth (2 blocks). Two
// windowless clients with the file backend; the speaker's microphone is
// 0.6 s of silence, then a tone, so each sound block is known by its place.
#include "platform/audio/wav_file.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const std::string build_dir = TAMBLO_BENCH_BUILD_DIR;

pid_t spawn(std::vector<std::string> args, std::vector<std::string> env_extra, const std::string& out_path = "")
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), env_extra.begin(), env_extra.end());
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!out_path.empty())
        posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int server_port_from_log(const std::string& path)
{
    for (int i = 0; i < 250; ++i) {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            size_t at = line.find("127.0.0.1:");
            if (at != std::string::npos && line.find("listening") != std::string::npos)
                return std::atoi(line.c_str() + at + 10);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

int free_port()
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

std::vector<std::string> peer_env(const std::string& dir, const std::string& audio, int peer_port)
{
    return { "XDG_CONFIG_HOME=" + dir + "/config", "XDG_DATA_HOME=" + dir + "/data", "XDG_RUNTIME_DIR=" + dir,
             "TAMBLO_AUDIO=" + audio, "TAMBLO_PEER_PORT=" + std::to_string(peer_port) };
}

} // namespace

int main()
{
    char pattern[] = "/tmp/tamblo-voice-bench-XXXXXX";
    std::string dir = ::mkdtemp(pattern);
    constexpr int silence_blocks = 5;
    constexpr int tone_blocks = 30;
    std::vector<uint8_t> mic(silence_blocks * 960, 128);
    for (int i = 0; i < tone_blocks * 960; ++i)
        mic.push_back(static_cast<uint8_t>(std::lround(128 + 60 * std::sin(2 * M_PI * 440 * i / 8000.0))));
    mic.insert(mic.end(), 4800, 128);
    {
        platform::WavWriter w;
        w.open(dir + "/mic.wav");
        w.append(mic.data(), mic.size());
    }
    pid_t server = spawn({ build_dir + "/server/tamblo-server", "--listen", "127.0.0.1:0", "--report-port", "0" }, {},
                         dir + "/server.log");
    int port = server_port_from_log(dir + "/server.log");
    if (port <= 0) {
        std::fprintf(stderr, "voice_delay_bench: the server did not start\n");
        return 1;
    }
    std::string peer = build_dir + "/tests/media/tamblo_voice_peer";
    std::filesystem::create_directories(dir + "/bob");
    std::filesystem::create_directories(dir + "/ann");
    pid_t bob = spawn({ peer, "--port", std::to_string(port), "--room", "bench", "--name", "bob", "--seconds", "8",
                        "--id-file", dir + "/bob/id", "--report", dir + "/bob/report" },
                      peer_env(dir + "/bob", "file:," + dir + "/bob/out", free_port()));
    for (int i = 0; i < 500 && !std::filesystem::exists(dir + "/bob/id"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    pid_t ann = spawn({ peer, "--port", std::to_string(port), "--room", "bench", "--name", "ann", "--seconds", "6",
                        "--speak", "--report", dir + "/ann/report" },
                      peer_env(dir + "/ann", "file:" + dir + "/mic.wav," + dir + "/ann/out", free_port()));
    ::waitpid(ann, nullptr, 0);
    ::waitpid(bob, nullptr, 0);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);

    long start_ms = 0;
    {
        std::ifstream in(dir + "/ann/report");
        std::string key;
        in >> key >> start_ms;
    }
    std::vector<long> writes;
    {
        std::ifstream in(dir + "/bob/report");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string key;
            long ms = 0, slot = 0, first_loud = 0;
            if (fields >> key >> ms >> slot >> first_loud && key == "write" && slot >= 0 && first_loud >= 0)
                writes.push_back(ms);
        }
    }
    std::filesystem::remove_all(dir);
    if (writes.empty() || start_ms == 0) {
        std::fprintf(stderr, "voice_delay_bench: no sound reached the listener\n");
        return 1;
    }
    // Sound block k is the microphone's block silence_blocks + k, whole once
    // its 120 ms have passed since capture began.
    double first = 0, sum = 0, low = 1e9, high = 0;
    int steady = 0;
    for (size_t k = 0; k < writes.size(); ++k) {
        double captured_ms = static_cast<double>(start_ms) + (silence_blocks + k + 1) * 120.0;
        double delay = static_cast<double>(writes[k]) - captured_ms;
        if (k == 0)
            first = delay;
        if (k >= 3 && k + 3 < writes.size()) {
            sum += delay;
            low = std::min(low, delay);
            high = std::max(high, delay);
            ++steady;
        }
    }
    const double design_ms = 120.0 + 2 * 120.0;
    std::printf("voice delay, capture to the listener's player, through a local tamblo-server:\n");
    std::printf("  blocks played %zu of %d\n", writes.size(), tone_blocks);
    std::printf("  first block %.0f ms; steady state mean %.0f ms (min %.0f, max %.0f)\n", first,
                steady ? sum / steady : 0.0, low, high);
    std::printf("  the design's own delay: one block plus a queue depth of two = %.0f ms; first block %+.0f ms, "
                "steady state %+.0f ms\n",
                design_ms, first - design_ms, (steady ? sum / steady : first) - design_ms);
    std::printf("  (in steady state a player hands its next buffer over when the device mixes the last step of the\n"
                "   one playing, 40 ms before it has finished, so writes come a little earlier than the first)\n");
    return 0;
}
