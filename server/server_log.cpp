#include "server/server_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

std::mutex log_lock;
std::function<void(const std::string&)> log_tap;

} // namespace

void server_log(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string line = format_text_v(fmt, args);
    va_end(args);

    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    int millis = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &utc);

    std::lock_guard lock(log_lock);
    std::fprintf(stdout, "%s.%03d %s\n", stamp, millis, line.c_str());
    std::fflush(stdout);
    if (log_tap)
        log_tap(line);
}

void set_server_log_tap(std::function<void(const std::string&)> tap)
{
    std::lock_guard lock(log_lock);
    log_tap = std::move(tap);
}
