#pragma once
// Camera capture: a source delivers frames of the size asked for as 24-bit
// pixels in byte order R, G, B with the rows bottom-up (the last picture row
// first), the layout the video codec reads.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform {

class CaptureSource {
public:
    virtual ~CaptureSource() = default;

    // Starts delivering width x height frames. Returns 0, or -1 with
    // last_error() telling why.
    virtual int start(int width, int height) = 0;
    virtual void stop() = 0;
    // Copies the newest frame (width * height * 3 bytes). Returns 0, or -1
    // when there is none yet or the source has failed.
    virtual int grab(std::span<uint8_t> out) = 0;

    virtual std::string name() const = 0;
    const std::string& last_error() const { return last_error_; }
    int width() const { return width_; }
    int height() const { return height_; }

protected:
    std::string last_error_;
    int width_ = 0;
    int height_ = 0;
};

// A moving, changing picture for tests and machines without a camera: a
// backdrop of the current scene and a box that moves a little each frame.
class SyntheticCaptureSource : public CaptureSource {
public:
    int start(int width, int height) override;
    void stop() override;
    int grab(std::span<uint8_t> out) override;
    std::string name() const override { return "synthetic"; }

    // The next frame shows a different scene.
    void cut_scene() { ++scene_; }
    // Without motion every frame of a scene is the same picture.
    void set_motion(bool on) { motion_ = on; }
    int frame_number() const { return frame_number_; }

private:
    bool started_ = false;
    bool motion_ = true;
    int scene_ = 0;
    int frame_number_ = 0;
};

// A V4L2 camera through libv4l2 (which converts the camera's own formats).
// An empty device_path opens the first camera found.
std::unique_ptr<CaptureSource> make_v4l2_source(const std::string& device_path);

// "synthetic", "v4l2" (the first camera), "v4l2:/dev/videoN"; "none" or an
// unknown choice gives no source.
std::unique_ptr<CaptureSource> make_capture_source(const std::string& choice);

// Fits a top-down RGB24 picture (src_stride bytes per row) to width x height:
// scaled to cover, centred and cropped, stored bottom-up into out.
void fit_rgb24_bottom_up(const uint8_t* src, int src_width, int src_height, int src_stride, int width, int height,
                         std::span<uint8_t> out);

} // namespace platform
