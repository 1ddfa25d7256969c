// The video windows without their widgets: who each shows, the pairing of
// view and page windows, the refresh throttle, pause and close.
#include "core/global_state.h"
#include "media/video_windows.h"

#include <gtest/gtest.h>

namespace {

class VideoWindows : public ::testing::Test {
protected:
    void SetUp() override { video_windows_reset(); }
    void TearDown() override { video_windows_reset(); }

    static std::shared_ptr<const VideoPicture> picture(uint8_t fill)
    {
        auto p = std::make_shared<VideoPicture>();
        p->width = 160;
        p->height = 120;
        p->rgb.assign(160 * 120 * 3, fill);
        return p;
    }
};

TEST_F(VideoWindows, ChoosingInOneWindowSetsItsPairAndStartsOver)
{
    video_wnd_set_user(2, 1004);
    EXPECT_EQ(video_wnd_user(102), 1004);
    EXPECT_EQ(g_video_slot_customer_id[2], 1004);
    video_wnd_set_user(105, 1007);
    EXPECT_EQ(video_wnd_user(5), 1007);
    // View windows 6-8 have no pair.
    video_wnd_set_user(7, 1009);
    EXPECT_EQ(video_windows_showing(1009), (std::vector<int> { 7 }));

    VideoWindowState s = video_window_state(102);
    EXPECT_EQ(s.shown_ids, (std::array<int, 2> { -1, -1 }));
    EXPECT_EQ(s.received_ids, (std::array<int, 2> { 0, 0 }));

    // A frame reaches both; choosing another attendee forgets it.
    EXPECT_EQ(video_frame_store(1004, 1, 1, picture(9), nullptr), 2);
    EXPECT_NE(video_window_state(2).picture, nullptr);
    video_wnd_set_user(102, 1005);
    EXPECT_EQ(video_window_state(2).picture, nullptr);
    EXPECT_EQ(video_window_state(2).received_ids, (std::array<int, 2> { 0, 0 }));
    // A frame of someone no window shows is stored nowhere.
    EXPECT_EQ(video_frame_store(1004, 1, 2, picture(9), nullptr), 0);
    EXPECT_FALSE(video_window_index_valid(9));
    EXPECT_FALSE(video_window_index_valid(106));
}

TEST_F(VideoWindows, StillSenderIsAskedAgainEverySixTicksOrThreeSeconds)
{
    video_wnd_set_user(0, 1001);
    uint32_t t = 100000;
    ASSERT_TRUE(video_wnd_refresh(0, t)); // the first request goes at once
    // No new frame: five ticks wait, the sixth asks again.
    std::vector<bool> asked;
    for (int tick = 1; tick <= 14; ++tick)
        asked.push_back(video_wnd_refresh(0, t + 50 * tick));
    EXPECT_EQ(asked, (std::vector<bool> { false, false, false, false, false, false, true, false, false, false, false,
                                          false, false, true }));
    // After three seconds without ticks, the next tick asks.
    uint32_t later = t + 50 * 14;
    EXPECT_FALSE(video_wnd_refresh(0, later + 1000));
    EXPECT_TRUE(video_wnd_refresh(0, later + 1000 + video_refresh_stale_ms + 1));
    // A new frame: asked at the next tick, and the paired window took the same ids and count.
    video_frame_store(1001, 1, 1, picture(1), nullptr);
    EXPECT_TRUE(video_wnd_refresh(0, later + 5000));
    EXPECT_EQ(video_window_state(100).shown_ids, (std::array<int, 2> { 1, 1 }));
    EXPECT_EQ(video_window_state(100).last_refresh_tick, later + 5000);
    // A window without a user never asks; the tick count wraps without harm.
    EXPECT_FALSE(video_wnd_refresh(3, t));
    video_wnd_set_user(4, 1002);
    EXPECT_TRUE(video_wnd_refresh(4, 0xffffffe0u));
    EXPECT_FALSE(video_wnd_refresh(4, 0x10u));
}

TEST_F(VideoWindows, PauseGoesToEveryWindowOfTheUserAndKeepsThePicture)
{
    video_wnd_set_user(1, 1003);
    video_wnd_set_user(8, 1003);  // the same attendee twice
    video_wnd_toggle_pause(101);
    for (int index : { 1, 101, 8 })
        EXPECT_TRUE(video_window_state(index).paused) << index;
    EXPECT_FALSE(video_wnd_refresh(1, 5000));
    EXPECT_EQ(video_frame_store(1003, 1, 1, picture(7), nullptr), 3);
    EXPECT_EQ(video_window_state(1).picture, nullptr);  // paused windows keep what they had
    EXPECT_EQ(video_window_state(1).received_ids, (std::array<int, 2> { 1, 1 }));
    video_wnd_toggle_pause(8);
    EXPECT_FALSE(video_window_state(101).paused);
    // Without a user nothing pauses.
    video_wnd_toggle_pause(4);
    EXPECT_FALSE(video_window_state(4).paused);
}

TEST_F(VideoWindows, AssignCloseAndClearAll)
{
    int where = -2;
    EXPECT_EQ(video_window_assign(1001, &where), 0);
    EXPECT_EQ(video_window_assign(1002), 1);
    EXPECT_EQ(video_window_assign(1001, &where), -1); // already shown
    EXPECT_EQ(where, 0);
    video_wnd_set_user(6, 1001);
    // Closing one window of a user clears every window showing it.
    video_wnd_close(6);
    EXPECT_TRUE(video_windows_showing(1001).empty());
    EXPECT_EQ(video_window_assign(1003), 0); // the first free window again
    for (int u = 1004; u < 1012; ++u)
        video_window_assign(u);
    EXPECT_EQ(video_window_assign(1099, &where), -1); // all nine taken
    EXPECT_EQ(where, -1);
    EXPECT_EQ(video_window_close_user(1002), (std::vector<int> { 1, 101 }));
    video_windows_clear_all();
    for (int index : video_window_indexes())
        EXPECT_EQ(video_wnd_user(index), -1) << index;
}

TEST_F(VideoWindows, KeyPlanesAreFoundOnlyForTheirSenderAndKey)
{
    video_wnd_set_user(0, 1001);
    auto key = std::make_shared<VideoWindowKey>();
    key->customer_id = 1001;
    key->key_id = 4;
    video_frame_store(1001, 4, 10, picture(1), key);
    EXPECT_EQ(video_ref_load(1001, 4), key);
    EXPECT_EQ(video_ref_load(1001, 5), nullptr);
    EXPECT_EQ(video_ref_load(1002, 4), nullptr);
    // Another attendee in the window: the key goes with the old one.
    video_wnd_set_user(0, 1002);
    EXPECT_EQ(video_ref_load(1001, 4), nullptr);
}

TEST_F(VideoWindows, ASlotGivenOutsideTheWindowsStartsTheWindowOver)
{
    video_wnd_set_user(3, 1001);
    video_frame_store(1001, 1, 1, picture(1), nullptr);
    // A recording's player gives its attendees slots itself.
    g_video_slot_customer_id[3] = 1050;
    VideoWindowState s = video_window_state(103);
    EXPECT_EQ(s.user_id, 1050);
    EXPECT_EQ(s.picture, nullptr);
    EXPECT_EQ(make_sure_customer_id_exist(1051), 0);
    EXPECT_EQ(video_wnd_user(0), 1051);
}

} // namespace
