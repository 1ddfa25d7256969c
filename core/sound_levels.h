#pragma once
// The status bar's two sound-level graphs as the voice threads see them. The
// recorder and the voice receivers add levels here from their own threads;
// the graphs take them on the user-interface thread's timer. Nothing here
// touches a window, and nothing waits: a writer that finds the bar gone or
// the frame closing simply drops its levels.

#include "core/global_state.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// Levels handed from any number of writing threads to one reader, without a
// lock. Each slot carries the number of the level it holds, so the reader
// never takes a slot whose writer has not finished, and a reader that fell
// a whole ring behind skips to what is still there.
class SoundLevelRing {
public:
    static constexpr uint32_t capacity = 256;

    void add(int16_t level);
    // Copies the levels added since the last take, oldest first, at most max
    // of them (the oldest are skipped when there are more); the count.
    size_t take(int16_t* out, size_t max);
    // Forgets what is waiting (a new reader starts from now).
    void skip_waiting();

private:
    // (level number + 1) << 32 | level as 16 bits.
    std::array<std::atomic<uint64_t>, capacity> slots_ {};
    std::atomic<uint32_t> next_ { 0 };
    uint32_t read_ = 0;  // the reader's alone
};

// The graph beside the microphone slider (the recorder's levels) and the one
// beside the speaker slider (the incoming voice).
extern SoundLevelRing g_mic_sound_levels;
extern SoundLevelRing g_speaker_sound_levels;
// 1 while the status bar exists and reads the rings.
extern AtomicInt g_status_bar_exists;

// Every level_sample_step-th sample of a sound buffer (8-bit samples centred
// on 128) goes to a graph, while the status bar exists and the frame is not
// closing (g_closing).
inline constexpr size_t level_sample_step = 100;
void add_sound_levels(SoundLevelRing& ring, const uint8_t* samples, size_t count);
