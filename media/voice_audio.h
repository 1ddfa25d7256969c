#pragma once
// The sound backend of the voice machinery, chosen once: the environment
// variable TAMBLO_AUDIO, else the setting "audio" / "device" ("alsa", "null",
// "file:<path>[,<output folder>]"), else ALSA.

#include "platform/audio/audio_device.h"

#include <memory>

platform::AudioBackend& voice_audio_backend();
// Tests and tools put their own in place before the first use.
void use_voice_audio_backend(std::unique_ptr<platform::AudioBackend> backend);
