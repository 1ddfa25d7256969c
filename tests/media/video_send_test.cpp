#include "media/video_send.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <semaphore>
#include <thread>

namespace {

// Records each start; marks the frame sent when told to, as the real sender
// does once the frame is out.
class RecordingSender : public VideoFrameSender {
public:
    void start_video_frame_sender() override
    {
        ++starts;
        platform::TimedLockWait wait(g_video_send_lock, 100);
        if (!wait) {
            kinds.push_back(-1); // started while someone else holds the buffers
            return;
        }
        VideoSendBuffers& buffers = video_send_buffers();
        kinds.push_back(buffers.frame_kind);
        total_bytes.push_back(0);
        for (const std::vector<uint8_t>& s : buffers.streams)
            total_bytes.back() += s.size();
        if (receiver) {
            std::array<std::span<const uint8_t>, video_stream_count> spans;
            for (size_t i = 0; i < video_stream_count; ++i)
                spans[i] = buffers.streams[i];
            receiver->decode(buffers.frame_kind, buffers.quality, buffers.size_index, spans, received_picture);
        }
        if (delivers)
            buffers.frame_sent = true;
    }
    int starts = 0;
    bool delivers = true;
    // Decodes every frame it sends, as a receiving client would.
    VideoFrameDecoder* receiver = nullptr;
    std::vector<uint8_t> received_picture;
    std::vector<int> kinds;
    std::vector<size_t> total_bytes;
};

class VideoTicker : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_video_size_index = 1;
        set_video_size_by_index();
        g_video_quality = 80;
        {
            platform::TimedLockWait wait(g_video_send_lock, 3000);
            video_send_buffers() = VideoSendBuffers {};
        }
        set_video_frame_sender(&sender);
        ASSERT_EQ(camera.start(320, 240), 0);
        camera.set_motion(false);
    }
    void TearDown() override { set_video_frame_sender(nullptr); }

    TempHome home;
    RecordingSender sender;
    platform::SyntheticCaptureSource camera;
    VideoCaptureTicker ticker;
};

TEST_F(VideoTicker, StillCameraSendsKeyThenDeltasThenKey)
{
    for (int n = 0; n < 13; ++n)
        ASSERT_EQ(ticker.tick(&camera), VideoTickResult::coded);
    std::vector<int> want(13, video_frame_kind_delta);
    want[0] = want[12] = video_frame_kind_key;
    EXPECT_EQ(sender.kinds, want);
    EXPECT_EQ(sender.starts, 13);
    EXPECT_GT(sender.total_bytes[0], 1000u);
    EXPECT_LT(sender.total_bytes[1], 100u); // six empty zlib streams

    // What the sender finds decodes to the camera's picture.
    VideoSendBuffers& buffers = video_send_buffers();
    EXPECT_EQ(buffers.quality, 80);
    EXPECT_EQ(buffers.size_index, 1);
    std::array<std::span<const uint8_t>, video_stream_count> spans;
    for (size_t i = 0; i < video_stream_count; ++i)
        spans[i] = buffers.streams[i];
    VideoFrameDecoder decoder;
    std::vector<uint8_t> decoded;
    ASSERT_EQ(decoder.decode(buffers.frame_kind, buffers.quality, buffers.size_index, spans, decoded), 0);
    EXPECT_EQ(decoded.size(), ticker.picture().size());
}

TEST_F(VideoTicker, UnsentFrameRetriesTheSenderNineTimesThenCodesAnew)
{
    LogCapture log;
    sender.delivers = false;
    ASSERT_EQ(ticker.tick(&camera), VideoTickResult::coded);
    for (int n = 1; n <= 9; ++n) {
        ASSERT_EQ(ticker.tick(&camera), VideoTickResult::retried_sender) << n;
        EXPECT_EQ(ticker.send_fail_count(), n);
    }
    EXPECT_FALSE(log.contains("do_dct_video send_fail_count==10\n"));
    EXPECT_EQ(ticker.tick(&camera), VideoTickResult::coded);
    EXPECT_TRUE(log.contains("do_dct_video send_fail_count==10\n"));
    EXPECT_EQ(ticker.send_fail_count(), 0);
    EXPECT_EQ(sender.starts, 11);
    EXPECT_EQ(sender.kinds.size(), 11u);
}

TEST_F(VideoTicker, NoCameraOrAWrongSizeCodesNothing)
{
    EXPECT_EQ(ticker.tick(nullptr), VideoTickResult::no_frame);
    platform::SyntheticCaptureSource small;
    ASSERT_EQ(small.start(160, 120), 0);
    EXPECT_EQ(ticker.tick(&small), VideoTickResult::no_frame);
    EXPECT_EQ(sender.starts, 0);
    platform::TimedLockWait wait(g_video_send_lock, 3000);
    EXPECT_TRUE(video_send_buffers().frame_sent);
}

TEST_F(VideoTicker, HeldSendLockLeavesTheBuffersAlone)
{
    ScriptedMessageBoxes boxes;
    std::atomic<bool> release { false };
    std::atomic<bool> holding { false };
    std::thread holder([&] {
        platform::TimedLockWait wait(g_video_send_lock, 3000);
        holding = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    while (!holding)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The sent flag cannot be read, so the frame counts as pending.
    EXPECT_EQ(ticker.tick(&camera), VideoTickResult::retried_sender);
    release = true;
    holder.join();
    EXPECT_EQ(sender.kinds, std::vector<int>{ -1 });
    platform::TimedLockWait wait(g_video_send_lock, 3000);
    EXPECT_TRUE(video_send_buffers().frame_sent);
    for (const std::vector<uint8_t>& s : video_send_buffers().streams)
        EXPECT_TRUE(s.empty());
}

// A camera that lets the test act between the grab and the coding.
class CameraWithGrabHook : public platform::SyntheticCaptureSource {
public:
    int grab(std::span<uint8_t> out) override
    {
        int rc = SyntheticCaptureSource::grab(out);
        if (on_grab)
            on_grab();
        return rc;
    }
    std::function<void()> on_grab;
};

double mean_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
        return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / static_cast<double>(a.size());
}

// A key frame that never reached the send buffers must not be what the next
// frames are coded against: receivers still hold the key before it.
TEST_F(VideoTicker, AFrameDroppedBeforeSendingIsNotWhatTheNextFramesReferTo)
{
    ScriptedMessageBoxes boxes;
    VideoFrameDecoder receiver;
    sender.receiver = &receiver;
    CameraWithGrabHook scene_camera;
    ASSERT_EQ(scene_camera.start(320, 240), 0);
    scene_camera.set_motion(false);

    ASSERT_EQ(ticker.tick(&scene_camera), VideoTickResult::coded);
    EXPECT_LT(mean_difference(sender.received_picture, ticker.picture()), 8.0);

    // A new scene, and the send lock held from the grab on: the key frame of
    // the new scene is coded and then dropped.
    scene_camera.cut_scene();
    std::binary_semaphore held { 0 };
    std::atomic<bool> release { false };
    std::thread holder;
    scene_camera.on_grab = [&] {
        holder = std::thread([&] {
            platform::TimedLockWait wait(g_video_send_lock, 3000);
            held.release();
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        held.acquire();
    };
    EXPECT_EQ(ticker.tick(&scene_camera), VideoTickResult::lock_failed);
    release = true;
    holder.join();
    scene_camera.on_grab = nullptr;
    ASSERT_EQ(boxes.texts(), std::vector<std::string> { "wait failed for g_mutex_send_video in CDlgShowMe.do_dct_video." });

    // The receiver shows the new scene after the next frame.
    ASSERT_EQ(ticker.tick(&scene_camera), VideoTickResult::coded);
    EXPECT_EQ(sender.kinds.back(), video_frame_kind_key);
    EXPECT_LT(mean_difference(sender.received_picture, ticker.picture()), 8.0);
    EXPECT_EQ(ticker.tick(&scene_camera), VideoTickResult::coded);
    EXPECT_EQ(sender.kinds.back(), video_frame_kind_delta);
}

} // namespace
