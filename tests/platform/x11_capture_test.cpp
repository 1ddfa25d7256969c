#include "platform/x11/screen_capture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest uses as names.
#include <X11/Xlib.h>

namespace {

struct PaintedWindow {
    Display* display = nullptr;
    Window window = 0;
    explicit PaintedWindow(const std::string& name)
    {
        display = XOpenDisplay(name.c_str());
        if (!display)
            return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 20, 64, 48, 0, 0, 0);
        XSetWindowAttributes attrs {};
        attrs.override_redirect = True;
        XChangeWindowAttributes(display, window, CWOverrideRedirect, &attrs);
        XMapRaised(display, window);
        XSync(display, False);
        GC gc = XCreateGC(display, window, 0, nullptr);
        XSetForeground(display, gc, 0x336699);
        XFillRectangle(display, window, gc, 0, 0, 64, 48);
        XSetForeground(display, gc, 0xffcc00);
        XFillRectangle(display, window, gc, 32, 24, 32, 24);
        XFreeGC(display, gc);
        XSync(display, False);
    }
    ~PaintedWindow()
    {
        if (display) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }
};

} // namespace

TEST(X11Capture, SharedMemoryAndPlainReadsGiveTheSamePixels)
{
    XvfbServer xvfb;
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    PaintedWindow painted(xvfb.display());
    ASSERT_NE(painted.display, nullptr);
    platform::x11_close_display();
    ASSERT_TRUE(platform::x11_available());
    int w = 0, h = 0;
    ASSERT_TRUE(platform::x11_window_size(painted.window, w, h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);

    for (bool shm : { true, false }) {
        platform::x11_set_shared_memory_allowed(shm);
        platform::CapturedImage image;
        ASSERT_TRUE(platform::capture_window_area(painted.window, 30, 20, 10, 8, image)) << shm;
        EXPECT_EQ(platform::x11_last_capture_used_shared_memory(), shm);
        ASSERT_EQ(image.width, 10);
        ASSERT_EQ(image.height, 8);
        EXPECT_EQ(image.pixels[0], 0x336699u) << shm;
        EXPECT_EQ(image.pixels[8 * 10 - 1], 0xffcc00u) << shm;
        // The window's top-left corner sits at 10, 20 on the screen.
        platform::CapturedImage screen;
        ASSERT_TRUE(platform::capture_screen_area(10 + 63, 20 + 47, 1, 1, screen));
        EXPECT_EQ(screen.pixels[0], 0xffcc00u);
    }
    platform::x11_set_shared_memory_allowed(true);

    platform::CapturedImage image;
    EXPECT_FALSE(platform::capture_window_area(painted.window, 60, 0, 10, 10, image));
    EXPECT_FALSE(platform::capture_window_area(painted.window, 0, 0, 0, 10, image));
    EXPECT_FALSE(platform::capture_window_area(0x7fffff, 0, 0, 1, 1, image));
    EXPECT_FALSE(platform::x11_window_size(0x7fffff, w, h));
    platform::x11_close_display();
}

TEST(X11Capture, NoDisplayMeansNoCapture)
{
    const char* old = std::getenv("DISPLAY");
    std::string saved = old ? old : "";
    ::unsetenv("DISPLAY");
    platform::x11_close_display();
    EXPECT_FALSE(platform::x11_available());
    platform::CapturedImage image;
    EXPECT_FALSE(platform::capture_screen_area(0, 0, 1, 1, image));
    platform::x11_close_display();
    if (old)
        ::setenv("DISPLAY", saved.c_str(), 1);
}
