#include "media/voice_audio.h"

#include "core/dbg_log.h"
#include "core/settings.h"

#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_backend_lock;
// Kept to the very end: the players' threads use their devices until then.
std::unique_ptr<platform::AudioBackend>& g_backend = *new std::unique_ptr<platform::AudioBackend>;

std::unique_ptr<platform::AudioBackend> choose_backend()
{
    std::string spec;
    if (const char* env = std::getenv("TAMBLO_AUDIO"))
        spec = env;
    else
        reg_read("audio", "device", spec, 1024);
    std::string error;
    auto backend = platform::make_audio_backend(spec, &error);
    if (!backend) {
        // A wrong setting must not leave the program without sound devices at all.
        dbg_log("audio device \"%s\" not usable in voice_audio_backend: %s.\n", spec.c_str(), error.c_str());
        backend = platform::make_audio_backend("null");
    }
    return backend;
}

} // namespace

platform::AudioBackend& voice_audio_backend()
{
    std::lock_guard<std::mutex> hold(g_backend_lock);
    if (!g_backend)
        g_backend = choose_backend();
    return *g_backend;
}

void use_voice_audio_backend(std::unique_ptr<platform::AudioBackend> backend)
{
    std::lock_guard<std::mutex> hold(g_backend_lock);
    g_backend = std::move(backend);
}
