#pragma once
// Handlers of the talk messages from the voice connection and peer links.
// Each gets the unscrambled body, its length, head field 2 (the speaker's
// customer id) and a private flag (1 for the odd numbers). A body that is
// short, does not inflate or does not fit is dropped with one log line.

#include <cstddef>
#include <cstdint>

int do_talk_data_from_sever(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_lpc10_from_sever(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_z_from_sever(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_silence(const char* body, int length, int customer_id, int private_flag);
int do_talk_data_dct_z_from_sever(const char* body, int length, int customer_id, int private_flag);

// Decodes packet_len bytes as one voice packet and appends the rest of the
// data unchanged; the number of 16-bit samples, or -1.
int lpc10_decode_talk_data(const uint8_t* data, int packet_len, int16_t* out, size_t capacity, int data_len);

// Calls the handler of a talk message number (32, 610-617); -1 for other numbers.
int dispatch_talk_message(int number, const char* body, int length, int customer_id);
