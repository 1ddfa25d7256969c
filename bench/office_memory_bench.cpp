// The resident memory of each kind's private LibreOffice with a small shared
// document open, beside the same instance bare (started, no document), under
// an Xvfb of its own. The instance is every process on its pipe (the
// launcher and the office); memory is read once it has settled.

#include "sharing/office_uno.h"
#include "tests/support/flat_odf.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

long rss_kib(const std::string& pid)
{
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// Every process whose command line names the pipe.
long instance_kib(const std::string& pipe)
{
    long total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream file(entry.path() / "cmdline");
        std::string cmdline((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (cmdline.find(pipe) != std::string::npos)
            total += rss_kib(pid);
    }
    return total;
}

// Once two readings a second apart differ by less than 1 % (at most 30 s).
long settled_kib(const std::string& pipe)
{
    long last = instance_kib(pipe);
    for (int i = 0; i < 30; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        long now = instance_kib(pipe);
        if (std::labs(now - last) * 100 < last)
            return now;
        last = now;
    }
    return last;
}

} // namespace

int main()
{
    TempHome home;
    ::setenv("HOME", home.root().c_str(), 1);
    XvfbServer xvfb("1280x1024x24");
    if (!xvfb.running() || !std::filesystem::exists("/usr/bin/soffice")) {
        std::printf("office memory: no Xvfb or no LibreOffice, nothing measured\n");
        return 1;
    }
    struct Kind {
        OfficeKind kind;
        const char* file;
        std::string content;
    } kinds[] = {
        { OfficeKind::presentation, "bench.fodp", flat_presentation(20) },
        { OfficeKind::text, "bench.fodt", flat_text(2000) },
        { OfficeKind::sheet, "bench.fods", flat_workbook(5) },
    };
    int failed = 0;
    for (const Kind& k : kinds) {
        std::string path = home.root() + "/" + k.file;
        std::ofstream(path) << k.content;
        auto driver = make_uno_office_driver(k.kind);
        std::string pipe = office_pipe_name(k.kind);
        if (driver->start() != 0) {
            std::printf("%s: LibreOffice could not be started\n", office_app_name(k.kind));
            failed = 1;
            continue;
        }
        long bare = settled_kib(pipe);
        try {
            driver->set_visible();
            driver->open(path);
        } catch (const OfficeCallFailed& e) {
            std::printf("%s: %s\n", office_app_name(k.kind), e.what());
            failed = 1;
        }
        long with_document = settled_kib(pipe);
        std::printf("%s: resident %.1f MiB with the document beside %.1f MiB bare, %.2f (target at most 2)\n",
                    office_app_name(k.kind), with_document / 1024.0, bare / 1024.0,
                    bare > 0 ? static_cast<double>(with_document) / static_cast<double>(bare) : 0.0);
        driver->close_document();
        driver->quit();
    }
    return failed;
}
