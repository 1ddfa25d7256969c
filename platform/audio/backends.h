#pragma once
// The three backends behind make_audio_backend.

#include "platform/audio/audio_device.h"

namespace platform {

std::unique_ptr<AudioBackend> make_alsa_backend();
std::unique_ptr<AudioBackend> make_null_backend();
// Reads microphone_path (empty: silence) and writes "player_<name>.wav" for
// every player and "mix.wav" into output_folder.
std::unique_ptr<AudioBackend> make_file_backend(const std::string& microphone_path, const std::string& output_folder);

} // namespace platform
