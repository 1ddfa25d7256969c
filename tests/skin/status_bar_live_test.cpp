// The status bar following a live client: this test program is the client,
// with its real connections to a real tamblo-server, its real voice
// machinery and the bar painted offscreen. The light shows the connections,
// and a member talking from a sound file moves the speaker graph.
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "media/play_sound.h"
#include "media/record_sound.h"
#include "media/voice_audio.h"
#include "media/voice_parts.h"
#include "media/voice_state.h"
#include "platform/audio/wav_file.h"
#include "skin/skin_table.h"
#include "skin/ui/my_status_bar.h"
#include "skin/ui/wnd_sound_level.h"
#include "skin/ui/wnd_status_indicator.h"
#include "tests/core/loopback.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/child_process.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

// Runs the event loop (the bar's timer among it) until done or wait_ms.
bool events_until(const std::function<bool()>& done, int wait_ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > wait_ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

COLORREF light_on_screen(CMyStatusBar& bar)
{
    QImage image = render(bar);
    QRect r = bar.m_indicator->geometry();
    return at(image, r.x() + r.width() / 2, r.y() + r.height() / 2);
}

int graph_bar_pixels(CWndSoundLevel& graph) { return count_of(render(graph), sound_level_bar_colour); }

std::string build_dir() { return std::getenv("TAMBLO_BUILD_DIR") ? std::getenv("TAMBLO_BUILD_DIR") : "build"; }

bool all_four_connected()
{
    for (Cwf_socket* s : { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock })
        if (s->m_sock == 0)
            return false;
    return true;
}

bool none_connected()
{
    for (Cwf_socket* s : { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock })
        if (s->m_sock != 0)
            return false;
    return true;
}

bool voice_devices_stopped()
{
    if (CRecordSound* r = g_record_sound.load(); r && r->m_running)
        return false;
    if (CPlaySound* local = g_local_play_sound.load(); local && local->m_open)
        return false;
    for (auto& slot : g_play_sound_threads)
        if (CPlaySound* p = slot.load(); p && p->m_open)
            return false;
    return true;
}

} // namespace

TEST(StatusBarLive, LightIsConnectedWhileTheServerServesAndFailingOnceItStops)
{
    TempHome home;
    skin_table().select_skin(0);
    ServerProcess server;
    reset_receive_handlers();
    install_control_handlers();
    g_server_host.set("127.0.0.1");
    g_server_port = server.port();
    g_my_customer_id = -1;

    CMyStatusBar bar;
    bar.resize(800, bar.height());
    bar.show();
    EXPECT_EQ(light_on_screen(bar), light_connected_colour);  // nothing asked for yet

    // What the connect flow does: the link flag, then the connection threads.
    g_connected_to_server = 1;
    EXPECT_TRUE(events_until([&] { return bar.m_indicator->m_colour == light_failing_colour; }, 1000));
    std::vector<std::thread> threads;
    for (int (*thread)() : { g_recv_thread, g_voice_thread, g_share_app_thread, g_file_thread })
        threads.emplace_back([thread] { thread(); });
    ASSERT_TRUE(events_until(all_four_connected, 10000));
    EXPECT_TRUE(events_until([&] { return bar.m_indicator->m_colour == light_connected_colour; }, 2000));
    EXPECT_EQ(light_on_screen(bar), light_connected_colour);

    server.stop();
    EXPECT_TRUE(events_until(none_connected, 10000));
    EXPECT_TRUE(events_until([&] { return bar.m_indicator->m_colour == light_failing_colour; }, 2000));
    EXPECT_EQ(light_on_screen(bar), light_failing_colour);

    for (auto& t : threads)
        t.join();
    // The user's Disconnect clears the link flag: nothing is wrong any more.
    g_connected_to_server = 0;
    EXPECT_TRUE(events_until([&] { return bar.m_indicator->m_colour == light_connected_colour; }, 2000));
    reset_receive_handlers();
}

TEST(StatusBarLive, AMemberTalkingFromAFileMovesTheSpeakerGraphAndOurMicrophoneTheOther)
{
    TempHome home;
    skin_table().select_skin(0);
    // Our microphone: a tone; what we play goes to files.
    std::vector<uint8_t> tone;
    for (int i = 0; i < 8000 * 8; ++i)
        tone.push_back(static_cast<uint8_t>(std::lround(128 + 50 * std::sin(2 * M_PI * 500 * i / 8000.0))));
    const std::string mic = home.root() + "/mic.wav";
    {
        platform::WavWriter w;
        ASSERT_EQ(w.open(mic), 0);
        w.append(tone.data(), tone.size());
    }
    use_voice_audio_backend(platform::make_audio_backend("file:" + mic + "," + home.root() + "/played"));
    install_voice_parts();
    init_global_state();
    start_voice_threads();

    ServerProcess server;
    HeadlessPeer control("ann");
    ASSERT_EQ(control.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GE(control.join_room("voice room"), 0);
    g_my_customer_id = control.customer_id();
    g_server_host.set("127.0.0.1");
    g_server_port = server.port();
    std::thread voice([] { g_voice_thread(); });
    ASSERT_TRUE(events_until([] { return g_voice_sock.m_sock != 0; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    CMyStatusBar bar;
    bar.resize(800, bar.height());
    bar.show();
    CWndSoundLevel& mic_graph = *bar.m_sound_level[0];
    CWndSoundLevel& speaker_graph = *bar.m_sound_level[1];
    EXPECT_EQ(graph_bar_pixels(mic_graph), 0);
    EXPECT_EQ(graph_bar_pixels(speaker_graph), 0);

    // We listen (talk not allowed: our own sound is captured but not sent).
    g_talk_allowed = 0;
    on_talk_start();
    EXPECT_TRUE(events_until([&] { return graph_bar_pixels(mic_graph) > 20; }, 5000));
    EXPECT_EQ(graph_bar_pixels(speaker_graph), 0);

    // Bob speaks a file into the room.
    std::vector<uint8_t> speech;
    for (int i = 0; i < 8000 * 3; ++i)
        speech.push_back(static_cast<uint8_t>(std::lround(128 + 60 * std::sin(2 * M_PI * 300 * i / 8000.0))));
    const std::string bob_dir = home.root() + "/bob";
    std::filesystem::create_directories(bob_dir);
    {
        platform::WavWriter w;
        ASSERT_EQ(w.open(bob_dir + "/speech.wav"), 0);
        w.append(speech.data(), speech.size());
    }
    ProgramRun bob_run;
    std::thread bob([&] {
        bob_run = run_program({ build_dir() + "/tests/media/tamblo_voice_peer", "--port", std::to_string(server.port()),
                                "--room", "voice room", "--name", "bob", "--seconds", "4", "--speak" },
                              { "XDG_CONFIG_HOME=" + bob_dir + "/config", "XDG_DATA_HOME=" + bob_dir + "/data",
                                "XDG_RUNTIME_DIR=" + bob_dir, "TAMBLO_PEER_PORT=" + std::to_string(unused_loopback_port()),
                                "TAMBLO_AUDIO=file:" + bob_dir + "/speech.wav," + bob_dir + "/out" },
                              { "TAMBLO_PEER_PORT", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TAMBLO_AUDIO" }, 30000);
    });
    EXPECT_TRUE(events_until([&] { return graph_bar_pixels(speaker_graph) > 20; }, 10000));
    bob.join();
    EXPECT_EQ(bob_run.exit_status, 0) << bob_run.output;

    // Closing: the graphs take no more levels.
    g_closing = 1;
    int index = speaker_graph.m_history.index();
    int mic_index = mic_graph.m_history.index();
    events_until([] { return false; }, 400);
    EXPECT_EQ(speaker_graph.m_history.index(), index);
    EXPECT_EQ(mic_graph.m_history.index(), mic_index);
    g_closing = 0;

    on_talk_stop();
    g_voice_sock.close_socket();
    voice.join();
    control.close();
    // The players and the recorder live on in this process: let them close
    // their devices before the backend under them goes (they wait 500 ms
    // between the stop and the close).
    EXPECT_TRUE(events_until(voice_devices_stopped, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
}
