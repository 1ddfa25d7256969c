// The main frame offscreen: its layout and bands, its settings, the window
// messages it handles (fed through the bridge, from a worker where the
// message is sent), its commands that need no server, and closing.

#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/title_status.h"
#include "dialogs/event_notice.h"
#include "dialogs/ui/dlg_event_history.h"
#include "dialogs/ui/event_notices.h"
#include "skin/ui/my_edit.h"
#include "media/ui/dlg_show_me.h"
#include "platform/ui/file_dialog.h"
#include "shell/ui/brenmo_view.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/left_form.h"
#include "shell/ui/main_frame.h"
#include "sharing/share_state.h"
#include "dialogs/ui/prop_skin.h"
#include "dialogs/ui/prop_video.h"
#include "shell/ui/member_pictures_page.h"
#include "media/ui/dlg_volume.h"
#include "media/voice_audio.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_menu.h"
#include "skin/ui/my_property_sheet.h"
#include "skin/ui/my_rebar.h"
#include "skin/ui/my_splitter_wnd.h"
#include "skin/ui/my_tool_bar.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "skin/ui/edit_text_tool.h"
#include "whiteboard/ui/board_view.h"
#include "whiteboard/meeting_playback.h"
#include "whiteboard/ui/playback_view.h"
#include "media/ui/video_view.h"
#include "sharing/ui/share_view.h"
#include "shell/ui/chat_view.h"
#include "shell/ui/wnd_switch_bar.h"
#include "skin/ui/my_static.h"
#include "shell/ui/dlg_private_chat.h"
#include "skin/ui/my_edit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QToolBar>
#include <atomic>
#include <set>
#include <gtest/gtest.h>
#include <thread>

namespace {

void pump(int ms = 30)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A sent message comes from a worker, which waits while the UI thread handles it.
void send_from_worker(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    std::atomic<bool> done { false };
    std::thread worker([&] {
        send_window_message(WindowSlot::main_frame, msg, wparam, lparam);
        done = true;
    });
    while (!done)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    pump();
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "synthetic", 1);
        set_message_box_presenter(&boxes);
        init_global_state();
        install_board_model_for_tests();
    }
    void TearDown() override
    {
        set_message_box_presenter(nullptr);
        set_file_dialog_answer({});
        recorder().stop();
    }
    static void install_board_model_for_tests()
    {
        for (board_record& b : g_board)
            b = board_record {};
    }
    std::unique_ptr<CMainFrame> make_frame()
    {
        auto frame = std::make_unique<CMainFrame>();
        frame->resize(1024, 700);
        frame->show();
        pump();
        return frame;
    }
    QString caption(CMainFrame& f) const { return f.windowTitle(); }

    TempHome home;
    ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(MainFrameTest, StartsWithTheVideoViewAndAllBands)
{
    auto frame = make_frame();
    EXPECT_EQ(g_main_frame, frame.get());
    EXPECT_TRUE(window_exists(WindowSlot::main_frame));
    EXPECT_EQ(g_current_view, upper_view_video);
    CBrenmoView& right = *frame->brenmo_view();
    EXPECT_EQ(right.visible_upper_view(), right.upper_view(upper_view_video));
    EXPECT_TRUE(right.video_view()->isVisible());
    EXPECT_FALSE(right.board_view()->isVisible());
    EXPECT_FALSE(right.share_view()->isVisible());
    EXPECT_FALSE(right.playback_view()->isVisible());
    EXPECT_TRUE(right.chat_view()->isVisible());
    for (int band = 0; band < 3; ++band)
        EXPECT_TRUE(frame->band_shown(band)) << band;
    // The bands in the rebar's order: 161, 131, 144; the talk band 60 pixels at least.
    ASSERT_EQ(frame->rebar()->band_count(), 3);
    EXPECT_EQ(frame->band(0)->resource_id(), 161);
    EXPECT_EQ(frame->band(1)->resource_id(), 131);
    EXPECT_EQ(frame->band(2)->resource_id(), 144);
    EXPECT_GE(frame->rebar()->band_rect(0).width(), talk_bar_width_px);
    EXPECT_EQ(frame->meeting_clock_text(), "Meeting Started: 00:00:00");
    // The bands carry their commands, each with its tool tip, enabled as its action is.
    for (int id : { 32834, 32890 })
        EXPECT_FALSE(frame->band(0)->button_rect(id).isEmpty()) << id;
    for (int id : { 32785, 32805, 32786 })
        EXPECT_FALSE(frame->band(1)->button_rect(id).isEmpty()) << id;
    for (int id : { 32810, 32812, 32811, 32808, 32809, 32806, 32820, 32817, 32818 })
        EXPECT_FALSE(frame->band(2)->button_rect(id).isEmpty()) << id;
    EXPECT_EQ(frame->band(2)->tip(32810), "Connect to server");
    EXPECT_EQ(frame->band(0)->tip(32890), "Show me");
    EXPECT_TRUE(frame->band(2)->is_enabled(32810));
    EXPECT_FALSE(frame->band(2)->is_enabled(32809));
    frame.reset();
    EXPECT_EQ(g_main_frame, nullptr);
    EXPECT_FALSE(window_exists(WindowSlot::main_frame));
}

TEST_F(MainFrameTest, BandsFollowTheSettingsAndTheirToggles)
{
    struct Case {
        const char* talk;
        const char* draw;
        const char* misc;
        bool shown[3];
    };
    const Case cases[] = {
        { "", "", "", { true, true, true } },
        { "0", "", "", { false, true, true } },
        { "1", "0", "0", { true, false, false } },
        { "5", "-1", "x", { true, true, true } },
    };
    for (const Case& c : cases) {
        reg_write("general", "show_talk_bar", c.talk);
        reg_write("general", "show_draw_bar", c.draw);
        reg_write("general", "show_misc_bar", c.misc);
        auto frame = make_frame();
        for (int band = 0; band < 3; ++band)
            EXPECT_EQ(frame->band_shown(band), c.shown[band]) << c.talk << c.draw << c.misc << " band " << band;
        EXPECT_EQ(frame->commands().action(cmd::audio_video_bar)->isChecked(), c.shown[0]);
        EXPECT_EQ(frame->commands().action(cmd::ctrl_bar)->isChecked(), c.shown[1]);
        EXPECT_EQ(frame->commands().action(cmd::misc_bar)->isChecked(), c.shown[2]);
    }

    reg_write("general", "show_talk_bar", "");
    reg_write("general", "show_draw_bar", "");
    reg_write("general", "show_misc_bar", "");
    auto frame = make_frame();
    const std::pair<int, const char*> toggles[] = { { cmd::misc_bar, "show_misc_bar" }, { cmd::ctrl_bar, "show_draw_bar" },
                                                    { cmd::audio_video_bar, "show_talk_bar" } };
    for (auto [id, setting] : toggles) {
        frame->commands().action(id)->trigger();
        int stored = -1;
        reg_read_int("general", setting, stored);
        EXPECT_EQ(stored, 0) << setting;
        EXPECT_FALSE(frame->commands().action(id)->isChecked()) << setting;
    }
    for (int band = 0; band < 3; ++band)
        EXPECT_FALSE(frame->band_shown(band)) << band;
    // The server's talk-mode change brings the talk band back.
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_SHOW_TALK_BAR);
    pump();
    EXPECT_TRUE(frame->band_shown(0));
    EXPECT_EQ(frame->show_talk_bar, 1);
    EXPECT_TRUE(frame->commands().action(cmd::audio_video_bar)->isChecked());
}

TEST_F(MainFrameTest, SwitchesOneUpperViewAtATime)
{
    auto frame = make_frame();
    CBrenmoView& right = *frame->brenmo_view();
    for (int index : { upper_view_board, upper_view_share, upper_view_playback, upper_view_video }) {
        EXPECT_EQ(frame->show_upper_view(index), 0);
        EXPECT_EQ(g_current_view, index);
        for (int other = 1; other <= 4; ++other)
            EXPECT_EQ(right.upper_view(other)->isVisible(), other == index) << index << " " << other;
    }
    EXPECT_EQ(frame->switch_to_share_view(), 0);
    EXPECT_EQ(g_current_view, upper_view_share);
    for (int bad : { 0, 5, -1, 99 }) {
        EXPECT_EQ(frame->show_upper_view(bad), -1);
        EXPECT_EQ(g_current_view, upper_view_share);
    }
    // The presenter's view, pushed to this attendee, is followed.
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_UPPER_VIEW, upper_view_board);
    pump();
    EXPECT_EQ(g_current_view, upper_view_board);
    EXPECT_TRUE(right.upper_view(upper_view_board)->isVisible());
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_UPPER_VIEW, 9);
    pump();
    EXPECT_EQ(g_current_view, upper_view_board);
    frame->switch_to_share_view();

    // The board's reload stands disabled while the shared screen is up.
    g_offline_board = 1;
    frame->commands().refresh();
    EXPECT_FALSE(frame->commands().action(cmd::board_reload)->isEnabled());
    frame->switch_to_board_view();
    frame->commands().refresh();
    EXPECT_TRUE(frame->commands().action(cmd::board_reload)->isEnabled());
    g_offline_board = 0;
}

TEST_F(MainFrameTest, SplitterSizesSurviveARestartAndBadOnesGiveTheDefaults)
{
    auto column = [](CMySplitterWnd* s, int col) {
        int current = 0, min_px = 0;
        s->GetColumnInfo(col, current, min_px);
        return current;
    };
    auto row = [](CMySplitterWnd* s, int r) {
        int current = 0, min_px = 0;
        s->GetRowInfo(r, current, min_px);
        return current;
    };
    {
        auto frame = make_frame();
        // The default, or wider when the left panel's three tabs need it.
        EXPECT_EQ(column(frame->outer_splitter(), 0), std::max(200, frame->left_form()->minimumWidth()));
        frame->outer_splitter()->SetColumnInfo(0, 260, splitter_min_px);
        frame->outer_splitter()->RecalcLayout();
        CMySplitterWnd* inner = frame->brenmo_view()->splitter();
        inner->SetRowInfo(0, row(inner, 0) + row(inner, 1) - 250, splitter_min_px);
        inner->RecalcLayout();
        frame->close();
        pump();
    }
    int left = 0;
    reg_read_int("general", "left_panel_width", left);
    EXPECT_EQ(left, 260);
    auto frame = make_frame();
    EXPECT_EQ(column(frame->outer_splitter(), 0), 260);
    EXPECT_NEAR(row(frame->brenmo_view()->splitter(), 1), 250, 2);
    frame.reset();

    reg_write("general", "left_panel_width", "-40");
    reg_write("general", "upper_view_height", "nonsense");
    auto fresh = make_frame();
    EXPECT_EQ(column(fresh->outer_splitter(), 0), std::max(200, fresh->left_form()->minimumWidth()));
}

TEST_F(MainFrameTest, WindowMessagesShowTheirTexts)
{
    auto frame = make_frame();
    g_server_display_name.set("Local");
    g_login_name.set("ann");
    g_room_name.set("Lobby");
    g_current_room_name.set("Lobby");
    g_newest_version_major = 1;
    g_newest_version_minor = 9;
    g_newest_version_build = 5;
    g_new_presenter_name.set("cy");
    g_new_chairman_name.set("dan");
    g_presenter_applicant.set("eve");

    // The frame's notices go to the event notices, the questions to boxes.
    std::vector<std::string> notices;
    set_event_notice_sink([&notices](const std::string& text) { notices.push_back(text); });
    enum class Where { box, notice, caption };
    struct Case {
        const char* name;
        std::function<void()> setup;
        uint32_t msg;
        Where where;
        const char* text;
    };
    const Case cases[] = {
        { "talk started, talk allowed", [] { g_talk_allowed = 1; }, WM_MY_MSG_TALK_STARTED, Where::notice, "Talking Started." },
        { "talk started, chairman mode", [] { g_talk_allowed = 0; g_chairman_control_mode = 1; }, WM_MY_MSG_TALK_STARTED,
          Where::notice, "Talking started, it is in chairman control mode, only Chairman could allow people to talk." },
        { "talk started, free lance", [] { g_chairman_control_mode = 0; }, WM_MY_MSG_TALK_STARTED, Where::notice,
          "Talking started, it is in free lance mode, please click \"Take over microphone\" button to talk." },
        { "talk stopped", {}, WM_MY_MSG_TALK_STOPPED, Where::notice, "Talking stopped." },
        { "desktop denied", {}, WM_MY_MSG_SHARE_DESKTOP_DENIED, Where::notice,
          "Share desktop denied.\nAnother desktop or application already in share." },
        { "desktop approved", {}, WM_MY_MSG_SHARE_DESKTOP_APPROVED, Where::notice, "Share desktop approved." },
        { "application ended", {}, WM_MY_MSG_SHARE_APP_ENDED, Where::notice, "Application Sharing Stopped." },
        { "desktop ended", {}, WM_MY_MSG_SHARE_DESK_ENDED, Where::notice, "Desktop Sharing Stopped." },
        { "chairman denied", {}, WM_MY_MSG_CHAIRMAN_DENIED, Where::notice,
          "Chairman request denied, password not correct or chairman already exist." },
        { "chairman approved", {}, WM_MY_MSG_CHAIRMAN_APPROVED, Where::notice, "Chairman request approved." },
        { "chairman given up", {}, WM_MY_MSG_CHAIRMAN_GIVEN_UP, Where::notice, "Chairman gived up." },
        { "presenter approved", {}, WM_MY_MSG_PRESENTER_APPROVED, Where::notice, "Presenter request approved." },
        { "presenter given up", {}, WM_MY_MSG_PRESENTER_GIVEN_UP, Where::notice, "Presenter gived up." },
        { "presenter denied", {}, WM_MY_MSG_PRESENTER_DENIED, Where::notice, "Presenter request denied." },
        { "new version", {}, WM_MY_MSG_NEW_VERSION, Where::box,
          "Tamblo 1.9.5 available, your current version is:1.9.4, would you like to do update?" },
        { "room caption", [] { g_current_room_name.set("Lobby"); }, WM_MY_MSG_ROOM_CAPTION, Where::caption,
          "Local: Lobby: Lobby" },
        { "chairman control mode", {}, WM_MY_MSG_CHAIRMAN_CONTROL_MODE, Where::notice,
          "Changed to Chairman Control  Mode, only the person designated by Chairman could talk." },
        { "free lance mode", {}, WM_MY_MSG_FREE_LANCE_MODE, Where::notice,
          "Changed to Free Lance Mode, please click \"Take over microphone\" button to talk." },
        { "become presenter", {}, WM_MY_MSG_BECOME_PRESENTER, Where::notice, "cy become presenter." },
        { "become chairman", {}, WM_MY_MSG_BECOME_CHAIRMAN, Where::notice, "dan become chairman." },
        { "presenter apply, not chairman", [] { g_is_chairman = 0; }, WM_MY_MSG_PRESENTER_APPLY, Where::notice,
          "eve apply for presenter." },
        { "presenter apply asks the chairman", [] { g_is_chairman = 1; }, WM_MY_MSG_PRESENTER_APPLY, Where::box,
          "eve apply for presenter.\nDo you want to approve it" },
    };
    const uint32_t sent_with_body[] = { WM_MY_MSG_CHAIRMAN_DENIED, WM_MY_MSG_CHAIRMAN_APPROVED, WM_MY_MSG_CHAIRMAN_GIVEN_UP,
                                        WM_MY_MSG_PRESENTER_APPROVED, WM_MY_MSG_PRESENTER_GIVEN_UP,
                                        WM_MY_MSG_PRESENTER_DENIED, WM_MY_MSG_NEW_VERSION };
    for (const Case& c : cases) {
        boxes.clear();
        notices.clear();
        frame->set_status_text({});
        frame->set_caption_text("Tamblo");
        if (c.setup)
            c.setup();
        bool sent = std::find(std::begin(sent_with_body), std::end(sent_with_body), c.msg) != std::end(sent_with_body);
        std::string body = "ann";
        if (sent)
            send_from_worker(c.msg, reinterpret_cast<uintptr_t>(body.c_str()), static_cast<intptr_t>(body.size()));
        else
            post_window_message(WindowSlot::main_frame, c.msg, c.msg == WM_MY_MSG_PRESENTER_APPLY ? 7 : 0);
        pump();
        switch (c.where) {
        case Where::box: {
            std::vector<std::string> texts = boxes.texts();
            EXPECT_NE(std::find(texts.begin(), texts.end(), c.text), texts.end()) << c.name;
            break;
        }
        case Where::notice:
            EXPECT_EQ(notices, std::vector<std::string> { c.text }) << c.name;
            EXPECT_TRUE(boxes.texts().empty()) << c.name;
            break;
        case Where::caption: EXPECT_EQ(caption(*frame).toStdString(), c.text) << c.name; break;
        }
    }
    set_event_notice_sink(nullptr);
    // The flags the role messages set and clear.
    send_from_worker(WM_MY_MSG_CHAIRMAN_APPROVED, reinterpret_cast<uintptr_t>("ann"), 3);
    EXPECT_EQ(g_is_chairman, 1);
    send_from_worker(WM_MY_MSG_CHAIRMAN_GIVEN_UP, reinterpret_cast<uintptr_t>("ann"), 3);
    EXPECT_EQ(g_is_chairman, 0);
    send_from_worker(WM_MY_MSG_PRESENTER_APPROVED, reinterpret_cast<uintptr_t>("ann"), 3);
    EXPECT_EQ(g_is_presenter, 1);
    send_from_worker(WM_MY_MSG_PRESENTER_GIVEN_UP, reinterpret_cast<uintptr_t>("ann"), 3);
    EXPECT_EQ(g_is_presenter, 0);
    // Not logged in ends the session's room state.
    g_logged_in = 1;
    g_room_number = 4;
    g_meeting_started = 1;
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_NOT_LOGGED_IN);
    pump();
    EXPECT_EQ(g_logged_in, 0);
    EXPECT_EQ(g_room_number, -1);
    EXPECT_EQ(g_meeting_started, 0);
    EXPECT_EQ(g_current_room_name.get(), "");
}

TEST_F(MainFrameTest, MemberNoticesCarryTheNameCutTo127)
{
    auto frame = make_frame();
    const std::pair<uint32_t, const char*> notices[] = {
        { WM_MY_MSG_HAND_RAISED, "%s raised hand." },       { WM_MY_MSG_HAND_LOWERED, "%s lowered hand." },
        { WM_MY_MSG_MEMBER_JOINED, "%s joined conference." }, { WM_MY_MSG_MEMBER_LEFT, "%s left conference." },
        { WM_MY_MSG_TALKER_CHANGED, "%s becomes the talking person." },
        { WM_MY_MSG_TALKER_GAVE_UP, "%s giveup talking." },
    };
    std::vector<std::string> sounds;
    main_frame_hooks().play_sound = [&](const std::string& path) { sounds.push_back(path); };
    std::string long_name(300, 'n');
    for (auto [msg, format] : notices) {
        for (const std::string& name : { std::string("bob"), long_name }) {
            send_from_worker(msg, reinterpret_cast<uintptr_t>(name.c_str()), 0);
            std::string want = format_text(format, cut_copy(name, 127).c_str());
            EXPECT_EQ(frame->status_text().toStdString(), want) << format;
        }
    }
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_TRUE(sounds[0].size() > 20 && sounds[0].substr(sounds[0].size() - 20) == "sound/knock_door.wav") << sounds[0];
    main_frame_hooks().play_sound = {};
}

TEST_F(MainFrameTest, ConnectedShowsTheGreetingAndAskedForNoLoginWhileTheLauncherLogsIn)
{
    auto frame = make_frame();
    g_server_display_name.set("Local");
    std::string greeting = "Welcome";
    g_launch_params_given = 1;
    send_from_worker(WM_MY_MSG_CONNECTED, reinterpret_cast<uintptr_t>(greeting.c_str()), 7);
    EXPECT_EQ(caption(*frame), "Connected: Local");
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Welcome" });
    EXPECT_EQ(g_launch_params_given, 0);
    // Greetings are cut to 2047 characters.
    boxes.clear();
    std::string long_greeting(5000, 'g');
    send_from_worker(WM_MY_MSG_CONNECTED, reinterpret_cast<uintptr_t>(long_greeting.c_str()), 5000);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].size(), 2047u);
}

TEST_F(MainFrameTest, NullOrOverLongBodiesAreDroppedWithOneLogLine)
{
    auto frame = make_frame();
    struct Case {
        uint32_t msg;
        const char* body;
        intptr_t len;
    };
    std::string huge(window_message_body_limit + 100, 'x');
    const Case cases[] = {
        { WM_MY_MSG_CONNECTED, nullptr, 0 },
        { WM_MY_MSG_CONNECTED, huge.c_str(), static_cast<intptr_t>(huge.size()) },
        { WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER, nullptr, 5 },
        { WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER, "a:b", -3 },
        { WM_MY_MSG_HAND_RAISED, nullptr, 0 },
        { WM_MY_MSG_MEMBER_JOINED, huge.c_str(), 0 },
    };
    for (const Case& c : cases) {
        LogCapture log;
        boxes.clear();
        frame->set_status_text({});
        send_from_worker(c.msg, reinterpret_cast<uintptr_t>(c.body), c.len);
        EXPECT_EQ(log.lines().size(), 1u) << c.msg;
        EXPECT_TRUE(boxes.texts().empty()) << c.msg;
        EXPECT_TRUE(frame->status_text().isEmpty()) << c.msg;
    }
    // A private chat opens the writer's dialog with the line; one the dialogs
    // cannot read says so in the log.
    LogCapture log;
    send_from_worker(WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER, reinterpret_cast<uintptr_t>("bob:hi"), 6);
    ASSERT_NE(find_private_chat("bob"), nullptr);
    EXPECT_EQ(find_private_chat("bob")->conversation()->toPlainText(), "hi");
    send_from_worker(WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER, reinterpret_cast<uintptr_t>("no colon"), 8);
    EXPECT_TRUE(log.contains("something goes wrong in CMainFrame::OnMyMsgPrivateChatFromServer\n"));
    destroy_private_chats();
}

TEST_F(MainFrameTest, MeetingTimeSetsTheClockAndOpensMe)
{
    auto frame = make_frame();
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_MEETING_TIME, 3723);
    pump();
    EXPECT_EQ(frame->meeting_clock_text(), "Meeting Started: 01:02:03");
    ASSERT_NE(g_dlg_show_me, nullptr);
    EXPECT_TRUE(g_dlg_show_me->is_shown());
    show_me_cancel();
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_MEETING_TIME, static_cast<uintptr_t>(-20));
    pump();
    EXPECT_EQ(frame->meeting_clock_text(), "Meeting Started: 00:00:00");
    EXPECT_TRUE(g_dlg_show_me->is_shown());
}

TEST_F(MainFrameTest, ShowVideoWithoutACameraSaysSo)
{
    setenv("TAMBLO_CAMERA", "none", 1);
    auto frame = make_frame();
    frame->commands().action(cmd::show_video)->trigger();
    pump();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Video device not available." });
    ASSERT_NE(g_dlg_show_me, nullptr);
    EXPECT_FALSE(g_dlg_show_me->is_shown());
}

TEST_F(MainFrameTest, BoardZoomMessagesSetTheScrollSizeOfTheirBoard)
{
    auto frame = make_frame();
    send_from_worker(WM_MY_MSG_BOARD_ZOOM_ON, 0, 0);
    EXPECT_EQ(g_board[0].half_size, 1);
    EXPECT_EQ(g_board[0].scroll_width, 3200);
    EXPECT_EQ(g_board[0].scroll_height, 2000);
    EXPECT_EQ(frame->brenmo_view()->board_view()->scroll_size(), QSize(3200, 2000));
    send_from_worker(WM_MY_MSG_BOARD_ZOOM_OFF, 0, 0);
    EXPECT_EQ(g_board[0].half_size, 0);
    EXPECT_EQ(frame->brenmo_view()->board_view()->scroll_size(), QSize(1600, 1000));
    // Another board keeps the view as it is.
    send_from_worker(WM_MY_MSG_BOARD_ZOOM_ON, 3, 0);
    EXPECT_EQ(g_board[3].half_size, 1);
    EXPECT_EQ(frame->brenmo_view()->board_view()->scroll_size(), QSize(1600, 1000));
    LogCapture log;
    send_from_worker(WM_MY_MSG_BOARD_ZOOM_ON, 10, 0);
    EXPECT_EQ(log.lines().size(), 1u);
    // The zoom command flips the current board and records nothing while no recording runs.
    g_current_board = 0;
    frame->commands().action(cmd::board_zoom)->trigger();
    EXPECT_EQ(g_board[0].half_size, 1);
    EXPECT_TRUE(frame->commands().action(cmd::board_zoom)->isChecked());
    frame->commands().action(cmd::board_zoom)->trigger();
    EXPECT_EQ(g_board[0].half_size, 0);
}

TEST_F(MainFrameTest, OffLineBoardCommandsActLocally)
{
    auto frame = make_frame();
    CommandRegistry& r = frame->commands();
    r.refresh();
    EXPECT_FALSE(r.action(cmd::tool_pen)->isEnabled());
    r.action(cmd::work_offline)->trigger();
    EXPECT_EQ(g_offline_board, 1);
    EXPECT_TRUE(r.action(cmd::work_offline)->isChecked());
    EXPECT_TRUE(r.action(cmd::tool_pen)->isEnabled());
    for (const FrameCommand& c : frame_commands()) {
        if (c.tool_code < 0)
            continue;
        r.action(c.id)->trigger();
        EXPECT_EQ(g_board[0].tool, c.tool_code);
        EXPECT_TRUE(r.action(c.id)->isChecked());
    }
    r.action(cmd::tool_pointer)->trigger();
    EXPECT_FALSE(r.action(cmd::tool_pen)->isChecked());
    // Clearing asks first; No keeps the board.
    boxes.answer_with(MessageBoxButton::no);
    r.action(cmd::board_clear)->trigger();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Are you sure to clear all the content in the current board? Can not undo after done." });
    r.action(cmd::work_offline)->trigger();
    EXPECT_EQ(g_offline_board, 0);
    EXPECT_FALSE(r.action(cmd::tool_pen)->isEnabled());
}

TEST_F(MainFrameTest, ShareCommandsKeepThePresenterRuleAndCancelSendsNothing)
{
    auto frame = make_frame();
    g_connected_to_server = 1;
    g_logged_in = 1;
    g_room_number = 2;
    g_meeting_started = 1;
    g_chairman_control_mode = 1;
    g_is_presenter = 0;
    frame->commands().refresh();
    EXPECT_TRUE(frame->commands().action(cmd::share_desktop)->isEnabled());
    EXPECT_TRUE(frame->commands().trigger(cmd::share_desktop));
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Only presenter can do this in Chairman control mode." });
    boxes.clear();
    EXPECT_TRUE(frame->commands().trigger(cmd::share_application));
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Only presenter can do this in Chairman control mode." });
    boxes.clear();
    g_is_presenter = 1;
    boxes.answer_with(MessageBoxButton::cancel);
    EXPECT_TRUE(frame->commands().trigger(cmd::share_desktop));
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Do you allow others to control your desktop?" });
    EXPECT_EQ(g_sharing_desktop, 0);
    g_chairman_control_mode = 0;
    g_is_presenter = 0;
}

TEST_F(MainFrameTest, ViewEventHistoryShowsTheNoticesSoFar)
{
    auto frame = make_frame();
    install_event_notices();
    std::string name = "bob";
    send_from_worker(WM_MY_MSG_MEMBER_JOINED, reinterpret_cast<uintptr_t>(name.c_str()), 0);
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_APPROVED);
    pump();
    ASSERT_TRUE(frame->commands().trigger(cmd::event_history));
    pump();
    CDlgEventHistory* history = event_history_dialog();
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->isVisible());
    EXPECT_EQ(history->edit()->toPlainText(), "bob joined conference.\nChairman request approved.\n");
    EXPECT_TRUE(boxes.texts().empty());
    remove_event_notices();
}

TEST_F(MainFrameTest, EveryCommandIsHandledAndReachable)
{
    auto frame = make_frame();
    g_connected_to_server = 1;
    g_logged_in = 1;
    g_room_number = 2;
    g_meeting_started = 1;
    frame->commands().refresh();
    for (int id : { cmd::connect_server, cmd::login, cmd::join_meeting_room, cmd::start_meeting, cmd::stop_meeting,
                    cmd::logout, cmd::meeting_talk, cmd::about, cmd::share_desktop, cmd::share_application, cmd::share_browser,
                    cmd::pen_colour, cmd::pen_width, cmd::board_font, cmd::paste_window, cmd::print, cmd::options,
                    cmd::volume_control, cmd::text_chat, cmd::reload_chat, cmd::full_screen, cmd::play_record, cmd::invite_url,
                    cmd::invite_outlook, cmd::play_pause, cmd::play_stop })
        EXPECT_TRUE(frame->commands().has_handler(id)) << id;
    // Every command is in the registry, and each reaches the user through the menu or a band.
    std::set<QAction*> reachable;
    for (int m = 0; m < frame->menu_count(); ++m)
        for (QAction* a : frame->menu(m)->actions())
            reachable.insert(a);
    for (int band = 0; band < 3; ++band) {
        for (const FrameCommand& c : frame_commands()) {
            if (!frame->band(band)->button_rect(c.id).isEmpty())
                reachable.insert(frame->commands().action(c.id));
        }
    }
    for (const FrameCommand& c : frame_commands()) {
        ASSERT_NE(frame->commands().action(c.id), nullptr) << c.id;
        if (c.id != cmd::join_meeting_room_2) {
            EXPECT_TRUE(reachable.count(frame->commands().action(c.id))) << c.id;
        }
    }
}

TEST_F(MainFrameTest, RecordingStartsPausesResumesAndStops)
{
    auto frame = make_frame();
    CommandRegistry& r = frame->commands();
    std::string path = home.root() + "/meeting.mrd";
    QString asked_filters;
    set_file_dialog_answer([&](const QString& filters, bool save) {
        asked_filters = filters;
        EXPECT_TRUE(save);
        return QString::fromStdString(path);
    });
    r.refresh();
    EXPECT_TRUE(r.action(cmd::record_start)->isEnabled());
    EXPECT_FALSE(r.action(cmd::record_pause)->isEnabled());
    EXPECT_FALSE(r.action(cmd::record_stop)->isEnabled());
    r.action(cmd::record_start)->trigger();
    EXPECT_EQ(asked_filters, "Meeting Record Files (*.mrd);;All Files (*.*)");
    EXPECT_EQ(g_record_on, 1);
    EXPECT_EQ(read_file(path).size(), record_file_head_len);
    EXPECT_FALSE(r.action(cmd::record_start)->isEnabled());
    EXPECT_TRUE(r.action(cmd::record_stop)->isEnabled());

    r.action(cmd::record_pause)->trigger();
    EXPECT_EQ(g_record_paused, 1);
    EXPECT_TRUE(r.action(cmd::record_pause)->isChecked());
    EXPECT_TRUE(r.action(cmd::record_start)->isEnabled());
    // Start while paused resumes into the same file without a dialog or a new head.
    asked_filters.clear();
    r.action(cmd::record_start)->trigger();
    EXPECT_TRUE(asked_filters.isEmpty());
    EXPECT_EQ(g_record_paused, 0);
    EXPECT_EQ(read_file(path).size(), record_file_head_len);
    record_ui_event_simple(record_ui_full_screen_on);
    r.action(cmd::record_stop)->trigger();
    EXPECT_EQ(g_record_on, 0);
    EXPECT_GT(read_file(path).size(), record_file_head_len);

    // A file that cannot be made keeps recording off.
    path = home.root() + "/no/such/folder/x.mrd";
    r.action(cmd::record_start)->trigger();
    EXPECT_EQ(g_record_on, 0);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Failed to open file to write" });
    // Cancelling the dialog does nothing.
    set_file_dialog_answer([](const QString&, bool) { return QString(); });
    boxes.clear();
    r.action(cmd::record_start)->trigger();
    EXPECT_EQ(g_record_on, 0);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(MainFrameTest, ClosingAsksWhileRecordingOrInARoomAndASecondRequestDoesNothing)
{
    auto frame = make_frame();
    std::string path = home.root() + "/m.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    g_logged_in = 1;
    g_room_number = 1;
    boxes.answer_with(MessageBoxButton::no);
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "The meeting is being recorded. Stop recording and exit?" });
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(g_closing, 0);

    boxes.clear();
    boxes.answer_with(MessageBoxButton::yes);
    boxes.answer_with(MessageBoxButton::no);
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "The meeting is being recorded. Stop recording and exit?",
                                                         "You are in a meeting room. Leave the meeting and exit?" }));

    // While the question is open, another close request is not asked again.
    boxes.clear();
    struct Reentrant : MessageBoxPresenter {
        CMainFrame* frame = nullptr;
        int shown = 0;
        int show(MessageBoxKind, int, const std::string&) override
        {
            if (++shown == 1)
                frame->close();
            return IDYES;
        }
    } reentrant;
    reentrant.frame = frame.get();
    set_message_box_presenter(&reentrant);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(reentrant.shown, 2);
    EXPECT_EQ(g_closing, 1);
    EXPECT_FALSE(frame->isVisible());
    set_message_box_presenter(&boxes);
    g_closing = 0;
}

// A recording of one chat line, as the recorder writes it.
std::string write_chat_recording(const std::string& path, const std::string& line)
{
    EXPECT_EQ(recorder().start(path), 0);
    uint32_t len = static_cast<uint32_t>(line.size());
    recorder().append(record_type_chat, { { &len, sizeof len }, { line.data(), line.size() } }, "test");
    recorder().stop();
    return path;
}

// The players of a playback open their devices from the null backend, whatever an earlier test chose.
void use_null_sound()
{
    use_voice_audio_backend(platform::make_audio_backend("null"));
}

bool wait_for_playback_end()
{
    return playback_wait_ended(10000, [] { QApplication::processEvents(QEventLoop::AllEvents, 5); });
}

TEST_F(MainFrameTest, StartUpPlaysARecordingAndSaysOnceWhatItCannotPlay)
{
    use_null_sound();
    g_auto_connect_allowed = 0;
    g_start_play_record = 1;
    g_start_file_path.set(home.root() + "/missing.mrd");
    auto frame = make_frame();
    frame->run_start_up_actions();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Failed to open file to read" });
    EXPECT_EQ(g_play_on.load(), 0);
    EXPECT_TRUE(frame->isVisible());

    std::string empty = home.root() + "/empty.mrd";
    std::fclose(std::fopen(empty.c_str(), "w"));
    g_start_file_path.set(empty);
    boxes.clear();
    frame->run_start_up_actions();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Not a meeting record file." });
    EXPECT_EQ(g_play_on.load(), 0);

    g_start_file_path.set(write_chat_recording(home.root() + "/there.mrd", "played at start"));
    boxes.clear();
    frame->run_start_up_actions();
    EXPECT_TRUE(wait_for_playback_end());
    pump();
    EXPECT_TRUE(boxes.texts().empty()) << boxes.texts()[0];
    CBrenmoView& right = *frame->brenmo_view();
    EXPECT_EQ(right.visible_upper_view(), right.playback_view());
    EXPECT_TRUE(chat_view()->rich_edit()->toPlainText().contains("played at start"));
    g_start_play_record = 0;
}

TEST_F(MainFrameTest, PlayPauseAndStopFollowThePlaybackAndClearAnEarlierMeeting)
{
    use_null_sound();
    auto frame = make_frame();
    CommandRegistry& commands = frame->commands();
    EXPECT_TRUE(commands.action(cmd::play_record)->isEnabled());
    EXPECT_FALSE(commands.action(cmd::play_pause)->isEnabled());
    EXPECT_FALSE(commands.action(cmd::play_stop)->isEnabled());
    // What an earlier meeting left: a page with an action and a chat line.
    board_action a;
    a.kind = ACTION_LINE;
    a.set_gesture_end(1);
    ASSERT_EQ(board_append_action(3, a), 0);
    chat_view()->set_whole_text("an earlier line");
    // A recording whose second line comes 30 s after the first: it plays until stopped.
    std::string path = home.root() + "/long.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    for (const char* line : { "first line", "thirty seconds on" }) {
        static int second = 0;
        set_record_time_source([] {
            record_system_time t;
            t.day = 10;
            t.second = static_cast<uint16_t>(second);
            return t;
        });
        uint32_t len = static_cast<uint32_t>(std::strlen(line));
        recorder().append(record_type_chat, { { &len, sizeof len }, { line, len } }, "test");
        second += 30;
    }
    recorder().stop();
    set_record_time_source(nullptr);
    QString asked_filters;
    set_file_dialog_answer([&](const QString& filters, bool save) {
        asked_filters = filters;
        EXPECT_FALSE(save);
        return QString::fromStdString(path);
    });
    commands.trigger(cmd::play_record);
    pump(200);
    EXPECT_EQ(asked_filters, "Meeting Record Files (*.mrd);;All Files (*.*)");
    EXPECT_EQ(g_play_on.load(), 1);
    EXPECT_EQ(g_board[3].visible_count, 0);
    QString chat = chat_view()->rich_edit()->toPlainText();
    EXPECT_FALSE(chat.contains("an earlier line"));
    EXPECT_TRUE(chat.contains("first line"));
    CBrenmoView& right = *frame->brenmo_view();
    EXPECT_EQ(right.visible_upper_view(), right.playback_view());
    commands.refresh();
    EXPECT_FALSE(commands.action(cmd::play_record)->isEnabled());
    EXPECT_TRUE(commands.action(cmd::play_pause)->isEnabled());
    EXPECT_TRUE(commands.action(cmd::play_stop)->isEnabled());

    commands.trigger(cmd::play_pause);
    commands.refresh();
    EXPECT_EQ(g_play_paused.load(), 1);
    EXPECT_TRUE(commands.action(cmd::play_pause)->isChecked());
    EXPECT_TRUE(commands.action(cmd::play_record)->isEnabled());
    // Play on a paused playback resumes it and asks for no file.
    asked_filters.clear();
    commands.trigger(cmd::play_record);
    EXPECT_EQ(g_play_paused.load(), 0);
    EXPECT_TRUE(asked_filters.isEmpty());

    commands.trigger(cmd::play_stop);
    EXPECT_TRUE(wait_for_playback_end());
    commands.refresh();
    EXPECT_EQ(g_play_on.load(), 0);
    EXPECT_TRUE(commands.action(cmd::play_record)->isEnabled());
    EXPECT_FALSE(commands.action(cmd::play_stop)->isEnabled());
    EXPECT_FALSE(chat_view()->rich_edit()->toPlainText().contains("thirty seconds on"));
}

TEST_F(MainFrameTest, TheViewsMakeTheirTextEntryBoxes)
{
    auto frame = make_frame();
    for (CEditTextTool* box : { g_board_text_tool, g_share_text_tool }) {
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), "ctl_9998");
        EXPECT_FALSE(box->isVisible());
    }
    EXPECT_TRUE(frame->brenmo_view()->board_view()->isAncestorOf(g_board_text_tool));
    EXPECT_TRUE(frame->brenmo_view()->share_view()->isAncestorOf(g_share_text_tool));
    frame.reset();
    EXPECT_EQ(g_board_text_tool, nullptr);
    EXPECT_EQ(g_share_text_tool, nullptr);
}

TEST_F(MainFrameTest, StatusButtonsReachTheCommandsThroughWmCommand)
{
    auto frame = make_frame();
    // As a status button posts it: the command runs when its rule allows, not otherwise.
    post_window_message(WindowSlot::main_frame, WM_COMMAND, cmd::audio_video_bar);
    pump();
    EXPECT_FALSE(frame->band_shown(0));
    post_window_message(WindowSlot::main_frame, WM_COMMAND, cmd::raise_hand);
    pump();
    EXPECT_TRUE(boxes.texts().empty());
    post_window_message(WindowSlot::main_frame, WM_COMMAND, 12345);
    pump();
    EXPECT_FALSE(frame->band_shown(0));
}

// Options opens the sheet without holding the frame; a new scheme chosen
// there reaches the menus' kept brush, and the sheet goes with OK.
TEST_F(MainFrameTest, OptionsSheetChangesTheSchemeAndTheBarsFollow)
{
    skin_table().select_skin(0);
    auto frame = make_frame();
    frame->show();
    QApplication::processEvents();
    ASSERT_NE(skin_table().schemes[3][skin_word::panel], skin_table().schemes[0][skin_word::panel]);
    EXPECT_EQ(frame->menu_bar()->brush_colour(), skin_table().schemes[0][skin_word::panel]);
    ASSERT_TRUE(frame->commands().trigger(cmd::options));
    QApplication::processEvents();
    auto* sheet = frame->findChild<CMyPropertySheet*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    ASSERT_EQ(sheet->GetPageCount(), 4);
    sheet->SetActivePage(3);
    auto* page = static_cast<CPropSkin*>(sheet->GetPage(3));
    page->skin_combo()->setCurrentIndex(3);
    emit page->skin_combo()->activated(3);
    QPointer<CMyPropertySheet> alive(sheet);
    sheet->m_ok->click();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(skin_table().current_index, 3);
    EXPECT_EQ(frame->menu_bar()->brush_colour(), skin_table().schemes[3][skin_word::panel]);
    skin_table().select_skin(0);

    ASSERT_TRUE(frame->commands().trigger(cmd::volume_control));
    QApplication::processEvents();
    auto* volume = frame->findChild<CDlgVolume*>();
    ASSERT_NE(volume, nullptr);
    EXPECT_TRUE(volume->isVisible());
    volume->OnCancel();
}

// New video values from the options take effect where they are used: the
// "Me" dialog lists the quality and starts its frame timer again, and the
// member-pictures page's clock that asks for frames runs again.
TEST_F(MainFrameTest, VideoOptionsReachTheMeDialogAndThePicturesClock)
{
    auto frame = make_frame();
    ASSERT_TRUE(frame->commands().trigger(cmd::show_video));
    pump();
    ASSERT_NE(g_dlg_show_me, nullptr);
    ASSERT_TRUE(g_dlg_show_me->is_shown());
    ASSERT_NE(g_left_form_child4, nullptr);
    EXPECT_EQ(g_dlg_show_me->quality_combo()->currentText(), "50");
    // The clock stopped, and a speed the running timer has not taken yet.
    g_left_form_child4->timer().stop();
    g_video_speed = 25;
    ASSERT_NE(g_dlg_show_me->frame_timer_period_ms(), 40);

    ASSERT_TRUE(frame->commands().trigger(cmd::options));
    QApplication::processEvents();
    auto* sheet = frame->findChild<CMyPropertySheet*>();
    ASSERT_NE(sheet, nullptr);
    sheet->SetActivePage(2);
    auto* page = static_cast<CPropVideo*>(sheet->GetPage(2));
    page->quality_combo()->setCurrentIndex(3);   // 80
    emit page->quality_combo()->activated(3);
    sheet->m_ok->click();
    QApplication::processEvents();

    EXPECT_EQ(g_video_quality, 80);
    EXPECT_EQ(g_dlg_show_me->quality_combo()->currentText(), "80");
    EXPECT_EQ(g_dlg_show_me->frame_timer_period_ms(), 40);
    EXPECT_TRUE(g_dlg_show_me->frame_timer_running());
    EXPECT_TRUE(g_left_form_child4->timer_running());
    EXPECT_EQ(g_left_form_child4->timer().interval(), 50);
    show_me_cancel();
    g_video_quality = 50;
    g_video_speed = 5;
}

namespace {

void press_at(QWidget* w, QPoint at, QEvent::Type type = QEvent::MouseButtonPress)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

QPoint label_centre(const CWndSwitchBar& bar, int label)
{
    const int left = label == 0 ? 20 : bar.label_right(0);
    return { (left + bar.label_right(label)) / 2, 9 };
}

} // namespace

TEST_F(MainFrameTest, EachUpperViewsSwitchBarBringsTheBoardOrVideoForward)
{
    auto frame = make_frame();
    CBrenmoView& right = *frame->brenmo_view();
    struct Case {
        int label;
        int shows;
    };
    for (int from = upper_view_board; from <= upper_view_playback; ++from) {
        for (Case c : { Case { 0, upper_view_board }, Case { 1, upper_view_video } }) {
            ASSERT_EQ(frame->show_upper_view(from), 0);
            pump();
            CWndSwitchBar* bar = right.switch_bar(from);
            ASSERT_NE(bar, nullptr) << from;
            ASSERT_TRUE(bar->isVisible()) << from;
            EXPECT_EQ(bar->pos(), QPoint(2, 2));
            EXPECT_GE(bar->width(), bar->label_right(1)) << "a label is cut";
            EXPECT_EQ(bar->label_at(label_centre(*bar, c.label).x()), c.label);
            press_at(bar, label_centre(*bar, c.label));
            press_at(bar, label_centre(*bar, c.label), QEvent::MouseButtonRelease);
            pump();
            EXPECT_EQ(g_current_view, c.shows) << from << " label " << c.label;
            for (int other = 1; other <= 4; ++other)
                EXPECT_EQ(right.upper_view(other)->isVisible(), other == c.shows) << from << " " << other;
        }
    }
    // The views' captions at the same corner moved out from under the bar.
    for (int index : { upper_view_board, upper_view_share }) {
        QWidget* host = right.switch_bar(index)->parentWidget();
        const auto captions = host->findChildren<CMyStatic*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_FALSE(captions.isEmpty()) << index;
        for (CMyStatic* caption : captions)
            EXPECT_FALSE(caption->geometry().intersects(right.switch_bar(index)->geometry())) << index;
    }
    // Nothing past the labels, on the grip or between the zones switches.
    frame->switch_to_share_view();
    CWndSwitchBar* bar = right.switch_bar(upper_view_share);
    for (int x : { 0, 3, 7, 17, bar->label_right(1) + 1 })
        EXPECT_EQ(bar->label_at(x), -1) << x;
}

TEST_F(MainFrameTest, SwitchBarFoldsAndIsDraggedByItsGripInsideItsView)
{
    auto frame = make_frame();
    frame->switch_to_board_view();
    pump();
    CWndSwitchBar* bar = frame->brenmo_view()->switch_bar(upper_view_board);
    const int unfolded = bar->width();
    press_at(bar, { 12, 9 });
    EXPECT_TRUE(bar->folded());
    EXPECT_EQ(bar->size(), QSize(20, 18));
    // Folded, the labels' places are no longer the bar's: nothing switches.
    EXPECT_EQ(bar->label_at(40), -1);
    press_at(bar, { 12, 9 });
    EXPECT_FALSE(bar->folded());
    EXPECT_EQ(bar->width(), unfolded);

    // The grip drags: the start point stays where it was taken.
    press_at(bar, { 3, 9 });
    press_at(bar, { 33, 29 }, QEvent::MouseMove);
    EXPECT_EQ(bar->pos(), QPoint(32, 22));
    press_at(bar, { 13, 9 }, QEvent::MouseMove);
    EXPECT_EQ(bar->pos(), QPoint(42, 22));
    // Far past the view's edge it stops inside, where it can be taken again.
    press_at(bar, { -5000, -5000 }, QEvent::MouseMove);
    EXPECT_EQ(bar->pos(), QPoint(0, 0));
    press_at(bar, { 5000, 5000 }, QEvent::MouseMove);
    const QWidget* host = bar->parentWidget();
    EXPECT_EQ(bar->geometry().bottomRight(), QPoint(host->width() - 1, host->height() - 1));
    press_at(bar, { 3, 9 }, QEvent::MouseButtonRelease);
    const QPoint left_at = bar->pos();
    press_at(bar, { 40, 40 }, QEvent::MouseMove);
    EXPECT_EQ(bar->pos(), left_at) << "released, the bar no longer follows";
    EXPECT_EQ(g_current_view, upper_view_board);
}
