#include "platform/audio/wav_file.h"

#include "platform/audio/audio_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void put_le32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void set_error(std::string* error, const char* text)
{
    if (error)
        *error = text;
}

// Linear interpolation is plenty for speech headed for a 120 ms block codec.
std::vector<uint8_t> resample_to_8000(const std::vector<double>& mono, uint32_t rate_hz)
{
    std::vector<uint8_t> out;
    if (mono.empty())
        return out;
    double step = static_cast<double>(rate_hz) / audio_rate_hz;
    size_t count = static_cast<size_t>(static_cast<double>(mono.size()) / step);
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        double pos = static_cast<double>(i) * step;
        size_t a = static_cast<size_t>(pos);
        size_t b = std::min(a + 1, mono.size() - 1);
        double frac = pos - static_cast<double>(a);
        double v = mono[a] * (1.0 - frac) + mono[b] * frac;
        int s = static_cast<int>(std::lround(v * 128.0 + 128.0));
        out.push_back(static_cast<uint8_t>(std::clamp(s, 0, 255)));
    }
    return out;
}

} // namespace

int parse_wav_as_u8_8000(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& samples, std::string* error)
{
    samples.clear();
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) {
        samples = bytes;
        return 0;
    }
    if (std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        set_error(error, "not a WAVE file");
        return -1;
    }
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate_hz = 0;
    const uint8_t* data = nullptr;
    size_t data_len = 0;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const uint8_t* chunk = bytes.data() + pos;
        size_t len = le32(chunk + 4);
        size_t avail = bytes.size() - pos - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && len >= 16 && avail >= 16) {
            format = le16(chunk + 8);
            channels = le16(chunk + 10);
            rate_hz = le32(chunk + 12);
            bits = le16(chunk + 22);
            if (format == 0xfffe && len >= 26 && avail >= 26)
                format = le16(chunk + 32);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            data = chunk + 8;
            data_len = std::min(len, avail);  // a file cut short keeps what it has
            break;
        }
        pos += 8 + len + (len & 1);
    }
    if (format != 1 || channels < 1 || rate_hz < 1000 || rate_hz > 192000 || (bits != 8 && bits != 16) || !data) {
        set_error(error, "unsupported WAV format (PCM, 8 or 16 bits)");
        return -1;
    }
    size_t frame_bytes = static_cast<size_t>(channels) * (bits / 8);
    size_t frames = data_len / frame_bytes;
    std::vector<double> mono(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (size_t c = 0; c < channels; ++c) {
            const uint8_t* p = data + f * frame_bytes + c * (bits / 8);
            sum += bits == 8 ? (p[0] - 128) / 128.0 : static_cast<int16_t>(le16(p)) / 32768.0;
        }
        mono[f] = sum / channels;
    }
    if (rate_hz == audio_rate_hz && bits == 8 && channels == 1) {
        samples.assign(data, data + frames);
        return 0;
    }
    samples = resample_to_8000(mono, rate_hz);
    return 0;
}

int read_wav_as_u8_8000(const std::string& path, std::vector<uint8_t>& samples, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        set_error(error, "cannot open the sound file");
        return -1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parse_wav_as_u8_8000(bytes, samples, error);
}

WavWriter::~WavWriter() { close(); }

int WavWriter::open(const std::string& path)
{
    close();
    file_ = std::fopen(path.c_str(), "wb+");
    if (!file_)
        return -1;
    data_bytes_ = 0;
    uint8_t head[44] {};
    std::memcpy(head, "RIFF", 4);
    put_le32(head + 4, 36);
    std::memcpy(head + 8, "WAVEfmt ", 8);
    put_le32(head + 16, 16);
    head[20] = 1;  // PCM
    head[22] = 1;  // mono
    put_le32(head + 24, audio_rate_hz);
    put_le32(head + 28, audio_rate_hz);
    head[32] = 1;  // block align
    head[34] = 8;  // bits
    std::memcpy(head + 36, "data", 4);
    if (std::fwrite(head, 1, sizeof head, file_) != sizeof head) {
        close();
        return -1;
    }
    std::fflush(file_);
    return 0;
}

int WavWriter::append(const uint8_t* samples, size_t count)
{
    if (!file_)
        return -1;
    if (count > 0 && std::fwrite(samples, 1, count, file_) != count)
        return -1;
    data_bytes_ += static_cast<uint32_t>(count);
    uint8_t size[4] {};
    put_le32(size, 36 + data_bytes_);
    std::fseek(file_, 4, SEEK_SET);
    std::fwrite(size, 1, 4, file_);
    put_le32(size, data_bytes_);
    std::fseek(file_, 40, SEEK_SET);
    std::fwrite(size, 1, 4, file_);
    std::fseek(file_, 0, SEEK_END);
    std::fflush(file_);
    return 0;
}

void WavWriter::close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

} // namespace platform
