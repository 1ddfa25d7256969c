// Reading a two-hour meeting recording for playback: a synthetic meeting
// written by the program's own writers (two talkers, two 5 fps video
// senders, 20,000 whiteboard actions, a desktop tile every second, chat),
// then the playback reader's pass over every record with its pace worked
// out but not waited for, beside one plain sequential read of the same file
// in the same run. Prints the ratio (target: at most 1.5); asserts nothing.

#include "core/chat_receive.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "media/video_frame_codec.h"
#include "media/video_send.h"
#include "media/video_transport.h"
#include "media/voice_codec.h"
#include "platform/camera/capture_source.h"
#include "sharing/share_recording.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_recording.h"
#include "whiteboard/meeting_playback.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t meeting_ms = 2LL * 3600 * 1000;
constexpr int64_t step_ms = 40;
constexpr int64_t talk_every_ms = 120;
constexpr int64_t video_every_ms = 200;
constexpr int64_t tile_every_ms = 1000;
constexpr int64_t chat_every_ms = 20000;
constexpr int board_actions = 20000;
constexpr int rounds = 3;

double ms_since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

record_system_time meeting_time(int64_t ms)
{
    return record_time(2026, 5, ((12LL * 24 + 14) * 60) * 60000 + ms);  // the 12th, 14:00
}

// A talk block as the voice receiver records it: a tone coded and packed.
std::vector<uint8_t> talk_block(int tone)
{
    std::vector<uint8_t> samples(talk_block_samples);
    for (int i = 0; i < talk_block_samples; ++i)
        samples[static_cast<size_t>(i)] = static_cast<uint8_t>(128 + ((i / tone) % 2 ? 50 : -50));
    std::vector<uint8_t> coded(talk_coded_block_bytes + 128);
    int coded_len = 0;
    audio_encode_block(samples.data(), coded.data(), talk_block_samples, &coded_len, 0);
    std::vector<uint8_t> z(talk_z_buffer_bytes);
    int z_len = z_compress_talk_data(coded.data(), static_cast<size_t>(coded_len), z.data(), z.size());
    z.resize(static_cast<size_t>(std::max(z_len, 0)));
    return z;
}

// A few camera frames of the synthetic camera, coded as the video sender codes them.
std::vector<std::vector<uint8_t>> video_frames(int count)
{
    platform::SyntheticCaptureSource camera;
    camera.start(160, 120);
    std::vector<uint8_t> rgb(160 * 120 * 3);
    VideoFrameEncoder encoder;
    VideoStreamPacker packer;
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < count; ++i) {
        camera.grab(rgb);
        CodedVideoFrame coded;
        VideoSendBuffers buffers;
        if (encoder.encode(i, 70, rgb, coded) != 0 || packer.pack(coded, buffers.streams) != 0)
            continue;
        buffers.frame_kind = coded.frame_kind;
        buffers.quality = coded.quality;
        std::vector<uint8_t> frame;
        if (build_video_frame(buffers, frame) > 0)
            frames.push_back(std::move(frame));
    }
    return frames;
}

// A packed desktop tile of about the size a 320 x 180 JPEG has.
std::string tile_file(const std::string& dir, int n)
{
    std::mt19937 random(static_cast<unsigned>(n));
    std::string bytes(9000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() % 64);
    std::string plain = dir + "/tile" + std::to_string(n) + ".jpg";
    std::ofstream(plain, std::ios::binary) << bytes;
    std::string z = plain + ".z";
    z_compress_file(plain, z);
    return z;
}

board_action stroke(int i)
{
    board_action a;
    a.kind = i % 5 == 4 ? ACTION_RECT : ACTION_LINE;
    a.set_gesture_end(1);
    for (size_t k = 0; k < a.data.size(); ++k)
        a.data[k] = static_cast<int32_t>((i * 37 + static_cast<int>(k) * 11) % 1500);
    return a;
}

// The meeting, written record by record with the clock moved to each record's moment.
bool write_meeting(const std::string& path, const std::string& dir)
{
    int64_t now = 0;
    set_record_time_source([&now] { return meeting_time(now); });
    if (recorder().start(path) != 0)
        return false;
    const std::vector<uint8_t> talk[2] = { talk_block(8), talk_block(19) };
    const std::vector<std::vector<uint8_t>> frames = video_frames(8);
    std::vector<std::string> tiles;
    for (int n = 0; n < 12; ++n)
        tiles.push_back(tile_file(dir, n));
    if (frames.empty())
        return false;
    const int64_t action_every_ms = meeting_ms / board_actions;
    int actions = 0, frame = 0, tile = 0, chats = 0;
    for (now = 0; now < meeting_ms; now += step_ms) {
        if (now % talk_every_ms == 0) {
            for (int t = 0; t < 2; ++t) {
                const std::vector<uint8_t>& data = talk[t];
                int32_t fields[6] = { static_cast<int32_t>(data.size()), 501 + t, 8000, 0, 0, 0 };
                recorder().append(record_type_transform_talk, { { fields, sizeof fields }, { data.data(), data.size() } },
                                  "playback_read_bench");
            }
        }
        if (now % video_every_ms == 0)
            for (int sender : { 501, 502 })
                record_video(frames[static_cast<size_t>(frame++) % frames.size()], sender, 1, 1);
        if (now % action_every_ms == 0 && actions < board_actions) {
            board_action a = stroke(actions);
            if (actions % 50 == 49)
                record_text(a, actions % 10, "The plan for the next quarter", 29);
            else
                record_general_action(a, actions % 10);
            ++actions;
        }
        if (now % tile_every_ms == 0) {
            record_share_desk_action(tiles[static_cast<size_t>(tile) % tiles.size()].c_str(), tile % 6, (tile / 6) % 6);
            ++tile;
        }
        if (now % chat_every_ms == 0) {
            std::string line = "line " + std::to_string(chats++) + " of the meeting's chat" + std::string("\0\x10\x20\x30\x0c\x01", 6);
            receive_chat_text(line.data(), line.size(), 1);
        }
    }
    recorder().stop();
    set_record_time_source(nullptr);
    return true;
}

struct Pass {
    double ms = 0;
    size_t records = 0;
    uint64_t check = 0;  // keeps the work from being left out
};

Pass plain_read(const std::string& path)
{
    Pass p;
    auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<uint8_t> buffer(1 << 20);
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0)
        p.check += buffer[n - 1];
    std::fclose(f);
    p.ms = ms_since(start);
    return p;
}

// What the playback thread does for every record, less handing it on and waiting.
Pass reader_pass(const std::string& path)
{
    Pass p;
    auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    RecordReader reader(f);
    if (reader.read_file_head()) {
        record_head head {}, reference {};
        bool have_reference = false;
        std::span<const uint8_t> body;
        while (reader.next(head, body) == RecordRead::record) {
            if (have_reference)
                p.check += playback_sleep_ms(record_time_gap_ms(reference.time, head.time), 0,
                                             reference.type == record_type_lpc10_talk);
            if (!body.empty())
                p.check += body.back();
            reference = head;
            have_reference = true;
            ++p.records;
        }
    }
    std::fclose(f);
    p.ms = ms_since(start);
    return p;
}

} // namespace

int main()
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    set_message_box_presenter(&boxes);
    create_work_folders();
    const std::string path = home.root() + "/two_hours.mrd";
    auto made = Clock::now();
    if (!write_meeting(path, home.root())) {
        std::printf("playback_read_bench: the recording could not be written\n");
        return 1;
    }
    const double mb = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
    std::printf("a two-hour recording: %.1f MB written in %.1f s\n", mb, ms_since(made) / 1000);
    plain_read(path);  // both passes read from the page cache
    std::vector<double> plain_ms, reader_ms;
    Pass last;
    for (int r = 0; r < rounds; ++r) {
        plain_ms.push_back(plain_read(path).ms);
        last = reader_pass(path);
        reader_ms.push_back(last.ms);
    }
    const double plain = median(plain_ms), reading = median(reader_ms);
    std::printf("plain sequential read: %.1f ms (%.0f MB/s)\n", plain, mb / (plain / 1000));
    std::printf("playback reader, every record, no waits: %.1f ms for %zu records (%.0f MB/s)\n", reading, last.records,
                mb / (reading / 1000));
    std::printf("reader / plain read: %.2f (target <= 1.5)\n", reading / plain);
    std::filesystem::remove(path);
    set_message_box_presenter(nullptr);
    return 0;
}
