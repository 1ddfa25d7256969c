// The status bar's cost while voice flows: the bar shown (offscreen), both
// graphs fed from a worker thread the way the recorder and the receivers
// feed them, and the process's processor time over the wall time, as a
// share of one core. Target: under 1%.
#include "core/sound_levels.h"
#include "skin/ui/my_status_bar.h"

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

double process_cpu_s()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs the event loop for seconds while a feeder adds levels_per_s levels
// to each graph in bursts of burst (the recorder gives ten per 120 ms block);
// the processor share of one core, in percent.
double share_percent(double seconds, int levels_per_s, int burst)
{
    std::atomic<bool> stop { false };
    std::thread feeder([&] {
        if (levels_per_s <= 0)
            return;
        std::vector<uint8_t> samples(static_cast<size_t>(burst) * level_sample_step);
        const auto period = std::chrono::microseconds(1000000LL * burst / levels_per_s);
        auto next = std::chrono::steady_clock::now();
        int n = 0;
        while (!stop) {
            for (size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<uint8_t>(128 + 60 * std::sin(0.001 * static_cast<double>(i + n)));
            ++n;
            add_sound_levels(g_mic_sound_levels, samples.data(), samples.size());
            add_sound_levels(g_speaker_sound_levels, samples.data(), samples.size());
            next += period;
            std::this_thread::sleep_until(next);
        }
    });
    double cpu0 = process_cpu_s();
    auto wall0 = std::chrono::steady_clock::now();
    QTimer::singleShot(static_cast<int>(seconds * 1000), qApp, &QCoreApplication::quit);
    QApplication::exec();
    double cpu = process_cpu_s() - cpu0;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    stop = true;
    feeder.join();
    return 100.0 * cpu / wall;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CMyStatusBar bar;
    bar.set_indicators(2);
    bar.set_pane_width(1, 160);
    bar.set_pane_text(0, "Ready");
    bar.set_pane_text(1, "Meeting Started: 00:00:00");
    bar.resize(1000, bar.height());
    bar.show();
    QApplication::processEvents();

    const double seconds = 5;
    double idle = share_percent(seconds, 0, 1);
    double ten = share_percent(seconds, 10, 1);
    double voice = share_percent(seconds, 1000 * 10 / 120, 10);
    std::printf("status_bar_bench: processor share of one core over %.0f s each (target under 1%%)\n", seconds);
    std::printf("  shown, no levels:                         %.3f%%\n", idle);
    std::printf("  both graphs at 10 levels per second:      %.3f%%\n", ten);
    std::printf("  both graphs at 83 levels per second (voice): %.3f%%\n", voice);
    return 0;
}
