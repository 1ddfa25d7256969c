// The procedures' notices without a display: what they post for a paint or
// a menu, when they re-read the exchange files, and what bad files do.

#include "core/window_messages.h"
#include "hooks/hook_exchange.h"
#include "hooks/hook_notices.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

struct Posted {
    long window;
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};
std::vector<Posted> g_posted;
void record_post(long window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    g_posted.push_back({ window, message, wparam, lparam });
}

class HookNoticesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(make_hook_exchange_folder());
        g_posted.clear();
        notices_.set_post(record_post);
    }
    void write_file(const char* name, const std::string& text)
    {
        std::ofstream(hook_exchange_path(name)) << text;
    }
    static HookMessage paint(int x, int y, int l, int t, int r, int b, int own = 0)
    {
        HookMessage m;
        m.window = 42;
        m.message = WM_PAINT;
        m.window_left = x;
        m.window_top = y;
        m.update_left = l;
        m.update_top = t;
        m.update_right = r;
        m.update_bottom = b;
        m.own = own;
        return m;
    }

    TempHome home_;
    HookNotices notices_;
};

} // namespace

TEST_F(HookNoticesTest, PaintOfAWindowAt100By50PostsTheScreenRectangle)
{
    ASSERT_EQ(write_exchange_numbers(hook_exchange_path(hook_paint_file_name), { 5, 11, 12, 0 }), 0);
    ASSERT_EQ(hook_atom_add(), 0);
    notices_.per_thread_paint_notice(paint(100, 50, 0, 0, 20, 10));
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(g_posted[0].window, 5);
    EXPECT_EQ(g_posted[0].message, WM_MY_MSG_HOOK_PAINT_RECT);
    EXPECT_EQ(high_half(g_posted[0].wparam), 100);
    EXPECT_EQ(low_half(g_posted[0].wparam), 120);
    EXPECT_EQ(high_half(static_cast<uintptr_t>(g_posted[0].lparam)), 50);
    EXPECT_EQ(low_half(static_cast<uintptr_t>(g_posted[0].lparam)), 60);
    EXPECT_EQ(notices_.next_get_message_hook(), 11);
    EXPECT_EQ(notices_.next_call_wnd_hook(), 12);
    // The procedure that re-read the file consumed the atom.
    EXPECT_FALSE(hook_atom_exists());
}

TEST_F(HookNoticesTest, OwnWindowsAndAnUnknownNotifyWindowPostNothing)
{
    notices_.per_thread_paint_notice(paint(0, 0, 0, 0, 5, 5));
    EXPECT_TRUE(g_posted.empty());
    write_exchange_numbers(hook_exchange_path(hook_paint_file_name), { 5, 1, 2, 0 });
    hook_atom_add();
    notices_.per_thread_paint_notice(paint(0, 0, 0, 0, 5, 5, 1));
    HookMessage menu;
    menu.message = WM_CONTEXTMENU;
    menu.own = 1;
    notices_.per_thread_menu_notice(menu);
    EXPECT_TRUE(g_posted.empty());
    menu.own = 0;
    notices_.per_thread_menu_notice(menu);
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(g_posted[0].message, WM_MY_MSG_HOOK_MENU);
}

TEST_F(HookNoticesTest, ASecondShareReAddsTheAtomAndOnlyThenIsTheFileReadAgain)
{
    write_exchange_numbers(hook_exchange_path(hook_paint_file_name), { 5, 1, 2, 0 });
    hook_atom_add();
    notices_.per_thread_paint_notice(paint(0, 0, 0, 0, 1, 1));
    write_exchange_numbers(hook_exchange_path(hook_paint_file_name), { 7, 3, 4, 0 });
    notices_.per_thread_paint_notice(paint(0, 0, 0, 0, 1, 1));
    EXPECT_EQ(notices_.notify_window(), 5);  // no atom: the old window stays
    hook_atom_add();
    notices_.per_thread_paint_notice(paint(0, 0, 0, 0, 1, 1));
    EXPECT_EQ(notices_.notify_window(), 7);
    ASSERT_EQ(g_posted.size(), 3u);
    EXPECT_EQ(g_posted[2].window, 7);
}

TEST_F(HookNoticesTest, BadExchangeFilesLeaveTheProceduresQuiet)
{
    struct Case {
        const char* text;
    } cases[] = { { "" }, { "5\n" }, { "five\n1\n2\n" }, { "5\n1x\n2\n" },
                  { "99999999999999999999999999999999999999999999\n1\n2\n" }, { "\n\n\n" } };
    for (const Case& c : cases) {
        HookNotices fresh;
        fresh.set_post(record_post);
        g_posted.clear();
        write_file(hook_paint_file_name, c.text);
        hook_atom_add();
        fresh.per_thread_paint_notice(paint(0, 0, 0, 0, 1, 1));
        EXPECT_TRUE(g_posted.empty()) << c.text;
        // Unread: the atom waits for a good file.
        EXPECT_TRUE(hook_atom_exists()) << c.text;
    }
    std::remove(hook_exchange_path(hook_paint_file_name).c_str());
    HookNotices missing;
    missing.set_post(record_post);
    g_posted.clear();
    missing.per_thread_paint_notice(paint(0, 0, 0, 0, 1, 1));
    EXPECT_TRUE(g_posted.empty());
}

TEST_F(HookNoticesTest, GlobalNoticesReReadTheirFileAfterThreeSecondsEach)
{
    write_exchange_numbers(hook_exchange_path(hook_paint_global_file_name), { 5, 1, 2, 0 });
    notices_.global_paint_notice(paint(0, 0, 0, 0, 1, 1), 3001);
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(g_posted[0].message, WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL);
    write_exchange_numbers(hook_exchange_path(hook_paint_global_file_name), { 9, 1, 2, 0 });
    notices_.global_paint_notice(paint(0, 0, 0, 0, 1, 1), 6001);  // 3000 later: not yet
    EXPECT_EQ(g_posted.back().window, 5);
    HookMessage menu;
    menu.message = WM_CONTEXTMENU;
    notices_.global_menu_notice(menu, 6001);  // the menu notice keeps its own time
    EXPECT_EQ(g_posted.back().window, 9);
    EXPECT_EQ(g_posted.back().message, WM_MY_MSG_HOOK_MENU_GLOBAL);
    notices_.global_paint_notice(paint(0, 0, 0, 0, 1, 1), 6002);
    EXPECT_EQ(g_posted.back().window, 9);
    // A file gone leaves the values as they were.
    std::remove(hook_exchange_path(hook_paint_global_file_name).c_str());
    notices_.global_paint_notice(paint(0, 0, 0, 0, 1, 1), 20000);
    EXPECT_EQ(g_posted.back().window, 9);
}

TEST_F(HookNoticesTest, APaintBeforeTheGlobalFileIsWrittenDoesNotDelayTheFirstNotices)
{
    std::remove(hook_exchange_path(hook_paint_global_file_name).c_str());
    notices_.global_paint_notice(paint(0, 0, 0, 0, 1, 1), 100000);
    EXPECT_TRUE(g_posted.empty());
    write_exchange_numbers(hook_exchange_path(hook_paint_global_file_name), { 5, 1, 2, 0 });
    notices_.global_paint_notice(paint(0, 0, 0, 0, 1, 1), 100010);
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(g_posted[0].window, 5);
}

TEST_F(HookNoticesTest, CoordinatesBeyondSixteenBitsWrap)
{
    write_exchange_numbers(hook_exchange_path(hook_paint_file_name), { 5, 0, 0, 0 });
    hook_atom_add();
    notices_.per_thread_paint_notice(paint(32760, -32760, 0, -10, 10, 0));
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(high_half(g_posted[0].wparam), 32760);
    EXPECT_EQ(low_half(g_posted[0].wparam), 32770 - 65536);
    EXPECT_EQ(high_half(static_cast<uintptr_t>(g_posted[0].lparam)), -32770 + 65536);
    EXPECT_EQ(notices_.next_get_message_hook(), 0);
}

TEST_F(HookNoticesTest, TheMouseFileIsReadOnceAndOnlyOnce)
{
    HookMouse at { 30, 40 };
    notices_.mouse_notice(at);  // no file: never tried again
    write_exchange_numbers(hook_exchange_path(hook_mouse_file_name), { 5, 0 });
    notices_.mouse_notice(at);
    EXPECT_TRUE(g_posted.empty());
    HookNotices reading;
    reading.set_post(record_post);
    reading.mouse_notice(at);
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(g_posted[0].message, WM_MY_MSG_HOOK_MOUSE_POS);
    EXPECT_EQ(g_posted[0].wparam, 30u);
    EXPECT_EQ(g_posted[0].lparam, 40);
}

TEST_F(HookNoticesTest, TheExchangeFolderIsThisUsersAlone)
{
    struct stat st {};
    std::string folder = hook_exchange_folder();
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(folder, home_.root() + "/run/kelo/");
}
