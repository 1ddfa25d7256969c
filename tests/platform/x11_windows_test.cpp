// The window queries against an Xvfb of the test's own: without a window
// manager (the plain fallback) and under openbox (EWMH), with a foreign
// client's windows.

#include "platform/x11/x11_windows.h"
#include "tests/support/child_process.h"
#include "tests/support/x_painter.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <X11/Xlib.h>

namespace {

bool listed(platform::XWindowId window)
{
    auto all = platform::x11_top_level_windows();
    return std::find(all.begin(), all.end(), window) != all.end();
}

template <class F>
bool eventually(F condition, int wait_ms = 5000)
{
    for (int waited = 0; waited < wait_ms; waited += 20) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

} // namespace

TEST(X11Windows, WithoutAWindowManagerTheMappedTopLevelWindowsAreListed)
{
    XvfbServer xvfb;
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    platform::x11_close_display();
    XPainter painter;
    unsigned long alpha = painter.window("Alpha", 20, 30, 200, 100, 0x112233);
    unsigned long beta = painter.window("Beta", 300, 200, 150, 120, 0x445566);
    unsigned long menu = painter.menu(50, 50, 40, 40, 0xffffff);
    ASSERT_NE(alpha, 0u);
    EXPECT_TRUE(listed(alpha));
    EXPECT_TRUE(listed(beta));
    EXPECT_FALSE(listed(menu));  // override-redirect
    EXPECT_EQ(platform::x11_window_title(alpha), "Alpha");
    platform::ScreenRect rect;
    ASSERT_TRUE(platform::x11_window_rect(beta, rect));
    EXPECT_EQ(rect, (platform::ScreenRect { 300, 200, 150, 120 }));
    ASSERT_TRUE(platform::x11_window_frame_rect(beta, rect));
    EXPECT_EQ(rect, (platform::ScreenRect { 300, 200, 150, 120 }));
    EXPECT_TRUE(platform::x11_window_is_shareable(alpha));
    EXPECT_FALSE(platform::x11_window_is_shareable(menu));
    EXPECT_FALSE(platform::x11_window_is_own(alpha));

    platform::x11_activate_window(beta);
    EXPECT_TRUE(eventually([&] { return platform::x11_window_is_active(beta); }));
    EXPECT_FALSE(platform::x11_window_is_active(alpha));

    int w = 0, h = 0;
    ASSERT_TRUE(platform::x11_screen_size(w, h));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    Display* display = XOpenDisplay(xvfb.display().c_str());
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 123, 234);
    XSync(display, False);
    int x = 0, y = 0;
    ASSERT_TRUE(platform::x11_cursor_position(x, y));
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 234);
    platform::CursorImage cursor;
    ASSERT_TRUE(platform::x11_cursor_image(cursor));
    EXPECT_GT(cursor.width, 0);
    EXPECT_EQ(cursor.argb.size(), static_cast<size_t>(cursor.width) * static_cast<size_t>(cursor.height));
    EXPECT_EQ(cursor.x, 123);
    XCloseDisplay(display);

    // A window that vanished makes the calls fail, never the process.
    ASSERT_TRUE(painter.destroy(alpha));
    EXPECT_FALSE(platform::x11_window_exists(alpha));
    EXPECT_FALSE(platform::x11_window_rect(alpha, rect));
    EXPECT_EQ(platform::x11_window_title(alpha), "");
    EXPECT_FALSE(platform::x11_window_is_shareable(alpha));
    platform::x11_activate_window(alpha);
    platform::x11_restore_window(alpha);
    EXPECT_TRUE(platform::x11_window_exists(beta));
    platform::x11_close_display();
}

TEST(X11Windows, UnderAWindowManagerTheClientListFramesAndActiveWindowComeFromEwmh)
{
    XvfbServer xvfb;
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    ChildProcess openbox({ "openbox", "--sm-disable" });
    if (!openbox.started())
        GTEST_SKIP() << "openbox could not be started";
    platform::x11_close_display();
    Display* display = XOpenDisplay(xvfb.display().c_str());
    ASSERT_NE(display, nullptr);
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    bool managed = eventually([&] {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data);
        if (data)
            XFree(data);
        return count == 1;
    });
    XCloseDisplay(display);
    if (!managed)
        GTEST_SKIP() << "openbox did not take the screen";
    XPainter painter;
    unsigned long gamma = painter.window("Gamma", 100, 100, 200, 150, 0x336699);
    unsigned long delta = painter.window("Delta", 400, 300, 100, 100, 0x996633);
    ASSERT_NE(gamma, 0u);
    ASSERT_TRUE(eventually([&] { return listed(gamma) && listed(delta); }));
    EXPECT_EQ(platform::x11_window_title(gamma), "Gamma");
    platform::FrameExtents extents;
    ASSERT_TRUE(eventually([&] { return platform::x11_frame_extents(gamma, extents) && extents.top > 0; }));
    platform::ScreenRect inner, outer;
    ASSERT_TRUE(platform::x11_window_rect(gamma, inner));
    ASSERT_TRUE(platform::x11_window_frame_rect(gamma, outer));
    EXPECT_EQ(inner.width, 200);
    EXPECT_EQ(outer.width, 200 + extents.left + extents.right);
    EXPECT_EQ(outer.top, inner.top - extents.top);
    EXPECT_TRUE(platform::x11_window_is_shareable(gamma));
    platform::x11_activate_window(gamma);
    EXPECT_TRUE(eventually([&] { return platform::x11_active_window() == gamma; }));
    platform::x11_activate_window(delta);
    EXPECT_TRUE(eventually([&] { return platform::x11_window_is_active(delta); }));
    platform::x11_close_display();
}

TEST(X11Windows, AGrabReadsTheScreenOnceAndOffScreenPartsAsBlack)
{
    XvfbServer xvfb;
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    platform::x11_close_display();
    XPainter painter;
    unsigned long window = painter.window("Grab", 0, 0, 100, 80, 0x00ff00);
    ASSERT_TRUE(painter.fill(window, 10, 10, 5, 5, 0xff0000));
    for (bool shm : { true, false }) {
        platform::x11_set_shared_memory_allowed(shm);
        platform::ScreenGrab grab;
        ASSERT_TRUE(grab.grab(5, 5, 20, 20)) << shm;
        EXPECT_EQ(grab.used_shared_memory(), shm);
        EXPECT_EQ(grab.row(0)[0] & 0xffffff, 0x00ff00u);
        EXPECT_EQ(grab.row(5)[5] & 0xffffff, 0xff0000u);
        ASSERT_TRUE(grab.grab(-10, -10, 30, 30));
        EXPECT_EQ(grab.width(), 30);
        EXPECT_EQ(grab.row(0)[0] & 0xffffff, 0u);
        EXPECT_EQ(grab.row(20)[20] & 0xffffff, 0xff0000u);
        // The segment is kept for a grab that fits and renewed for one that does not.
        ASSERT_TRUE(grab.grab(0, 0, 800, 600));
        EXPECT_EQ(grab.row(599)[799] & 0xffffff, 0u);
        EXPECT_EQ(grab.row(12)[12] & 0xffffff, 0xff0000u);
    }
    platform::x11_set_shared_memory_allowed(true);
    platform::x11_close_display();
}
