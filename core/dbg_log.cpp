#include "core/dbg_log.h"

#include "core/folders.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

std::mutex g_log_lock;
std::FILE* g_log = nullptr;
std::FILE* g_log1 = nullptr;
std::FILE* g_log2 = nullptr;
std::function<void(const std::string&)> g_tap;

void close_locked()
{
    for (std::FILE** f : { &g_log, &g_log1, &g_log2 }) {
        if (*f)
            std::fclose(*f);
        *f = nullptr;
    }
}

} // namespace

std::string dbg_log_prefix(int day, int hour, int minute, int second, int millisecond)
{
    return format_text("%d %d:%d:%d %d ", day, hour, minute, second, millisecond);
}

void dbg_log(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string text = format_text_v(fmt, args);
    va_end(args);

    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local {};
    ::localtime_r(&t, &local);

    std::lock_guard lock(g_log_lock);
    if (g_tap)
        g_tap(text);
    if (!g_log)
        return;
    std::string line = dbg_log_prefix(local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, ms) + text;
    std::fwrite(line.data(), 1, line.size(), g_log);
    std::fflush(g_log);
}

int rotate_dbg_log()
{
    std::string folder;
    int r = get_user_folder(folder);
    std::lock_guard lock(g_log_lock);
    close_locked();
    if (r != 0 || !create_folder_path(folder))
        return -1;
    g_log = std::fopen((folder + "dbg_log.txt").c_str(), "a");
    g_log1 = std::fopen((folder + "dbg_log1.txt").c_str(), "w");
    g_log2 = std::fopen((folder + "dbg_log2.txt").c_str(), "w");
    return g_log ? 0 : -1;
}

void close_dbg_logs()
{
    std::lock_guard lock(g_log_lock);
    close_locked();
}

void set_dbg_log_tap(std::function<void(const std::string&)> tap)
{
    std::lock_guard lock(g_log_lock);
    g_tap = std::move(tap);
}
