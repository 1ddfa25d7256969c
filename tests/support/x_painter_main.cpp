// A foreign X client for the sharing tests: it makes windows and draws into
// them on command, one command a line on standard input, one answer a line
// on standard output ("ok [window]" or "error").
//   window TITLE X Y W H RGB | fill ID X Y W H RGB | move ID X Y | resize ID W H
//   menu X Y W H RGB | icon ID RGB | focus ID | destroy ID | quit
// A blank in a title is written %20.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

Display* g_display = nullptr;
int g_error = 0;

int note_error(Display*, XErrorEvent* e)
{
    g_error = e->error_code;
    return 0;
}

bool done()
{
    XSync(g_display, False);
    bool ok = g_error == 0;
    g_error = 0;
    return ok;
}

Window make_window(int x, int y, int w, int h, unsigned long rgb, bool override_redirect)
{
    XSetWindowAttributes attrs {};
    attrs.background_pixel = rgb;
    attrs.override_redirect = override_redirect ? True : False;
    Window window = XCreateWindow(g_display, DefaultRootWindow(g_display), x, y, static_cast<unsigned>(w),
                                  static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWOverrideRedirect, &attrs);
    return window;
}

void wait_mapped(Window window)
{
    for (int i = 0; i < 200; ++i) {
        XWindowAttributes attrs {};
        if (XGetWindowAttributes(g_display, window, &attrs) && attrs.map_state == IsViewable)
            return;
        usleep(10000);
    }
}

} // namespace

int main()
{
    g_display = XOpenDisplay(nullptr);
    if (!g_display) {
        std::puts("error no display");
        return 1;
    }
    XSetErrorHandler(note_error);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        bool ok = false;
        unsigned long answer = 0;
        if (command == "window") {
            std::string title;
            int x = 0, y = 0, w = 0, h = 0;
            unsigned long rgb = 0;
            in >> title >> x >> y >> w >> h >> std::hex >> rgb;
            // Blanks travel as %20.
            std::string plain;
            for (size_t i = 0; i < title.size(); ++i) {
                bool blank = title.compare(i, 3, "%20") == 0;
                plain += blank ? ' ' : title[i];
                i += blank ? 2 : 0;
            }
            title = plain;
            Window window = make_window(x, y, w, h, rgb, false);
            XStoreName(g_display, window, title.c_str());
            XChangeProperty(g_display, window, XInternAtom(g_display, "_NET_WM_NAME", False),
                            XInternAtom(g_display, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
            XSizeHints hints {};
            hints.flags = USPosition | PPosition;
            hints.x = x;
            hints.y = y;
            XSetWMNormalHints(g_display, window, &hints);
            XMapRaised(g_display, window);
            ok = done();
            wait_mapped(window);
            answer = window;
        } else if (command == "menu") {
            int x = 0, y = 0, w = 0, h = 0;
            unsigned long rgb = 0;
            in >> x >> y >> w >> h >> std::hex >> rgb;
            Window window = make_window(x, y, w, h, rgb, true);
            XMapRaised(g_display, window);
            ok = done();
            answer = window;
        } else if (command == "fill") {
            unsigned long id = 0, rgb = 0;
            int x = 0, y = 0, w = 0, h = 0;
            in >> id >> x >> y >> w >> h >> std::hex >> rgb;
            GC gc = XCreateGC(g_display, id, 0, nullptr);
            XSetForeground(g_display, gc, rgb);
            XFillRectangle(g_display, id, gc, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
            XFreeGC(g_display, gc);
            ok = done();
        } else if (command == "move") {
            unsigned long id = 0;
            int x = 0, y = 0;
            in >> id >> x >> y;
            XMoveWindow(g_display, id, x, y);
            ok = done();
        } else if (command == "resize") {
            unsigned long id = 0;
            int w = 0, h = 0;
            in >> id >> w >> h;
            XResizeWindow(g_display, id, static_cast<unsigned>(w), static_cast<unsigned>(h));
            ok = done();
        } else if (command == "icon") {
            // A 16 x 16 _NET_WM_ICON: a square of the colour in a dark frame.
            unsigned long id = 0, rgb = 0;
            in >> id >> std::hex >> rgb;
            std::vector<long> icon { 16, 16 };
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    icon.push_back(static_cast<long>(0xff000000u | ((x == 0 || y == 0 || x == 15 || y == 15) ? 0x202020u : rgb)));
            XChangeProperty(g_display, id, XInternAtom(g_display, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(icon.data()), static_cast<int>(icon.size()));
            ok = done();
        } else if (command == "focus") {
            unsigned long id = 0;
            in >> id;
            XRaiseWindow(g_display, id);
            XSetInputFocus(g_display, id, RevertToParent, CurrentTime);
            ok = done();
        } else if (command == "destroy") {
            unsigned long id = 0;
            in >> id;
            XDestroyWindow(g_display, id);
            ok = done();
        } else if (command == "quit") {
            break;
        }
        if (ok && answer)
            std::printf("ok %lu\n", answer);
        else
            std::puts(ok ? "ok" : "error");
        std::fflush(stdout);
    }
    XCloseDisplay(g_display);
    return 0;
}
