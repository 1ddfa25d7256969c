#include "whiteboard/ui/play_commands.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/translations.h"
#include "whiteboard/meeting_playback.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char* const meeting_record_filter = "Meeting Record Files (*.mrd)|*.mrd|All Files (*.*)|*.*||";
constexpr int thread_end_wait_ms = 3000;

// A thread that was stopped may still be sending to a window; the UI thread
// answers it while waiting.
bool previous_playback_ended()
{
    if (playback_wait_ended(thread_end_wait_ms, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); }))
        return true;
    dbg_log("the playback thread has not ended after %d ms: no new playback.\n", thread_end_wait_ms);
    return false;
}

void start(const std::string& path, const PlayCommandHooks& hooks, bool clear)
{
    if (!previous_playback_ended())
        return;
    std::FILE* file = nullptr;
    if (playback_open_file(path, &file) != 0)
        return;
    if (clear) {
        clear_meeting_for_playback();
        if (hooks.refresh_chat_view)
            hooks.refresh_chat_view();
        if (hooks.forget_shared_screen)
            hooks.forget_shared_screen();
    }
    if (hooks.show_playback_view)
        hooks.show_playback_view();
    start_meeting_playback(file);
}

} // namespace

void OnPlayRecord(QWidget* parent, const PlayCommandHooks& hooks)
{
    if (g_play_on == 1 && g_play_paused == 1) {
        playback_resume();
        return;
    }
    QString path = choose_open_file(parent, tr_ui(meeting_record_filter));
    if (path.isEmpty())
        return;
    start(path.toStdString(), hooks, true);
}

void OnPlayPause() { playback_toggle_pause(); }

void OnPlayStop() { playback_stop(); }

void play_record_at_start(const std::string& path, const PlayCommandHooks& hooks) { start(path, hooks, false); }

void stop_playback_at_exit()
{
    playback_stop();
    if (!playback_wait_ended(thread_end_wait_ms, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); }))
        dbg_log("the playback thread has not ended at exit.\n");
}

PlayCommandHandlers play_command_handlers(QWidget* parent, PlayCommandHooks hooks)
{
    return {
        { play_cmd::play_record, [parent, hooks] { OnPlayRecord(parent, hooks); } },
        { play_cmd::play_pause, [] { OnPlayPause(); } },
        { play_cmd::play_stop, [] { OnPlayStop(); } },
    };
}
