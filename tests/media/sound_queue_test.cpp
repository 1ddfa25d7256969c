// Play slots, the sound queue with its jitter rule, the master thread's
// pass, the players and the receiving handlers.
#include "fake_audio.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/sound_levels.h"
#include "media/record_sound.h"
#include "media/sound_queue.h"
#include "media/voice_audio.h"
#include "media/voice_codec.h"
#include "media/voice_receive.h"
#include "media/voice_state.h"
#include "platform/sys/clock.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>
#include <zlib.h>

namespace {

// The players are made once and live as long as the process: each case
// starts them, and the queue's share of them, afresh and stops them again,
// so the cases also pass one after another in one process.
class SoundQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        {
            std::lock_guard<std::mutex> hold(played.lock);
            played.writes.clear();
            played.volumes.clear();
        }
        use_voice_audio_backend(std::make_unique<FakeBackend>(played));
        platform::set_clock(&clock);
        create_play_sound(-1)->post_thread_message(WM_MY_PLAY_START);
        for (int i = 0; i < play_slot_count; ++i)
            create_play_sound(i)->post_thread_message(WM_MY_PLAY_START);
        for (int i = 0; i < 200 && !all_open(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(all_open());
        init_sound_queue();
    }
    void TearDown() override
    {
        // Closing sleeps on the manual clock, so it takes no time. A volume
        // of all ones is what a player that was never set plays at.
        for (CPlaySound* p : all_players()) {
            p->set_volume(0xffffffffu);
            p->post_thread_message(WM_MY_PLAY_STOP);
        }
        for (int i = 0; i < 200 && !all_closed(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(all_closed());
        platform::set_clock(nullptr);
    }
    static bool all_open()
    {
        for (auto& p : g_play_sound_threads)
            if (!p.load() || !p.load()->m_open)
                return false;
        return g_local_play_sound.load()->m_open != 0;
    }
    static std::vector<CPlaySound*> all_players()
    {
        std::vector<CPlaySound*> out { g_local_play_sound.load() };
        for (auto& p : g_play_sound_threads)
            out.push_back(p.load());
        return out;
    }
    static bool all_closed()
    {
        for (auto& p : g_play_sound_threads)
            if (p.load()->m_open)
                return false;
        return g_local_play_sound.load()->m_open == 0;
    }
    static CPlaySound& player(int slot) { return *g_play_sound_threads[static_cast<size_t>(slot)].load(); }
    static platform::WaveHeaderPtr block(uint8_t fill = 130)
    {
        auto h = std::make_unique<platform::WaveHeader>();
        h->data.assign(talk_block_samples, fill);
        return h;
    }
    static int queued_entries()
    {
        int n = 0;
        for (const auto& e : g_sound_queue)
            n += e.in_use;
        return n;
    }
    static int pass()
    {
        platform::TimedLockWait lock(g_sound_lock, 3000);
        return sound_master_pass();
    }
    // The players and their threads live as long as the process: what they
    // write to and the clock they read must too, or a player still busy
    // with the last write of a case touches freed memory.
    static FakePlaybackLog& shared_log()
    {
        static FakePlaybackLog* log = new FakePlaybackLog;
        return *log;
    }
    static platform::ManualClock& shared_clock()
    {
        static platform::ManualClock* clock = new platform::ManualClock { 100000 };
        return *clock;
    }
    TempHome home;
    FakePlaybackLog& played = shared_log();
    platform::ManualClock& clock = shared_clock();
};

} // namespace

TEST(SpeakerVolume, SettingThenDeviceThenDefault)
{
    struct Case {
        int setting;
        uint32_t device;
        int want;
    };
    const Case cases[] = {
        { 30000, 0xffffffffu, 30000 },    { 0, (20000u << 16) | 20000u, 20000 }, { 0, 0, 8191 },
        { 0, 0xffff0000u, 8191 },         { 70000, 0, 65535 },                   { -5, 0x1234u, 0 },
        { 0, 0xffffffffu, 65535 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(choose_speaker_volume(c.setting, c.device), c.want) << c.setting << " " << c.device;
}

// Ahead of the cases that make the players, so that it also runs when the
// whole program runs in one process.
TEST(SpeakerVolume, WithoutPlayersOrSettingIs8191)
{
    if (g_local_play_sound.load() || g_play_sound_threads[0].load())
        GTEST_SKIP() << "the players an earlier case made in this process live on";
    TempHome home;
    EXPECT_EQ(get_speaker_volume(), 8191);
    reg_write_int("audio", "speaker_volume", 12345);
    EXPECT_EQ(get_speaker_volume(), 12345);
}

TEST_F(SoundQueue, ElevenSpeakersShareTenSlotsAfterThreeIdleSeconds)
{
    for (int id = 0; id < 10; ++id)
        EXPECT_EQ(find_sound_slot(100 + id), id);
    EXPECT_EQ(find_sound_slot(103), 3);
    EXPECT_EQ(find_sound_slot(110), -1);
    clock.advance(2000);
    for (int id = 1; id < 10; ++id)
        find_sound_slot(100 + id);
    clock.advance(1001);
    EXPECT_EQ(find_sound_slot(110), 0);  // slot 0 idle for 3001 ms
    EXPECT_EQ(find_sound_slot(110), 0);
    rest_one_play_sound();
    EXPECT_EQ(find_sound_slot(777), 0);
}

TEST_F(SoundQueue, JitterRuleRaisesOnGapsAndLowersAfterElevenCloseArrivals)
{
    CPlaySound& p = player(2);
    auto arrive = [&](uint32_t gap_ms) {
        clock.advance(gap_ms);
        sound_add_to_queue(2, block());
        pass();
    };
    for (int i = 0; i < 6; ++i)
        arrive(120);
    EXPECT_EQ(p.m_target_depth, 2);
    arrive(460);
    EXPECT_EQ(p.m_target_depth, 3);
    arrive(400);  // above 350: the burst starts again, the depth stays
    EXPECT_EQ(p.m_target_depth, 3);
    for (int i = 0; i < 10; ++i)
        arrive(100);
    EXPECT_EQ(p.m_target_depth, 3);
    arrive(100);  // the eleventh close arrival
    EXPECT_EQ(p.m_target_depth, 2);
    for (int i = 0; i < 5; ++i)
        arrive(500);
    EXPECT_EQ(p.m_target_depth, 6);  // bounded
}

TEST_F(SoundQueue, PlayerStartsOncePreBufferIsReachedAndPlaysInOrder)
{
    CPlaySound& p = player(0);
    for (uint8_t i = 0; i < 3; ++i) {
        clock.advance(120);
        sound_add_to_queue(0, block(static_cast<uint8_t>(140 + i)));
        EXPECT_EQ(pass(), i > 0 ? 1 : 0);  // later entries pending, the first waits
        EXPECT_EQ(p.m_started, 0);
    }
    clock.advance(120);
    sound_add_to_queue(0, block(143));
    EXPECT_EQ(p.m_queued, 3);  // entries ahead of the new one
    pass();
    EXPECT_EQ(p.m_started, 1);
    ASSERT_TRUE(played.wait_for_writes(1));
    EXPECT_EQ(played.writes[0].first, "slot0");
    EXPECT_EQ(played.writes[0].second[0], 140);
    EXPECT_EQ(queued_entries(), 3);
    // Busy: the next goes after 125 ms, not before.
    clock.advance(100);
    pass();
    EXPECT_EQ(queued_entries(), 3);
    clock.advance(30);
    pass();
    EXPECT_EQ(queued_entries(), 2);
    ASSERT_TRUE(played.wait_for_writes(2));
    EXPECT_EQ(played.writes[1].second[0], 141);
}

TEST_F(SoundQueue, SilencePlaysTheLastBlocksAtOnce)
{
    sound_add_to_queue(find_sound_slot(55), block(150));
    pass();
    EXPECT_EQ(queued_entries(), 1);
    do_talk_data_silence(nullptr, 0, 55, 0);
    pass();
    EXPECT_EQ(queued_entries(), 0);
    ASSERT_TRUE(played.wait_for_writes(1));
    EXPECT_EQ(played.writes[0].second[0], 150);
}

TEST_F(SoundQueue, QueueFullDropsAndLogsTheEntries)
{
    LogCapture log;
    for (int i = 0; i < sound_queue_len; ++i)
        EXPECT_EQ(sound_add_to_queue(i % 10, block()), 0);
    EXPECT_EQ(sound_add_to_queue(1, block()), -1);
    EXPECT_TRUE(log.contains("sound queue full in sound_add_to_queue.\n"));
    EXPECT_TRUE(log.contains("q:79, used:1, index:9, lpHdr:1\n"));
    EXPECT_EQ(queued_entries(), sound_queue_len);
}

TEST_F(SoundQueue, SpeakerVolumeGoesToBothChannelsOfEveryPlayer)
{
    set_speaker_volume(32768);
    EXPECT_EQ(g_speaker_volume, 32768);
    std::lock_guard<std::mutex> hold(played.lock);
    ASSERT_EQ(played.volumes.size(), 11u);
    for (const auto& [name, v] : played.volumes)
        EXPECT_EQ(v, (32768u << 16) | 32768u) << name;
}

TEST_F(SoundQueue, SpeakerSliderTakesTheLocalPlayersVolumeWhenNoneIsStored)
{
    // A device never set plays at full volume.
    EXPECT_EQ(get_speaker_volume(), 65535);
    set_speaker_volume(20000);
    EXPECT_EQ(get_speaker_volume(), 20000);
    reg_write_int("audio", "speaker_volume", 30000);
    EXPECT_EQ(get_speaker_volume(), 30000);
}

TEST_F(SoundQueue, DecodedSoundReachesTheSpeakerGraphWhileTheStatusBarExists)
{
    std::vector<uint8_t> pcm(talk_block_samples, 128), coded(talk_coded_block_bytes + 128), z(talk_z_buffer_bytes);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(128 + 60 * std::sin(static_cast<double>(i) / 3));
    int coded_len = 0;
    audio_encode_block(pcm.data(), coded.data(), talk_block_samples, &coded_len, 0);
    int z_len = z_compress_talk_data(coded.data(), static_cast<size_t>(coded_len), z.data(), z.size());
    std::string body = "   0:" + std::string(reinterpret_cast<char*>(z.data()), static_cast<size_t>(z_len));
    std::vector<int16_t> levels(SoundLevelRing::capacity);

    g_speaker_sound_levels.skip_waiting();
    g_status_bar_exists = 0;
    ASSERT_EQ(do_talk_data_dct_z_from_sever(body.data(), static_cast<int>(body.size()), 42, 0), 0);
    EXPECT_EQ(g_speaker_sound_levels.take(levels.data(), levels.size()), 0u);

    g_status_bar_exists = 1;
    ASSERT_EQ(do_talk_data_dct_z_from_sever(body.data(), static_cast<int>(body.size()), 42, 0), 0);
    ASSERT_EQ(g_speaker_sound_levels.take(levels.data(), levels.size()), 10u);
    for (size_t k = 0; k < 10; ++k)
        EXPECT_NEAR(levels[k], pcm[k * 100], 6) << k;
    g_status_bar_exists = 0;
}

TEST_F(SoundQueue, CodedBlockIsDecodedAndQueuedForItsSpeaker)
{
    std::vector<uint8_t> pcm(talk_block_samples), coded(talk_coded_block_bytes + 128), z(talk_z_buffer_bytes);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(128 + 50 * std::sin(static_cast<double>(i) / 5));
    int coded_len = 0;
    ASSERT_EQ(audio_encode_block(pcm.data(), coded.data(), talk_block_samples, &coded_len, 1), 1);
    int z_len = z_compress_talk_data(coded.data(), static_cast<size_t>(coded_len), z.data(), z.size());
    std::string body = "   1:" + std::string(reinterpret_cast<char*>(z.data()), static_cast<size_t>(z_len));
    EXPECT_EQ(do_talk_data_dct_z_from_sever(body.data(), static_cast<int>(body.size()), 42, 0), 0);
    ASSERT_EQ(queued_entries(), 1);
    EXPECT_EQ(g_sound_queue[0].slot, find_sound_slot(42));
    EXPECT_EQ(g_sound_queue[0].header->data.size(), static_cast<size_t>(talk_block_samples));
    EXPECT_NEAR(g_sound_queue[0].header->data[100], pcm[100], 6);
}

TEST_F(SoundQueue, BadBodiesAreDroppedAndLogged)
{
    LogCapture log;
    std::string garbage = "   0:" + std::string(40, 'x');
    std::vector<uint8_t> big(20000, 1), z(compressBound(20000));
    uLongf z_len = static_cast<uLongf>(z.size());
    compress(z.data(), &z_len, big.data(), big.size());
    std::string too_big = "   0:" + std::string(reinterpret_cast<char*>(z.data()), z_len);
    struct Case { int number; std::string body; };
    for (const Case& c : { Case { 616, "" }, Case { 616, "  1:" }, Case { 616, "abcd:xyz" }, Case { 616, garbage },
                           Case { 617, too_big }, Case { 612, std::string(10, 'z') }, Case { 613, std::string(40, 'z') },
                           Case { 610, "  10:" }, Case { 610, "9999:" + std::string(40, 'a') },
                           Case { 611, "  -5:" + std::string(40, 'a') }, Case { 32, "short" } })
        EXPECT_EQ(dispatch_talk_message(c.number, c.body.data(), static_cast<int>(c.body.size()), 7), -1) << c.number << " " << c.body.size();
    EXPECT_EQ(queued_entries(), 0);
    EXPECT_TRUE(log.contains("uncompress failed in do_talk_data_dct_z_from_sever.\n"));
    EXPECT_EQ(dispatch_talk_message(700, "", 0, 7), -1);
}

TEST_F(SoundQueue, LpcTalkDecodesThePacketAndAppendsTheRest)
{
    // a silence packet of 100 samples, then 4 raw bytes (two more samples)
    std::string body = "   3:" + std::string(32, '\0') + std::string("\x1f\x00\x64", 3) + std::string("\x00\x40\x00\xc0", 4);
    EXPECT_EQ(do_talk_data_lpc10_from_sever(body.data(), static_cast<int>(body.size()), 9, 1), 0);
    ASSERT_EQ(queued_entries(), 1);
    const auto& data = g_sound_queue[0].header->data;
    ASSERT_EQ(data.size(), 102u);
    EXPECT_EQ(data[0], 128);
    EXPECT_EQ(data[100], 128 + 0x40);
    EXPECT_EQ(data[101], 128 - 0x40);
}

// The real ALSA backend with a device that does not exist: talk start
// tells the user, with ALSA's own text, and nothing else breaks.
TEST(TalkStart, MissingSoundDeviceShowsTheDevicesErrorText)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    std::string asoundrc_home = home.root() + "/alsa";
    std::filesystem::create_directories(asoundrc_home);
    std::ofstream(asoundrc_home + "/.asoundrc") << "pcm.!default { type hw card 63 }\n";
    const char* saved_home = std::getenv("HOME");
    std::string home_before = saved_home ? saved_home : "";
    ::setenv("HOME", asoundrc_home.c_str(), 1);
    use_voice_audio_backend(platform::make_audio_backend("alsa"));
    on_talk_start();
    EXPECT_EQ(g_talk_active, 1);
    // The recorder and all eleven players tell of their device.
    int in = 0, out = 0;
    for (int i = 0; i < 300 && !(in == 1 && out == play_slot_count + 1); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        in = out = 0;
        for (const std::string& t : boxes.texts()) {
            in += t.rfind("WAVEIN:", 0) == 0 && t.size() > 10;
            out += t.rfind("WAVEOUT:", 0) == 0 && t.size() > 10;
        }
    }
    EXPECT_EQ(in, 1);
    EXPECT_EQ(out, play_slot_count + 1);
    on_talk_stop();
    EXPECT_EQ(g_talk_active, 0);
    // Leave the process as it was: no player holds a device of this backend.
    use_voice_audio_backend(nullptr);
    if (saved_home)
        ::setenv("HOME", home_before.c_str(), 1);
    else
        ::unsetenv("HOME");
}
