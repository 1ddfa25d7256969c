#pragma once
// Pictures on the application connection: a named picture (344-346) and an
// attendee's picture by customer id (348-350), each written to
// "<user>bmp/<name>" (gzipped, the data messages append through
// video_image_files), unpacked to "<user>bmp/<name>.jpg" under
// g_pictures_lock, and shown by the video view, the member-pictures page and
// the full-screen window. The video windows carry no names, so a named
// picture always takes the spare file. An attendee's picture also goes into
// a running recording (type 2).
//
// Names come from the network: one that is not a plain file name, is longer
// than 63 characters or names one of the program's own files in "bmp" writes
// nothing. A picture that does not unpack leaves the last one.

#include "core/global_state.h"

#include <string>

inline constexpr size_t picture_name_limit = 63;
// An unpacked picture from the network stops at this size; past it the last one stays.
inline constexpr long long picture_unpack_limit = 64LL * 1024 * 1024;
inline constexpr int pictures_wait_ms = 3000;
// How long an attendee's picture waits for the members page to take in the
// attendee's record.
inline constexpr int attendee_record_wait_ms = 3000;
// A recording's picture record holds at most this much (playback stops past it).
inline constexpr long long record_picture_limit = 102300;
inline constexpr size_t record_picture_name_len = 80;

// 1 between a picture's begin and its end.
extern AtomicInt g_picture_downloading;

// True when the name may name a picture's files in "bmp".
bool picture_name_allowed(const std::string& name);

void video_z_down_begin_from_server(const char* body, int len, int field2);    // 344
void video_z_down_end_from_server(const char* body, int len, int field2);      // 346
void video_z_down_begin_2_from_server(const char* body, int len, int field2);  // 348
void video_z_down_end_2_from_server(const char* body, int len, int field2);    // 350

// The picture record (type 2): an 84-byte sub-head {data length, the name
// in 80 characters, NUL-padded}, then the compressed picture file at z_path.
int record_picture(const std::string& name, const std::string& z_path);

// The handlers of 344, 346, 348 and 350 (345 and 349: video_image_files).
void install_picture_downloads();
