#include "core/settings.h"
#include "shell/frame_commands.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>
#include <set>

namespace {

CommandState logged_in_state()
{
    CommandState s;
    s.connected = true;
    s.logged_in = true;
    return s;
}

CommandState in_room_state()
{
    CommandState s = logged_in_state();
    s.room_number = 3;
    return s;
}

CommandState meeting_state()
{
    CommandState s = in_room_state();
    s.meeting_started = true;
    return s;
}

} // namespace

TEST(FrameCommands, EveryIdOnceWithAText)
{
    std::set<int> seen;
    for (const FrameCommand& c : frame_commands()) {
        EXPECT_TRUE(seen.insert(c.id).second) << c.id;
        EXPECT_STRNE(c.text, "") << c.id;
        EXPECT_EQ(find_frame_command(c.id), &c);
    }
    EXPECT_EQ(find_frame_command(1), nullptr);
    EXPECT_FALSE(command_enabled(1, CommandState {}));
}

TEST(FrameCommands, RulesFollowTheSessionStep)
{
    struct Case {
        const char* name;
        CommandState state;
        int id;
        bool enabled;
    };
    CommandState connected;
    connected.connected = true;
    CommandState locked = meeting_state();
    locked.board_locked = true;
    CommandState offline;
    offline.offline = true;
    offline.board_locked = true;
    CommandState logged_not_connected;
    logged_not_connected.logged_in = true;
    CommandState room_not_logged = in_room_state();
    room_not_logged.logged_in = false;
    CommandState presenter = in_room_state();
    presenter.presenter = true;
    CommandState share_view = meeting_state();
    share_view.current_view = 3;
    const Case cases[] = {
        { "connect always", CommandState {}, cmd::connect_server, true },
        { "disconnect needs a connection", CommandState {}, cmd::disconnect_server, false },
        { "disconnect connected", connected, cmd::disconnect_server, true },
        { "login when connected", connected, cmd::login, true },
        { "login not twice", logged_in_state(), cmd::login, false },
        { "logout needs the connection too", logged_not_connected, cmd::logout, false },
        { "logout logged in", logged_in_state(), cmd::logout, true },
        { "room dialog logged in", logged_in_state(), cmd::join_meeting_room, true },
        { "room needs login", room_not_logged, cmd::text_chat, false },
        { "start before login shows its refusal", CommandState {}, cmd::start_meeting, true },
        { "start once started", meeting_state(), cmd::start_meeting, false },
        { "stop needs the meeting", in_room_state(), cmd::stop_meeting, false },
        { "stop in the meeting", meeting_state(), cmd::stop_meeting, true },
        { "talk in a room", in_room_state(), cmd::meeting_talk, true },
        { "push mode is the presenter's", in_room_state(), cmd::push_mode, false },
        { "push mode presenter", presenter, cmd::push_mode, true },
        { "share in the meeting", meeting_state(), cmd::share_desktop, true },
        { "share not before", in_room_state(), cmd::share_desktop, false },
        { "pen in the meeting", meeting_state(), cmd::tool_pen, true },
        { "pen on a locked board", locked, cmd::tool_pen, false },
        { "pen off line even locked", offline, cmd::tool_pen, true },
        { "undo off line", offline, cmd::board_undo, true },
        { "reload the board", meeting_state(), cmd::board_reload, true },
        { "reload off while the shared screen shows", share_view, cmd::board_reload, false },
        { "lock needs the meeting", offline, cmd::board_lock, false },
        { "net speed connected", connected, cmd::net_speed_test, true },
        { "net speed not before", CommandState {}, cmd::net_speed_test, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(command_enabled(c.id, c.state), c.enabled) << c.name;
}

TEST(FrameCommands, RecordingAndPlayingStartPauseStop)
{
    struct Case {
        bool on, paused;
        bool start, pause, stop, pause_checked;
    };
    const Case cases[] = {
        { false, false, true, false, false, false },
        { true, false, false, true, true, false },
        { true, true, true, true, true, true },
    };
    for (const Case& c : cases) {
        CommandState s;
        s.record_on = c.on;
        s.record_paused = c.paused;
        EXPECT_EQ(command_enabled(cmd::record_start, s), c.start) << c.on << c.paused;
        EXPECT_EQ(command_enabled(cmd::record_pause, s), c.pause) << c.on << c.paused;
        EXPECT_EQ(command_enabled(cmd::record_stop, s), c.stop) << c.on << c.paused;
        EXPECT_EQ(command_checked(cmd::record_pause, s), c.pause_checked) << c.on << c.paused;
        CommandState p;
        p.play_on = c.on;
        p.play_paused = c.paused;
        EXPECT_EQ(command_enabled(cmd::play_record, p), c.start) << c.on << c.paused;
        EXPECT_EQ(command_enabled(cmd::play_pause, p), c.pause) << c.on << c.paused;
        EXPECT_EQ(command_enabled(cmd::play_stop, p), c.stop) << c.on << c.paused;
        EXPECT_EQ(command_checked(cmd::play_pause, p), c.pause_checked) << c.on << c.paused;
        EXPECT_TRUE(command_checkable(cmd::play_pause));
    }
}

TEST(FrameCommands, EachDrawingToolIsCheckedAtItsCode)
{
    const std::pair<int, int> tools[] = {
        { cmd::tool_pointer, 0 }, { cmd::tool_pen, 1 }, { cmd::tool_eraser, 2 }, { cmd::tool_text, 3 },
        { cmd::tool_line, 4 }, { cmd::tool_void_rect, 5 }, { cmd::tool_solid_rect, 6 }, { cmd::tool_void_circle, 7 },
        { cmd::tool_solid_circle, 8 }, { cmd::tool_void_round_rect, 9 }, { cmd::tool_solid_round_rect, 10 },
    };
    for (auto [id, code] : tools) {
        ASSERT_EQ(find_frame_command(id)->tool_code, code);
        EXPECT_TRUE(command_checkable(id));
        CommandState s = meeting_state();
        for (int tool = 0; tool <= 10; ++tool) {
            s.board_tool = tool;
            EXPECT_EQ(command_checked(id, s), tool == code) << id << " at " << tool;
        }
    }
}

TEST(FrameCommands, MeetingRefusalsInTheirOrder)
{
    CommandState chairman_mode_guest = in_room_state();
    chairman_mode_guest.chairman_control = true;
    CommandState chairman_mode_chairman = chairman_mode_guest;
    chairman_mode_chairman.chairman = true;
    CommandState not_logged_with_room;
    not_logged_with_room.room_number = 2;
    not_logged_with_room.chairman_control = true;
    struct Case {
        const char* name;
        CommandState state;
        const char* start;
        const char* stop;
    };
    const Case cases[] = {
        { "nothing", CommandState {}, "Please login first.", "Please login first." },
        { "login first even with a room", not_logged_with_room, "Please login first.", "Please login first." },
        { "no room", logged_in_state(), "Please join a meeting room first.", "Please join a meeting room first." },
        { "free lance guest", in_room_state(), "", "" },
        { "chairman mode guest", chairman_mode_guest, "",
          "Only Chairman could stop meeting. Please request chairman first." },
        { "chairman mode chairman", chairman_mode_chairman, "", "" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(start_meeting_refusal(c.state), c.start) << c.name;
        EXPECT_EQ(stop_meeting_refusal(c.state), c.stop) << c.name;
    }
    CommandState presenter = chairman_mode_guest;
    presenter.presenter = true;
    EXPECT_EQ(sharing_refusal(chairman_mode_guest), "Only presenter can do this in Chairman control mode.");
    EXPECT_EQ(sharing_refusal(presenter), "");
    EXPECT_EQ(sharing_refusal(in_room_state()), "");
}

TEST(FrameCommands, MeetingClockText)
{
    struct Case {
        int64_t seconds;
        const char* want;
    };
    const Case cases[] = {
        { 0, "Meeting Started: 00:00:00" },     { -5, "Meeting Started: 00:00:00" },
        { 59, "Meeting Started: 00:00:59" },    { 61, "Meeting Started: 00:01:01" },
        { 3600 + 120 + 3, "Meeting Started: 01:02:03" }, { 100 * 3600, "Meeting Started: 100:00:00" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(meeting_clock_text("Meeting Started", c.seconds), c.want) << c.seconds;
}

TEST(FrameCommands, LayoutSettingsOutOfRangeGiveTheDefaults)
{
    TempHome home;
    FrameLayoutSettings d = read_frame_layout_settings();
    EXPECT_EQ(d.show_talk_bar, 1);
    EXPECT_EQ(d.show_draw_bar, 1);
    EXPECT_EQ(d.show_misc_bar, 1);
    EXPECT_EQ(d.left_width, 200);
    EXPECT_EQ(d.upper_height, 350);
    EXPECT_EQ(d.lower_height, 150);

    reg_write("general", "show_talk_bar", "0");
    reg_write("general", "show_draw_bar", "7");
    reg_write("general", "show_misc_bar", "-1");
    reg_write("general", "left_panel_width", "5");
    reg_write("general", "upper_view_height", "999999");
    reg_write("general", "chat_view_height", "240");
    FrameLayoutSettings s = read_frame_layout_settings();
    EXPECT_EQ(s.show_talk_bar, 0);
    EXPECT_EQ(s.show_draw_bar, 1);
    EXPECT_EQ(s.show_misc_bar, 1);
    EXPECT_EQ(s.left_width, 200);
    EXPECT_EQ(s.upper_height, 350);
    EXPECT_EQ(s.lower_height, 240);

    write_splitter_sizes(180, 3, 260);
    s = read_frame_layout_settings();
    EXPECT_EQ(s.left_width, 180);
    EXPECT_EQ(s.upper_height, 350);
    EXPECT_EQ(s.lower_height, 260);
}
