#include "media/play_sound.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "media/voice_audio.h"
#include "media/voice_state.h"
#include "platform/sys/clock.h"

#include <algorithm>
#include <vector>

std::array<std::atomic<CPlaySound*>, play_slot_count> g_play_sound_threads {};
std::atomic<CPlaySound*> g_local_play_sound { nullptr };
std::array<std::atomic<CMeetingPlaySound*>, meeting_player_count> g_meeting_play_sounds {};

namespace {

// Owns every player. Players never end before the process does, so the
// store is never destroyed either: their threads still wait on them at exit.
std::mutex g_players_lock;
std::vector<std::unique_ptr<CPlaySound>>& player_store()
{
    static auto* store = new std::vector<std::unique_ptr<CPlaySound>>;
    return *store;
}

std::mutex g_play_listener_lock;
PlayWriteListener g_play_listener;

} // namespace

void set_play_write_listener(PlayWriteListener listener)
{
    std::lock_guard<std::mutex> hold(g_play_listener_lock);
    g_play_listener = std::move(listener);
}

CPlaySound::CPlaySound(int sample_rate, std::string name, int initial_semaphore)
    : m_sample_rate(sample_rate), m_semaphore(initial_semaphore, 3), name_(std::move(name))
{
}

int CPlaySound::set_volume(uint32_t volume)
{
    volume_ = volume;
    std::lock_guard<std::mutex> hold(device_lock_);
    if (device_ && m_open)
        return device_->set_volume(volume);
    return 0;
}

void CPlaySound::open_device()
{
    if (m_open)
        return;
    std::lock_guard<std::mutex> hold(device_lock_);
    if (!device_)
        device_ = voice_audio_backend().make_playback(name_);
    int rc = device_->open([this](platform::WaveHeaderPtr h) {
        post_thread_message(MM_WOM_DONE, 0, 0, std::move(h));
    });
    if (rc != 0) {
        message_box_printf("WAVEOUT:%x:%s", static_cast<unsigned>(-rc),
                           voice_audio_backend().error_text(rc).c_str());
        device_.reset();  // the next start tries again
        return;
    }
    if (volume_ != 0xffffffffu)
        device_->set_volume(volume_);
    m_open = 1;
    m_idle = 1;
}

void CPlaySound::close_device()
{
    m_idle = 0;
    if (!m_open)
        return;
    int rc = 0;
    {
        std::lock_guard<std::mutex> hold(device_lock_);
        rc = device_->reset();
    }
    if (rc == 0)
        m_open = 0;
    platform::sleep_ms(500);
    if (rc == 0) {
        // As the recorder does, the next start opens what the backend offers then.
        std::lock_guard<std::mutex> hold(device_lock_);
        device_->close();
        device_.reset();
    }
}

void CPlaySound::write_buffer(platform::WaveHeaderPtr header)
{
    if (!m_open || !header)
        return;  // a closed player discards the buffer
    m_idle = 0;
    {
        std::lock_guard<std::mutex> hold(g_play_listener_lock);
        if (g_play_listener)
            g_play_listener(m_index, *header);
    }
    int rc = 0;
    {
        std::lock_guard<std::mutex> hold(device_lock_);
        rc = device_->write(std::move(header));
    }
    if (rc != 0)
        dbg_log("error from waveoutwrite in %s::OnWriteSoundData\n", class_name());
    ++m_buffers_written;
}

bool CPlaySound::on_thread_message(ThreadMessage& m)
{
    switch (m.msg) {
    case WM_MY_PLAY_START:
        open_device();
        break;
    case WM_MY_PLAY_STOP:
        close_device();
        break;
    case WM_MY_PLAY_WRITE:
        write_buffer(std::move(m.header));
        break;
    case WM_MY_PLAY_QUIT:
        close_device();
        return false;
    case MM_WOM_DONE:
        m.header.reset();
        m_idle = 1;
        m_semaphore.release();
        break;
    default:
        break;
    }
    return true;
}

CPlaySound* create_play_sound(int index)
{
    std::lock_guard<std::mutex> hold(g_players_lock);
    std::atomic<CPlaySound*>& place = index < 0 ? g_local_play_sound : g_play_sound_threads[static_cast<size_t>(index)];
    if (CPlaySound* existing = place.load())
        return existing;
    std::string name = index < 0 ? "local" : "slot" + std::to_string(index);
    auto player = std::make_unique<CPlaySound>(platform::audio_rate_hz, name);
    player->m_index = index;
    player->m_local = index < 0 ? 1 : 0;
    if (!player->create_thread(name))
        return nullptr;
    CPlaySound* p = player.get();
    player_store().push_back(std::move(player));
    place = p;
    return p;
}

int create_sound_play_threads()
{
    for (int i = 0; i < meeting_player_count; ++i) {
        std::atomic<CMeetingPlaySound*>& place = g_meeting_play_sounds[static_cast<size_t>(i)];
        if (!place.load()) {
            std::lock_guard<std::mutex> hold(g_players_lock);
            std::string name = "meeting" + std::to_string(i);
            auto player = std::make_unique<CMeetingPlaySound>(platform::audio_rate_hz, name);
            if (!player->create_thread(name))
                continue;
            place = player.get();
            player_store().push_back(std::move(player));
        }
        place.load()->post_thread_message(WM_MY_PLAY_START);
    }
    return 0;
}

void set_speaker_volume(int volume)
{
    g_speaker_volume = volume;
    uint32_t v = static_cast<uint32_t>(volume) & 0xffff;
    uint32_t both = (v << 16) | v;
    if (CPlaySound* local = g_local_play_sound.load())
        local->set_volume(both);
    for (auto& slot : g_play_sound_threads)
        if (CPlaySound* p = slot.load())
            p->set_volume(both);
}

int choose_speaker_volume(int setting, uint32_t device_volume)
{
    if (setting != 0)
        return std::clamp(setting, 0, 65535);
    // Both channels carry the same level; the left one is the slider's.
    int left = static_cast<int>(device_volume & 0xffff);
    return left != 0 ? left : 8191;
}

int get_speaker_volume()
{
    int setting = 0;
    reg_read_int("audio", "speaker_volume", setting);
    CPlaySound* player = g_local_play_sound.load();
    if (!player)
        player = g_play_sound_threads[0].load();
    return choose_speaker_volume(setting, player ? player->volume() : 0);
}

void read_speaker_volume()
{
    int v = 0;
    reg_read_int("audio", "speaker_volume", v);
    g_speaker_volume = v < 0 ? 0 : std::min(v, 65535);
}
