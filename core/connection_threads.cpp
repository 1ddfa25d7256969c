#include "core/connection_threads.h"

#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/receive_threads.h"
#include "platform/sys/clock.h"
#include "platform/sys/threads.h"

#include <array>
#include <atomic>
#include <thread>

namespace {

struct ConnectionThread {
    const char* name;
    int (*body)();
    Cwf_socket* socket;
};

const std::array<ConnectionThread, receive_connection_count> connection_threads = { {
    { "g_recv_thread", g_recv_thread, &g_main_sock },
    { "g_share_app_thr", g_share_app_thread, &g_share_app_sock },
    { "g_voice_thread", g_voice_thread, &g_voice_sock },
    { "g_file_thread", g_file_thread, &g_file_sock },
} };

std::array<std::atomic<int>, receive_connection_count> running_count {};
std::array<std::atomic<int>, receive_connection_count> restart_count {};

std::atomic<bool> watchdog_busy { false };
std::atomic<bool> watchdog_stop { false };

size_t index_of(ReceiveConnection connection) { return static_cast<size_t>(connection); }

} // namespace

bool start_receive_thread(ReceiveConnection connection)
{
    const size_t i = index_of(connection);
    // Counted before the thread exists, so a check right after the start
    // already sees it running.
    ++running_count[i];
    const bool started = platform::start_thread(connection_threads[i].name, [i] {
        struct Uncount {
            size_t i;
            ~Uncount() { --running_count[i]; }
        } uncount { i };
        connection_threads[i].body();
    });
    if (!started) {
        --running_count[i];
        dbg_log("failed to start %s.\n", connection_threads[i].name);
    }
    return started;
}

int receive_threads_running(ReceiveConnection connection) { return running_count[index_of(connection)].load(); }

bool start_keep_alive_thread()
{
    return platform::start_thread("keep_alive", [] { keep_alive_thread(); });
}

bool start_connection_watchdog()
{
    return platform::start_thread("conn_watchdog", [] { connection_watchdog_thread(); });
}

int connection_watchdog_thread()
{
    if (watchdog_busy.exchange(true))
        return 0;
    struct ClearBusy {
        ~ClearBusy() { watchdog_busy = false; }
    } clear_busy;
    try {
        constexpr std::array<ReceiveConnection, 3> watched = { ReceiveConnection::app, ReceiveConnection::voice,
                                                               ReceiveConnection::file };
        std::array<int, 3> misses {};
        while (!watchdog_stop) {
            platform::sleep_ms(watchdog_period_ms);
            if (g_connected_to_server == 0 || g_logged_in == 0) {
                misses = {};
                continue;
            }
            for (size_t k = 0; k < watched.size(); ++k) {
                const size_t i = index_of(watched[k]);
                if (connection_threads[i].socket->m_sock != 0 || running_count[i] > 0) {
                    misses[k] = 0;
                    continue;
                }
                std::this_thread::yield();
                if (++misses[k] < watchdog_miss_limit)
                    continue;
                misses[k] = 0;
                // A disconnect may have come between the checks.
                if (g_connected_to_server == 0 || g_logged_in == 0)
                    continue;
                dbg_log("connection watchdog: %s lost its connection, starting it again.\n", connection_threads[i].name);
                ++restart_count[i];
                start_receive_thread(watched[k]);
            }
        }
    } catch (...) {
        dbg_log("exception in connection_watchdog_thread\n");
    }
    return 0;
}

bool connection_watchdog_running() { return watchdog_busy; }

void stop_connection_watchdog()
{
    watchdog_stop = true;
    for (int waited_ms = 0; watchdog_busy && waited_ms < 1000; waited_ms += 5)
        platform::sleep_ms(5);
    watchdog_stop = false;
}

int connection_watchdog_restarts(ReceiveConnection connection) { return restart_count[index_of(connection)].load(); }
