#pragma once
// The ten play slots, the one sound queue of 80 entries that feeds every
// slot's player, and the sound master thread that drains it with a small
// adaptive pre-buffer per speaker.

#include "media/play_sound.h"

#include <array>
#include <cstdint>

inline constexpr int sound_queue_len = 80;
inline constexpr int slot_idle_rebind_ms = 3000;

struct play_slot {
    int32_t customer_id = -1;
    int32_t bound = 0;
    uint32_t last_use_tick = 0;
};

struct sound_queue_entry {
    int in_use = 0;
    int slot = -1;
    platform::WaveHeaderPtr header;
    uint32_t arrival_tick = 0;
};

extern std::array<play_slot, play_slot_count> g_play_slots;
// Guarded by g_sound_lock (core/global_state.h).
extern std::array<sound_queue_entry, sound_queue_len> g_sound_queue;
// Released whenever a block was queued; wakes the master thread.
extern VoiceSemaphore g_sound_data_semaphore;

// The slot of a speaker, binding a free or long-unused one; -1 when none.
int find_sound_slot(int customer_id);
void rest_one_play_sound();
// Takes ownership of the header: it is queued, or freed when the queue is full.
int sound_add_to_queue(int slot, platform::WaveHeaderPtr header);
// Empties the queue, the slots and the players' share of the queue (the
// global state's set-up step).
void init_sound_queue();

// One pass of the master thread over the queue, with g_sound_lock held by
// the caller. Returns 1 when entries are still pending.
int sound_master_pass();
// The thread body; started at program start.
void g_sound_master_thread();
bool start_sound_master_thread();
