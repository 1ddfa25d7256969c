#include "media/video_capture.h"
#include "media/video_frame_codec.h"

#include "core/settings.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

class CameraEnv {
public:
    explicit CameraEnv(const char* value)
    {
        if (const char* old = std::getenv("TAMBLO_CAMERA"))
            saved_ = old, had_ = true;
        if (value)
            setenv("TAMBLO_CAMERA", value, 1);
        else
            unsetenv("TAMBLO_CAMERA");
    }
    ~CameraEnv()
    {
        if (had_)
            setenv("TAMBLO_CAMERA", saved_.c_str(), 1);
        else
            unsetenv("TAMBLO_CAMERA");
    }

private:
    std::string saved_;
    bool had_ = false;
};

TEST(VideoCamera, ChoiceComesFromTheEnvironmentThenTheSetting)
{
    TempHome home;
    {
        CameraEnv env(nullptr);
        EXPECT_EQ(video_camera_choice(), "v4l2");
        reg_write("video", "device", "synthetic");
        EXPECT_EQ(video_camera_choice(), "synthetic");
    }
    CameraEnv env("v4l2:/dev/video7");
    EXPECT_EQ(video_camera_choice(), "v4l2:/dev/video7");
}

TEST(VideoCamera, NoCameraGivesNothingAndOneLogLine)
{
    TempHome home;
    LogCapture log;
    {
        CameraEnv env("none");
        EXPECT_FALSE(open_video_camera(160, 120));
    }
    {
        CameraEnv env("v4l2:/nonexistent/video0");
        EXPECT_FALSE(open_video_camera(160, 120));
    }
    EXPECT_TRUE(log.contains("open_video_camera: no camera (\"none\")\n"));
    EXPECT_TRUE(log.contains(
        "open_video_camera: v4l2:/nonexistent/video0: cannot open /nonexistent/video0: No such file or directory\n"));
}

TEST(VideoCamera, SyntheticFramesCodeAsKeyDeltasAndKeyAtTheCut)
{
    TempHome home;
    CameraEnv env("synthetic");
    std::unique_ptr<platform::CaptureSource> camera = open_video_camera(320, 240);
    ASSERT_TRUE(camera);
    auto* synthetic = dynamic_cast<platform::SyntheticCaptureSource*>(camera.get());
    ASSERT_NE(synthetic, nullptr);

    VideoFrameEncoder encoder;
    VideoFrameDecoder decoder;
    VideoStreamPacker packer;
    std::vector<uint8_t> picture(320 * 240 * 3);
    std::vector<int> kinds;
    for (int n = 0; n < 16; ++n) {
        if (n == 5)
            synthetic->cut_scene();
        ASSERT_EQ(camera->grab(picture), 0);
        CodedVideoFrame frame;
        ASSERT_EQ(encoder.encode(1, 70, picture, frame), 0);
        kinds.push_back(frame.frame_kind);
        std::array<std::vector<uint8_t>, video_stream_count> packed;
        ASSERT_EQ(packer.pack(frame, packed), 0);
        std::array<std::span<const uint8_t>, video_stream_count> spans;
        for (size_t i = 0; i < video_stream_count; ++i)
            spans[i] = packed[i];
        std::vector<uint8_t> decoded;
        ASSERT_EQ(decoder.decode(frame.frame_kind, frame.quality, 1, spans, decoded), 0);
        // Deltas decode against the key frame only, so a moving box trails a
        // little; the picture stays recognisable.
        double sum = 0;
        for (size_t i = 0; i < decoded.size(); ++i)
            sum += (double(decoded[i]) - picture[i]) * (double(decoded[i]) - picture[i]);
        double psnr = 10 * std::log10(255.0 * 255.0 / (sum / double(decoded.size())));
        EXPECT_GT(psnr, 22.0) << "frame " << n;
    }
    // The moving box keeps frames as deltas; the cut forces a key frame.
    EXPECT_EQ(kinds, (std::vector<int>{ 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }));
}

} // namespace
