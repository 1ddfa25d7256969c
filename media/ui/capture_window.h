#pragma once
// "My Capture Window": the camera preview inside the "Me" dialog. It shows
// the newest frame (stored bottom-up, as the codec reads it) the right way up,
// or says that there is no camera.

#include <QWidget>

#include <cstdint>
#include <vector>

class CCaptureWindow : public QWidget {
    Q_OBJECT
public:
    explicit CCaptureWindow(QWidget* parent = nullptr);

    // Takes a width x height frame of R, G, B pixels with its rows bottom-up.
    void show_frame(const std::vector<uint8_t>& rgb, int width, int height);
    void set_camera_missing(bool missing);
    bool camera_missing() const { return camera_missing_; }
    bool has_frame() const { return !image_.isNull(); }
    // The frame as shown, top row first.
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    bool camera_missing_ = false;
};
