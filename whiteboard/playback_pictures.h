#pragma once
// The attendees' pictures of a recording played back, as the playback view
// shows them: 100 slots, each a name (at most 63 characters) and the lock
// that keeps the picture's file whole while the view reads it. The playback
// thread writes "<user>play_back/<name>" and unpacks it to
// "<user>play_back/<name>.jpg"; the view paints the used slots in order.

#include "platform/sys/timed_lock.h"

#include <array>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr int playback_picture_count = 100;
inline constexpr size_t playback_picture_name_limit = 63;
inline constexpr int playback_picture_wait_ms = 3000;

class PlaybackPictures {
public:
    // Every slot unused.
    void clear();
    // The slot of a picture of that name, else the first free slot, now
    // holding the name; -1 when all 100 are in use. Names compare exactly,
    // up to 63 characters.
    int add(std::string_view name);
    // The slot holding the name, -1 when none does.
    int find(std::string_view name) const;
    int count() const;
    // The used slots in slot order, with their names.
    std::vector<std::pair<int, std::string>> used() const;
    // The lock of a slot (0..99) over its picture's file.
    platform::TimedMutex& picture_lock(int slot) { return locks_[static_cast<size_t>(slot)]; }

private:
    struct Slot {
        bool in_use = false;
        std::string name;
    };
    mutable std::mutex table_lock_;
    std::array<Slot, playback_picture_count> slots_ {};
    std::array<platform::TimedMutex, playback_picture_count> locks_ {};
};

PlaybackPictures& playback_pictures();

// "<user>play_back/", made when missing; empty when the user folder cannot be had.
std::string playback_picture_folder();
