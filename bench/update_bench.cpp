// The program update: a 64 MiB package from tamblo-server's web host on
// loopback through g_update_thread (its download, the signature fetched and
// checked by gpgv, the package's fields read by dpkg-deb), beside `curl -o`
// of the same package (the whole update, and its download alone up to the
// checks), and beside the same work done by hand (curl of both files, gpgv,
// dpkg-deb). Median of five rounds each; prints the ratios,
// asserts nothing.

#include "core/message_box.h"
#include "core/settings.h"
#include "dialogs/internet_update.h"
#include "dialogs/update_download.h"
#include "platform/sys/process.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/update_package.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t package_bytes = 64u << 20;
constexpr int rounds = 5;

double ms_since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int run_quiet(const std::vector<std::string>& argv)
{
    std::string ignored;
    return platform::run_program_output(argv, ignored, true);
}

} // namespace

int main()
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    const std::string made = home.root() + "/made";
    fs::create_directories(made);
    const std::string package = build_test_package(made, "tamblo.deb", "tamblo", machine_architecture(), package_bytes);
    TestSigningKey key(made + "/key");
    if (package.empty() || !key.ready()) {
        std::printf("update_bench: could not build or sign the package (dpkg-deb, gpg)\n");
        return 1;
    }
    const fs::path release = fs::path(home.root()) / "site/home/release";
    fs::create_directories(release);
    fs::copy_file(package, release / "tamblo_install.deb");
    if (!key.sign(package, (release / "tamblo_install.deb.sig").string())) {
        std::printf("update_bench: could not sign the package\n");
        return 1;
    }
    ServerProcess web({ "--web", "127.0.0.1:0", "--web-root", (fs::path(home.root()) / "site").string() });
    if (web.web_port() == 0) {
        std::printf("update_bench: the web host did not come up\n");
        return 1;
    }
    reg_write("general", "web_host", "127.0.0.1");
    reg_write_int("general", "web_port", web.web_port());
    ::setenv("TAMBLO_UPDATE_KEYRING", key.keyring().c_str(), 1);
    const std::string url = "http://127.0.0.1:" + std::to_string(web.web_port()) + update_package_path;
    const std::string copy = home.root() + "/curl.deb";
    const std::string copy_sig = home.root() + "/curl.deb.sig";
    const std::string gpg_home = home.root() + "/gpgv";
    fs::create_directories(gpg_home);

    std::vector<double> thread_ms, download_ms, curl_ms, by_hand_ms;
    for (int r = 0; r < rounds; ++r) {
        // The package's own download ends where the checks begin.
        g_update_progress.state = UpdateState::idle;
        Clock::time_point start = Clock::now();
        std::thread update(g_update_thread);
        while (g_update_progress.state == UpdateState::idle || g_update_progress.state == UpdateState::downloading)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        download_ms.push_back(ms_since(start));
        update.join();
        thread_ms.push_back(ms_since(start));
        if (g_update_progress.state != UpdateState::ready || !boxes.texts().empty()) {
            std::printf("update_bench: the update failed: %s\n", boxes.texts().empty() ? "?" : boxes.texts()[0].c_str());
            return 1;
        }

        start = Clock::now();
        int got = run_quiet({ "curl", "-s", "-f", "-o", copy, url });
        curl_ms.push_back(ms_since(start));

        start = Clock::now();
        got |= run_quiet({ "curl", "-s", "-f", "-o", copy, url });
        got |= run_quiet({ "curl", "-s", "-f", "-o", copy_sig, url + ".sig" });
        got |= run_quiet({ "gpgv", "--homedir", gpg_home, "--keyring", key.keyring(), copy_sig, copy });
        got |= run_quiet({ "dpkg-deb", "-f", copy, "Package", "Architecture" });
        by_hand_ms.push_back(ms_since(start));
        if (got != 0) {
            std::printf("update_bench: curl, gpgv or dpkg-deb failed\n");
            return 1;
        }
    }
    const double thread = median(thread_ms);
    const double curl = median(curl_ms);
    const double by_hand = median(by_hand_ms);
    std::printf("update of %zu MiB from the local web host (median of %d):\n", package_bytes >> 20, rounds);
    std::printf("  g_update_thread (download, gpgv, dpkg-deb) %8.1f ms\n", thread);
    std::printf("  curl -o of the package                     %8.1f ms   ratio %.2f (target <= 1.5)\n", curl,
                thread / curl);
    std::printf("  its download alone, beside curl -o         %8.1f ms   ratio %.2f\n", median(download_ms),
                median(download_ms) / curl);
    std::printf("  curl of both files, gpgv, dpkg-deb by hand %8.1f ms   ratio %.2f\n", by_hand, thread / by_hand);
    return 0;
}
