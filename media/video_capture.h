#pragma once
// Which camera the program captures from, and opening it.

#include "platform/camera/capture_source.h"

#include <memory>
#include <string>

// TAMBLO_CAMERA when set, else the setting "video" / "device": "v4l2:/dev/videoN",
// "v4l2", "synthetic" or "none". Without either, the first V4L2 camera.
std::string video_camera_choice();

// Opens the chosen camera and starts it at width x height. Returns nullptr,
// after one log line, when there is no camera or it does not start.
std::unique_ptr<platform::CaptureSource> open_video_camera(int width, int height);
