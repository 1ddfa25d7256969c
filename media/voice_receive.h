#pragma once
// Handlers of the talk messages from the voice connection and peer links.
// Each gets the unscrambled body, its length, head field 2 (the speaker's
// customer id) and a private flag (1 for the odd numbers). A body that is
// short, does not inflate or does not fit is dropped with one log line.

#include <cstddef>
#include <cstdint>
#include <vector>

int do_talk_data_from_sever(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_lpc10_from_sever(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_z_from_sever(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_silence(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_dct_z_from_sever(const char* body, int length, int customer_id, int private_flag);

// Decodes packet_len bytes as one voice packet and appends the rest of the
// data unchanged; the number of 16-bit samples, or -1.
int lpc10_decode_talk_data(const uint8_t* data, int packet_len, int16_t* out, size_t capacity, int data_len);

// The decoders of the talk handlers, into the players' unsigned 8-bit
// samples; recorded blocks played back go through them too. Each gives the
// number of samples (out holds them), or -1 when the data does not decode
// or does not fit (out empty); an empty transform block gives 0.
int talk_lpc10_to_samples(const uint8_t* data, int data_len, int packet_len, std::vector<uint8_t>& out);
int talk_z_to_samples(const uint8_t* data, size_t len, std::vector<uint8_t>& out);
int talk_dct_z_to_samples(const uint8_t* data, size_t len, int quality, std::vector<uint8_t>& out);

// Calls the handler of a talk message number (32, 610-617); -1 for other numbers.
int dispatch_talk_message(int number, const char* body, int length, int customer_id);
