// Video frames on the application connection: the sender's messages, its
// size limit and what a dropped frame means for the next one; the
// receiver's handlers with good frames and every kind of bad input; the
// recording of received frames.
#include "core/connections.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "media/video_image_files.h"
#include "media/video_receive.h"
#include "media/video_requests.h"
#include "media/video_transport.h"
#include "media/video_windows.h"
#include "tests/core/loopback.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <unistd.h>
#include <zlib.h>

namespace {

bool logged(const LogCapture& log, const std::string& part)
{
    for (const std::string& line : log.lines())
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

// A coded frame as the capture side leaves it in the send buffers.
VideoSendBuffers coded_frame(platform::CaptureSource& camera, VideoFrameEncoder& encoder, int size_index, int quality)
{
    VideoFrameSize size = video_frame_size(size_index);
    std::vector<uint8_t> picture(static_cast<size_t>(size.width) * size.height * 3);
    EXPECT_EQ(camera.grab(picture), 0);
    CodedVideoFrame frame;
    EXPECT_EQ(encoder.encode(size_index, quality, picture, frame), 0);
    VideoStreamPacker packer;
    VideoSendBuffers buffers;
    EXPECT_EQ(packer.pack(frame, buffers.streams), 0);
    buffers.frame_kind = frame.frame_kind;
    buffers.quality = frame.quality;
    buffers.size_index = frame.size_index;
    buffers.frame_sent = false;
    return buffers;
}

std::vector<uint8_t> as_frame(const VideoSendBuffers& buffers)
{
    std::vector<uint8_t> frame;
    EXPECT_GT(build_video_frame(buffers, frame), 0);
    return frame;
}

// Buffers whose streams are filler of the given lengths.
VideoSendBuffers filler(std::array<size_t, video_stream_count> lengths, int kind = 1)
{
    VideoSendBuffers b;
    for (size_t i = 0; i < video_stream_count; ++i)
        b.streams[i].assign(lengths[i], static_cast<uint8_t>('a' + i));
    b.frame_kind = kind;
    b.quality = 80;
    b.size_index = 1;
    b.frame_sent = false;
    return b;
}

// A camera of random pixels: every key frame of it is large.
class NoiseCamera : public platform::CaptureSource {
public:
    int start(int width, int height) override
    {
        width_ = width;
        height_ = height;
        return 0;
    }
    void stop() override {}
    int grab(std::span<uint8_t> out) override
    {
        for (uint8_t& b : out)
            b = static_cast<uint8_t>(random_());
        return 0;
    }
    std::string name() const override { return "noise"; }

private:
    std::mt19937 random_ { 5 };
};

class VideoSending : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_share_app_sock.host.set("127.0.0.1");
        g_share_app_sock.port = listener.port();
        ASSERT_EQ(g_share_app_sock.connect_server(), 0);
        server_fd = listener.accept_one();
        ASSERT_GE(server_fd, 0);
        platform::TimedLockWait wait(g_video_send_lock, 3000);
        video_send_buffers() = VideoSendBuffers {};
    }
    void TearDown() override
    {
        set_video_frame_sender(nullptr);
        g_share_app_sock.close_socket();
        ::close(server_fd);
    }
    // The next message: head and unscrambled body.
    std::pair<WireHead, std::string> next()
    {
        std::string head_text = read_bytes(server_fd, wire_head_len, 2000);
        WireHead head { -1, -1, -1, -1 };
        if (head_text.size() != wire_head_len || !parse_wire_head(head_text.data(), head))
            return { head, "" };
        std::string body = read_bytes(server_fd, static_cast<size_t>(head.length), 2000);
        scramble_message_body(body.data(), static_cast<int>(body.size()));
        return { head, body };
    }
    // A whole frame as the server sees it: 760, the chunks, 762.
    struct Upload {
        int kind = -1;
        std::vector<size_t> chunks;
        std::string bytes;
        bool whole = false;
    };
    Upload next_upload()
    {
        Upload up;
        auto [begin, none] = next();
        if (begin.number != MSG_VIDEO_FRAME_BEGIN)
            return up;
        up.kind = begin.address;
        for (;;) {
            auto [head, body] = next();
            if (head.number == MSG_VIDEO_FRAME_END) {
                up.whole = head.address == up.kind;
                return up;
            }
            if (head.number != MSG_VIDEO_FRAME_DATA || head.address != up.kind)
                return up;
            up.chunks.push_back(body.size());
            up.bytes += body;
        }
    }
    bool nothing_arrives() { return read_bytes(server_fd, 1, 300).empty(); }
    void wait_sent()
    {
        for (int i = 0; i < 300; ++i) {
            {
                platform::TimedLockWait wait(g_video_send_lock, 3000);
                if (video_send_buffers().frame_sent)
                    return;
            }
            usleep(10000);
        }
        ADD_FAILURE() << "the frame was never marked sent";
    }
    void put(const VideoSendBuffers& buffers)
    {
        platform::TimedLockWait wait(g_video_send_lock, 3000);
        video_send_buffers() = buffers;
    }

    TempHome home;
    LoopbackListener listener;
    int server_fd = -1;
};

TEST_F(VideoSending, FrameTravelsInChunksOf900WithItsKindAndHead)
{
    // 40 + 1760 = 1800 bytes: two chunks of 900.
    VideoSendBuffers buffers = filler({ 1000, 300, 200, 100, 80, 80 }, 0);
    put(buffers);
    EXPECT_EQ(g_send_video_dct_thread(), 0);
    Upload up = next_upload();
    EXPECT_TRUE(up.whole);
    EXPECT_EQ(up.kind, 0);
    EXPECT_EQ(up.chunks, (std::vector<size_t> { 900, 900 }));
    // The head's words, then Y, Y side, U, U side, V, V side.
    ASSERT_EQ(up.bytes.size(), 1800u);
    std::vector<int32_t> words(10);
    std::memcpy(words.data(), up.bytes.data(), 40);
    EXPECT_EQ(words, (std::vector<int32_t> { 0, 1000, 300, 200, 80, 1, 100, 80, 80, 0 }));
    std::string body = up.bytes.substr(40);
    std::string want = std::string(1000, 'a') + std::string(100, 'd') + std::string(300, 'b') + std::string(80, 'e') +
                       std::string(200, 'c') + std::string(80, 'f');
    EXPECT_EQ(body, want);
    VideoFrameHead head;
    EXPECT_TRUE(read_video_frame_head({ reinterpret_cast<const uint8_t*>(up.bytes.data()), up.bytes.size() }, head, nullptr));
    // Nothing waits now: a second round sends nothing.
    EXPECT_EQ(g_send_video_dct_thread(), 1);
    EXPECT_TRUE(nothing_arrives());
}

TEST_F(VideoSending, FrameOf40000GoesOneMoreByteIsDropped)
{
    LogCapture log;
    put(filler({ 39960, 0, 0, 0, 0, 0 }));
    EXPECT_EQ(g_send_video_dct_thread(), 0);
    Upload up = next_upload();
    EXPECT_TRUE(up.whole);
    EXPECT_EQ(up.bytes.size(), 40000u);
    EXPECT_EQ(up.chunks.size(), 45u);
    EXPECT_EQ(up.chunks.back(), 400u);

    put(filler({ 39957, 1, 1, 1, 1, 0 }));
    EXPECT_EQ(g_send_video_dct_thread(), -1);
    EXPECT_TRUE(log.contains("video size:40001 too big in g_send_video_dct_thread, g_y_len_c:39957, g_u_len_c:1, "
                             "g_v_len_c:1, header:40\n"));
    EXPECT_TRUE(nothing_arrives());
    platform::TimedLockWait wait(g_video_send_lock, 3000);
    EXPECT_TRUE(video_send_buffers().frame_sent);
    EXPECT_TRUE(video_send_buffers().frame_dropped);
}

TEST_F(VideoSending, KeyFrameAfterADroppedOneAndOneSenderThreadForAllFrames)
{
    g_video_size_index = 2;
    set_video_size_by_index();
    g_video_quality = 100;
    set_video_frame_sender(&video_dct_sender());
    NoiseCamera noise;
    noise.start(640, 480);
    platform::SyntheticCaptureSource still;
    still.start(640, 480);
    still.set_motion(false);
    VideoCaptureTicker ticker;

    LogCapture log;
    ASSERT_EQ(ticker.tick(&noise), VideoTickResult::coded);
    wait_sent();
    EXPECT_TRUE(logged(log, "too big in g_send_video_dct_thread"));
    EXPECT_TRUE(nothing_arrives());
    // The receivers never saw that key frame: the next frame is a key frame again.
    std::vector<int> kinds;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(ticker.tick(&still), VideoTickResult::coded);
        Upload up = next_upload();
        ASSERT_TRUE(up.whole);
        kinds.push_back(up.kind);
        wait_sent();
    }
    EXPECT_EQ(kinds, (std::vector<int> { 1, 0, 0 }));
}

TEST_F(VideoSending, RequestNamesTheMemberAndTheIdsItHolds)
{
    send_video_frame_request(1234, 5, 678);
    auto [head, body] = next();
    EXPECT_EQ(head.number, MSG_VIDEO_FRAME_REQUEST);
    EXPECT_EQ(head.address, 1234);
    EXPECT_EQ(body, "   5: 678");
}

TEST_F(VideoSending, PicturesPageClockAsksOnlyInAMeetingAndSlowsDuringAFrame)
{
    video_windows_reset();
    video_wnd_set_user(0, 1001);
    video_wnd_set_user(4, 1002);
    g_video_frame_in_progress = 0;
    g_video_request_tick_count = 0;
    uint32_t now = 100000;

    // The meeting stopped, or no video view: nothing is asked.
    g_meeting_started = 0;
    EXPECT_TRUE(video_request_tick(true, now).empty());
    g_meeting_started = 1;
    EXPECT_TRUE(video_request_tick(false, now).empty());
    EXPECT_TRUE(nothing_arrives());

    // Both windows ask at once, each for its member with the ids it holds.
    EXPECT_EQ(video_request_tick(true, now), (std::vector<int> { 0, 4 }));
    std::set<std::pair<int, std::string>> asked;
    for (int i = 0; i < 2; ++i) {
        auto [head, body] = next();
        EXPECT_EQ(head.number, MSG_VIDEO_FRAME_REQUEST);
        asked.insert({ head.address, body });
    }
    EXPECT_EQ(asked, (std::set<std::pair<int, std::string>> { { 1001, "   0:   0" }, { 1002, "   0:   0" } }));

    // While a frame is arriving, the clock asks on every 21st tick only.
    // (A new frame for member 1001 arrives meanwhile, so its window asks again.)
    g_video_frame_in_progress = 1;
    std::vector<std::pair<int, std::vector<int>>> asking;
    for (int tick = 1; tick <= 42; ++tick) {
        if (tick == 30)
            video_frame_store(1001, 1, 1, std::make_shared<VideoPicture>(), nullptr);
        std::vector<int> windows = video_request_tick(true, now + 4000 + 50 * tick);
        if (!windows.empty())
            asking.push_back({ tick, windows });
    }
    EXPECT_EQ(asking, (std::vector<std::pair<int, std::vector<int>>> { { 21, { 0, 4 } }, { 42, { 0 } } }));
    g_video_frame_in_progress = 0;
    g_meeting_started = 0;
    video_windows_reset();
}

// ---- receiving -------------------------------------------------------------

class VideoReceiving : public ::testing::Test {
protected:
    void SetUp() override
    {
        video_windows_reset();
        camera.start(320, 240);
        video_wnd_set_user(0, sender);
    }
    void TearDown() override { video_windows_reset(); }

    // The frame through the three handlers as the connection delivers it.
    void deliver(const std::vector<uint8_t>& frame, int from, const std::string& ids)
    {
        video_dct_frame_begin("", 0, 0);
        for (size_t at = 0; at < frame.size(); at += 900) {
            size_t n = std::min<size_t>(900, frame.size() - at);
            video_dct_buf_append(reinterpret_cast<const char*>(frame.data() + at), static_cast<int>(n), 0);
        }
        video_dct_decode_frame(ids.c_str(), static_cast<int>(ids.size()), from);
    }
    std::shared_ptr<const VideoPicture> shown() { return video_window_state(0).picture; }

    static std::vector<uint8_t> rezip(std::vector<uint8_t> frame, size_t stream, const std::vector<uint8_t>& raw)
    {
        // Replaces one compressed stream, fixing the head's length.
        VideoFrameHead head;
        EXPECT_TRUE(read_video_frame_head(frame, head, nullptr));
        auto streams = video_frame_streams(frame, head);
        std::array<std::vector<uint8_t>, 6> copies;
        for (size_t i = 0; i < 6; ++i)
            copies[i].assign(streams[i].begin(), streams[i].end());
        uLongf len = compressBound(raw.size());
        copies[stream].resize(len);
        compress(copies[stream].data(), &len, raw.data(), raw.size());
        copies[stream].resize(len);
        VideoSendBuffers b;
        b.streams = copies;
        b.frame_kind = head.frame_kind;
        b.quality = head.quality;
        b.size_index = head.size_index;
        return as_frame(b);
    }

    TempHome home;
    const int sender = 1001;
    platform::SyntheticCaptureSource camera;
    VideoFrameEncoder encoder;
};

TEST_F(VideoReceiving, KeyThenChangedBlocksShowTheSendersPicture)
{
    VideoSendBuffers key = coded_frame(camera, encoder, 1, 80);
    ASSERT_EQ(key.frame_kind, 1);
    deliver(as_frame(key), sender, "1:1");
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->width, 320);
    EXPECT_EQ(video_window_state(100).picture, shown()); // the paired window too
    EXPECT_EQ(video_window_state(0).received_ids, (std::array<int, 2> { 1, 1 }));
    ASSERT_NE(video_window_state(0).key, nullptr);
    EXPECT_EQ(video_window_state(0).key->key_id, 1);

    VideoSendBuffers delta = coded_frame(camera, encoder, 1, 80);
    ASSERT_EQ(delta.frame_kind, 0);
    auto before = shown();
    deliver(as_frame(delta), sender, "1:2");
    EXPECT_NE(shown(), before);
    EXPECT_EQ(video_window_state(0).received_ids, (std::array<int, 2> { 1, 2 }));
    EXPECT_EQ(g_video_frame_in_progress, 0);
}

TEST_F(VideoReceiving, BadInputIsDroppedWithOneLineAndTheLastPictureStays)
{
    VideoSendBuffers key_buffers = coded_frame(camera, encoder, 1, 80);
    std::vector<uint8_t> key = as_frame(key_buffers);
    std::vector<uint8_t> delta = as_frame(coded_frame(camera, encoder, 1, 80));
    deliver(key, sender, "1:1");
    const auto good = shown();
    ASSERT_NE(good, nullptr);

    auto with_word = [](std::vector<uint8_t> f, size_t word, int32_t v) {
        std::memcpy(f.data() + 4 * word, &v, 4);
        return f;
    };
    std::vector<uint8_t> broken_zlib = key;
    broken_zlib[40 + 5] ^= 0xff; // inside the Y stream's deflate data
    broken_zlib[40 + 6] ^= 0x5a;
    const size_t y_plane = 320 * 240;

    struct Case {
        const char* what;
        std::function<void()> run;
        const char* line;
    };
    const Case cases[] = {
        { "lengths that do not add up", [&] { deliver(with_word(key, 1, 5), sender, "2:2"); }, "do not add up" },
        { "a negative length", [&] { deliver(with_word(key, 2, -8), sender, "2:2"); }, "negative stream length" },
        { "a size index outside 0-2", [&] { deliver(with_word(key, 5, 3), sender, "2:2"); }, "size index outside 0-2" },
        { "a frame kind of 2", [&] { deliver(with_word(key, 0, 2), sender, "2:2"); }, "frame kind not 0 or 1" },
        { "a stream that does not inflate", [&] { deliver(broken_zlib, sender, "2:2"); }, "does not decode" },
        { "a stream that inflates past its plane",
          [&] { deliver(rezip(key, 0, std::vector<uint8_t>(y_plane + 1, 0)), sender, "2:2"); }, "does not decode" },
        { "changed blocks before their key frame", [&] { deliver(delta, sender, "7:8"); }, "key frame 7 is in no window" },
        { "a member no window shows", [&] { deliver(key, 1777, "2:2"); }, "no video window shows that member" },
        { "data before its begin",
          [&] {
              video_dct_buf_append("abc", 3, 0);
              video_dct_buf_append("def", 3, 0);
              video_dct_decode_frame("2:2", 3, sender);
          },
          "without a begin" },
        { "an end without a begin", [&] { video_dct_decode_frame("2:2", 3, sender); }, "an end without a begin" },
        { "ids that do not read", [&] { deliver(key, sender, "two"); }, "do not read" },
        { "a frame past the receive buffer",
          [&] {
              video_dct_frame_begin("", 0, 0);
              std::vector<char> chunk(900, 'x');
              for (int i = 0; i < 120; ++i)
                  video_dct_buf_append(chunk.data(), 900, 0);
              video_dct_decode_frame("2:2", 3, sender);
          },
          "too big" },
        { "a frame cut short by the next begin",
          [&] {
              video_dct_frame_begin("", 0, 0);
              video_dct_buf_append(reinterpret_cast<const char*>(key.data()), 500, 0);
              deliver(with_word(key, 1, 5), sender, "2:2");
          },
          "a begin before the last frame ended" },
    };
    for (const Case& c : cases) {
        LogCapture log;
        c.run();
        EXPECT_TRUE(logged(log, c.line)) << c.what;
        EXPECT_LE(log.lines().size(), 2u) << c.what;
        EXPECT_EQ(shown(), good) << c.what;
        EXPECT_EQ(video_window_state(0).received_ids, (std::array<int, 2> { 1, 1 })) << c.what;
        EXPECT_EQ(g_video_frame_in_progress, 0) << c.what;
    }
    // Still in step: the next good frame shows.
    deliver(delta, sender, "1:2");
    EXPECT_NE(shown(), good);
}

TEST_F(VideoReceiving, ReceivedFramesAreRecordedAsTheyCame)
{
    std::string path = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    std::vector<uint8_t> key = as_frame(coded_frame(camera, encoder, 1, 80));
    deliver(key, sender, "3:9");
    std::vector<uint8_t> junk(60, 1);
    deliver(junk, sender, "3:10"); // not a frame: not recorded either
    recorder().stop();

    std::vector<ReadRecord> records = read_records(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].head.type, record_type_video);
    ASSERT_EQ(records[0].body.size(), 40 + key.size());
    std::vector<int32_t> sub(10);
    std::memcpy(sub.data(), records[0].body.data(), 40);
    EXPECT_EQ(sub, (std::vector<int32_t> { static_cast<int32_t>(key.size()), sender, 3, 9, 0, 0, 0, 0, 0, 0 }));
    EXPECT_EQ(records[0].body.substr(40), std::string(key.begin(), key.end()));

    LogCapture log;
    EXPECT_EQ(record_video({}, sender, 1, 1), -1);
    EXPECT_TRUE(log.contains("g_video_dct_buf_pos out of range in record_video(), 0\n"));
}

// ---- picture downloads ---------------------------------------------------

TEST(VideoImageFiles, DataGoesToTheFileItsBeginOpenedOrNowhere)
{
    TempHome home;
    video_image_files_close_all();
    std::string name(64, '\0');
    std::memcpy(name.data(), "ann", 3);
    // No begin opened anything: dropped.
    video_z_down_data_from_server("lost", 4, 0);
    video_z_down_data_2_from_server((name + "lost").data(), 68, 0);
    EXPECT_FALSE(video_image_file_is_open(""));

    const std::string spare = home.root() + "/spare";
    const std::string named = home.root() + "/named";
    ASSERT_EQ(video_image_file_open("", spare), 0);
    video_z_down_data_from_server("abc", 3, 0);             // 345: the file the last begin opened
    video_z_down_data_2_from_server((name + "de").data(), 66, 0); // 349: "ann" has no file, so the spare one
    ASSERT_EQ(video_image_file_open("ann", named), 0);
    video_z_down_data_2_from_server((name + "xyz").data(), 67, 0);
    video_z_down_data_from_server("12", 2, 0);              // the last begin opened "ann"'s file
    LogCapture log;
    video_z_down_data_2_from_server("short", 5, 0);
    EXPECT_TRUE(log.contains("video_z_down_data_2_from_server: a body of 5 bytes lacks its member name\n"));
    EXPECT_EQ(video_image_file_close("ann"), 0);
    EXPECT_EQ(video_image_file_close("ann"), -1);
    EXPECT_EQ(video_image_file_close(""), 0);
    EXPECT_EQ(read_file(spare), "abcde");
    EXPECT_EQ(read_file(named), "xyz12");

    // A file stops growing at its bound, with one line.
    ASSERT_EQ(video_image_file_open("", spare), 0);
    std::string chunk(900, 'p');
    for (size_t written = 0; written <= video_image_file_limit; written += chunk.size())
        video_z_down_data_from_server(chunk.data(), static_cast<int>(chunk.size()), 0);
    EXPECT_LE(video_image_file_size(""), static_cast<long>(video_image_file_limit));
    EXPECT_EQ(video_image_file_open("", home.root() + "/no/such/folder/file"), -1);
    EXPECT_FALSE(video_image_file_is_open(""));
    video_image_files_close_all();
}

} // namespace
