#include "core/global_state.h"
#include "core/settings.h"
#include "core/title_status.h"
#include "core/window_messages.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

TEST(GlobalState, InitSetsTheStartValues)
{
    TempHome home;
    g_my_customer_id = 55;
    g_room_number = 3;
    g_logged_in = 1;
    g_current_board = 4;
    g_board_count = 7;
    g_share_cursor_x = 0;
    customer_info[5].in_use = 1;
    customer_view[5].show_video = 0;
    room_list_add("old");
    int steps_run = 0;
    global_state_steps().clear_boards = [&] { ++steps_run; };
    global_state_steps().init_skin = [&] { ++steps_run; };

    ASSERT_EQ(init_global_state(), 0);
    global_state_steps() = GlobalStateSteps {};

    EXPECT_EQ(steps_run, 2);
    EXPECT_EQ(g_my_customer_id, -1);
    EXPECT_EQ(g_room_number, -1);
    EXPECT_EQ(g_logged_in, 0);
    EXPECT_EQ(g_current_board, 0);
    EXPECT_EQ(g_board_count, 1);
    EXPECT_EQ(g_board_sync, 1);
    EXPECT_EQ(g_share_cursor_x, 20);
    EXPECT_EQ(customer_info[5].in_use, 0);
    EXPECT_EQ(customer_info[5].spare_word, 1);
    EXPECT_EQ(customer_view[5].show_video, 1);
    EXPECT_EQ(room_entry[0].in_use, 0);
    EXPECT_TRUE(file_exists(home.user_folder() + "dbg_log.txt"));
    EXPECT_TRUE(file_exists(home.user_folder() + "play_back"));
    free_global_resources();
}

TEST(GlobalState, VideoSettingsAreCheckedAgainstTheirRanges)
{
    TempHome home;
    read_video_settings();
    EXPECT_EQ(g_video_speed, 5);
    EXPECT_EQ(g_video_size_index, 0);
    EXPECT_EQ(g_video_quality, 50);
    EXPECT_EQ(g_video_frame_rate, 4);
    EXPECT_EQ(g_desktop_share_quality, 50);
    EXPECT_EQ(g_audio_quality, 0);

    struct Case {
        const char* name;
        int stored;
        AtomicInt* kept;
        int want;
    } cases[] = {
        { "video_speed", 0, &g_video_speed, 5 },     { "video_speed", 51, &g_video_speed, 50 },
        { "video_speed", 12, &g_video_speed, 12 },   { "video_size", 3, &g_video_size_index, 0 },
        { "video_size", 2, &g_video_size_index, 2 }, { "video_quality", 49, &g_video_quality, 50 },
        { "video_quality", 100, &g_video_quality, 100 }, { "video_frame_rate", 8, &g_video_frame_rate, 2 },
        { "video_frame_rate", 9, &g_video_frame_rate, 1 },
        { "video_frame_rate", 10, &g_video_frame_rate, 4 }, { "video_quality", 75, &g_video_quality, 50 }, { "desktop_share_quality", 101, &g_desktop_share_quality, 50 },
        { "audio_quality", 2, &g_audio_quality, 2 },  { "audio_quality", -1, &g_audio_quality, 0 },
    };
    for (const Case& c : cases) {
        reg_write_int("video", c.name, c.stored);
        read_video_settings();
        EXPECT_EQ(*c.kept, c.want) << c.name << "=" << c.stored;
    }
}

TEST(GlobalState, VideoSizeFollowsTheIndex)
{
    struct Case {
        int index, width, height;
    } cases[] = { { 0, 160, 120 }, { 1, 320, 240 }, { 2, 640, 480 }, { 7, 160, 120 }, { -1, 160, 120 } };
    for (const Case& c : cases) {
        g_video_size_index = c.index;
        set_video_size_by_index();
        EXPECT_EQ(g_video_width, c.width) << c.index;
        EXPECT_EQ(g_video_height, c.height) << c.index;
    }
}

TEST(GlobalState, RoomListAddFillsFreeEntriesUntilFull)
{
    room_list_clear();
    for (int i = 0; i < room_count; ++i)
        ASSERT_EQ(room_list_add("room " + std::to_string(i)), 0);
    auto before = room_entry;
    EXPECT_EQ(room_list_add("one too many"), -1);
    for (int i = 0; i < room_count; ++i)
        EXPECT_EQ(std::string(before[static_cast<size_t>(i)].name.data()), std::string(room_entry[static_cast<size_t>(i)].name.data()));
    room_list_clear();
    ASSERT_EQ(room_list_add(std::string(300, 'r')), 0);
    EXPECT_EQ(std::string(room_entry[0].name.data()).size(), 127u);
}

TEST(GlobalState, SelectBoardOutOfRangeLogsAndKeepsTheBoard)
{
    LogCapture log;
    g_current_board = 2;
    EXPECT_EQ(select_board(10), -1);
    EXPECT_EQ(select_board(-1), -1);
    EXPECT_EQ(g_current_board, 2);
    EXPECT_TRUE(log.contains("board_num:10 out of range:0-9\n"));
    EXPECT_EQ(select_board(9), 0);
    EXPECT_EQ(g_current_board, 9);
}

TEST(GlobalState, BoardSyncCountsAnyNonZeroAsOn)
{
    set_board_sync(5);
    EXPECT_EQ(g_board_sync, 1);
    set_board_sync(0);
    EXPECT_EQ(g_board_sync, 0);
}

TEST(GlobalState, ResetUserSlotKeepsTheIdAndRefusesOutOfRange)
{
    customer_info[3].customer_id = 17;
    customer_info[3].in_use = 1;
    customer_info[3].flags = 6;
    customer_info[3].picture_number = 9;
    EXPECT_EQ(reset_user_slot(3), 0);
    EXPECT_EQ(customer_info[3].customer_id, 17);
    EXPECT_EQ(customer_info[3].in_use, 0);
    EXPECT_EQ(customer_info[3].flags, 0);
    EXPECT_EQ(customer_info[3].picture_number, 0);
    EXPECT_EQ(customer_info[3].spare_word, 1);
    EXPECT_EQ(reset_user_slot(100), -1);
    EXPECT_EQ(reset_user_slot(-1), -1);
}

TEST(GlobalState, VideoSlotsRotateOverOneToEightWhenFull)
{
    LogCapture log;
    TempHome home;
    init_global_state();
    EXPECT_EQ(make_sure_customer_id_exist(-4), -1);
    EXPECT_TRUE(log.contains("customer_id:-4 <0 in make_sure_customer_id_exist\n"));
    for (int id = 100; id < 109; ++id)
        ASSERT_EQ(make_sure_customer_id_exist(id), 0);
    EXPECT_EQ(make_sure_customer_id_exist(104), 0);
    EXPECT_EQ(g_video_slot_customer_id[4], 104);
    std::vector<int> replaced;
    for (int id = 200; id < 210; ++id) {
        make_sure_customer_id_exist(id);
        for (int s = 0; s < video_slot_count; ++s)
            if (g_video_slot_customer_id[static_cast<size_t>(s)] == id)
                replaced.push_back(s);
    }
    EXPECT_EQ(replaced, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 8, 1, 2 }));
    EXPECT_EQ(g_video_slot_customer_id[0], 100);
    free_global_resources();
}

TEST(GlobalState, FileNameIsThePartAfterTheLastSeparator)
{
    struct Case {
        const char* path;
        size_t limit;
        const char* want;
        int result;
    } cases[] = {
        { "C:\\docs\\plan.doc", 255, "plan.doc", 0 }, { "/home/ann/plan.doc", 255, "plan.doc", 0 },
        { "c:plan.doc", 255, "plan.doc", 0 },         { "plan.doc", 255, "plan.doc", 0 },
        { "dir\\", 255, "", 0 },                      { "long_name.txt", 4, "long", 0 },
        { "", 255, "", -1 },
    };
    for (const Case& c : cases) {
        std::string out = "junk";
        EXPECT_EQ(get_file_name_from_path(c.path, out, c.limit), c.result) << c.path;
        EXPECT_EQ(out, c.want) << c.path;
    }
}

namespace {
class TitleWindow : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t, intptr_t) override
    {
        messages.push_back(msg);
        return 0;
    }
    std::vector<uint32_t> messages;
};
} // namespace

TEST(GlobalState, TitleAndStatusAreKeptAndPosted)
{
    TitleWindow frame;
    WindowSlotBinding binding(WindowSlot::main_frame, &frame);
    set_title_printf("%s", std::string(1200, 't').c_str());
    set_status_printf("Connected to %s", "Lobby");
    EXPECT_EQ(g_title_text.get().size(), 1000u);
    EXPECT_EQ(g_status_text.get(), "Connected to Lobby");
    EXPECT_EQ(frame.messages, (std::vector<uint32_t> { WM_MY_MSG_SET_TITLE, WM_MY_MSG_STATUS_TEXT }));
}
