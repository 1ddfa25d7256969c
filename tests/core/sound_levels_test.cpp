// The lock-free hand-over of sound levels from the voice threads to the
// status bar's graphs.
#include "core/global_state.h"
#include "core/sound_levels.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::vector<int16_t> take_all(SoundLevelRing& ring)
{
    std::vector<int16_t> out(SoundLevelRing::capacity);
    out.resize(ring.take(out.data(), out.size()));
    return out;
}

struct BarShown {
    BarShown()
    {
        g_status_bar_exists = 1;
        g_closing = 0;
    }
    ~BarShown()
    {
        g_status_bar_exists = 0;
        g_closing = 0;
    }
};

} // namespace

TEST(SoundLevelRing, GivesLevelsOnceInOrder)
{
    SoundLevelRing ring;
    EXPECT_TRUE(take_all(ring).empty());
    for (int16_t v : { 128, 200, -5, 0 })
        ring.add(v);
    EXPECT_EQ(take_all(ring), (std::vector<int16_t> { 128, 200, -5, 0 }));
    EXPECT_TRUE(take_all(ring).empty());
    ring.add(7);
    EXPECT_EQ(take_all(ring), (std::vector<int16_t> { 7 }));
}

TEST(SoundLevelRing, AReaderThatFellBehindGetsTheNewestRingful)
{
    SoundLevelRing ring;
    const int total = static_cast<int>(SoundLevelRing::capacity) * 3 + 17;
    for (int i = 0; i < total; ++i)
        ring.add(static_cast<int16_t>(i));
    std::vector<int16_t> got = take_all(ring);
    ASSERT_EQ(got.size(), SoundLevelRing::capacity);
    EXPECT_EQ(got.front(), total - static_cast<int>(SoundLevelRing::capacity));
    EXPECT_EQ(got.back(), total - 1);

    // A smaller take keeps the newest.
    for (int i = 0; i < 10; ++i)
        ring.add(static_cast<int16_t>(1000 + i));
    std::vector<int16_t> few(4);
    ASSERT_EQ(ring.take(few.data(), few.size()), 4u);
    EXPECT_EQ(few, (std::vector<int16_t> { 1006, 1007, 1008, 1009 }));
}

TEST(SoundLevelRing, SkipWaitingStartsFromNow)
{
    SoundLevelRing ring;
    ring.add(1);
    ring.add(2);
    ring.skip_waiting();
    ring.add(3);
    EXPECT_EQ(take_all(ring), (std::vector<int16_t> { 3 }));
}

// Writers on several threads and a reader taking meanwhile: every level
// taken was written, none twice, and each writer's levels keep their order.
TEST(SoundLevelRing, ManyWritersOneReaderLoseOrderNorInventLevels)
{
    SoundLevelRing ring;
    constexpr int writers = 4;
    constexpr int per_writer = 8000;  // below 8192: a writer's levels are all different
    std::atomic<int> running { writers };
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w)
        threads.emplace_back([&, w] {
            for (int i = 0; i < per_writer; ++i)
                ring.add(static_cast<int16_t>(w * 8192 + i));
            --running;
        });
    std::vector<int> last(writers, -1);
    std::vector<int> seen(writers, 0);
    std::vector<int16_t> buffer(SoundLevelRing::capacity);
    bool ordered = true;
    auto drain = [&] {
        size_t n = ring.take(buffer.data(), buffer.size());
        for (size_t k = 0; k < n; ++k) {
            int w = buffer[k] / 8192;
            int i = buffer[k] % 8192;
            ASSERT_GE(w, 0);
            ASSERT_LT(w, writers);
            // A writer's levels arrive in order (stretches may be skipped), none twice.
            if (i <= last[w])
                ordered = false;
            last[w] = i;
            ++seen[w];
        }
    };
    while (running > 0)
        drain();
    drain();
    for (auto& t : threads)
        t.join();
    drain();
    EXPECT_TRUE(ordered);
    int total = 0;
    for (int w = 0; w < writers; ++w) {
        EXPECT_LE(seen[w], per_writer);
        total += seen[w];
    }
    EXPECT_GT(total, 0);
    EXPECT_TRUE(take_all(ring).empty());
}

TEST(SoundLevels, EveryHundredthSampleWhileTheBarExistsAndTheFrameIsOpen)
{
    std::vector<uint8_t> block(960);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i / 100 * 10 + 100);
    g_mic_sound_levels.skip_waiting();

    // No status bar: nothing is kept.
    g_status_bar_exists = 0;
    add_sound_levels(g_mic_sound_levels, block.data(), block.size());
    EXPECT_TRUE(take_all(g_mic_sound_levels).empty());

    {
        BarShown bar;
        add_sound_levels(g_mic_sound_levels, block.data(), block.size());
        EXPECT_EQ(take_all(g_mic_sound_levels), (std::vector<int16_t> { 100, 110, 120, 130, 140, 150, 160, 170, 180, 190 }));
        // A buffer of 150 samples gives its samples 0 and 100.
        add_sound_levels(g_mic_sound_levels, block.data() + 200, 150);
        EXPECT_EQ(take_all(g_mic_sound_levels), (std::vector<int16_t> { 120, 130 }));

        // The frame is closing: levels are dropped.
        g_closing = 1;
        add_sound_levels(g_mic_sound_levels, block.data(), block.size());
        EXPECT_TRUE(take_all(g_mic_sound_levels).empty());
    }
}
