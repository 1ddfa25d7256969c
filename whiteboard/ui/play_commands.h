#pragma once
// The frame's commands that play a meeting recording: Play (32924), Pause
// playing (32925) and Stop playing (32926), and the start-up with a ".mrd"
// file. Play resumes a paused playback; otherwise it asks for a file, clears
// what an earlier meeting left in the windows (chat, pages, tiles, video),
// shows the playback view and starts the thread.

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace play_cmd {
inline constexpr int play_record = 32924;
inline constexpr int play_pause = 32925;
inline constexpr int play_stop = 32926;
} // namespace play_cmd

// What the frame does for the commands in windows the whiteboard does not own.
struct PlayCommandHooks {
    std::function<void()> show_playback_view;
    std::function<void()> refresh_chat_view;      // the history was emptied
    std::function<void()> forget_shared_screen;   // the share view drops the tiles it holds
};

using PlayCommandHandlers = std::vector<std::pair<int, std::function<void()>>>;
PlayCommandHandlers play_command_handlers(QWidget* parent, PlayCommandHooks hooks);

void OnPlayRecord(QWidget* parent, const PlayCommandHooks& hooks);
void OnPlayPause();
void OnPlayStop();
// A ".mrd" start-up argument: played without the dialog and without clearing.
void play_record_at_start(const std::string& path, const PlayCommandHooks& hooks);
// The program ends: the thread is stopped and, once it has handed over what
// it was sending to the windows, joined.
void stop_playback_at_exit();
