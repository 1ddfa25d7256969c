// The sound devices: WAV files, the file and null backends, and the real
// ALSA backend against ALSA's null PCM.
#include "platform/audio/audio_device.h"
#include "platform/audio/wav_file.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

using namespace platform;

namespace {

struct TempDir {
    TempDir()
    {
        char pattern[] = "/tmp/tamblo-audio-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string path;
};

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> wav16(uint32_t rate_hz, int channels, const std::vector<int16_t>& frames)
{
    auto le = [](std::vector<uint8_t>& v, uint32_t x, int n) {
        for (int i = 0; i < n; ++i)
            v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    std::vector<uint8_t> v { 'R', 'I', 'F', 'F' };
    uint32_t data_len = static_cast<uint32_t>(frames.size() * 2);
    le(v, 36 + data_len, 4);
    for (char c : std::string("WAVEfmt "))
        v.push_back(static_cast<uint8_t>(c));
    le(v, 16, 4);
    le(v, 1, 2);
    le(v, static_cast<uint32_t>(channels), 2);
    le(v, rate_hz, 4);
    le(v, rate_hz * 2 * static_cast<uint32_t>(channels), 4);
    le(v, 2 * static_cast<uint32_t>(channels), 2);
    le(v, 16, 2);
    for (char c : std::string("data"))
        v.push_back(static_cast<uint8_t>(c));
    le(v, data_len, 4);
    for (int16_t s : frames)
        le(v, static_cast<uint16_t>(s), 2);
    return v;
}

WaveHeaderPtr make_buffer(size_t n, uint8_t fill, uint32_t tag = 0)
{
    auto h = std::make_unique<WaveHeader>();
    h->data.assign(n, fill);
    h->user_tick = tag;
    return h;
}

// Collects the buffers a device hands back.
struct Collector {
    std::mutex lock;
    std::condition_variable cv;
    std::vector<WaveHeaderPtr> got;
    void take(WaveHeaderPtr h)
    {
        std::lock_guard<std::mutex> hold(lock);
        got.push_back(std::move(h));
        cv.notify_all();
    }
    bool wait_for_count(size_t n, int timeout_ms = 5000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return cv.wait_for(hold, std::chrono::milliseconds(timeout_ms), [&] { return got.size() >= n; });
    }
};

} // namespace

TEST(WavFile, WriterOutputReadsBackExactly)
{
    TempDir dir;
    std::vector<uint8_t> samples(1234);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>(i * 7);
    {
        WavWriter w;
        ASSERT_EQ(w.open(dir.path + "/a.wav"), 0);
        w.append(samples.data(), 1000);
        w.append(samples.data() + 1000, 234);
        // not closed: the sizes are already right
        std::vector<uint8_t> back;
        ASSERT_EQ(read_wav_as_u8_8000(dir.path + "/a.wav", back), 0);
        EXPECT_EQ(back, samples);
    }
}

TEST(WavFile, ConvertsSixteenBitStereoAndOtherRates)
{
    // 16000 Hz stereo, left +half scale, right -half scale in the first half; both +full later.
    std::vector<int16_t> frames;
    for (int i = 0; i < 1600; ++i) {
        frames.push_back(i < 800 ? 16384 : 32767);
        frames.push_back(i < 800 ? -16384 : 32767);
    }
    std::vector<uint8_t> out;
    ASSERT_EQ(parse_wav_as_u8_8000(wav16(16000, 2, frames), out), 0);
    ASSERT_EQ(out.size(), 800u);
    EXPECT_EQ(out[10], 128);  // the channels cancel
    EXPECT_EQ(out[700], 255);
}

TEST(WavFile, RawBytesAreTakenAsTheyStandAndBadWavIsRefused)
{
    std::vector<uint8_t> raw { 1, 2, 3, 200 };
    std::vector<uint8_t> out;
    ASSERT_EQ(parse_wav_as_u8_8000(raw, out), 0);
    EXPECT_EQ(out, raw);
    std::vector<uint8_t> bad { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 2, 0, 0, 0 };
    std::string error;
    EXPECT_EQ(parse_wav_as_u8_8000(bad, out, &error), -1);
    EXPECT_FALSE(error.empty());
}

TEST(AudioBackend, SpecChoosesTheBackend)
{
    std::string error;
    EXPECT_NE(make_audio_backend("null"), nullptr);
    EXPECT_NE(make_audio_backend("file:"), nullptr);
    EXPECT_EQ(make_audio_backend("speaker", &error), nullptr);
    EXPECT_NE(error.find("speaker"), std::string::npos);
    EXPECT_EQ(make_audio_backend("file:/nonexistent/mic.wav", &error), nullptr);
}

TEST(FileBackend, CaptureGivesTheFileInRealTimeThenSilence)
{
    TempDir dir;
    std::vector<uint8_t> mic(1500);
    for (size_t i = 0; i < mic.size(); ++i)
        mic[i] = static_cast<uint8_t>(i % 200 + 20);
    write_bytes(dir.path + "/mic.raw", mic);
    auto backend = make_audio_backend("file:" + dir.path + "/mic.raw," + dir.path + "/out");
    ASSERT_NE(backend, nullptr);
    auto capture = backend->make_capture();
    Collector c;
    ASSERT_EQ(capture->open([&](WaveHeaderPtr h) { c.take(std::move(h)); }), 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(capture->add_buffer(make_buffer(audio_block_samples, 0)), 0);
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(capture->start(), 0);
    ASSERT_TRUE(c.wait_for_count(3));
    auto elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(elapsed_ms, 340);  // three blocks of 120 ms
    std::vector<uint8_t> all;
    for (auto& h : c.got) {
        EXPECT_EQ(h->bytes_recorded, audio_block_samples);
        all.insert(all.end(), h->data.begin(), h->data.end());
    }
    EXPECT_TRUE(std::equal(mic.begin(), mic.end(), all.begin()));
    EXPECT_TRUE(std::all_of(all.begin() + 1500, all.end(), [](uint8_t s) { return s == audio_silence; }));
    // Nothing more arrives without buffers; stop and reset hand back what waits.
    capture->add_buffer(make_buffer(audio_block_samples, 0));
    capture->stop();
    capture->reset();
    EXPECT_EQ(capture->close(), 0);
}

TEST(CaptureGain, ScalesAroundSilence)
{
    struct Case {
        uint32_t gain;
        uint8_t in;
        uint8_t want;
    };
    const Case cases[] = {
        { 0xffff, 255, 255 }, { 0xffff, 0, 0 }, { 0x8000, 228, 178 }, { 0x8000, 28, 78 },
        { 0x8000, 128, 128 }, { 0, 255, 128 }, { 0, 0, 128 }, { 0x10000, 200, 200 },
    };
    for (const Case& c : cases) {
        uint8_t s = c.in;
        apply_capture_gain(&s, 1, c.gain);
        EXPECT_EQ(s, c.want) << "gain " << c.gain << " sample " << int(c.in);
    }
    // A whole block, many samples a step, in place or copied, gives what
    // each sample alone gives.
    std::vector<uint8_t> block(audio_block_samples + 7);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 37);
    for (uint32_t gain : { 0u, 0x1234u, 0x8000u, 0xfffeu, 0xffffu }) {
        std::vector<uint8_t> in_place = block;
        apply_capture_gain(in_place.data(), in_place.size(), gain);
        std::vector<uint8_t> copied(block.size());
        copy_with_capture_gain(copied.data(), block.data(), block.size(), gain);
        for (size_t i = 0; i < block.size(); ++i) {
            uint8_t one = block[i];
            apply_capture_gain(&one, 1, gain);
            ASSERT_EQ(in_place[i], one) << "gain " << gain << " sample " << i;
            ASSERT_EQ(copied[i], one) << "gain " << gain << " sample " << i;
        }
    }
}

// The microphone level reaches what a capture device hands over, and is
// kept within 0..0xffff.
TEST(CaptureGain, AppliesToWhatTheDeviceCaptures)
{
    TempDir dir;
    std::vector<uint8_t> mic(audio_block_samples * 2, 228);
    write_bytes(dir.path + "/mic.raw", mic);
    auto backend = make_audio_backend("file:" + dir.path + "/mic.raw," + dir.path + "/out");
    ASSERT_NE(backend, nullptr);
    set_capture_gain(0x12345);
    EXPECT_EQ(capture_gain(), 0xffffu);
    set_capture_gain(0x8000);
    auto capture = backend->make_capture();
    Collector c;
    ASSERT_EQ(capture->open([&](WaveHeaderPtr h) { c.take(std::move(h)); }), 0);
    ASSERT_EQ(capture->add_buffer(make_buffer(audio_block_samples, 0)), 0);
    ASSERT_EQ(capture->start(), 0);
    ASSERT_TRUE(c.wait_for_count(1));
    set_capture_gain(0xffff);
    capture->stop();
    capture->reset();
    capture->close();
    ASSERT_EQ(c.got[0]->bytes_recorded, audio_block_samples);
    EXPECT_TRUE(std::all_of(c.got[0]->data.begin(), c.got[0]->data.end(), [](uint8_t s) { return s == 178; }));
}

TEST(FileBackend, PlayersAreMixedWithTheirGainAndGetTheirBuffersBackInOrder)
{
    TempDir dir;
    auto backend = make_audio_backend("file:," + dir.path);
    ASSERT_NE(backend, nullptr);
    auto a = backend->make_playback("a");
    auto b = backend->make_playback("b");
    Collector done_a, done_b;
    ASSERT_EQ(a->open([&](WaveHeaderPtr h) { done_a.take(std::move(h)); }), 0);
    ASSERT_EQ(b->open([&](WaveHeaderPtr h) { done_b.take(std::move(h)); }), 0);
    b->set_volume(0x8000 | (0x8000u << 16));
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(a->write(make_buffer(480, 148, i)), 0);  // +20
        ASSERT_EQ(b->write(make_buffer(480, 168, 10 + i)), 0);  // +40, half gain: +20
    }
    ASSERT_TRUE(done_a.wait_for_count(4));
    ASSERT_TRUE(done_b.wait_for_count(4));
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(done_a.got[i]->user_tick, i);
        EXPECT_EQ(done_b.got[i]->user_tick, 10 + i);
    }
    a->close();
    b->close();
    std::vector<uint8_t> mix, pa, pb;
    ASSERT_EQ(read_wav_as_u8_8000(dir.path + "/mix.wav", mix), 0);
    ASSERT_EQ(read_wav_as_u8_8000(dir.path + "/player_a.wav", pa), 0);
    ASSERT_EQ(read_wav_as_u8_8000(dir.path + "/player_b.wav", pb), 0);
    ASSERT_GE(pa.size(), 1920u);
    EXPECT_TRUE(std::all_of(pa.begin(), pa.begin() + 1920, [](uint8_t s) { return s == 148; }));
    ASSERT_GE(pb.size(), 1920u);
    EXPECT_NEAR(pb[100], 148, 1);
    auto first = std::find_if(mix.begin(), mix.end(), [](uint8_t s) { return s != 128; });
    ASSERT_NE(first, mix.end());
    EXPECT_NEAR(*first, 168, 1);
}

TEST(FileBackend, ResetHandsBackWhatHasNotPlayed)
{
    auto backend = make_audio_backend("null");
    auto p = backend->make_playback("p");
    Collector done;
    ASSERT_EQ(p->open([&](WaveHeaderPtr h) { done.take(std::move(h)); }), 0);
    for (int i = 0; i < 20; ++i)
        p->write(make_buffer(audio_block_samples, 128));
    ASSERT_EQ(p->reset(), 0);
    ASSERT_TRUE(done.wait_for_count(20, 1000));  // at once, not after 2.4 s
    EXPECT_EQ(p->close(), 0);
    EXPECT_NE(p->write(make_buffer(10, 128)), 0);
}

// ALSA reads ~/.asoundrc when it first loads its configuration, and every
// test case runs in its own process.
class AlsaNullDevice : public ::testing::Test {
protected:
    void use_asoundrc(const std::string& text)
    {
        std::ofstream(home.path + "/.asoundrc") << text;
        ::setenv("HOME", home.path.c_str(), 1);
        // ALSA keeps the configuration it read first for the whole process;
        // an earlier case of this program read another home's.
        snd_config_update_free_global();
    }
    void SetUp() override
    {
        use_asoundrc("pcm.!default { type plug slave.pcm \"nullpcm\" }\npcm.nullpcm { type null }\n");
    }
    TempDir home;
};

TEST_F(AlsaNullDevice, CaptureDeliversFullBuffersPacedByTheClock)
{
    auto backend = make_audio_backend("alsa");
    auto capture = backend->make_capture();
    Collector c;
    int rc = capture->open([&](WaveHeaderPtr h) { c.take(std::move(h)); });
    ASSERT_EQ(rc, 0) << backend->error_text(rc);
    for (int i = 0; i < 5; ++i)
        capture->add_buffer(make_buffer(audio_block_samples, 7));
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(capture->start(), 0);
    ASSERT_TRUE(c.wait_for_count(5));
    auto elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(elapsed_ms, 300);  // the null PCM never blocks: five blocks may run two ahead
    for (auto& h : c.got)
        EXPECT_EQ(h->bytes_recorded, audio_block_samples);
    EXPECT_EQ(capture->stop(), 0);
    EXPECT_EQ(capture->close(), 0);
}

TEST_F(AlsaNullDevice, OneStreamPlaysEveryPlayerAndReturnsBuffersInOrder)
{
    auto backend = make_audio_backend("");
    std::vector<std::unique_ptr<PlaybackDevice>> players;
    std::vector<std::unique_ptr<Collector>> done;
    for (int p = 0; p < 3; ++p) {
        players.push_back(backend->make_playback("slot" + std::to_string(p)));
        done.push_back(std::make_unique<Collector>());
        Collector* d = done.back().get();
        int rc = players.back()->open([d](WaveHeaderPtr h) { d->take(std::move(h)); });
        ASSERT_EQ(rc, 0) << backend->error_text(rc);
    }
    for (uint32_t i = 0; i < 3; ++i)
        for (auto& p : players)
            p->write(make_buffer(audio_block_samples, 100, i));
    for (auto& d : done) {
        ASSERT_TRUE(d->wait_for_count(3));
        for (uint32_t i = 0; i < 3; ++i)
            EXPECT_EQ(d->got[i]->user_tick, i);
    }
    for (auto& p : players)
        EXPECT_EQ(p->close(), 0);
}

TEST_F(AlsaNullDevice, MissingDeviceGivesAlsaErrorAndText)
{
    use_asoundrc("pcm.!default { type hw card 63 }\n");
    auto backend = make_audio_backend("alsa");
    auto capture = backend->make_capture();
    int rc = capture->open([](WaveHeaderPtr) {});
    EXPECT_LT(rc, 0);
    EXPECT_FALSE(backend->error_text(rc).empty());
    auto player = backend->make_playback("local");
    EXPECT_LT(player->open([](WaveHeaderPtr) {}), 0);
}
