#include "media/voice_receive.h"

#include "core/dbg_log.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/sound_levels.h"
#include "media/sound_queue.h"
#include "media/voice_codec.h"
#include "media/voice_packet.h"
#include "media/voice_state.h"
#include "platform/sys/clock.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr int talk_skip_bytes = 32;
constexpr int lpc10_data_offset = 37;
constexpr int dct_data_offset = 5;
constexpr size_t lpc10_capacity_samples = talk_unz_buffer_bytes;

// "%4d:" at the front of a body; false when it is not a number.
bool parse_4d_field(const char* body, int length, int& value)
{
    if (length < 5 || body[4] != ':')
        return false;
    char text[5] = {};
    std::memcpy(text, body, 4);
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    while (end && *end == ' ')
        ++end;
    if (!end || *end != '\0' || end == text)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool all_players_exist()
{
    if (!g_local_play_sound.load())
        return false;
    for (auto& p : g_play_sound_threads)
        if (!p.load())
            return false;
    return true;
}

void record_talk(uint32_t type, const int32_t* fields, size_t field_count, const char* data, size_t len, const char* writer)
{
    if (!recorder().recording())
        return;
    recorder().append(type, { RecordPiece { fields, field_count * sizeof(int32_t) }, RecordPiece { data, len } }, writer);
}

// Binds the speaker's slot and queues the sound for the master thread.
int queue_sound(const char* handler, int customer_id, const uint8_t* samples, size_t count)
{
    int slot = find_sound_slot(customer_id);
    if (slot < 0)
        return -1;
    if (!all_players_exist() || count == 0)
        return 0;
    auto header = std::make_unique<platform::WaveHeader>();
    try {
        header->data.assign(samples, samples + count);
    } catch (const std::bad_alloc&) {
        dbg_log("no memory for the sound data in %s.\n", handler);
        return -1;
    }
    add_sound_levels(g_speaker_sound_levels, samples, count);
    sound_add_to_queue(slot, std::move(header));
    g_sound_data_semaphore.release();
    return 0;
}

} // namespace

int lpc10_decode_talk_data(const uint8_t* data, int packet_len, int16_t* out, size_t capacity, int data_len)
{
    if (packet_len < 0 || data_len < packet_len)
        return -1;
    VoiceDecStatePtr state(voice_dec_state_new());
    int n = voice_packet_decode(data, static_cast<size_t>(packet_len), out, capacity, nullptr, state.get());
    size_t rest = static_cast<size_t>(data_len - packet_len);
    // The bytes after the packet are appended as they are, two to a sample.
    if (static_cast<size_t>(n) * 2 + rest > capacity * 2)
        return -1;
    std::memcpy(reinterpret_cast<uint8_t*>(out + n), data + packet_len, rest);
    return n + static_cast<int>(rest / 2);
}

int talk_lpc10_to_samples(const uint8_t* data, int data_len, int packet_len, std::vector<uint8_t>& out)
{
    out.clear();
    std::vector<int16_t> pcm16(lpc10_capacity_samples);
    int n = lpc10_decode_talk_data(data, packet_len, pcm16.data(), pcm16.size(), data_len);
    if (n < 0)
        return -1;
    // The players take 8-bit sound: the 16-bit samples are brought down to it.
    out.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out[static_cast<size_t>(i)] = static_cast<uint8_t>((pcm16[static_cast<size_t>(i)] >> 8) + 128);
    return n;
}

int talk_z_to_samples(const uint8_t* data, size_t len, std::vector<uint8_t>& out)
{
    out.assign(talk_unz_buffer_bytes, 0);
    size_t pcm_len = out.size();
    if (z_uncompress_talk_data(data, len, out.data(), &pcm_len) < 0) {
        out.clear();
        return -1;
    }
    out.resize(pcm_len);
    return static_cast<int>(pcm_len);
}

int talk_dct_z_to_samples(const uint8_t* data, size_t len, int quality, std::vector<uint8_t>& out)
{
    out.clear();
    std::vector<uint8_t> coded(talk_unz_buffer_bytes);
    size_t coded_len = coded.size();
    if (z_uncompress_talk_data(data, len, coded.data(), &coded_len) < 0)
        return -1;
    int count = static_cast<int>(coded_len / 2);
    if (count < 1)
        return 0;
    out.resize(static_cast<size_t>(count));
    audio_decode_block(coded.data(), coded_len, out.data(), count, quality);
    return count;
}

int do_talk_data_from_sever(const char* body, int length, int customer_id, int /*private_flag*/)
{
    if (length <= talk_skip_bytes) {
        dbg_log("body of %d bytes too short in do_talk_data_from_sever.\n", length);
        return -1;
    }
    int slot = find_sound_slot(customer_id);
    CPlaySound* local = g_local_play_sound.load();
    if (!local)
        return 0;
    auto header = std::make_unique<platform::WaveHeader>();
    header->data.assign(body + talk_skip_bytes, body + length);
    CPlaySound* target = slot >= 0 ? g_play_sound_threads[static_cast<size_t>(slot)].load() : local;
    (target ? target : local)->post_thread_message(WM_MY_PLAY_WRITE, 0, 0, std::move(header));
    return 0;
}

int do_talk_data_lpc10_from_sever(const char* body, int length, int customer_id, int private_flag)
{
    int packet_len = 0;
    if (length < lpc10_data_offset || !parse_4d_field(body, length, packet_len) || packet_len < 0 ||
        packet_len > length - lpc10_data_offset) {
        dbg_log("bad body of %d bytes in do_talk_data_lpc10_from_sever.\n", length);
        return -1;
    }
    int data_len = length - lpc10_data_offset;
    std::vector<uint8_t> pcm8;
    if (talk_lpc10_to_samples(reinterpret_cast<const uint8_t*>(body + lpc10_data_offset), data_len, packet_len, pcm8) < 0) {
        dbg_log("decoded sound too long in do_talk_data_lpc10_from_sever.\n");
        return -1;
    }
    if (!private_flag) {
        int32_t fields[4] = { data_len, packet_len, customer_id, 8000 };
        record_talk(record_type_lpc10_talk, fields, 4, body + lpc10_data_offset, static_cast<size_t>(data_len),
                    "do_talk_data_lpc10_from_sever");
    }
    return queue_sound("do_talk_data_lpc10_from_sever", customer_id, pcm8.data(), pcm8.size());
}

int do_talk_data_z_from_sever(const char* body, int length, int customer_id, int private_flag)
{
    if (length <= talk_skip_bytes) {
        dbg_log("body of %d bytes too short in do_talk_data_z_from_sever.\n", length);
        return -1;
    }
    std::vector<uint8_t> pcm;
    if (talk_z_to_samples(reinterpret_cast<const uint8_t*>(body + talk_skip_bytes), static_cast<size_t>(length - talk_skip_bytes),
                          pcm) < 0) {
        dbg_log("uncompress failed in do_talk_data_z_from_sever.\n");
        return -1;
    }
    if (!private_flag) {
        int32_t fields[3] = { length - talk_skip_bytes, customer_id, 8000 };
        record_talk(record_type_compressed_talk, fields, 3, body + talk_skip_bytes,
                    static_cast<size_t>(length - talk_skip_bytes), "do_talk_data_z_from_sever");
    }
    return queue_sound("do_talk_data_z_from_sever", customer_id, pcm.data(), pcm.size());
}

int do_talk_data_silence(const char* /*body*/, int /*length*/, int customer_id, int /*private_flag*/)
{
    if (g_local_play_sound.load()) {
        int slot = find_sound_slot(customer_id);
        if (slot >= 0) {
            platform::TimedLockWait lock(g_sound_lock, 3000);
            if (!lock) {
                dbg_log("wait failed in do_talk_data_silence.\n");
                return -1;
            }
            if (CPlaySound* p = g_play_sound_threads[static_cast<size_t>(slot)].load()) {
                // The speaker paused: what is queued plays out at once.
                p->m_started = 1;
                p->m_has_arrival = 0;
            }
        }
    }
    g_sound_data_semaphore.release();
    return 0;
}

int do_talk_data_dct_z_from_sever(const char* body, int length, int customer_id, int private_flag)
{
    int quality = 0;
    if (length <= dct_data_offset || !parse_4d_field(body, length, quality)) {
        dbg_log("bad body of %d bytes in do_talk_data_dct_z_from_sever.\n", length);
        return -1;
    }
    std::vector<uint8_t> pcm;
    int count = talk_dct_z_to_samples(reinterpret_cast<const uint8_t*>(body + dct_data_offset),
                                      static_cast<size_t>(length - dct_data_offset), quality, pcm);
    if (count == -1) {
        dbg_log("uncompress failed in do_talk_data_dct_z_from_sever.\n");
        return -1;
    }
    if (count < 1) {
        dbg_log("empty block in do_talk_data_dct_z_from_sever.\n");
        return -1;
    }
    if (!private_flag) {
        int32_t fields[6] = { length - dct_data_offset, customer_id, 8000, quality, 0, 0 };
        record_talk(record_type_transform_talk, fields, 6, body + dct_data_offset,
                    static_cast<size_t>(length - dct_data_offset), "do_talk_data_dct_z_from_sever");
    }
    return queue_sound("do_talk_data_dct_z_from_sever", customer_id, pcm.data(), pcm.size());
}

int dispatch_talk_message(int number, const char* body, int length, int customer_id)
{
    int private_flag = number % 2;
    switch (number) {
    case MSG_TALK_DATA: return do_talk_data_from_sever(body, length, customer_id, 0);
    case MSG_TALK_LPC10:
    case MSG_TALK_LPC10_B: return do_talk_data_lpc10_from_sever(body, length, customer_id, private_flag);
    case MSG_TALK_Z:
    case MSG_TALK_Z_B: return do_talk_data_z_from_sever(body, length, customer_id, private_flag);
    case MSG_TALK_SILENCE:
    case MSG_TALK_SILENCE_B: return do_talk_data_silence(body, length, customer_id, private_flag);
    case MSG_TALK_DCT_Z:
    case MSG_TALK_DCT_Z_B: return do_talk_data_dct_z_from_sever(body, length, customer_id, private_flag);
    default: return -1;
    }
}
