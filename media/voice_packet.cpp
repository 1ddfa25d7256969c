#include "media/voice_packet.h"

#include "core/dbg_log.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

extern "C" {
#include <gsm.h>
#include <spandsp.h>
}

namespace {

constexpr int lpc10_frame_bytes = 7;
constexpr int lpc10_frame_samples = 180;

// The 12-byte linear-prediction vocoder of codec 2.
struct Lpc12State {
    static constexpr int order = 10;
    std::array<double, order + 1> lattice {};
    double period = 0;
    double excitation_gain = 0;
    int pitch_counter = 0;
    uint32_t noise = 1;
    bool previous_voiced = false;
};

} // namespace

struct voice_codec_state {
    int codec = 0;
    lpc10_decode_state_t* lpc10 = nullptr;  // 1, 11
    gsm gsm_state = nullptr;                // 3
    Lpc12State lpc12;                       // 2
};

namespace {

int frame_bytes_of(int codec)
{
    switch (codec) {
    case 1: return lpc10_frame_bytes;
    case 2: return 12;
    case 3: return 33;
    case 6: case 7: return 7;
    case 8: case 9: case 10: return 17;
    case 11: return lpc10_frame_bytes;
    default: return 0;
    }
}

int frame_samples_of(int codec)
{
    switch (codec) {
    case 1: case 11: return lpc10_frame_samples;
    case 2: case 3: return 160;
    case 6: return 320;
    case 7: return 250;
    case 8: return 240;
    case 9: return 360;
    case 10: return 480;
    default: return 0;
    }
}

bool codec_known(int codec) { return (codec >= 1 && codec <= 11) || codec == 31; }

void codec_free(voice_codec_state* s)
{
    if (!s)
        return;
    if (s->lpc10)
        lpc10_decode_free(s->lpc10);
    if (s->gsm_state)
        gsm_destroy(s->gsm_state);
    delete s;
}

voice_codec_state* codec_create(int codec)
{
    auto* s = new voice_codec_state;
    s->codec = codec;
    if (codec == 1 || codec == 11) {
        s->lpc10 = lpc10_decode_init(nullptr, 0);
        if (!s->lpc10) {
            delete s;
            return nullptr;
        }
    } else if (codec == 3) {
        s->gsm_state = gsm_create();
        if (!s->gsm_state) {
            delete s;
            return nullptr;
        }
    }
    return s;
}

// After lost packets the codec starts from a clean state.
void codec_reset(voice_codec_state* s)
{
    if (!s)
        return;
    if (s->lpc10)
        lpc10_decode_init(s->lpc10, 0);
    if (s->gsm_state) {
        gsm_destroy(s->gsm_state);
        s->gsm_state = gsm_create();
    }
    s->lpc12 = Lpc12State {};
}

int16_t round_to_sample(double v) { return static_cast<int16_t>(std::clamp<long>(std::lround(v), -32768, 32767)); }

void decode_lpc12_frame(Lpc12State& st, const uint8_t* frame, int16_t* out)
{
    constexpr int frame_samples = 160;
    double period = frame[0] / 2.0;
    double gain = frame[1] / 256.0;
    std::array<double, Lpc12State::order + 1> k {};
    for (int i = 0; i < Lpc12State::order; ++i)
        k[static_cast<size_t>(i + 1)] = static_cast<int8_t>(frame[2 + i]) / 128.0;
    bool voiced = period > 0;
    double excitation_gain = voiced ? gain * std::sqrt(period / 240.0) : gain * std::sqrt(3.0 / 240.0);

    double per = period, g = excitation_gain, per_step = 0, g_step = 0;
    if (voiced && st.previous_voiced) {
        per = st.period;
        g = st.excitation_gain;
        per_step = (period - st.period) / frame_samples;
        g_step = (excitation_gain - st.excitation_gain) / frame_samples;
    }
    for (int n = 0; n < frame_samples; ++n) {
        double u = 0;
        if (!voiced) {
            // 16-bit shift-register noise
            if (st.noise & 1)
                st.noise = (st.noise ^ 0xffec) | 0x10000;
            st.noise >>= 1;
            u = (static_cast<double>(st.noise) - 32768.0) / 32768.0 * g * 1.5874;
        } else {
            // The pulse sample counts as the first of its period.
            if (st.pitch_counter <= 0) {
                u = g;
                st.pitch_counter = static_cast<int>(per);
            }
            --st.pitch_counter;
        }
        double f = u;
        for (int j = Lpc12State::order; j > 0; --j) {
            f -= k[static_cast<size_t>(j)] * st.lattice[static_cast<size_t>(j - 1)];
            st.lattice[static_cast<size_t>(j)] = st.lattice[static_cast<size_t>(j - 1)] + k[static_cast<size_t>(j)] * f;
        }
        st.lattice[0] = f;
        out[n] = round_to_sample(std::clamp(f, -0.9999, 0.9999) * 32767.0);
        per += per_step;
        g += g_step;
    }
    st.period = period;
    st.excitation_gain = excitation_gain;
    st.previous_voiced = voiced;
}

int decode_ima_adpcm(const uint8_t* p, size_t len, int16_t* out)
{
    static constexpr std::array<int, 89> step_table = {
        7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97,
        107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494, 544, 598, 658, 724, 796,
        876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428,
        4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
        22385, 24623, 27086, 29794, 32767
    };
    static constexpr std::array<int, 16> index_table = { -1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8 };
    int predictor = static_cast<int16_t>((p[0] << 8) | p[1]);
    int index = std::clamp<int>(p[2], 0, 88);
    int n = 0;
    auto one = [&](int code) {
        int step = step_table[static_cast<size_t>(index)];
        int diff = step >> 3;
        if (code & 4) diff += step;
        if (code & 2) diff += step >> 1;
        if (code & 1) diff += step >> 2;
        predictor = std::clamp(code & 8 ? predictor - diff : predictor + diff, -32768, 32767);
        index = std::clamp(index + index_table[static_cast<size_t>(code)], 0, 88);
        out[n++] = static_cast<int16_t>(predictor);
    };
    for (size_t i = 3; i < len; ++i) {
        one(p[i] & 0x0f);  // low nibble first, as in IMA WAV data
        one(p[i] >> 4);
    }
    return n;
}

int16_t mulaw_expand(uint8_t u)
{
    u = static_cast<uint8_t>(~u);
    int t = ((u & 0x0f) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    int linear = (u & 0x80) ? 0x84 - t : t - 0x84;  // extremes +-32124
    return static_cast<int16_t>(std::lround(linear * (32256.0 / 32124.0)));
}

} // namespace

int voice_codec_frame_samples(int codec) { return frame_samples_of(codec); }
int voice_codec_frame_bytes(int codec) { return frame_bytes_of(codec); }

voice_dec_state* voice_dec_state_new() { return new voice_dec_state {}; }

void voice_dec_state_free(voice_dec_state* state)
{
    if (!state)
        return;
    codec_free(state->codec_state);
    delete state;
}

int voice_packet_decode(const uint8_t* packet, size_t len, int16_t* out, size_t capacity, const uint8_t* /*key*/,
                        voice_dec_state* state)
{
    if (!packet || !out || !state || len < 3)
        return 0;
    size_t head = 1;
    if (packet[0] & 0x40) {
        uint16_t s = static_cast<uint16_t>((packet[1] << 8) | packet[2]);
        uint16_t last = state->last_sequence;
        if (s < last || (s == last && state->has_sequence)) {
            if (last - s < 3001)
                return 0;  // a late duplicate
            codec_reset(state->codec_state);
            state->last_sequence = 0;
            state->has_sequence = false;
            return 0;
        }
        if (s > last + 1)
            codec_reset(state->codec_state);
        state->last_sequence = s;
        state->has_sequence = true;
        head = 3;
    }
    int codec = packet[0] & 0x3f;
    if (!codec_known(codec))
        return 0;
    if (codec != 31 && (codec != state->codec || !state->codec_state)) {
        voice_codec_state* fresh = codec_create(codec);
        if (!fresh)
            return 0;
        codec_free(state->codec_state);
        state->codec_state = fresh;
        state->codec = static_cast<uint8_t>(codec);
    }
    const uint8_t* payload = packet + head;
    size_t payload_len = len - head;

    if (codec == 31) {
        if (payload_len < 2)
            return 0;
        size_t count = static_cast<size_t>((payload[0] << 8) | payload[1]);
        if (count > capacity)
            return 0;
        std::fill(out, out + count, 0);
        return static_cast<int>(count);
    }
    if (codec == 4) {
        if (payload_len < 3 || (payload_len - 3) * 2 > capacity)
            return 0;
        return decode_ima_adpcm(payload, payload_len, out);
    }
    if (codec == 5) {
        if (payload_len > capacity)
            return 0;
        for (size_t i = 0; i < payload_len; ++i)
            out[i] = mulaw_expand(payload[i]);
        return static_cast<int>(payload_len);
    }

    size_t frame_bytes = static_cast<size_t>(frame_bytes_of(codec));
    size_t frame_samples = static_cast<size_t>(frame_samples_of(codec));
    size_t frames = payload_len / frame_bytes;
    if (codec != 11 && frames * frame_samples > capacity)
        return 0;
    voice_codec_state* cs = state->codec_state;
    size_t written = 0;
    for (size_t f = 0; f < frames; ++f) {
        if (codec == 11 && capacity - written < frame_samples)
            break;
        const uint8_t* frame = payload + f * frame_bytes;
        int16_t* dst = out + written;
        switch (codec) {
        case 1:
        case 11: {
            int n = lpc10_decode(cs->lpc10, dst, frame, static_cast<int>(frame_bytes));
            if (n != static_cast<int>(frame_samples))
                std::fill(dst, dst + frame_samples, 0);
            break;
        }
        case 2:
            decode_lpc12_frame(cs->lpc12, frame, dst);
            break;
        case 3: {
            gsm_byte bytes[33];
            std::memcpy(bytes, frame, sizeof bytes);
            if (gsm_decode(cs->gsm_state, bytes, dst) != 0)
                std::fill(dst, dst + frame_samples, 0);  // a frame without the GSM signature
            break;
        }
        default:
            // No decoder exists for codecs 6 to 10: each frame plays as silence of its length.
            std::fill(dst, dst + frame_samples, 0);
            break;
        }
        written += frame_samples;
    }
    return static_cast<int>(written);
}
