#include "media/video_capture.h"

#include "core/dbg_log.h"
#include "core/settings.h"

#include <cstdlib>

std::string video_camera_choice()
{
    const char* env = std::getenv("TAMBLO_CAMERA");
    if (env && *env)
        return env;
    std::string choice;
    reg_read("video", "device", choice, 256);
    return choice.empty() ? "v4l2" : choice;
}

std::unique_ptr<platform::CaptureSource> open_video_camera(int width, int height)
{
    std::string choice = video_camera_choice();
    std::unique_ptr<platform::CaptureSource> source = platform::make_capture_source(choice);
    if (!source) {
        dbg_log("open_video_camera: no camera (\"%s\")\n", choice.c_str());
        return nullptr;
    }
    if (source->start(width, height) != 0) {
        dbg_log("open_video_camera: %s: %s\n", source->name().c_str(), source->last_error().c_str());
        return nullptr;
    }
    return source;
}
