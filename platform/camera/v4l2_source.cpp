#include "platform/camera/capture_source.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>

namespace platform {

namespace {

int xioctl(int fd, unsigned long request, void* arg)
{
    int rc = -1;
    do {
        rc = v4l2_ioctl(fd, request, arg);
    } while (rc == -1 && errno == EINTR);
    return rc;
}

bool is_capture_device(int fd)
{
    v4l2_capability cap {};
    if (xioctl(fd, VIDIOC_QUERYCAP, &cap) != 0)
        return false;
    uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & (V4L2_CAP_READWRITE | V4L2_CAP_STREAMING));
}

class V4l2CaptureSource : public CaptureSource {
public:
    explicit V4l2CaptureSource(std::string device_path) : device_path_(std::move(device_path)) {}
    ~V4l2CaptureSource() override { stop(); }

    int start(int width, int height) override;
    void stop() override;
    int grab(std::span<uint8_t> out) override;
    std::string name() const override { return "v4l2:" + (opened_path_.empty() ? device_path_ : opened_path_); }

private:
    int open_device();
    void read_loop();

    std::string device_path_;
    std::string opened_path_;
    int fd_ = -1;
    int camera_width_ = 0;
    int camera_height_ = 0;
    int camera_stride_ = 0;
    size_t camera_image_bytes_ = 0;
    std::thread reader_;
    std::atomic<bool> running_ { false };
    std::atomic<bool> failed_ { false };
    std::mutex frame_lock_;
    std::vector<uint8_t> frame_; // fitted, bottom-up
    bool have_frame_ = false;
};

int V4l2CaptureSource::open_device()
{
    if (!device_path_.empty()) {
        fd_ = v4l2_open(device_path_.c_str(), O_RDWR | O_NONBLOCK);
        if (fd_ < 0) {
            last_error_ = "cannot open " + device_path_ + ": " + std::strerror(errno);
            return -1;
        }
        if (!is_capture_device(fd_)) {
            last_error_ = device_path_ + " is not a capture device";
            v4l2_close(fd_);
            fd_ = -1;
            return -1;
        }
        opened_path_ = device_path_;
        return 0;
    }
    for (int n = 0; n < 64; ++n) {
        std::string path = "/dev/video" + std::to_string(n);
        int fd = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (is_capture_device(fd)) {
            fd_ = fd;
            opened_path_ = path;
            return 0;
        }
        v4l2_close(fd);
    }
    last_error_ = "no camera found";
    return -1;
}

int V4l2CaptureSource::start(int width, int height)
{
    stop();
    if (width <= 0 || height <= 0) {
        last_error_ = "unsupported size";
        return -1;
    }
    if (open_device() != 0)
        return -1;
    // libv4l2 converts whatever the camera gives into RGB24; the camera picks
    // the nearest size it has, and the reader fits that to the size asked for.
    v4l2_format fmt {};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = static_cast<uint32_t>(width);
    fmt.fmt.pix.height = static_cast<uint32_t>(height);
    fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    if (xioctl(fd_, VIDIOC_S_FMT, &fmt) != 0 || fmt.fmt.pix.pixelformat != V4L2_PIX_FMT_RGB24 ||
        fmt.fmt.pix.width == 0 || fmt.fmt.pix.height == 0) {
        last_error_ = "cannot set a 24-bit format on " + opened_path_;
        v4l2_close(fd_);
        fd_ = -1;
        return -1;
    }
    camera_width_ = static_cast<int>(fmt.fmt.pix.width);
    camera_height_ = static_cast<int>(fmt.fmt.pix.height);
    camera_stride_ = std::max(static_cast<int>(fmt.fmt.pix.bytesperline), camera_width_ * 3);
    camera_image_bytes_ = std::max<size_t>(fmt.fmt.pix.sizeimage, static_cast<size_t>(camera_stride_) * camera_height_);
    width_ = width;
    height_ = height;
    {
        std::lock_guard<std::mutex> lock(frame_lock_);
        frame_.assign(static_cast<size_t>(width) * height * 3, 0);
        have_frame_ = false;
    }
    failed_ = false;
    running_ = true;
    reader_ = std::thread([this] { read_loop(); });
    last_error_.clear();
    return 0;
}

void V4l2CaptureSource::read_loop()
{
    std::vector<uint8_t> raw(camera_image_bytes_);
    std::vector<uint8_t> fitted(static_cast<size_t>(width_) * height_ * 3);
    while (running_) {
        pollfd pfd { fd_, POLLIN, 0 };
        int ready = poll(&pfd, 1, 200);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        ssize_t got = v4l2_read(fd_, raw.data(), raw.size());
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            break;
        }
        if (static_cast<size_t>(got) < static_cast<size_t>(camera_stride_) * (camera_height_ - 1) + camera_width_ * 3)
            continue; // a short frame
        fit_rgb24_bottom_up(raw.data(), camera_width_, camera_height_, camera_stride_, width_, height_, fitted);
        std::lock_guard<std::mutex> lock(frame_lock_);
        frame_.swap(fitted);
        have_frame_ = true;
    }
    if (running_)
        failed_ = true;
}

void V4l2CaptureSource::stop()
{
    running_ = false;
    if (reader_.joinable())
        reader_.join();
    if (fd_ >= 0) {
        v4l2_close(fd_);
        fd_ = -1;
    }
}

int V4l2CaptureSource::grab(std::span<uint8_t> out)
{
    if (failed_) {
        last_error_ = "reading from " + opened_path_ + " failed";
        return -1;
    }
    std::lock_guard<std::mutex> lock(frame_lock_);
    if (!have_frame_ || out.size() < frame_.size())
        return -1;
    std::memcpy(out.data(), frame_.data(), frame_.size());
    return 0;
}

} // namespace

std::unique_ptr<CaptureSource> make_v4l2_source(const std::string& device_path)
{
    return std::make_unique<V4l2CaptureSource>(device_path);
}

} // namespace platform
