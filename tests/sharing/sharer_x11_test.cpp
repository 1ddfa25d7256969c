// The sharer under an Xvfb of the test's own, with a foreign client's
// window: the library's notices drive the passes, exactly the tiles a paint
// touched get new versions, and moves and resizes are announced.

#include "core/connections.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/messages.h"
#include "sharing/share_sharer.h"
#include "tests/core/loopback.h"
#include "tests/support/message_log.h"
#include "tests/sharing/tile_versions.h"
#include "tests/support/temp_home.h"
#include "tests/support/x_painter.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <thread>

using platform::ScreenRect;

namespace {

class SharerX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!xvfb_->running())
            GTEST_SKIP() << "Xvfb could not be started";
        platform::x11_close_display();
        ASSERT_EQ(create_work_folders(), 0);
        clear_app_sharing();
        set_hook_library_path(TAMBLO_HOOK_LIBRARY);
        g_main_sock.host.set("127.0.0.1");
        g_main_sock.port = listener_.port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        peer_ = listener_.accept_one();
        ASSERT_GE(peer_, 0);
    }
    void TearDown() override
    {
        share_sharer().stop_app_share();
        share_sharer().stop_desktop_share();
        g_main_sock.close_socket();
        if (peer_ >= 0)
            ::close(peer_);
        set_hook_library_path("");
        clear_app_sharing();
        platform::x11_close_display();
    }
    // Every message the sharer sent so far: (number, body).
    std::vector<std::pair<int, std::string>> sent()
    {
        std::vector<std::pair<int, std::string>> out;
        for (;;) {
            pollfd p { peer_, POLLIN, 0 };
            if (::poll(&p, 1, 50) <= 0)
                break;
            auto [head, body] = next_wire_message(peer_);
            if (head.empty())
                break;
            out.emplace_back(std::atoi(head.substr(10, 4).c_str()), body);
        }
        return out;
    }
    static std::vector<std::string> bodies_of(const std::vector<std::pair<int, std::string>>& messages, int number)
    {
        std::vector<std::string> out;
        for (const auto& [n, body] : messages)
            if (n == number)
                out.push_back(body);
        return out;
    }
    // What the share view does with the library's notices.
    void forward_notices()
    {
        for (const LoggedMessage& m : view_.messages()) {
            if (m.msg == WM_MY_MSG_HOOK_PAINT_RECT || m.msg == WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL)
                share_sharer().on_hook_paint_rect(m.msg == WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL, m.wparam, m.lparam);
            else if (m.msg == WM_MY_MSG_HOOK_MENU || m.msg == WM_MY_MSG_HOOK_MENU_GLOBAL)
                share_sharer().on_hook_menu(m.msg == WM_MY_MSG_HOOK_MENU_GLOBAL);
        }
        view_.clear();
    }

    TempHome home_;
    std::unique_ptr<XvfbServer> xvfb_ = std::make_unique<XvfbServer>();
    LoopbackListener listener_;
    int peer_ = -1;
    MessageLog view_ { WindowSlot::share_view };
};

} // namespace

TEST_F(SharerX11Test, AForeignPaintRaisesExactlyTheTilesItTouched)
{
    XPainter painter;
    unsigned long window = painter.window("Shared", 50, 40, 500, 300, 0x204060);
    ASSERT_NE(window, 0u);
    ShareSharer& sharer = share_sharer();
    sharer.app_share_approved(window);
    ASSERT_TRUE(sharer.hooks().paint_hooks_installed());
    ASSERT_TRUE(platform::x11_window_is_active(window));
    sharer.on_capture_tick();
    EXPECT_EQ(versions(ShareGrid::app), std::vector<int>(25, 1));
    auto messages = sent();
    ASSERT_EQ(bodies_of(messages, MSG_SHARE_APP_WINDOW_RECT).size(), 1u);
    EXPECT_EQ(bodies_of(messages, MSG_SHARE_APP_WINDOW_RECT)[0], "  50:  40: 500: 300");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    view_.clear();

    // Tiles are 100 x 60: this touches column 1 of rows 0 and 1.
    ASSERT_TRUE(painter.fill(window, 120, 10, 30, 80, 0xff0000));
    ASSERT_TRUE(view_.wait_for([](const LoggedMessage& m) { return m.msg == WM_MY_MSG_HOOK_PAINT_RECT; }, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    forward_notices();
    sharer.on_capture_tick();
    std::vector<int> want(25, 1);
    want[0 * 5 + 1] = 2;
    want[1 * 5 + 1] = 2;
    EXPECT_EQ(versions(ShareGrid::app), want);
    // The tile on disk shows the red paint.
    auto dib = dib_read_bmp_file(tile_picture_path(ShareGrid::app, 0, 1));
    ASSERT_NE(dib, nullptr);
    std::vector<uint8_t> rgb;
    CBitmapFile file;
    ASSERT_EQ(file.DibToRgb(*dib, rgb), 0);
    const uint8_t* p = &rgb[(static_cast<size_t>(20) * 100 + 30) * 3];
    EXPECT_EQ(p[0], 0xff);
    EXPECT_EQ(p[1], 0);
}

TEST_F(SharerX11Test, MovesAndResizesAreAnnouncedWithTheNewRectangle)
{
    XPainter painter;
    unsigned long window = painter.window("Moving", 10, 10, 300, 200, 0x406080);
    ASSERT_NE(window, 0u);
    ShareSharer& sharer = share_sharer();
    sharer.app_share_approved(window);
    sharer.on_capture_tick();
    ASSERT_TRUE(painter.move(window, 120, 90));
    sharer.on_capture_tick();
    ASSERT_TRUE(painter.resize(window, 350, 250));
    sharer.on_capture_tick();
    auto rects = bodies_of(sent(), MSG_SHARE_APP_WINDOW_RECT);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0], "  10:  10: 300: 200");
    EXPECT_EQ(rects[1], " 120:  90: 300: 200");
    EXPECT_EQ(rects[2], " 120:  90: 350: 250");
    EXPECT_EQ(sharer.shared_rect(), (ScreenRect { 120, 90, 350, 250 }));
    EXPECT_EQ(tile_of(ShareGrid::app, 0, 0).previous->width, 70);
}

TEST_F(SharerX11Test, ASharedWindowThatClosesEndsTheShare)
{
    XPainter painter;
    unsigned long window = painter.window("Closing", 10, 10, 300, 200, 0x406080);
    ShareSharer& sharer = share_sharer();
    bool lost = false;
    sharer.set_share_lost([&] { lost = true; });
    sharer.app_share_approved(window);
    sharer.on_capture_tick();
    ASSERT_TRUE(painter.destroy(window));
    sharer.on_capture_tick();
    EXPECT_TRUE(lost);
    EXPECT_EQ(g_sharing_app, 0);
    EXPECT_FALSE(sharer.hooks().library_loaded());
    EXPECT_EQ(bodies_of(sent(), MSG_SHARE_APP_STOP).size(), 1u);
    sharer.set_share_lost({});
    // Further ticks do nothing.
    sharer.on_capture_tick();
}

TEST_F(SharerX11Test, AWindowBehindAnotherIsNotCapturedAndComesBackToTheFront)
{
    XPainter painter;
    unsigned long window = painter.window("Shared", 10, 10, 300, 200, 0x406080);
    unsigned long other = painter.window("Other", 400, 300, 100, 100, 0x808080);
    ShareSharer& sharer = share_sharer();
    sharer.app_share_approved(window);
    sharer.on_capture_tick();
    ASSERT_TRUE(painter.focus(other));
    for (int i = 2; i <= 9; ++i)
        sharer.on_capture_tick();
    auto messages = sent();
    EXPECT_EQ(bodies_of(messages, MSG_SHARE_APP_WINDOW_RECT).size(), 1u);
    EXPECT_EQ(bodies_of(messages, MSG_APP_VIEWER_ALIVE).size(), 1u);  // tick 5
    sharer.on_capture_tick();  // tick 10 brings it back
    EXPECT_TRUE(platform::x11_window_is_active(window));
    EXPECT_EQ(bodies_of(sent(), MSG_SHARE_APP_WINDOW_RECT).size(), 1u);
}

TEST_F(SharerX11Test, TheDesktopIsSharedInThirtySixTilesWithItsSize)
{
    XPainter painter;
    unsigned long window = painter.window("Desk", 200, 150, 100, 100, 0xff8000);
    ASSERT_NE(window, 0u);
    ShareSharer& sharer = share_sharer();
    sharer.desktop_share_approved();
    ASSERT_TRUE(sharer.hooks().global_hooks_installed());
    sharer.on_capture_tick();
    EXPECT_EQ(versions(ShareGrid::desk), std::vector<int>(36, 1));
    auto messages = sent();
    ASSERT_EQ(bodies_of(messages, MSG_SHARE_DESK_SIZE).size(), 1u);
    EXPECT_EQ(bodies_of(messages, MSG_SHARE_DESK_SIZE)[0], " 800: 600");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    view_.clear();
    // Tiles are 133 x 100: screen (210..230, 160..170) is tile (1, 1).
    ASSERT_TRUE(painter.fill(window, 10, 10, 20, 10, 0x0000ff));
    ASSERT_TRUE(view_.wait_for([](const LoggedMessage& m) { return m.msg == WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    forward_notices();
    sharer.on_capture_tick();
    std::vector<int> want(36, 1);
    want[1 * 6 + 1] = 2;
    EXPECT_EQ(versions(ShareGrid::desk), want);
    EXPECT_NE(file_get_size(tile_z_path(ShareGrid::desk, 1, 1)), -1);
}

TEST(SharerWithoutExtensions, NoDamageAndNoSharedMemoryFallBackToFullComparisonsLoggedOnce)
{
    XvfbServer xvfb("800x600x24", { "-extension", "DAMAGE", "-extension", "MIT-SHM" });
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    TempHome home;
    platform::x11_close_display();
    ASSERT_EQ(create_work_folders(), 0);
    clear_app_sharing();
    set_hook_library_path(TAMBLO_HOOK_LIBRARY);
    XPainter painter;
    unsigned long window = painter.window("Plain", 0, 0, 500, 300, 0x102030);
    LogCapture log;
    ShareSharer& sharer = share_sharer();
    sharer.app_share_approved(window);
    EXPECT_FALSE(sharer.hooks().paint_hooks_installed());
    sharer.on_capture_tick();
    EXPECT_EQ(versions(ShareGrid::app), std::vector<int>(25, 1));
    painter.fill(window, 0, 0, 10, 10, 0xffffff);
    for (int i = 2; i <= 6; ++i)
        sharer.on_capture_tick();
    EXPECT_EQ(tile_of(ShareGrid::app, 0, 0).version, 2);  // found by the full pass of tick 6
    int fallback_lines = 0;
    for (const std::string& line : log.lines())
        fallback_lines += line.find("XGetImage instead") != std::string::npos;
    EXPECT_EQ(fallback_lines, 1);
    sharer.stop_app_share();
    set_hook_library_path("");
    clear_app_sharing();
    platform::x11_close_display();
}
