#include "media/record_sound.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/peer_links.h"
#include "core/sound_levels.h"
#include "core/wire_head.h"
#include "media/sound_queue.h"
#include "media/voice_audio.h"
#include "media/voice_codec.h"
#include "media/voice_state.h"
#include "platform/sys/clock.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>

std::atomic<CRecordSound*> g_record_sound { nullptr };

namespace {

// The capturing thread must not stall on the recording file: its records
// give up sooner than the receivers'.
constexpr int talk_record_lock_wait_ms = 50;

// Never destroyed: the recorder's thread lives until the process ends.
std::unique_ptr<CRecordSound>& record_sound_owner()
{
    static auto* owner = new std::unique_ptr<CRecordSound>;
    return *owner;
}

platform::WaveHeaderPtr make_capture_buffer()
{
    auto h = std::make_unique<platform::WaveHeader>();
    h->data.assign(talk_block_samples, platform::audio_silence);
    return h;
}

} // namespace

CRecordSound::CRecordSound(int sample_rate) : m_sample_rate(sample_rate) {}

int CRecordSound::add_fresh_buffer()
{
    if (!m_wave_in || m_wave_in->add_buffer(make_capture_buffer()) != 0)
        return -1;
    ++m_buffers_added;
    return 0;
}

void CRecordSound::start_capture()
{
    if (m_running)
        return;
    platform::AudioBackend& backend = voice_audio_backend();
    auto device = backend.make_capture();
    int rc = device->open([this](platform::WaveHeaderPtr h) { post_thread_message(MM_WIM_DATA, 0, 0, std::move(h)); });
    if (rc != 0) {
        message_box_printf("WAVEIN:%x:%s", static_cast<unsigned>(-rc), backend.error_text(rc).c_str());
        return;
    }
    m_wave_in = std::move(device);
    for (int i = 0; i < m_buffers_at_start; ++i)
        add_fresh_buffer();
    rc = m_wave_in->start();
    if (rc != 0) {
        message_box_printf("WAVEIN:%x:%s", static_cast<unsigned>(-rc), backend.error_text(rc).c_str());
        m_wave_in->close();
        m_wave_in.reset();
        return;
    }
    m_running = 1;
    if (CPlaySound* monitor = m_monitor.load())
        monitor->post_thread_message(WM_MY_PLAY_START);
}

void CRecordSound::stop_capture()
{
    if (!m_running || !m_wave_in)
        return;
    int rc = m_wave_in->stop();
    if (rc == 0)
        rc = m_wave_in->reset();
    if (rc == 0)
        m_running = 0;
    platform::sleep_ms(500);
    if (rc == 0) {
        m_wave_in->close();
        m_wave_in.reset();
    }
    if (CPlaySound* monitor = m_monitor.load())
        monitor->post_thread_message(WM_MY_PLAY_STOP);
}

void CRecordSound::on_buffer_filled(platform::WaveHeaderPtr header)
{
    if (!header)
        return;
    // Buffers handed back by a reset hold no block; they are only freed.
    if (header->bytes_recorded >= static_cast<size_t>(talk_block_samples)) {
        std::array<uint8_t, talk_block_samples> block {};
        std::memcpy(block.data(), header->data.data(), block.size());
        add_sound_levels(g_mic_sound_levels, block.data(), block.size());
        std::array<uint8_t, talk_coded_block_bytes + 128> coded {};
        int coded_len = 0;
        int has_sound = audio_encode_block(block.data(), coded.data(), talk_block_samples, &coded_len, g_audio_quality);
        send_talk_data(coded.data(), coded_len, has_sound);
        if (CPlaySound* monitor = m_monitor.load())
            monitor->post_thread_message(WM_MY_PLAY_WRITE, thread_id(), 0, std::move(header));
    }
    if (m_running)
        add_fresh_buffer();
}

bool CRecordSound::on_thread_message(ThreadMessage& m)
{
    switch (m.msg) {
    case WM_MY_RECORD_START:
        start_capture();
        break;
    case WM_MY_RECORD_STOP:
        stop_capture();
        break;
    case WM_MY_RECORD_SET_MONITOR:
        m_monitor = reinterpret_cast<CPlaySound*>(m.lparam);
        break;
    case WM_MY_RECORD_QUIT:
        stop_capture();
        return false;
    case MM_WIM_DATA:
        on_buffer_filled(std::move(m.header));
        break;
    default:
        break;
    }
    return true;
}

int send_talk_data(const uint8_t* data, int length, int has_sound)
{
    int partner = g_private_voice_partner_id;
    bool private_chat = g_private_voice_chat != 0 && partner >= 0;
    if (!g_talk_allowed && !private_chat)
        return 0;
    int own_id = g_my_customer_id;
    bool peer_link = private_chat && peer_slot_exists(partner);
    std::array<char, 25 + talk_z_buffer_bytes> message {};

    if (!has_sound) {
        if (peer_link) {
            format_wire_head(message.data(), WireHead { 0, own_id, MSG_TALK_SILENCE_B, 0 });
            peer_link_send(partner, message.data(), static_cast<int>(wire_head_len));
            return 0;
        }
        format_wire_head(message.data(), WireHead { 0, private_chat ? partner : 0,
                                                    private_chat ? MSG_TALK_SILENCE_B : MSG_TALK_SILENCE, 0 });
        g_voice_sock.my_send_fixed_len(message.data(), static_cast<int>(wire_head_len));
        return 0;
    }

    uint8_t* z = reinterpret_cast<uint8_t*>(message.data() + 25);
    int z_len = z_compress_talk_data(data, static_cast<size_t>(length), z, talk_z_buffer_bytes);
    if (z_len < 0)
        return -1;
    int quality = g_audio_quality;
    if (!private_chat && recorder().recording()) {
        int32_t body_head[6] = { z_len, own_id, platform::audio_rate_hz, quality, 0, 0 };
        recorder().append(record_type_transform_talk,
                          { RecordPiece { body_head, sizeof body_head }, RecordPiece { z, static_cast<size_t>(z_len) } },
                          "send_talk_data", talk_record_lock_wait_ms);
    }
    int field2 = peer_link ? own_id : (private_chat ? partner : 0);
    int number = private_chat ? MSG_TALK_DCT_Z_B : MSG_TALK_DCT_Z;
    // The fifth head field is the first five body bytes for the receiver.
    format_wire_head(message.data(), WireHead { 0, field2, number, z_len + 5 });
    char fifth[16] = {};
    std::snprintf(fifth, sizeof fifth, "%4d:", std::clamp(quality, wire_field_min, wire_field_max));
    std::memcpy(message.data() + wire_head_len, fifth, 5);
    int total = 25 + z_len;
    if (peer_link)
        peer_link_send(partner, message.data(), total);
    else
        g_voice_sock.my_send_fixed_len(message.data(), total);
    return 0;
}

int on_talk_start()
{
    g_talk_active = 1;
    if (!g_record_sound.load()) {
        auto recorder_thread = std::make_unique<CRecordSound>(platform::audio_rate_hz);
        if (recorder_thread->create_thread("record_sound")) {
            g_record_sound = recorder_thread.get();
            record_sound_owner() = std::move(recorder_thread);
        }
    }
    create_play_sound(-1);
    rest_one_play_sound();
    for (int i = 0; i < play_slot_count; ++i)
        for (int attempt = 0; attempt < 4 && !g_play_sound_threads[static_cast<size_t>(i)].load(); ++attempt)
            create_play_sound(i);
    for (auto& slot : g_play_sound_threads)
        if (CPlaySound* p = slot.load())
            p->post_thread_message(WM_MY_PLAY_START);
    if (CRecordSound* r = g_record_sound.load())
        r->post_thread_message(WM_MY_RECORD_START);
    if (CPlaySound* local = g_local_play_sound.load())
        local->post_thread_message(WM_MY_PLAY_START);
    if (g_speaker_volume > 0)
        set_speaker_volume(g_speaker_volume);
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_TALK_STARTED);
    return 0;
}

int on_talk_stop()
{
    g_talk_active = 0;
    if (CRecordSound* r = g_record_sound.load())
        r->post_thread_message(WM_MY_RECORD_STOP);
    if (CPlaySound* local = g_local_play_sound.load())
        local->post_thread_message(WM_MY_PLAY_STOP);
    for (auto& slot : g_play_sound_threads)
        if (CPlaySound* p = slot.load())
            p->post_thread_message(WM_MY_PLAY_STOP);
    rest_one_play_sound();
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_TALK_STOPPED);
    return 0;
}
