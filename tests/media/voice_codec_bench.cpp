// Time of the talk block codec and the voice packet decoders, as a fraction
// of the 120 ms a block lasts. Target: well under 1% of real time.
#include "media/voice_codec.h"
#include "media/voice_packet.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

std::vector<uint8_t> speechlike_block()
{
    std::vector<uint8_t> s(talk_block_samples);
    for (int i = 0; i < talk_block_samples; ++i) {
        double v = 40 * std::sin(2 * M_PI * 210 * i / 8000.0) + 25 * std::sin(2 * M_PI * 1130 * i / 8000.0) +
                   10 * std::sin(2 * M_PI * 2650 * i / 8000.0) + ((i * 7919) % 13) - 6;
        s[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(128 + v));
    }
    return s;
}

template <class F>
double microseconds_per_call(F f, int calls)
{
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
        f();
    auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(t1 - t0).count() / calls;
}

} // namespace

int main()
{
    constexpr double block_us = 120000.0;
    constexpr int calls = 2000;
    std::vector<uint8_t> pcm = speechlike_block(), coded(talk_coded_block_bytes + 128), out(talk_block_samples);
    std::vector<uint8_t> z(talk_z_buffer_bytes), unz(talk_unz_buffer_bytes);
    std::printf("voice codec, one 960-sample block (120 ms):\n");
    for (int quality = 0; quality <= 2; ++quality) {
        int len = 0;
        double enc = microseconds_per_call([&] { audio_encode_block(pcm.data(), coded.data(), talk_block_samples, &len, quality); }, calls);
        double dec = microseconds_per_call([&] { audio_decode_block(coded.data(), static_cast<size_t>(len), out.data(), talk_block_samples, quality); }, calls);
        int z_len = 0;
        double zip = microseconds_per_call([&] { z_len = z_compress_talk_data(coded.data(), static_cast<size_t>(len), z.data(), z.size()); }, calls);
        double unzip = microseconds_per_call([&] {
            size_t n = unz.size();
            z_uncompress_talk_data(z.data(), static_cast<size_t>(z_len), unz.data(), &n);
        }, calls);
        std::printf("  quality %d: encode %7.1f us (%.3f%%)  decode %7.1f us (%.3f%%)  zlib %6.1f/%5.1f us  "
                    "whole send+receive %.3f%% of real time, %d bytes on the wire\n",
                    quality, enc, 100 * enc / block_us, dec, 100 * dec / block_us, zip, unzip,
                    100 * (enc + dec + zip + unzip) / block_us, z_len + 25);
    }
    struct Codec { int id; int frame_bytes; const char* name; };
    std::printf("voice packet decoder, per 120 ms of sound:\n");
    for (Codec c : { Codec { 1, 7, "LPC-10" }, Codec { 2, 12, "LPC 12-byte" }, Codec { 3, 33, "GSM 06.10" },
                     Codec { 4, 0, "IMA ADPCM" }, Codec { 5, 0, "mu-law" } }) {
        int samples_per_frame = c.id == 1 ? 180 : c.id <= 3 ? 160 : 0;
        std::vector<uint8_t> packet { static_cast<uint8_t>(c.id) };
        if (c.id == 4) {
            packet.insert(packet.end(), { 0, 0, 20 });
            packet.insert(packet.end(), 480, 0x37);
        } else if (c.id == 5) {
            packet.insert(packet.end(), 960, 0x55);
        } else {
            int frames = (960 + samples_per_frame - 1) / samples_per_frame;
            for (int f = 0; f < frames * c.frame_bytes; ++f)
                packet.push_back(static_cast<uint8_t>(c.id == 3 && f % 33 == 0 ? 0xd3 : (f * 37) & 0xff));
        }
        std::vector<int16_t> samples(2000);
        int n = 0;
        double us = microseconds_per_call([&] {
            VoiceDecStatePtr state(voice_dec_state_new());
            n = voice_packet_decode(packet.data(), packet.size(), samples.data(), samples.size(), nullptr, state.get());
        }, 500);
        std::printf("  codec %d %-12s %5d samples in %7.1f us: %.3f%% of their time\n", c.id, c.name, n, us,
                    100 * us / (n / 8.0 * 1000));
    }
    return 0;
}
