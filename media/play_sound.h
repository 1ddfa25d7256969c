#pragma once
// The players: one thread and one output device each. Ten serve the play
// slots of remote speakers, one is the local player; four more
// (CMeetingPlaySound) play a recorded meeting. A buffer written to a player
// belongs to it; the device hands it back when played and the player frees it.

#include "media/voice_thread.h"

#include <array>
#include <functional>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class CPlaySound : public VoiceThread {
public:
    // name tells the device which player this is ("local", "slot3", ...).
    explicit CPlaySound(int sample_rate, std::string name = "player", int initial_semaphore = 0);

    // Sets the output volume now when the device is open, else when it opens.
    int set_volume(uint32_t volume);
    // The output volume word (left in the low half); a device never set plays at full volume.
    uint32_t volume() const { return volume_.load(); }

    int m_buffers_written = 0;
    const int m_sample_rate;
    VoiceSemaphore m_semaphore;           // released once per finished buffer
    std::atomic<int> m_open { 0 };
    int m_local = 0;
    std::atomic<int> m_idle { 0 };        // 1: no buffer of the queue is playing
    // The fields below belong to the sound queue and change only under g_sound_lock.
    int m_retry_time = 0;
    int m_index = -1;                     // play slot, -1 for the local and meeting players
    int m_queued = 0;
    int m_started = 0;                    // pre-buffer reached
    uint32_t m_last_write_tick = 0;
    uint32_t m_last_arrival_tick = 0;
    int m_has_arrival = 0;
    int m_target_depth = 2;               // 2..6
    int m_burst_count = 0;

protected:
    bool on_thread_message(ThreadMessage& m) override;
    virtual const char* class_name() const { return "CPlaySound"; }

private:
    void open_device();
    void close_device();
    void write_buffer(platform::WaveHeaderPtr header);

    std::string name_;
    std::mutex device_lock_;
    std::unique_ptr<platform::PlaybackDevice> device_;
    std::atomic<uint32_t> volume_ { 0xffffffffu };
};

// At most three buffers outstanding: the playback thread takes the
// semaphore before each write, the done notice gives it back.
class CMeetingPlaySound : public CPlaySound {
public:
    explicit CMeetingPlaySound(int sample_rate, std::string name = "meeting") : CPlaySound(sample_rate, std::move(name), 3) {}

protected:
    const char* class_name() const override { return "CMeetingPlaySound"; }
};

inline constexpr int play_slot_count = 10;
inline constexpr int meeting_player_count = 4;

// The players live until the process ends; these pointers are null until
// their player is made.
extern std::array<std::atomic<CPlaySound*>, play_slot_count> g_play_sound_threads;
extern std::atomic<CPlaySound*> g_local_play_sound;
extern std::array<std::atomic<CMeetingPlaySound*>, meeting_player_count> g_meeting_play_sounds;

// Makes and starts the player of a slot (-1: the local player) when missing;
// nullptr when its thread could not be started.
CPlaySound* create_play_sound(int index);
// The meeting players: made and started when missing, then each opened.
int create_sound_play_threads();

// Called on a player's thread for every buffer it hands to its device (the
// slot index, -1 for the local player, and the samples): how tests and
// benchmarks see when sound reaches a device.
using PlayWriteListener = std::function<void(int index, const platform::WaveHeader& header)>;
void set_play_write_listener(PlayWriteListener listener);

// Stores the volume and sets (v << 16) | v on the local player and every open remote player.
void set_speaker_volume(int volume);
// The speaker slider's value: "audio" / "speaker_volume" when not 0, else the
// left volume of the local player's device (without a local player, of slot
// 0's) when not 0, else 8191.
int get_speaker_volume();
// The same rule over its inputs (device_volume 0: no player).
int choose_speaker_volume(int setting, uint32_t device_volume);
// Reads "audio" / "speaker_volume" into the meeting state.
void read_speaker_volume();
