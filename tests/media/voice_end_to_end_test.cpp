// Two and three windowless clients in one room of a real tamblo-server:
// one speaks a sound file, the others play through the file backend. What
// arrives, how it sounds and that it flows without gaps; private voice
// only to the partner, over a peer link when one is up.
#include "media/voice_codec.h"
#include "platform/audio/wav_file.h"
#include "tests/core/loopback.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sched.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string build_dir() { return std::getenv("TAMBLO_BUILD_DIR") ? std::getenv("TAMBLO_BUILD_DIR") : "build"; }

struct Dir {
    Dir()
    {
        char pattern[] = "/tmp/tamblo-voice-e2e-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~Dir() { std::filesystem::remove_all(path); }
    std::string path;
};

// One client process; ended by its own clock, or killed by its id.
class VoicePeer {
public:
    VoicePeer(const Dir& dir, const std::string& name, uint16_t server_port, const std::string& audio,
              std::vector<std::string> extra, int seconds)
        : peer_port_(unused_loopback_port()), dir_(dir.path + "/" + name)
    {
        std::filesystem::create_directories(dir_);
        std::vector<std::string> args { build_dir() + "/tests/media/tamblo_voice_peer", "--port", std::to_string(server_port),
                                        "--room", "voice room", "--name", name, "--seconds", std::to_string(seconds),
                                        "--id-file", dir_ + "/id", "--report", dir_ + "/report", "--written",
                                        dir_ + "/written.raw" };
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        env.push_back("XDG_CONFIG_HOME=" + dir_ + "/config");
        env.push_back("XDG_DATA_HOME=" + dir_ + "/data");
        env.push_back("XDG_RUNTIME_DIR=" + dir_);
        env.push_back("TAMBLO_PEER_PORT=" + std::to_string(peer_port_));
        env.push_back("TAMBLO_AUDIO=" + audio);
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
    }
    ~VoicePeer()
    {
        if (pid_ > 0 && !finished_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool finish(int wait_ms = 20000)
    {
        for (int waited = 0; waited < wait_ms; waited += 20) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                finished_ = true;
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    bool wait_for_id(int wait_ms = 10000) const
    {
        for (int waited = 0; waited < wait_ms; waited += 20) {
            if (std::filesystem::exists(dir_ + "/id"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    std::string id_file() const { return dir_ + "/id"; }
    uint16_t peer_port() const { return peer_port_; }
    int count(const std::string& key) const
    {
        std::ifstream in(dir_ + "/report");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(key + " ", 0) == 0)
                return std::atoi(line.c_str() + key.size() + 1);
        return 0;
    }
    std::vector<uint8_t> written() const
    {
        std::ifstream in(dir_ + "/written.raw", std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }
    std::string dir() const { return dir_; }

private:
    pid_t pid_ = -1;
    bool finished_ = false;
    uint16_t peer_port_;
    std::string dir_;
};

// The microphone's blocks that carry sound, as the sender's coder decides.
std::vector<std::vector<uint8_t>> sound_blocks(const std::vector<uint8_t>& mic, int quality)
{
    std::vector<std::vector<uint8_t>> out;
    std::vector<uint8_t> coded(talk_coded_block_bytes + 128);
    for (size_t at = 0; at + talk_block_samples <= mic.size(); at += talk_block_samples) {
        int len = 0;
        if (audio_encode_block(mic.data() + at, coded.data(), talk_block_samples, &len, quality) == 1)
            out.emplace_back(mic.begin() + static_cast<long>(at), mic.begin() + static_cast<long>(at + talk_block_samples));
    }
    return out;
}

// Signal to noise of the played blocks against the spoken ones, in order.
double played_snr_db(const std::vector<std::vector<uint8_t>>& spoken, const std::vector<uint8_t>& played)
{
    double signal = 0, noise = 0;
    for (size_t b = 0; b < spoken.size() && (b + 1) * talk_block_samples <= played.size(); ++b)
        for (size_t i = 0; i < static_cast<size_t>(talk_block_samples); ++i) {
            double s = spoken[b][i] - 128.0;
            double p = played[b * talk_block_samples + i] - 128.0;
            signal += s * s;
            noise += (s - p) * (s - p);
        }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

std::vector<uint8_t> tone_with_pause()
{
    std::vector<uint8_t> s;
    auto silence = [&](double seconds) { s.insert(s.end(), static_cast<size_t>(seconds * 8000), 128); };
    auto tone = [&](double seconds, double hz) {
        for (int i = 0; i < static_cast<int>(seconds * 8000); ++i)
            s.push_back(static_cast<uint8_t>(std::lround(128 + 60 * std::sin(2 * M_PI * hz * i / 8000))));
    };
    silence(0.6);
    tone(1.5, 440);
    silence(0.6);
    tone(1.2, 700);
    silence(0.6);
    return s;
}

void write_wav(const std::string& path, const std::vector<uint8_t>& samples)
{
    platform::WavWriter w;
    ASSERT_EQ(w.open(path), 0);
    w.append(samples.data(), samples.size());
}

// Silent runs inside what the player played, from its first loud sample to its last.
std::vector<size_t> silent_runs(const std::vector<uint8_t>& played)
{
    std::vector<size_t> runs;
    auto loud = [](uint8_t s) { return std::abs(s - 128) > 2; };
    auto first = std::find_if(played.begin(), played.end(), loud);
    auto last = std::find_if(played.rbegin(), played.rend(), loud).base();
    size_t run = 0;
    for (auto it = first; it < last; ++it) {
        if (!loud(*it)) {
            ++run;
        } else {
            if (run >= 40)
                runs.push_back(run);
            run = 0;
        }
    }
    return runs;
}

// Sound runs against the clock. Where the system lets us, this program and
// what it starts (the server, the clients) get the processor ahead of
// whatever else keeps the machine busy, as a real-time audio program would.
struct RealTimeScheduling {
    RealTimeScheduling()
    {
        sched_param param {};
        param.sched_priority = 10;
        ::sched_setscheduler(0, SCHED_RR, &param);
    }
};
const RealTimeScheduling g_real_time_scheduling;

} // namespace

TEST(VoiceEndToEnd, RoomTalkGoesAsSilenceAndSoundAndPlaysWithoutGaps)
{
    Dir dir;
    ServerProcess server;
    std::vector<uint8_t> mic = tone_with_pause();
    write_wav(dir.path + "/mic.wav", mic);
    VoicePeer bob(dir, "bob", server.port(), "file:," + dir.path + "/bob_out", {}, 7);
    ASSERT_TRUE(bob.wait_for_id());
    VoicePeer ann(dir, "ann", server.port(), "file:" + dir.path + "/mic.wav," + dir.path + "/ann_out", { "--speak" }, 5);
    ASSERT_TRUE(ann.finish());
    ASSERT_TRUE(bob.finish());

    auto spoken = sound_blocks(mic, 0);
    EXPECT_EQ(bob.count("voice 616"), static_cast<int>(spoken.size()));
    EXPECT_GE(bob.count("voice 614"), static_cast<int>(mic.size() / talk_block_samples - spoken.size()));
    EXPECT_EQ(bob.count("voice 617") + bob.count("voice 615"), 0);
    std::vector<uint8_t> written = bob.written();
    EXPECT_EQ(written.size(), spoken.size() * talk_block_samples);  // nothing lost
    double snr_db = played_snr_db(spoken, written);
    std::printf("tone: %zu blocks, SNR %.1f dB\n", spoken.size(), snr_db);
    EXPECT_GT(snr_db, 28.0);

    // The speaker's slot is whichever was free first: one player file exists.
    std::vector<std::string> player_files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path + "/bob_out"))
        if (entry.path().filename().string().rfind("player_slot", 0) == 0)
            player_files.push_back(entry.path().string());
    ASSERT_EQ(player_files.size(), 1u);
    std::vector<uint8_t> played;
    ASSERT_EQ(platform::read_wav_as_u8_8000(player_files[0], played), 0);
    std::vector<size_t> runs = silent_runs(played);
    // The pause between the two tones, and no gap inside either.
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_GT(runs[0], 1000u);
}

// The microphone level the user set (the software line: no mixer on the file
// backend) scales what the others hear: at 32768 the tone arrives at half its height.
TEST(VoiceEndToEnd, MicrophoneAtHalfLevelReachesTheListenerAtHalfTheAmplitude)
{
    Dir dir;
    ServerProcess server;
    std::vector<uint8_t> mic = tone_with_pause();
    write_wav(dir.path + "/mic.wav", mic);
    VoicePeer bob(dir, "bob", server.port(), "file:," + dir.path + "/bob_out", {}, 7);
    ASSERT_TRUE(bob.wait_for_id());
    VoicePeer ann(dir, "ann", server.port(), "file:" + dir.path + "/mic.wav," + dir.path + "/ann_out",
                  { "--speak", "--mic-gain", "32768" }, 5);
    ASSERT_TRUE(ann.finish());
    ASSERT_TRUE(bob.finish());

    std::vector<uint8_t> written = bob.written();
    ASSERT_GE(written.size(), 10u * talk_block_samples);
    auto rms = [](const std::vector<uint8_t>& samples) {
        double sum = 0;
        size_t n = 0;
        for (uint8_t s : samples)
            if (std::abs(s - 128) > 2) {
                sum += (s - 128.0) * (s - 128.0);
                ++n;
            }
        return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
    };
    double ratio = rms(written) / rms(mic);
    std::printf("microphone at 32768: the listener hears %.2f of the spoken amplitude\n", ratio);
    EXPECT_GT(ratio, 0.42);
    EXPECT_LT(ratio, 0.58);
}

class SpeechQuality : public ::testing::TestWithParam<int> {};

TEST_P(SpeechQuality, SpokenWordsArriveWithTheQualitysFidelity)
{
    const int quality = GetParam();
    Dir dir;
    std::string raw = dir.path + "/speech22k.wav", mic_path = dir.path + "/mic.wav";
    std::string say = "espeak-ng -w " + raw + " 'Voice blocks of one hundred and twenty milliseconds travel to every member of the room.'";
    ASSERT_EQ(std::system(say.c_str()), 0);
    std::string convert = "sox " + raw + " -r 8000 -c 1 -b 8 -e unsigned-integer " + mic_path + " pad 0.6 0.3";
    ASSERT_EQ(std::system(convert.c_str()), 0);
    std::vector<uint8_t> mic;
    ASSERT_EQ(platform::read_wav_as_u8_8000(mic_path, mic), 0);
    int seconds = static_cast<int>(mic.size() / 8000) + 2;

    ServerProcess server;
    VoicePeer bob(dir, "bob", server.port(), "file:," + dir.path + "/bob_out", { "--quality", std::to_string(quality) }, seconds + 2);
    ASSERT_TRUE(bob.wait_for_id());
    VoicePeer ann(dir, "ann", server.port(), "file:" + mic_path + "," + dir.path + "/ann_out",
                  { "--speak", "--quality", std::to_string(quality) }, seconds);
    ASSERT_TRUE(ann.finish());
    ASSERT_TRUE(bob.finish());

    auto spoken = sound_blocks(mic, quality);
    ASSERT_GT(spoken.size(), 10u);
    EXPECT_EQ(bob.count("voice 616"), static_cast<int>(spoken.size()));
    std::vector<uint8_t> written = bob.written();
    EXPECT_EQ(written.size(), spoken.size() * talk_block_samples);
    const double want_db[] = { 18.0, 16.0, 14.0 };
    double snr_db = played_snr_db(spoken, written);
    RecordProperty("snr_db", std::to_string(snr_db));
    std::printf("quality %d: %zu blocks, SNR %.1f dB\n", quality, spoken.size(), snr_db);
    EXPECT_GT(snr_db, want_db[quality]) << "quality " << quality;
}

INSTANTIATE_TEST_SUITE_P(EveryQuality, SpeechQuality, ::testing::Values(0, 1, 2));

namespace {

void private_talk(bool peer_link)
{
    Dir dir;
    ServerProcess server;
    std::vector<uint8_t> mic = tone_with_pause();
    write_wav(dir.path + "/mic.wav", mic);
    VoicePeer bob(dir, "bob", server.port(), "file:," + dir.path + "/bob_out", {}, 7);
    VoicePeer cat(dir, "cat", server.port(), "file:," + dir.path + "/cat_out", {}, 7);
    ASSERT_TRUE(bob.wait_for_id());
    ASSERT_TRUE(cat.wait_for_id());
    std::vector<std::string> extra { "--speak", "--partner-file", bob.id_file() };
    if (peer_link)
        extra.insert(extra.end(), { "--peer-connect", "127.0.0.1:" + std::to_string(bob.peer_port()) });
    VoicePeer ann(dir, "ann", server.port(), "file:" + dir.path + "/mic.wav," + dir.path + "/ann_out", extra, 5);
    ASSERT_TRUE(ann.finish());
    ASSERT_TRUE(bob.finish());
    ASSERT_TRUE(cat.finish());

    auto spoken = sound_blocks(mic, 0);
    const char* carried = peer_link ? "peer 617" : "voice 617";
    EXPECT_EQ(bob.count(carried), static_cast<int>(spoken.size()));
    EXPECT_EQ(bob.count(peer_link ? "voice 617" : "peer 617"), 0);
    EXPECT_EQ(bob.count("voice 616"), 0);
    EXPECT_GT(bob.count(peer_link ? "peer 615" : "voice 615"), 0);
    EXPECT_EQ(bob.written().size(), spoken.size() * talk_block_samples);
    for (const char* key : { "voice 614", "voice 615", "voice 616", "voice 617", "peer 615", "peer 617" })
        EXPECT_EQ(cat.count(key), 0) << key;
    EXPECT_TRUE(cat.written().empty());
}

} // namespace

TEST(VoiceEndToEnd, PrivateVoiceReachesOnlyThePartnerOverThePeerLink) { private_talk(true); }

TEST(VoiceEndToEnd, PrivateVoiceWithoutPeerLinkGoesThroughTheServerToThePartnerOnly) { private_talk(false); }

TEST(VoiceEndToEnd, ServerLinksTwoMembersWhoAgreeOnPrivateVoice)
{
    Dir dir;
    ServerProcess server;
    std::vector<uint8_t> mic = tone_with_pause();
    write_wav(dir.path + "/mic.wav", mic);
    VoicePeer bob(dir, "bob", server.port(), "file:," + dir.path + "/bob_out", { "--accept-private" }, 7);
    VoicePeer cat(dir, "cat", server.port(), "file:," + dir.path + "/cat_out", {}, 7);
    ASSERT_TRUE(bob.wait_for_id());
    ASSERT_TRUE(cat.wait_for_id());
    VoicePeer ann(dir, "ann", server.port(), "file:" + dir.path + "/mic.wav," + dir.path + "/ann_out",
                  { "--speak", "--request-private", bob.id_file() }, 5);
    ASSERT_TRUE(ann.finish());
    ASSERT_TRUE(bob.finish());
    ASSERT_TRUE(cat.finish());
    EXPECT_TRUE(server.wait_for_log("links to", 100));

    // The link is up long before the tone begins: every sound block takes it.
    auto spoken = sound_blocks(mic, 0);
    EXPECT_EQ(bob.count("peer 617"), static_cast<int>(spoken.size()));
    EXPECT_EQ(bob.count("voice 617") + bob.count("voice 616"), 0);
    EXPECT_EQ(bob.written().size(), spoken.size() * talk_block_samples);
    for (const char* key : { "voice 614", "voice 615", "voice 616", "voice 617", "peer 615", "peer 617" })
        EXPECT_EQ(cat.count(key), 0) << key;
}
