#pragma once
// Voice capture: the recorder thread takes the microphone in blocks of 960
// samples (120 ms), codes each and sends it; talk start and stop switch the
// recorder and every player on and off.

#include "media/play_sound.h"

#include <atomic>
#include <memory>

class CRecordSound : public VoiceThread {
public:
    explicit CRecordSound(int sample_rate);

    std::unique_ptr<platform::CaptureDevice> m_wave_in;  // none while closed
    std::atomic<CPlaySound*> m_monitor { nullptr };
    int m_buffers_added = 0;
    const int m_buffers_at_start = 25;  // three seconds of room for the device
    const int m_sample_rate;
    std::atomic<int> m_running { 0 };

protected:
    bool on_thread_message(ThreadMessage& m) override;

private:
    void start_capture();
    void stop_capture();
    void on_buffer_filled(platform::WaveHeaderPtr header);
    int add_fresh_buffer();
};

extern std::atomic<CRecordSound*> g_record_sound;

// Sends one coded block by the talk rules; has_sound is audio_encode_block's result.
int send_talk_data(const uint8_t* data, int length, int has_sound);

// Handlers of the server's talk start (31) and stop (33); stop is also the
// last voice step of program exit.
int on_talk_start();
int on_talk_stop();
