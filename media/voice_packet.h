#pragma once
// Decoder of the multi-codec voice packets carried by the "lpc10" talk
// messages and recordings: a 1- or 3-byte head (keyed bit, sequence bit,
// codec id, optional 16-bit sequence number) and frames of one codec, decoded
// to signed 16-bit samples at 8000 Hz.

#include <cstddef>
#include <cstdint>
#include <memory>

struct voice_codec_state;

struct voice_dec_state {
    uint8_t codec = 0;
    uint16_t last_sequence = 0;
    bool has_sequence = false;  // a sequenced packet was decoded with this state
    voice_codec_state* codec_state = nullptr;
};

voice_dec_state* voice_dec_state_new();
void voice_dec_state_free(voice_dec_state* state);

struct VoiceDecStateFree {
    void operator()(voice_dec_state* s) const { voice_dec_state_free(s); }
};
using VoiceDecStatePtr = std::unique_ptr<voice_dec_state, VoiceDecStateFree>;

// Samples written, or 0 when the packet is refused. key is not used: this
// program decodes without one.
int voice_packet_decode(const uint8_t* packet, size_t len, int16_t* out, size_t capacity, const uint8_t* key,
                        voice_dec_state* state);

// Samples per frame and payload bytes per frame of a codec id; 0 for the ids
// the format does not have. Codecs 4, 5, 31 have no fixed frame.
int voice_codec_frame_samples(int codec);
int voice_codec_frame_bytes(int codec);
