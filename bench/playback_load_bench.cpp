// Playback's load beside live recording's: the fidelity meeting (a real
// tamblo-server, peers drawing, talking, sending pictures, sharing, chatting)
// received and recorded by the real program R, then played back from its
// command line by a fresh program P. Prints each one's processor time over
// wall time and P's over R's (target: at most 1.1); asserts nothing.
//
// R's window runs from the start of recording to its stop, P's from the end
// of its start-up to the end of its playback thread.
// Both run in this process with the null sound backend; the peers run here
// too, so their share (their script's threads and sends, their receiving
// threads) is taken out of R's.

#include "core/chat_receive.h"
#include "core/connection_threads.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "media/video_windows.h"
#include "media/voice_audio.h"
#include "platform/ui/window_bridge.h"
#include "shell/ui/brenmo_app.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/fidelity_meeting.h"
#include "whiteboard/meeting_playback.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

int64_t process_cpu_ns()
{
    timespec ts {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void end_program(std::unique_ptr<CBrenmoApp>& app)
{
    if (app) {
        app->ExitInstance(0);
        app.reset();
    }
    stop_connection_watchdog();
}

int fail(const std::string& why)
{
    std::printf("playback_load_bench: %s\n", why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication qapp(argc, argv);
    QtWindowMessageBridge::install();
    // The offscreen platform's warnings would bury the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    setenv("TAMBLO_CAMERA", "none", 1);
    TempHome home;
    ScriptedMessageBoxes boxes;
    set_message_box_presenter(&boxes);
    use_voice_audio_backend(platform::make_audio_backend("null"));

    const std::vector<std::string> talk = fidelity::talk_bodies(fidelity::spoken_sentence(home.root()));
    if (talk.empty())
        return fail("no spoken sentence (espeak-ng and sox are needed)");
    const std::string path = home.root() + "/meeting.mrd";
    std::unique_ptr<CBrenmoApp> app;
    double r_wall = 0, r_cpu = 0, r_peers = 0;
    {
        fidelity::Room room(home.root());
        if (std::string why = room.enter(app); !why.empty())
            return fail(why);
        const int64_t peers_before = room.peers_cpu_ns();
        const int64_t cpu_before = process_cpu_ns();
        const auto started = Clock::now();
        if (recorder().start(path) != 0)
            return fail("R does not record");
        std::string why = room.join(home.user_folder());
        if (why.empty())
            why = room.hold(talk);
        recorder().stop();
        r_wall = seconds_since(started);
        r_cpu = static_cast<double>(process_cpu_ns() - cpu_before) / 1e9;
        r_peers = static_cast<double>(room.peers_cpu_ns() - peers_before) / 1e9;
        if (!why.empty())
            return fail(why);
        end_program(app);
    }

    // What a new process starts without.
    video_windows_reset();
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    TempHome player_home;  // P's user folder is its own
    app = std::make_unique<CBrenmoApp>(path);
    if (!app->InitInstance())
        return fail("P did not start");
    const int64_t cpu_before = process_cpu_ns();
    const auto started = Clock::now();
    // The file is opened from the event loop once the program is up.
    if (!fidelity::pump_until([] { return playback_thread_running() || fidelity::chat_holds("bob: can you hear me"); }))
        return fail("P does not play the file");
    if (!fidelity::pump_until([] { return !playback_thread_running(); }, 120000) || !playback_wait_ended(1000))
        return fail("P's playback did not end within two minutes");
    const double p_wall = seconds_since(started);
    const double p_cpu = static_cast<double>(process_cpu_ns() - cpu_before) / 1e9;
    end_program(app);
    set_message_box_presenter(nullptr);

    const double r_load = (r_cpu - r_peers) / r_wall, p_load = p_cpu / p_wall;
    std::printf("R receiving and recording: %.2f s wall, %.3f s processor (%.3f s more of the peers' taken out): %.3f\n", r_wall,
                r_cpu - r_peers, r_peers, r_load);
    std::printf("P playing back: %.2f s wall, %.3f s processor: %.3f\n", p_wall, p_cpu, p_load);
    std::printf("P / R processor over wall: %.2f (target <= 1.1)\n", p_load / r_load);
    return 0;
}
