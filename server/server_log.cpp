#include "server/server_log.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// Lines waiting for standard output, at most this many bytes; beyond it
// they are counted and dropped, so a supervisor that stops reading the
// pipe costs log lines, never the server's event loop.
constexpr size_t pending_limit_bytes = 1024 * 1024;

std::string time_stamp()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    int millis = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &utc);
    return format_text("%s.%03d", stamp, millis);
}

// Writes the lines on a thread of its own, which alone may block on the pipe.
class LogWriter {
public:
    void add(std::string line)
    {
        std::lock_guard lock(lock_);
        if (!thread_.joinable())
            thread_ = std::thread([this] { write_loop(); });
        if (pending_bytes_ + line.size() > pending_limit_bytes) {
            ++dropped_;
            return;
        }
        pending_bytes_ += line.size();
        pending_.push_back(std::move(line));
        wake_.notify_one();
    }

    bool flush(int wait_ms)
    {
        std::unique_lock lock(lock_);
        return idle_.wait_for(lock, std::chrono::milliseconds(wait_ms),
                              [this] { return pending_.empty() && dropped_ == 0 && !writing_; });
    }

private:
    void write_loop()
    {
        std::unique_lock lock(lock_);
        for (;;) {
            wake_.wait(lock, [this] { return !pending_.empty() || dropped_ > 0; });
            std::string out;
            if (dropped_ > 0) {
                out = format_text("%s %zu log lines dropped: standard output was not read\n", time_stamp().c_str(), dropped_);
                dropped_ = 0;
            }
            while (!pending_.empty() && out.size() < 64 * 1024) {
                out += pending_.front();
                pending_bytes_ -= pending_.front().size();
                pending_.pop_front();
            }
            writing_ = true;
            lock.unlock();
            write_all(out);
            lock.lock();
            writing_ = false;
            if (pending_.empty() && dropped_ == 0)
                idle_.notify_all();
        }
    }

    static void write_all(const std::string& out)
    {
        size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::write(STDOUT_FILENO, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;  // nobody can read it any more
            done += static_cast<size_t>(n);
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::string> pending_;
    size_t pending_bytes_ = 0;
    size_t dropped_ = 0;
    bool writing_ = false;
    std::thread thread_;
};

// Never destroyed: its thread may still be blocked on the pipe at exit.
LogWriter& writer()
{
    static LogWriter* one = [] {
        // The last lines (why the server could not start, "stopped") go out
        // at exit, unless nobody reads them.
        std::atexit([] { server_log_flush(1000); });
        return new LogWriter;
    }();
    return *one;
}

std::mutex tap_lock;
std::function<void(const std::string&)> log_tap;

} // namespace

void server_log(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string line = format_text_v(fmt, args);
    va_end(args);
    while (!line.empty() && line.back() == '\n')
        line.pop_back();

    writer().add(time_stamp() + " " + line + "\n");
    std::lock_guard lock(tap_lock);
    if (log_tap)
        log_tap(line);
}

bool server_log_flush(int wait_ms)
{
    return writer().flush(wait_ms);
}

void set_server_log_tap(std::function<void(const std::string&)> tap)
{
    std::lock_guard lock(tap_lock);
    log_tap = std::move(tap);
}

std::string printable(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return out;
}
