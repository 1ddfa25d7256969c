#include "tests/support/x_painter.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

XPainter::XPainter()
{
    int in[2] = { -1, -1 }, out[2] = { -1, -1 };
    if (::pipe(in) != 0 || ::pipe(out) != 0)
        return;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::close(in[1]);
        ::close(out[0]);
        std::string program = std::string(TAMBLO_TEST_BUILD_DIR) + "/tests/support/tamblo_x_painter";
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        return;
    }
    pid_ = pid;
    to_ = in[1];
    from_ = out[0];
}

XPainter::~XPainter()
{
    if (pid_ <= 0)
        return;
    ::close(to_);
    ::close(from_);
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

std::string XPainter::command(const std::string& line)
{
    if (pid_ <= 0)
        return {};
    std::string text = line + "\n";
    if (::write(to_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return {};
    std::string answer;
    pollfd wait_for { from_, POLLIN, 0 };
    while (::poll(&wait_for, 1, 10000) > 0) {
        char c = 0;
        if (::read(from_, &c, 1) != 1 || c == '\n')
            break;
        answer += c;
    }
    return answer;
}

unsigned long XPainter::window_answer(const std::string& line)
{
    std::string answer = command(line);
    if (answer.rfind("ok ", 0) != 0)
        return 0;
    return std::strtoul(answer.c_str() + 3, nullptr, 10);
}

namespace {
std::string hex(unsigned rgb)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06x", rgb);
    return text;
}
std::string n(long v) { return std::to_string(v); }
} // namespace

unsigned long XPainter::window(const std::string& title, int x, int y, int w, int h, unsigned rgb)
{
    std::string sent;
    for (char c : title)
        sent += c == ' ' ? std::string("%20") : std::string(1, c);
    return window_answer("window " + sent + " " + n(x) + " " + n(y) + " " + n(w) + " " + n(h) + " " + hex(rgb));
}
unsigned long XPainter::menu(int x, int y, int w, int h, unsigned rgb)
{
    return window_answer("menu " + n(x) + " " + n(y) + " " + n(w) + " " + n(h) + " " + hex(rgb));
}
bool XPainter::fill(unsigned long window, int x, int y, int w, int h, unsigned rgb)
{
    return command("fill " + n(static_cast<long>(window)) + " " + n(x) + " " + n(y) + " " + n(w) + " " + n(h) + " " + hex(rgb)) == "ok";
}
bool XPainter::move(unsigned long window, int x, int y) { return command("move " + n(static_cast<long>(window)) + " " + n(x) + " " + n(y)) == "ok"; }
bool XPainter::resize(unsigned long window, int w, int h) { return command("resize " + n(static_cast<long>(window)) + " " + n(w) + " " + n(h)) == "ok"; }
bool XPainter::icon(unsigned long window, unsigned rgb) { return command("icon " + n(static_cast<long>(window)) + " " + hex(rgb)) == "ok"; }
bool XPainter::focus(unsigned long window) { return command("focus " + n(static_cast<long>(window))) == "ok"; }
bool XPainter::destroy(unsigned long window) { return command("destroy " + n(static_cast<long>(window))) == "ok"; }
