// The library loaded as the program loads it, under an Xvfb of the test's
// own: a foreign client's paints and menus reach the share view's slot,
// the program's own windows are left out, and stopping leaves no display
// connection and no file behind.

#include "hooks/hook_exchange.h"
#include "sharing/paint_hook.h"
#include "tests/support/message_log.h"
#include "tests/support/temp_home.h"
#include "tests/support/x_painter.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

int open_descriptors()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
    }
    return count;
}

bool is_rect(const LoggedMessage& m, uint32_t msg, int left, int top, int right, int bottom)
{
    return m.msg == msg && high_half(m.wparam) == left && low_half(m.wparam) == right
        && high_half(static_cast<uintptr_t>(m.lparam)) == top && low_half(static_cast<uintptr_t>(m.lparam)) == bottom;
}

class HoverlinTest : public ::testing::Test {
protected:
    void SetUp() override { set_hook_library_path(TAMBLO_HOOK_LIBRARY); }
    void TearDown() override { set_hook_library_path(""); }
    TempHome home_;
};

} // namespace

TEST_F(HoverlinTest, ExportsItsProceduresByName)
{
    void* library = ::dlopen(TAMBLO_HOOK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    for (const char* name : { "CallWndProc", "GetMsgProc", "MouseProc", "global_CallWndProc", "global_GetMsgProc",
                              hoverlin_set_hook_name, hoverlin_unhook_name })
        EXPECT_NE(::dlsym(library, name), nullptr) << name;
    // Nothing else: the X code inside stays the library's own.
    EXPECT_EQ(::dlsym(library, "_ZN8platform18x11_close_displayEv"), nullptr);
    // A procedure called without an exchange file does nothing but return 0.
    auto get_message = reinterpret_cast<HookProc>(::dlsym(library, "GetMsgProc"));
    HookMessage paint;
    paint.message = WM_PAINT;
    EXPECT_EQ(get_message(HC_ACTION, PM_REMOVE, reinterpret_cast<intptr_t>(&paint)), 0);
    ::dlclose(library);
}

TEST_F(HoverlinTest, PaintsAndMenusOfTheSharedWindowReachTheShareView)
{
    XvfbServer xvfb;
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    XPainter painter;
    unsigned long window = painter.window("Painted", 100, 50, 200, 100, 0x202020);
    ASSERT_NE(window, 0u);
    MessageLog view(WindowSlot::share_view);
    const int descriptors = open_descriptors();
    {
        PaintHookBinding binding;
        ASSERT_EQ(binding.start_paint_hook(window), 0);
        EXPECT_TRUE(binding.paint_hooks_installed());
        long numbers[4] = {};
        ASSERT_EQ(read_exchange_numbers(hook_exchange_path(hook_paint_file_name), 4, numbers), 0);
        EXPECT_EQ(numbers[0], static_cast<long>(WindowSlot::share_view));
        EXPECT_NE(numbers[1], 0);
        EXPECT_NE(numbers[2], 0);
        EXPECT_EQ(numbers[3], 0);
        EXPECT_TRUE(hook_atom_exists());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        view.clear();

        ASSERT_TRUE(painter.fill(window, 10, 20, 30, 40, 0xff0000));
        EXPECT_TRUE(view.wait_for([](const LoggedMessage& m) { return is_rect(m, WM_MY_MSG_HOOK_PAINT_RECT, 110, 70, 140, 110); },
                                  3000));
        EXPECT_FALSE(hook_atom_exists());

        ASSERT_NE(painter.menu(600, 500, 50, 50, 0xffffff), 0u);  // elsewhere: no menu of this window
        ASSERT_NE(painter.menu(150, 80, 60, 60, 0xffffff), 0u);
        EXPECT_TRUE(view.wait_for([](const LoggedMessage& m) { return m.msg == WM_MY_MSG_HOOK_MENU; }, 3000));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(view.of(WM_MY_MSG_HOOK_MENU).size(), 1u);

        binding.stop_paint_hook();
        EXPECT_FALSE(binding.library_loaded());
        EXPECT_FALSE(file_exists(hook_exchange_path(hook_paint_file_name)));
        EXPECT_FALSE(hook_atom_exists());
    }
    EXPECT_EQ(open_descriptors(), descriptors);
    // Nothing arrives once the hooks are gone.
    view.clear();
    painter.fill(window, 0, 0, 5, 5, 0x00ff00);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(view.messages().empty());
}

TEST_F(HoverlinTest, TheGlobalSetReportsTheScreenButNotTheProgramsOwnWindows)
{
    XvfbServer xvfb;
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    XPainter painter;
    unsigned long foreign = painter.window("Foreign", 10, 10, 100, 100, 0x202020);
    ASSERT_NE(foreign, 0u);
    // A window of this process, as the program's own windows say so.
    Display* display = XOpenDisplay(xvfb.display().c_str());
    ASSERT_NE(display, nullptr);
    Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), 300, 300, 100, 100, 0, 0, 0x404040);
    long pid = ::getpid();
    XChangeProperty(display, own, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(display, own);
    XSync(display, False);

    MessageLog view(WindowSlot::share_view);
    PaintHookBinding binding;
    ASSERT_EQ(binding.start_paint_hook_global(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    view.clear();
    GC gc = XCreateGC(display, own, 0, nullptr);
    XSetForeground(display, gc, 0xff00ff);
    XFillRectangle(display, own, gc, 0, 0, 50, 50);
    XSync(display, False);
    ASSERT_TRUE(painter.fill(foreign, 5, 5, 10, 10, 0xffff00));
    EXPECT_TRUE(view.wait_for([](const LoggedMessage& m) { return is_rect(m, WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL, 15, 15, 25, 25); },
                              3000));
    for (const LoggedMessage& m : view.of(WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL))
        EXPECT_FALSE(high_half(m.wparam) >= 300 && high_half(static_cast<uintptr_t>(m.lparam)) >= 300) << "own paint reported";
    ASSERT_NE(painter.menu(400, 100, 30, 30, 0xffffff), 0u);
    EXPECT_TRUE(view.wait_for([](const LoggedMessage& m) { return m.msg == WM_MY_MSG_HOOK_MENU_GLOBAL; }, 3000));
    binding.stop_paint_hook_global();
    EXPECT_FALSE(file_exists(hook_exchange_path(hook_paint_global_file_name)));
    XFreeGC(display, gc);
    XCloseDisplay(display);
}

TEST_F(HoverlinTest, WithoutDamageTheBindingFailsAndLeavesNothing)
{
    XvfbServer xvfb("800x600x24", { "-extension", "DAMAGE" });
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    XPainter painter;
    unsigned long window = painter.window("Plain", 0, 0, 100, 100, 0);
    LogCapture log;
    PaintHookBinding binding;
    EXPECT_EQ(binding.start_paint_hook(window), -1);
    EXPECT_TRUE(log.contains("m_paint_hook is null in start_paint_hook.\n"));
    EXPECT_FALSE(binding.paint_hooks_installed());
    EXPECT_FALSE(binding.library_loaded());
    EXPECT_FALSE(file_exists(hook_exchange_path(hook_paint_file_name)));
    EXPECT_EQ(binding.start_paint_hook_global(), -1);
    EXPECT_TRUE(log.contains("m_paint_hook_global is null in start_paint_hook_global.\n"));
}

TEST_F(HoverlinTest, AMissingLibraryIsLoggedAndSharingGoesOnWithoutHooks)
{
    set_hook_library_path(home_.root() + "/libhoverlin.so");
    LogCapture log;
    PaintHookBinding binding;
    EXPECT_EQ(binding.start_paint_hook(1), -1);
    EXPECT_FALSE(binding.library_loaded());
    bool logged = false;
    for (const std::string& line : log.lines())
        logged = logged || line.rfind("failed to load ", 0) == 0;
    EXPECT_TRUE(logged);
}
