// The talk block codec and the voice packet decoder.
#include "media/voice_codec.h"
#include "media/voice_packet.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>
#include <zlib.h>

namespace {

std::vector<uint8_t> tone_block(double hz, double amplitude, int count = talk_block_samples)
{
    std::vector<uint8_t> s(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        s[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(128 + amplitude * std::sin(2 * M_PI * hz * i / 8000.0)));
    return s;
}

double snr_db(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        signal += (a[i] - 128.0) * (a[i] - 128.0);
        noise += (a[i] - static_cast<double>(b[i])) * (a[i] - static_cast<double>(b[i]));
    }
    return 10 * std::log10(signal / std::max(noise, 1e-9));
}

std::vector<uint8_t> round_trip(const std::vector<uint8_t>& in, int quality)
{
    std::vector<uint8_t> coded(in.size() * 2 + 128);
    int len = 0;
    audio_encode_block(in.data(), coded.data(), static_cast<int>(in.size()), &len, quality);
    std::vector<uint8_t> out(in.size());
    audio_decode_block(coded.data(), static_cast<size_t>(len), out.data(), static_cast<int>(in.size()), quality);
    return out;
}

} // namespace

TEST(TalkCodec, QuantiserTablesCoarsenTheHighCoefficients)
{
    struct Case { int quality; int k; int step; };
    for (Case c : { Case { 0, 0, 8 }, { 0, 1, 1 }, { 0, 63, 1 }, { 1, 15, 1 }, { 1, 16, 2 }, { 1, 47, 3 }, { 1, 63, 4 },
                    { 2, 7, 1 }, { 2, 8, 2 }, { 2, 55, 7 }, { 2, 63, 8 }, { 2, 0, 8 } })
        EXPECT_EQ(audio_quantiser_table(c.quality)[static_cast<size_t>(c.k)], c.step) << c.quality << " " << c.k;
}

TEST(TalkCodec, ConstantBlockIsSilentWithOnlyItsDc)
{
    std::vector<uint8_t> in(talk_block_samples, 128), coded(talk_coded_block_bytes + 128);
    int len = 0;
    EXPECT_EQ(audio_encode_block(in.data(), coded.data(), talk_block_samples, &len, 0), 0);
    EXPECT_EQ(len, talk_coded_block_bytes);
    // DC of 64 x 128 = 1024 / 8 = 128, in the first 15 low bytes
    for (int b = 0; b < 15; ++b)
        EXPECT_EQ(coded[static_cast<size_t>(b)], 128);
    for (int i = 15; i < talk_block_samples; ++i)
        EXPECT_EQ(coded[static_cast<size_t>(i)], 0);
}

TEST(TalkCodec, FullScaleDcFitsTheLowByte)
{
    std::vector<uint8_t> in(64, 255), coded(256);
    int len = 0;
    EXPECT_EQ(audio_encode_block(in.data(), coded.data(), 64, &len, 0), 0);
    EXPECT_EQ(len, 128);
    EXPECT_EQ(coded[0], 255);
    EXPECT_EQ(coded[64], 0);
}

TEST(TalkCodec, LargeAndNegativeCoefficientsSurviveTheRoundTrip)
{
    std::vector<uint8_t> rising(64), falling(64);
    for (int i = 0; i < 64; ++i) {
        rising[static_cast<size_t>(i)] = i < 32 ? 0 : 255;
        falling[static_cast<size_t>(i)] = i < 32 ? 255 : 0;
    }
    std::vector<uint8_t> coded(256);
    int len = 0;
    EXPECT_EQ(audio_encode_block(falling.data(), coded.data(), 64, &len, 0), 1);
    int magnitude = coded[1] + 256 * (coded[64 + 1] >> 1);
    EXPECT_GT(magnitude, 255);             // bits 8..14 in use
    EXPECT_EQ(coded[64 + 1] & 1, 0);       // positive
    audio_encode_block(rising.data(), coded.data(), 64, &len, 0);
    EXPECT_EQ(coded[64 + 1] & 1, 1);       // negative
    for (const auto& block : { rising, falling }) {
        std::vector<uint8_t> back = round_trip(block, 0);
        for (int i = 0; i < 64; ++i)
            EXPECT_NEAR(back[static_cast<size_t>(i)], block[static_cast<size_t>(i)], 12) << i;
    }
}

TEST(TalkCodec, QualityTradesFidelityForSize)
{
    std::vector<uint8_t> speechlike(talk_block_samples);
    auto a = tone_block(300, 40), b = tone_block(1270, 25), c = tone_block(2900, 12);
    for (size_t i = 0; i < speechlike.size(); ++i)
        speechlike[i] = static_cast<uint8_t>(a[i] + b[i] + c[i] - 256);
    double snr0 = snr_db(speechlike, round_trip(speechlike, 0));
    double snr1 = snr_db(speechlike, round_trip(speechlike, 1));
    double snr2 = snr_db(speechlike, round_trip(speechlike, 2));
    EXPECT_GT(snr0, 25.0);
    EXPECT_GT(snr1, 20.0);
    EXPECT_GT(snr2, 15.0);
    EXPECT_GE(snr0 + 0.5, snr1);
    EXPECT_GE(snr1 + 0.5, snr2);
}

TEST(TalkCodec, OutOfRangeQualityUsesTheFirstTableAndLogs)
{
    TempHome home;
    LogCapture log;
    auto in = tone_block(500, 50);
    EXPECT_EQ(round_trip(in, 3), round_trip(in, 0));
    EXPECT_TRUE(log.contains("quality:3 out of range in do_one_dimentional_dct_quality\n"));
}

TEST(TalkCodec, CountBelowOneIsRefusedAndShortInputReadsAsZeros)
{
    uint8_t s[4] = {}, c[256] = {};
    int len = 0;
    EXPECT_EQ(audio_encode_block(s, c, 0, &len, 0), -1);
    EXPECT_EQ(audio_decode_block(c, 0, s, 0, 0), -1);
    std::vector<uint8_t> out(64, 7);
    uint8_t dc_only[1] = { 128 };
    EXPECT_EQ(audio_decode_block(dc_only, 1, out.data(), 64, 0), 0);
    EXPECT_NEAR(out[10], 128, 1);
}

TEST(TalkCodec, ZlibRefusesWhatDoesNotInflateOrDoesNotFit)
{
    std::vector<uint8_t> garbage(100, 0x55), out(talk_unz_buffer_bytes);
    size_t out_len = out.size();
    EXPECT_EQ(z_uncompress_talk_data(garbage.data(), garbage.size(), out.data(), &out_len), -1);
    std::vector<uint8_t> big(20000, 3), z(compressBound(20000));
    uLongf z_len = static_cast<uLongf>(z.size());
    ASSERT_EQ(compress(z.data(), &z_len, big.data(), big.size()), Z_OK);
    out_len = out.size();
    EXPECT_EQ(z_uncompress_talk_data(z.data(), z_len, out.data(), &out_len), -1);
    std::vector<uint8_t> block(talk_coded_block_bytes, 9), packed(talk_z_buffer_bytes);
    int n = z_compress_talk_data(block.data(), block.size(), packed.data(), packed.size());
    ASSERT_GT(n, 0);
    out_len = out.size();
    EXPECT_EQ(z_uncompress_talk_data(packed.data(), static_cast<size_t>(n), out.data(), &out_len), talk_coded_block_bytes);
}

namespace {

int decode(const std::vector<uint8_t>& packet, std::vector<int16_t>& out, size_t capacity, voice_dec_state* state = nullptr)
{
    VoiceDecStatePtr own(voice_dec_state_new());
    out.assign(capacity, 12345);
    return voice_packet_decode(packet.data(), packet.size(), out.data(), capacity, nullptr, state ? state : own.get());
}

std::vector<uint8_t> packet(int codec, size_t payload_len, uint8_t fill = 0)
{
    std::vector<uint8_t> p(1 + payload_len, fill);
    p[0] = static_cast<uint8_t>(codec);
    return p;
}

} // namespace

TEST(VoicePacket, EveryCodecDecodesItsFramesOrIsRefused)
{
    struct Case { int codec; size_t payload; size_t capacity; int samples; };
    for (Case c : { Case { 1, 14, 1000, 360 }, { 2, 24, 1000, 320 }, { 3, 66, 1000, 320 }, { 3, 66, 300, 0 },
                    { 4, 13, 1000, 20 }, { 4, 13, 19, 0 }, { 5, 50, 1000, 50 }, { 5, 50, 49, 0 },
                    { 6, 14, 1000, 640 }, { 7, 7, 1000, 250 }, { 8, 17, 1000, 240 }, { 9, 34, 1000, 720 },
                    { 10, 17, 479, 0 }, { 11, 21, 400, 360 }, { 0, 10, 1000, 0 }, { 12, 10, 1000, 0 },
                    { 30, 10, 1000, 0 }, { 45, 10, 1000, 0 } }) {
        std::vector<int16_t> out;
        EXPECT_EQ(decode(packet(c.codec, c.payload, 0xd5), out, c.capacity), c.samples) << "codec " << c.codec;
    }
}

TEST(VoicePacket, SilenceCarriesItsCount)
{
    std::vector<int16_t> out;
    std::vector<uint8_t> p { 31, 0x01, 0x68 };  // 360
    ASSERT_EQ(decode(p, out, 400), 360);
    for (int i = 0; i < 360; ++i)
        EXPECT_EQ(out[static_cast<size_t>(i)], 0);
    EXPECT_EQ(out[360], 12345);
    EXPECT_EQ(decode(p, out, 359), 0);
    EXPECT_EQ(decode({ 31, 0 }, out, 400), 0);  // shorter than 3 bytes
}

TEST(VoicePacket, MuLawExtremesAndFramesWithoutDecoderPlaySilence)
{
    std::vector<int16_t> out;
    ASSERT_EQ(decode({ 5, 0x00, 0x80, 0xff, 0x7f }, out, 10), 4);
    EXPECT_EQ(out[0], -32256);
    EXPECT_EQ(out[1], 32256);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 0);
    ASSERT_EQ(decode(packet(8, 17, 0x5a), out, 240), 240);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
}

TEST(VoicePacket, LinearPredictionAndAdpcmFramesMakeSound)
{
    std::vector<int16_t> out;
    // voiced, period 40 samples, gain 200/256, a gentle resonance
    std::vector<uint8_t> lpc { 2, 80, 200, 0x90, 0x40, 0, 0, 0, 0, 0, 0, 0, 0 };
    ASSERT_EQ(decode(lpc, out, 160), 160);
    int peak = 0;
    for (int16_t s : out)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 1000);
    // ADPCM from predictor 1000: code 7 climbs, code 15 falls
    ASSERT_EQ(decode({ 4, 0x03, 0xe8, 10, 0x77, 0xff }, out, 4), 4);
    EXPECT_GT(out[0], 1000);
    EXPECT_GT(out[1], out[0]);
    EXPECT_LT(out[3], out[2]);
}

// With all reflection coefficients 0 the lattice passes the excitation
// through, so the samples show the pulses themselves: one of the excitation
// gain every period samples, over both frames of the packet.
TEST(VoicePacket, LinearPredictionPulsesEveryPeriodSamples)
{
    struct Case { uint8_t period_byte; int spacing; };
    for (Case c : { Case { 20, 10 }, { 25, 12 }, { 81, 40 }, { 2, 1 } }) {
        std::vector<uint8_t> frame(12, 0);
        frame[0] = c.period_byte;
        frame[1] = 255;
        std::vector<uint8_t> p { 2 };
        p.insert(p.end(), frame.begin(), frame.end());
        p.insert(p.end(), frame.begin(), frame.end());
        std::vector<int16_t> out;
        ASSERT_EQ(decode(p, out, 320), 320);
        double period = c.period_byte / 2.0;
        int pulse = static_cast<int>(std::lround(255.0 / 256.0 * std::sqrt(period / 240.0) * 32767.0));
        std::vector<int> want, got;
        for (int n = 0; n < 320; n += c.spacing)
            want.push_back(n);
        for (int n = 0; n < 320; ++n) {
            if (out[static_cast<size_t>(n)] != 0) {
                got.push_back(n);
                EXPECT_EQ(out[static_cast<size_t>(n)], pulse) << "period byte " << int(c.period_byte) << " at " << n;
            }
        }
        EXPECT_EQ(got, want) << "period byte " << int(c.period_byte);
    }
}

TEST(VoicePacket, SequenceNumbersRefuseDuplicatesAndResetOnLargeJumpsBack)
{
    VoiceDecStatePtr state(voice_dec_state_new());
    std::vector<int16_t> out;
    auto seq = [](uint16_t s) { return std::vector<uint8_t> { 0x40 | 5, static_cast<uint8_t>(s >> 8), static_cast<uint8_t>(s), 0xff, 0xff }; };
    EXPECT_EQ(decode(seq(5000), out, 100, state.get()), 2);
    EXPECT_EQ(decode(seq(5000), out, 100, state.get()), 0);  // repeat
    EXPECT_EQ(decode(seq(4999), out, 100, state.get()), 0);  // late
    EXPECT_EQ(state->last_sequence, 5000);
    EXPECT_EQ(decode(seq(5005), out, 100, state.get()), 2);  // a gap: decoded after a reset
    EXPECT_EQ(decode(seq(1000), out, 100, state.get()), 0);  // far behind: reset
    EXPECT_EQ(state->last_sequence, 0);
    EXPECT_EQ(decode(seq(1000), out, 100, state.get()), 2);
}
