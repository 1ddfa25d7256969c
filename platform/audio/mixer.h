#pragma once
// The microphone's recording level: a volume the user moves, on the sound
// card's (or the sound server's) mixer through ALSA's simple mixer, or in
// software on every capture device where no mixer is reached.
//
// The mixer is the control device behind the capture PCM: a PCM on a card
// gives "hw:N", a plugin PCM the control of its own name (for "default"
// under PulseAudio or PipeWire, the sound server's). "Master" is never
// touched: it would change the sound of every program.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IVolume {
public:
    virtual ~IVolume() = default;
    virtual bool available() const = 0;
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
    // The current level, -1 when it cannot be read (the object is then unavailable).
    virtual int level() = 0;
    // Ignored outside minimum..maximum; every channel gets the same level.
    virtual void set_level(int level) = 0;
    // Makes the line the one recorded from (its capture switch on).
    virtual bool select_line() = 0;
    // Descriptors that become readable when someone else changes the mixer.
    virtual std::vector<int> poll_descriptors() { return {}; }
    // After one of them became readable: takes the changes in; false once the
    // element or the mixer has gone (the object is unavailable from then on).
    virtual bool handle_events() { return available(); }
};

// The software line's name and range (65535: the samples as captured).
inline constexpr const char* software_line_name = "Software";
inline constexpr int software_gain_max = 0xffff;

struct MixerLine {
    std::string name;
    bool microphone = false;
    bool software = false;
};

// "Capture", a name with "Mic" but not "Boost", and the software line.
bool is_microphone_line_name(std::string_view name);

// The mixer behind pcm_name's capture device: the recorder's when one is
// open on it (noted by the ALSA capture device), else the PCM opened for a
// moment (S16_LE, mono, 22050 Hz). Empty when there is none.
std::string capture_mixer_name(const std::string& pcm_name);
// The ALSA capture device notes its mixer while it is open.
void note_recorder_mixer(const std::string& pcm_name, const std::string& mixer_name);

// The lines of mixer_name in order: "Capture", the other elements with a
// capture volume, then the software line. An empty mixer_name gives the
// software line alone, and so does a mixer that does not attach. false when
// the mixer attached but its elements could not be read.
bool mixer_input_lines(const std::string& mixer_name, std::vector<MixerLine>& lines);

// A volume on one line; unavailable when the element is missing, has no
// capture volume or a range whose minimum is not below its maximum.
std::unique_ptr<IVolume> open_input_volume(const std::string& mixer_name, const MixerLine& line);

// ALSA's own error lines and the mixer's failures go here (the debug log).
void set_mixer_log(std::function<void(const std::string&)> log);

} // namespace platform
