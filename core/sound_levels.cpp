#include "core/sound_levels.h"

SoundLevelRing g_mic_sound_levels;
SoundLevelRing g_speaker_sound_levels;
AtomicInt g_status_bar_exists { 0 };

void SoundLevelRing::add(int16_t level)
{
    uint32_t number = next_.fetch_add(1, std::memory_order_relaxed);
    uint64_t stamped = (static_cast<uint64_t>(number + 1) << 32) | static_cast<uint16_t>(level);
    slots_[number % capacity].store(stamped, std::memory_order_release);
}

size_t SoundLevelRing::take(int16_t* out, size_t max)
{
    uint32_t end = next_.load(std::memory_order_acquire);
    uint32_t waiting = end - read_;
    if (waiting > capacity)
        read_ = end - capacity;
    if (end - read_ > max)
        read_ = end - static_cast<uint32_t>(max);
    size_t n = 0;
    while (read_ != end) {
        uint64_t slot = slots_[read_ % capacity].load(std::memory_order_acquire);
        uint32_t stamp = static_cast<uint32_t>(slot >> 32);
        int32_t ahead = static_cast<int32_t>(stamp - (read_ + 1));
        if (ahead < 0)
            break;  // its writer has not stored it yet: the next take gets it
        if (ahead == 0)
            out[n++] = static_cast<int16_t>(static_cast<uint16_t>(slot & 0xffff));
        // ahead > 0: a writer a whole ring later has overwritten it
        ++read_;
    }
    return n;
}

void SoundLevelRing::skip_waiting() { read_ = next_.load(std::memory_order_acquire); }

void add_sound_levels(SoundLevelRing& ring, const uint8_t* samples, size_t count)
{
    if (!samples || g_status_bar_exists.load() == 0 || g_closing.load() == 1)
        return;
    for (size_t i = 0; i < count; i += level_sample_step)
        ring.add(static_cast<int16_t>(samples[i]));
}
