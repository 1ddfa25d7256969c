// The sharer replays a steering viewer's input on its display through XTest:
// a window of the test's own, on the test's Xvfb, records what reaches it.

#include "core/global_state.h"
#include "platform/x11/screen_capture.h"
#include "platform/x11/x11_input.h"
#include "sharing/remote_control.h"
#include "sharing/share_state.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// A plain window at (50, 40), 300 x 200, with the focus, that notes every
// button and key event and where the pointer went.
class RecordingWindow {
public:
    RecordingWindow()
    {
        display_ = XOpenDisplay(nullptr);
        if (!display_)
            return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 50, 40, 300, 200, 0, 0, 0xffffff);
        XSelectInput(display_, window_, ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask | PointerMotionMask | ExposureMask);
        XMapRaised(display_, window_);
        XSync(display_, False);
        for (int i = 0; i < 100; ++i) {
            XWindowAttributes a;
            XGetWindowAttributes(display_, window_, &a);
            if (a.map_state == IsViewable)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
        drain();
    }
    ~RecordingWindow()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }

    // What arrived within wait_ms: "press 1 at 50,40", "key a", "release key a", "motion 50,40".
    std::vector<std::string> events(int wait_ms = 300)
    {
        std::vector<std::string> out;
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        while (std::chrono::steady_clock::now() < until) {
            while (XPending(display_)) {
                XEvent e;
                XNextEvent(display_, &e);
                switch (e.type) {
                case ButtonPress:
                case ButtonRelease:
                    out.push_back(std::string(e.type == ButtonPress ? "press " : "release ") + std::to_string(e.xbutton.button)
                                  + " at " + std::to_string(e.xbutton.x) + "," + std::to_string(e.xbutton.y));
                    break;
                case KeyPress:
                case KeyRelease: {
                    KeySym sym = XLookupKeysym(&e.xkey, 0);
                    const char* name = XKeysymToString(sym);
                    out.push_back(std::string(e.type == KeyPress ? "key " : "release key ") + (name ? name : "?"));
                    break;
                }
                case MotionNotify:
                    last_motion_ = std::to_string(e.xmotion.x) + "," + std::to_string(e.xmotion.y);
                    break;
                default: break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return out;
    }
    void drain() { events(50); }
    const std::string& last_motion() const { return last_motion_; }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
    std::string last_motion_;
};

using Events = std::vector<std::string>;

class RemoteReplayX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!xvfb_.running())
            GTEST_SKIP() << "Xvfb could not be started";
        platform::x11_close_display();
        ASSERT_TRUE(platform::x11_input_available());
        ASSERT_TRUE(window_.ok());
        replay_.set_shared_window([](int& left, int& top) {
            left = 50;
            top = 40;
            return true;
        });
    }
    void TearDown() override
    {
        g_sharing_app = 0;
        g_sharing_desktop = 0;
        platform::x11_close_display();
    }

    TempHome home_;
    XvfbServer xvfb_ { "640x480x24" };
    RecordingWindow window_;
    RemoteReplay replay_;
};

} // namespace

TEST_F(RemoteReplayX11, ADesktopSharersDisplayGetsTheViewersClicksAndKeys)
{
    g_sharing_desktop = 1;
    replay_.desk_move(150, 90);
    replay_.desk_button(true);
    replay_.desk_button(false);
    replay_.desk_key('A', 0);
    replay_.desk_key(0x0d, 0);  // Enter
    EXPECT_EQ(window_.events(), (Events { "press 1 at 100,50", "release 1 at 100,50", "key a", "release key a", "key Return",
                                          "release key Return" }));
    EXPECT_EQ(window_.last_motion(), "100,50");

    // A double click is two clicks where it says.
    replay_.desk_double_click(60, 50);
    EXPECT_EQ(window_.events(), (Events { "press 1 at 10,10", "release 1 at 10,10", "press 1 at 10,10", "release 1 at 10,10" }));

    // The 28-byte record: the right button, then a key down and up.
    InputRecord right;
    right.flags = mouse_right_down;
    std::string down = encode_input_record(right);
    right.flags = mouse_right_up;
    std::string up = encode_input_record(right);
    InputRecord key;
    key.kind = input_kind_key;
    key.dx = 'Q';
    std::string key_down = encode_input_record(key);
    key.flags = key_flag_up;
    std::string key_up = encode_input_record(key);
    EXPECT_TRUE(replay_.key_input(down.data(), 28));
    EXPECT_TRUE(replay_.key_input(up.data(), 28));
    EXPECT_TRUE(replay_.key_input(key_down.data(), 28));
    EXPECT_TRUE(replay_.key_input(key_up.data(), 28));
    EXPECT_EQ(window_.events(), (Events { "press 3 at 10,10", "release 3 at 10,10", "key q", "release key q" }));
}

TEST_F(RemoteReplayX11, AnApplicationSharersWindowGetsPointsRelativeToItsCorner)
{
    g_sharing_app = 1;
    replay_.app_move(20, 30);
    replay_.app_button(20, 30, true);
    replay_.app_button(20, 30, false);
    replay_.app_key('7', 0);
    EXPECT_EQ(window_.events(), (Events { "press 1 at 20,30", "release 1 at 20,30", "key 7", "release key 7" }));
    replay_.app_double_click(5, 6);
    EXPECT_EQ(window_.events(), (Events { "press 1 at 5,6", "release 1 at 5,6", "press 1 at 5,6", "release 1 at 5,6" }));
}

TEST_F(RemoteReplayX11, NothingIsInjectedThatIsNotAShareOrNotKnown)
{
    struct Case {
        const char* what;
        bool sharing;
        std::function<void(RemoteReplay&)> replay;
    };
    InputRecord odd;
    odd.kind = 7;
    const std::string odd_kind = encode_input_record(odd);
    InputRecord unknown_key;
    unknown_key.kind = input_kind_key;
    unknown_key.dx = 0xff;
    const std::string unknown = encode_input_record(unknown_key);
    const Case cases[] = {
        { "a click while not sharing", false, [](RemoteReplay& r) { r.desk_move(100, 100); r.desk_button(true); r.desk_button(false); } },
        { "a key while not sharing", false, [](RemoteReplay& r) { r.desk_key('A', 0); } },
        { "an application click while not sharing", false, [](RemoteReplay& r) { r.app_button(10, 10, true); } },
        { "a record while not sharing", false, [&](RemoteReplay& r) { r.key_input(unknown.data(), 28); } },
        { "a record of an unknown kind", true, [&](RemoteReplay& r) { EXPECT_FALSE(r.key_input(odd_kind.data(), 28)); } },
        { "a record with an unknown key", true, [&](RemoteReplay& r) { EXPECT_FALSE(r.key_input(unknown.data(), 28)); } },
        { "a record cut short", true, [&](RemoteReplay& r) { EXPECT_FALSE(r.key_input(odd_kind.data(), 27)); } },
        { "a desktop key without a key sym", true, [](RemoteReplay& r) { r.desk_key(0xff, 0); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_sharing_desktop = c.sharing ? 1 : 0;
        c.replay(replay_);
        Events got = window_.events(150);
        EXPECT_TRUE(got.empty()) << got.front();
    }
}
