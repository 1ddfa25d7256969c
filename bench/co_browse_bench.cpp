// Following a pushed page: the time from an attendee's 730 (a page) or 731
// (a frame) leaving it to the browser window here having that page loaded
// (that frame's new document made), through a local tamblo-server, beside
// the same window loading the same kind of address itself from the same
// local web server. Medians and 99th percentiles; the target is a median
// ratio of at most 1.5.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/window_messages.h"
#include "platform/ui/window_bridge.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/dlg_ie.h"
#include "sharing/ui/form_ie.h"
#include "sharing/ui/web_browser2.h"
#include "tests/support/headless_peer.h"
#include "tests/support/program_connection.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/web_server.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int rounds = 40;
constexpr int wait_ms = 20000;

// The frame's own part of 0x8086 / 0x8087, without the rest of the program's frame.
class OpenBrowser : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t, intptr_t) override
    {
        if (msg == WM_MY_MSG_OPEN_SHARED_BROWSER || msg == WM_MY_MSG_IE_OPEN_FRAME_URL)
            open_shared_browser(msg == WM_MY_MSG_IE_OPEN_FRAME_URL);
        return 0;
    }
};

// Runs the event loop until done, sleeping between events rather than polling.
bool run_until(const std::function<bool()>& done)
{
    bool timed_out = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&timed_out] { timed_out = true; });
    limit.start(wait_ms);
    while (!done() && !timed_out)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

double ms_since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

struct Spread {
    double median = 0, p99 = 0;
};
Spread spread(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    auto at = [&ms](double q) { return ms[std::min(ms.size() - 1, static_cast<size_t>(q * static_cast<double>(ms.size())))]; };
    return { at(0.5), at(0.99) };
}

void report(const char* what, const std::vector<double>& pushed, const std::vector<double>& direct)
{
    Spread p = spread(pushed), d = spread(direct);
    std::printf("%-6s pushed: median %7.2f ms  p99 %7.2f ms | direct: median %7.2f ms  p99 %7.2f ms | median ratio %.2f\n", what,
                p.median, p.p99, d.median, d.p99, p.median / d.median);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    prepare_web_engine();
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    int code = 1;
    {
        TempHome home;
        std::string site = home.root() + "/site";
        std::filesystem::create_directories(site);
        std::ofstream(site + "/page.html") << "<!DOCTYPE html><html><body>a page</body></html>";
        std::ofstream(site + "/framed.html") << "<!DOCTYPE html><html><body><iframe name=\"content\" src=\"page.html\"></iframe></body></html>";
        LoggedWebServer web(site, home.root() + "/web.log");
        ServerProcess server;
        HeadlessPeer pusher("pusher");
        OpenBrowser open_browser;
        WindowSlotBinding frame_slot(WindowSlot::main_frame, &open_browser);
        if (!web.up() || pusher.connect("127.0.0.1", server.port(), true) != 0 || pusher.join_room("bench") < 0) {
            std::fprintf(stderr, "co_browse_bench: set-up failed\n");
            return 1;
        }
        install_sharing_handlers();
        ProgramConnection follower;
        follower.start(server.port(), "follower", "bench");
        const std::string base = "http://127.0.0.1:" + std::to_string(web.port()) + "/";
        std::vector<double> page_pushed, page_direct, frame_pushed, frame_direct;
        bool ok = run_until([] { return g_room_number.load() >= 0; });
        CDlgIE* dlg = dlg_ie();
        dlg->open_maximised();
        // The first round makes the page and starts the engine's processes: not counted.
        pusher.send(PeerChannel::main, MSG_IE_OPEN_URL, 999, "p:" + base + "framed.html");
        ok = ok && run_until([dlg] { return dlg->page_slots().find("p") >= 0; });
        CFormIE* page = ok ? dlg->page(dlg->page_slots().find("p")) : nullptr;
        auto on = [page](const std::string& url) { return !page->loading() && page->location_url() == url; };
        for (int i = 0; ok && i < rounds; ++i) {
            std::string pushed_url = base + "page.html?pushed=" + std::to_string(i);
            Clock::time_point start = Clock::now();
            pusher.send(PeerChannel::main, MSG_IE_OPEN_URL, 999, "p:" + pushed_url);
            ok = run_until([&] { return on(pushed_url); });
            page_pushed.push_back(ms_since(start));
            std::string direct_url = base + "page.html?direct=" + std::to_string(i);
            start = Clock::now();
            page->navigate(direct_url);
            ok = ok && run_until([&] { return on(direct_url); });
            page_direct.push_back(ms_since(start));
        }
        page->navigate(base + "framed.html");
        ok = ok && run_until([&] { return on(base + "framed.html"); });
        for (int i = 0; ok && i < rounds; ++i) {
            std::string pushed_url = base + "page.html?frame_pushed=" + std::to_string(i);
            int before = page->frame_navigations();
            Clock::time_point start = Clock::now();
            pusher.send(PeerChannel::main, MSG_IE_OPEN_FRAME_URL, 999, "p:   7:content:" + pushed_url);
            ok = run_until([&] { return page->frame_navigations() > before; });
            frame_pushed.push_back(ms_since(start));
            std::string direct_url = base + "page.html?frame_direct=" + std::to_string(i);
            before = page->frame_navigations();
            start = Clock::now();
            page->browser()->Navigate(direct_url, "content");
            ok = ok && run_until([&] { return page->frame_navigations() > before; });
            frame_direct.push_back(ms_since(start));
        }
        if (ok) {
            report("page", page_pushed, page_direct);
            report("frame", frame_pushed, frame_direct);
            code = 0;
        } else {
            std::fprintf(stderr, "co_browse_bench: a round did not finish within %d ms\n", wait_ms);
        }
        follower.stop();
        destroy_dlg_ie();
    }
    return code;
}
