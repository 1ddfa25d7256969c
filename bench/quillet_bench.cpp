// A meeting link's road through the launcher, offscreen: from the start of
// `quillet --name Ann LINK` to the start of the tamblo it launches (this
// program again, standing in for tamblo), beside a minimal Qt Widgets
// program that opens and closes one dialog. Each run is a fresh process; the
// time runs from just before it is started to the moment the stand-in (or
// the minimal program, once its dialog is closed) notes the monotonic clock.

#include "core/settings.h"
#include "platform/sys/registry_store.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

double monotonic_ms()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

void note_time(const char* report)
{
    if (std::FILE* f = std::fopen(report, "w")) {
        std::fprintf(f, "%.3f\n", monotonic_ms());
        std::fclose(f);
    }
}

int minimal_dialog(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("Please enter the name you want to show in the conference:"));
    layout->addWidget(new QLineEdit("Guest"));
    auto* ok = new QPushButton("OK");
    layout->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QTimer::singleShot(0, ok, &QPushButton::click);
    dialog.exec();
    return 0;
}

// Milliseconds from the start of argv to the time noted in report; -1 when none came.
double one_run(const std::vector<std::string>& args, const std::string& report)
{
    std::filesystem::remove(report);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    double started = monotonic_ms();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    for (int waited_ms = 0; waited_ms < 20000; ++waited_ms) {
        if (std::FILE* f = std::fopen(report.c_str(), "r")) {
            double noted = -1;
            int got = std::fscanf(f, "%lf", &noted);
            std::fclose(f);
            if (got == 1)
                return noted - started;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    // Started by quillet in tamblo's place.
    if (const char* report = std::getenv("QUILLET_BENCH_REPORT"); report && argc == 2) {
        note_time(report);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--minimal-dialog") {
        int code = minimal_dialog(argc, argv);
        note_time(std::getenv("QUILLET_BENCH_MINIMAL_REPORT"));
        return code;
    }

    TempHome home;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string stand_in = home.root() + "/tamblo";
    std::filesystem::create_symlink(self, stand_in);
    settings_store().write("tamblo", "exe_path", stand_in);
    const std::string report = home.root() + "/report";
    ::setenv("QUILLET_BENCH_MINIMAL_REPORT", report.c_str(), 1);
    const std::string link = "tamblo://launch?server_addr=127.0.0.1&server_port=9081&server_name=Local"
                             "&meeting_room_name=Lobby&c=xxsecretxxx&mp=";

    const int runs = 15;
    std::vector<double> launcher;
    std::vector<double> minimal;
    for (int i = 0; i < runs; ++i) {
        ::setenv("QUILLET_BENCH_REPORT", report.c_str(), 1);
        launcher.push_back(one_run({ TAMBLO_QUILLET, "--name", "Ann", link }, report));
        ::unsetenv("QUILLET_BENCH_REPORT");
        minimal.push_back(one_run({ self, "--minimal-dialog" }, report));
    }
    if (std::count(launcher.begin(), launcher.end(), -1.0) + std::count(minimal.begin(), minimal.end(), -1.0) > 0) {
        std::printf("quillet_bench: a run failed\n");
        return 1;
    }
    double a = median(launcher);
    double b = median(minimal);
    std::printf("quillet_bench: quillet --name to tamblo's start %.1f ms (minimal Qt dialog %.1f ms, ratio %.2f; target <= 1.5)\n",
                a, b, a / b);
    return 0;
}
