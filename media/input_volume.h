#pragma once
// The microphone's input lines and their volume for the volume dialog and
// the status bar's microphone slider, on the mixer behind the voice
// backend's capture device (the software line alone on the null and file
// backends).

#include "platform/audio/mixer.h"

#include <functional>
#include <memory>
#include <string>

using platform::IVolume;

struct InputLineInfo {
    int index = 0;
    std::string name;
    bool microphone = false;   // "Capture", a "Mic" that is not a boost, or the software line
    bool software = false;
};

// Hands each line to callback in order until it returns false. false when
// the mixer could not be read (the callback saw no line then).
bool EnumerateInputLines(const std::function<bool(const InputLineInfo&)>& callback);

// The volume of the line at index (as EnumerateInputLines numbers them).
// Unavailable when the line or its volume control is not there.
class CInputVolume : public IVolume {
public:
    explicit CInputVolume(int line_index);
    ~CInputVolume() override;

    bool available() const override;
    int minimum() const override;
    int maximum() const override;
    int level() override;
    void set_level(int level) override;
    bool select_line() override;
    std::vector<int> poll_descriptors() override;
    bool handle_events() override;

    bool software() const { return software_; }
    const std::string& line_name() const { return name_; }

private:
    std::unique_ptr<IVolume> volume_;
    std::string name_;
    bool software_ = false;
};

// The first microphone-type line's volume: what the status bar's slider
// and the volume dialog drive. Never nullptr; it may be unavailable.
std::unique_ptr<CInputVolume> open_microphone_volume();

// Tests put a volume of their own in place of every CInputVolume's; nullptr
// returns to the mixer.
void use_input_volume_factory(std::function<std::unique_ptr<IVolume>(const InputLineInfo&)> factory,
                              std::function<bool(const std::function<bool(const InputLineInfo&)>&)> enumerate = {});

// "audio" / "mic_gain" into the software line (0..65535, 65535 when missing
// or damaged; the older "microphone_gain" is read when "mic_gain" is not stored).
void read_mic_gain();
void store_mic_gain(int gain);
