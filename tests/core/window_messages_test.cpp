#include "core/window_messages.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Received {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    std::string body;
};

// The recording target: what a window would have been told.
class RecordingWindow : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        std::string body;
        if (msg == WM_MY_MSG_202)
            body.assign(reinterpret_cast<const char*>(wparam), static_cast<size_t>(lparam));
        received.push_back({ msg, wparam, lparam, body });
        return 42;
    }
    std::vector<Received> received;
};

} // namespace

TEST(WindowMessages, NumbersSitInTheApplicationRange)
{
    EXPECT_EQ(WM_MY_MSG_TALK_STARTED, 0x8002u);
    EXPECT_EQ(WM_MY_MSG_CONNECTED, WM_APP + 63);
    EXPECT_EQ(WM_MY_MSG_LOGO_READY, WM_APP + 149);
}

TEST(WindowMessages, EmptySlotDropsPostsAndSends)
{
    EXPECT_FALSE(post_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_FIRST, 1, 2));
    EXPECT_EQ(send_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_FIRST, 1, 2), 0);
    EXPECT_FALSE(post_window_message_with_body(WindowSlot::choose_app, WM_MY_MSG_202, "body"));
}

TEST(WindowMessages, RegisteredWindowReceivesWhatIsPostedAndSent)
{
    RecordingWindow window;
    {
        WindowSlotBinding binding(WindowSlot::members_page, &window);
        EXPECT_TRUE(post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, 3, 1));
        EXPECT_EQ(send_window_message(WindowSlot::members_page, WM_MY_MSG_HAND_BUTTON, 5, 6), 42);
    }
    EXPECT_FALSE(window_exists(WindowSlot::members_page));
    EXPECT_FALSE(post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, 3, 1));
    ASSERT_EQ(window.received.size(), 2u);
    EXPECT_EQ(window.received[0].msg, WM_MY_MSG_MEMBER_STATE);
    EXPECT_EQ(window.received[0].wparam, 3u);
    EXPECT_EQ(window.received[1].lparam, 6);
}

TEST(WindowMessages, PostedBodyIsACopy)
{
    RecordingWindow window;
    WindowSlotBinding binding(WindowSlot::choose_app, &window);
    std::string body = "1234:window title";
    post_window_message_with_body(WindowSlot::choose_app, WM_MY_MSG_202, body);
    body = "changed";
    ASSERT_EQ(window.received.size(), 1u);
    EXPECT_EQ(window.received[0].body, "1234:window title");
    EXPECT_EQ(window.received[0].lparam, 17);
}

TEST(WindowMessages, UnregisterLeavesAnotherWindowInTheSlot)
{
    RecordingWindow old_window, new_window;
    register_window(WindowSlot::chat_view, &old_window);
    register_window(WindowSlot::chat_view, &new_window);
    unregister_window(WindowSlot::chat_view, &old_window);
    EXPECT_EQ(window_in_slot(WindowSlot::chat_view), &new_window);
    unregister_window(WindowSlot::chat_view, &new_window);
    EXPECT_FALSE(window_exists(WindowSlot::chat_view));
}
