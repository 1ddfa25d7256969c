#pragma once
// Drives the foreign X client tamblo_x_painter (x_painter_main.cpp) from a
// test: each call sends one command and waits for its answer.

#include <string>

class XPainter {
public:
    XPainter();  // on the display DISPLAY names
    ~XPainter();
    XPainter(const XPainter&) = delete;
    XPainter& operator=(const XPainter&) = delete;

    bool running() const { return pid_ > 0; }
    // 0 when the command failed.
    unsigned long window(const std::string& title, int x, int y, int w, int h, unsigned rgb);
    unsigned long menu(int x, int y, int w, int h, unsigned rgb);
    bool fill(unsigned long window, int x, int y, int w, int h, unsigned rgb);
    bool move(unsigned long window, int x, int y);
    bool resize(unsigned long window, int w, int h);
    bool icon(unsigned long window, unsigned rgb);
    bool focus(unsigned long window);
    bool destroy(unsigned long window);

private:
    std::string command(const std::string& line);
    unsigned long window_answer(const std::string& line);

    int pid_ = -1;
    int to_ = -1;
    int from_ = -1;
};
