#pragma once
// The main of a test program whose windows are shown on an Xvfb of its own:
// real X windows for pictures and window managers, offscreen only while the
// cases are listed (that needs no X server) or when no Xvfb starts.

#include "platform/ui/window_bridge.h"
#include "tests/support/xvfb.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

inline std::unique_ptr<XvfbServer> g_xvfb;

// with_application runs once the QApplication exists, before the cases;
// before_xvfb_ends after the application has gone.
inline int run_tests_on_own_xvfb(int argc, char** argv, const std::function<void()>& with_application = {},
                                 const std::function<void()>& before_xvfb_ends = {})
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    if (!listing)
        g_xvfb = std::make_unique<XvfbServer>("1024x768x24");
    qputenv("QT_QPA_PLATFORM", listing || !g_xvfb->running() ? "offscreen" : "xcb");
    // No GLX: the browser engine linked into the program's windows makes a
    // shared GL context at start, and the GL driver it loads is unloaded
    // before the leak check, which then blames the driver's buffers on an
    // unknown module. The pictures need no GL.
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    int code = 0;
    {
        QApplication app(argc, argv);
        QtWindowMessageBridge::install();
        if (with_application)
            with_application();
        ::testing::InitGoogleTest(&argc, argv);
        code = RUN_ALL_TESTS();
    }
    if (before_xvfb_ends)
        before_xvfb_ends();
    g_xvfb.reset();
    return code;
}
