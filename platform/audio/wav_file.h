#pragma once
// WAV files of 8-bit mono sound at 8000 Hz: reading any PCM WAV (or raw
// unsigned 8-bit bytes) as the microphone, writing what a player plays.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Reads a PCM WAV of 8 or 16 bits, any channel count and rate, and gives
// mono unsigned 8-bit samples at 8000 Hz. A file that does not start with
// "RIFF" is taken as raw unsigned 8-bit samples at 8000 Hz. 0 or -1.
int read_wav_as_u8_8000(const std::string& path, std::vector<uint8_t>& samples, std::string* error = nullptr);

// Parses WAV bytes already in memory the same way.
int parse_wav_as_u8_8000(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& samples, std::string* error = nullptr);

// Writes a WAV whose sizes are brought up to date after every append, so the
// file is valid even when the process ends without closing it.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    int open(const std::string& path);
    int append(const uint8_t* samples, size_t count);
    void close();
    bool is_open() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    uint32_t data_bytes_ = 0;
};

} // namespace platform
