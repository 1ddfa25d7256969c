// The way into a meeting as a user takes it, offscreen: the real program's
// start-up, frame and dialogs against a real tamblo-server, with headless
// peers as the other attendees. Message boxes are answered by the script.

#include "core/build_config.h"
#include "core/connection_threads.h"
#include "core/control_messages.h"
#include "core/connections.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_threads.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "dialogs/internet_update.h"
#include "dialogs/ui/dlg_event_history.h"
#include "dialogs/ui/dlg_invite_url.h"
#include "launcher/launch_link.h"
#include "shell/connect_flow.h"
#include "shell/room_rules.h"
#include "shell/ui/brenmo_app.h"
#include "shell/ui/change_room_password_dlg.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/connect_server_dlg.h"
#include "shell/ui/left_form.h"
#include "shell/ui/left_form_tab.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/meeting_room_dlg.h"
#include "shell/ui/members_page.h"
#include "shell/ui/rest_room_dlg.h"
#include "shell/ui/room_password_dlg.h"
#include "shell/ui/session_commands.h"
#include "shell/ui/user_login_dlg.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_ip_address_ctrl.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/my_list_ctrl.h"
#include "tests/core/loopback.h"
#include "tests/dialogs/download_driver.h"
#include "tests/support/child_process.h"
#include "tests/support/headless_peer.h"
#include "tests/support/http_exchange.h"
#include "tests/support/private_desktop.h"
#include "tests/support/second_program.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/update_package.h"
#include "tests/support/xvfb.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace {

bool pump_until(const std::function<bool()>& done, int wait_ms = 8000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(2);
    }
    return done();
}

bool contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The dialog a nested exec() shows next gets its text and OK, from the event loop it runs.
void answer_next_password_dialog(const QString& password)
{
    QTimer::singleShot(0, [password] {
        auto* dlg = qobject_cast<CDlgMeetingRoomPasswd*>(QApplication::activeModalWidget());
        if (!dlg) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if ((dlg = qobject_cast<CDlgMeetingRoomPasswd*>(w)) && w->isVisible())
                    break;
        }
        ASSERT_NE(dlg, nullptr);
        dlg->edit()->setText(password);
        dlg->OnOK();
    });
}

class MeetingPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        std::ofstream(config_path_) << "[room]\nname = Lobby\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_ });
    }
    void TearDown() override
    {
        if (app_) {
            app_->ExitInstance(0);
            app_.reset();
        }
        stop_connection_watchdog();
        peers_.clear();
        if (server_)
            server_->stop();
        set_message_box_presenter(nullptr);
    }

    // The test server as the first line of the connect dialog: a list the
    // server handed out once, kept in the settings.
    void store_server_in_list()
    {
        reg_write("servers", "show4", "Test server");
        reg_write("servers", "addr4", "127.0.0.1");
        reg_write_int("servers", "port4", server_->port());
    }

    void start(const std::string& command_line = "")
    {
        app_ = std::make_unique<CBrenmoApp>(command_line);
        ASSERT_TRUE(app_->InitInstance());
        frame_ = app_->main_frame();
        ASSERT_NE(frame_, nullptr);
    }
    SessionCommands& session() { return frame_->session(); }
    CLeftFormMembers* members() { return frame_->left_form()->tab()->members_page(); }
    std::vector<std::string> member_names()
    {
        std::vector<std::string> names;
        CMyListCtrl* list = members()->member_list();
        for (int i = 0; i < list->item_count(); ++i)
            names.push_back(list->item_text(i, 0).toStdString());
        std::sort(names.begin(), names.end());
        return names;
    }

    HeadlessPeer& peer(const std::string& name)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>(name));
        HeadlessPeer& p = *peers_.back();
        EXPECT_EQ(p.connect("127.0.0.1", server_->port(), true), 0);
        EXPECT_EQ(p.login(name), 0);
        return p;
    }

    // Connect dialog (its first line), login as name, "Lobby" from the room list.
    void walk_into_the_lobby(const std::string& name)
    {
        ASSERT_TRUE(pump_until([&] { return session().connect_dialog() && session().connect_dialog()->isVisible(); }));
        CDlgConnectServer* connect = session().connect_dialog();
        connect->server_list()->setCurrentRow(0);
        connect->OnOK();
        ASSERT_TRUE(pump_until([&] { return session().login_dialog() && session().login_dialog()->isVisible(); }));
        session().login_dialog()->name_edit()->setText(QString::fromStdString(name));
        session().login_dialog()->OnOK();
        ASSERT_TRUE(pump_until([&] { return session().meeting_room_dialog() && session().meeting_room_dialog()->isVisible(); }));
        CDlgMeetingRoom* rooms = session().meeting_room_dialog();
        ASSERT_TRUE(pump_until([&] { return rooms->room_list()->count() > 0; }));
        auto found = rooms->room_list()->findItems("Lobby", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        rooms->room_list()->setCurrentItem(found[0]);
        answer_next_password_dialog("");
        rooms->OnJoin();
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0; }));
        ASSERT_TRUE(pump_until([&] { return !session().meeting_room_dialog(); }));
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    std::string config_path_ = home_.root() + "/server.ini";
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CBrenmoApp> app_;
    CMainFrame* frame_ = nullptr;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
};

} // namespace

TEST_F(MeetingPath, ANewcomerConnectsLogsInAndSitsInTheLobbyWithTheOthers)
{
    store_server_in_list();
    HeadlessPeer& bob = peer("bob");
    ASSERT_GE(bob.join_room("Lobby"), 0);
    start();
    ASSERT_TRUE(pump_until([&] { return session().connect_dialog() && session().connect_dialog()->isVisible(); }));
    CDlgConnectServer* connect = session().connect_dialog();
    EXPECT_EQ(connect->server_list()->item(0)->text(), "Test server");
    EXPECT_EQ(connect->server_list()->item(1)->text(), "Local server");

    // A port below 50 typed by hand is refused and the dialog stays.
    connect->manual_check()->setChecked(true);
    connect->port_edit()->setText("49");
    connect->OnOK();
    EXPECT_TRUE(connect->isVisible());
    EXPECT_TRUE(contains(boxes_.texts(), "Please enter a port greater than 50."));
    // The address and port typed by hand reach the server.
    connect->address_edit()->set_address(IpAddressBytes { 127, 0, 0, 1 });
    connect->port_edit()->setText(QString::number(server_->port()));
    connect->OnOK();
    EXPECT_EQ(g_server_display_name.get(), "Customer IP");

    ASSERT_TRUE(pump_until([&] { return session().login_dialog() && session().login_dialog()->isVisible(); }));
    EXPECT_TRUE(contains(boxes_.texts(), "Welcome to the Tamblo conference server."));
    EXPECT_EQ(frame_->windowTitle(), "Connected: Customer IP");
    CDlgUserLogin* login = session().login_dialog();
    // The login dialog's refusals, then a name the server already has.
    login->name_edit()->setText("");
    login->OnOK();
    login->name_edit()->setText(QString(32, 'x'));
    login->OnOK();
    EXPECT_TRUE(contains(boxes_.texts(), "Login Name should not be all blank."));
    EXPECT_TRUE(contains(boxes_.texts(), "Login name too long, please less than 31 chars."));
    login->name_edit()->setText("bob");
    login->OnOK();
    ASSERT_TRUE(pump_until([&] { return contains(boxes_.texts(), "Login failed."); }));
    EXPECT_TRUE(pump_until([&] { return frame_->windowTitle() == "Login Failed."; }));
    // The Login command runs again.
    ASSERT_TRUE(pump_until([&] { return session().login_dialog() && session().login_dialog()->isVisible(); }));
    session().login_dialog()->name_edit()->setText("ann");
    session().login_dialog()->OnOK();
    ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
    EXPECT_TRUE(pump_until([&] { return contains(boxes_.texts(), "Login success."); }));

    ASSERT_TRUE(pump_until([&] { return session().meeting_room_dialog() && session().meeting_room_dialog()->isVisible(); }));
    CDlgMeetingRoom* rooms = session().meeting_room_dialog();
    ASSERT_TRUE(pump_until([&] { return rooms->room_list()->count() > 0; }));
    EXPECT_EQ(rooms->room_list()->item(0)->text(), "Lobby");
    answer_next_password_dialog("");
    rooms->OnJoin();
    ASSERT_TRUE(pump_until([] { return g_room_number >= 0; }));
    EXPECT_TRUE(pump_until([&] { return contains(boxes_.texts(), "Join meeting room success."); }));
    EXPECT_TRUE(pump_until([&] { return !session().meeting_room_dialog(); }));
    EXPECT_TRUE(server_->wait_for_log("ann (1001) entered room"));

    // Both attendees on the members page; a third who comes in shows up too.
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "bob" }; })) << member_names().size();
    HeadlessPeer& cid = peer("cid");
    ASSERT_GE(cid.join_room("Lobby"), 0);
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "bob", "cid" }; }));
    // The probe after the entry was answered.
    EXPECT_TRUE(server_->wait_for_log("probe answered by 1001"));
}

TEST_F(MeetingPath, ARoomWithAPasswordLetsInOnlyWhoKnowsIt)
{
    store_server_in_list();
    start();
    walk_into_the_lobby("ann");

    // Ann makes a room, enters it and gives it a password.
    session().OnJoinMeetingRoom();
    ASSERT_TRUE(pump_until([&] { return session().meeting_room_dialog() != nullptr; }));
    CDlgMeetingRoom* rooms = session().meeting_room_dialog();
    rooms->name_edit()->setText("Board");
    rooms->OnCreate();
    ASSERT_TRUE(pump_until([&] { return !rooms->room_list()->findItems("Board", Qt::MatchExactly).isEmpty(); }));
    rooms->room_list()->setCurrentItem(rooms->room_list()->findItems("Board", Qt::MatchExactly)[0]);
    answer_next_password_dialog("");
    rooms->OnJoin();
    ASSERT_TRUE(pump_until([] { return g_current_room_name.get() == "Board"; }));
    ASSERT_TRUE(server_->wait_for_log("ann (1000) entered room"));
    ASSERT_TRUE(pump_until([&] { return !session().meeting_room_dialog(); }));
    session().OnJoinMeetingRoom();
    ASSERT_TRUE(pump_until([&] { return session().meeting_room_dialog() != nullptr; }));
    rooms = session().meeting_room_dialog();
    QTimer::singleShot(0, [] {
        auto* change = qobject_cast<CDlgChangeMeetingRoomPasswd*>(QApplication::activeModalWidget());
        ASSERT_NE(change, nullptr);
        change->new_edit()->setText("pw");
        change->retyped_edit()->setText("pw");
        change->OnOK();
    });
    rooms->OnSetPasswd();
    EXPECT_TRUE(pump_until([&] { return contains(boxes_.texts(), "Set meeting room password success."); }));
    rooms->OnCancel();

    // A second attendee: the wrong password is refused, the right one lets in.
    HeadlessPeer& bob = peer("bob");
    bob.clear();
    bob.send(PeerChannel::main, MSG_ROOM_JOIN, 0, "Board:nope");
    auto refused = bob.await_number(MSG_ROOM_ENTERED);
    ASSERT_TRUE(refused);
    EXPECT_LT(std::atoi(refused->body.c_str()), 0);
    bob.clear();
    bob.send(PeerChannel::main, MSG_ROOM_JOIN, 0, "Board:pw");
    auto entered = bob.await_number(MSG_ROOM_ENTERED);
    ASSERT_TRUE(entered);
    EXPECT_GE(std::atoi(entered->body.c_str()), 0);
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "bob" }; }));
}

TEST_F(MeetingPath, JoiningWithTheWrongPasswordSaysSoAndTheRightOneGetsIn)
{
    HeadlessPeer& dora = peer("dora");
    ASSERT_GE(dora.join_room("Secret"), 0);
    dora.send(PeerChannel::main, MSG_ROOM_SET_PASSWORD, 0, ":s3");
    ASSERT_TRUE(dora.await_number(MSG_SET_ROOM_PASSWORD_OK));
    store_server_in_list();
    start();
    walk_into_the_lobby("ann");

    session().OnJoinMeetingRoom();
    ASSERT_TRUE(pump_until([&] { return session().meeting_room_dialog() != nullptr; }));
    CDlgMeetingRoom* rooms = session().meeting_room_dialog();
    ASSERT_TRUE(pump_until([&] { return !rooms->room_list()->findItems("Secret", Qt::MatchExactly).isEmpty(); }));
    rooms->room_list()->setCurrentItem(rooms->room_list()->findItems("Secret", Qt::MatchExactly)[0]);
    boxes_.clear();
    answer_next_password_dialog("wrong");
    rooms->OnJoin();
    ASSERT_TRUE(pump_until([&] { return contains(boxes_.texts(), "Join meeting room failed."); }));
    EXPECT_EQ(g_room_number, -1);
    EXPECT_TRUE(rooms->isVisible());
    answer_next_password_dialog("s3");
    rooms->OnJoin();
    ASSERT_TRUE(pump_until([] { return g_room_number >= 0 && g_current_room_name.get() == "Secret"; }));
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "dora" }; }));

    // Leaving: the server says so and the room is left.
    send_leave_meeting_room();
    EXPECT_TRUE(server_->wait_for_log("ann (1001) left room"));
}

TEST_F(MeetingPath, TheRestRoomShowsWhoIsWaitingAndCarriesTheirChat)
{
    store_server_in_list();
    HeadlessPeer& bob = peer("bob");
    start();
    ASSERT_TRUE(pump_until([&] { return session().connect_dialog() != nullptr; }));
    session().connect_dialog()->OnOK();
    ASSERT_TRUE(pump_until([&] { return session().login_dialog() != nullptr; }));
    session().login_dialog()->name_edit()->setText("ann");
    session().login_dialog()->OnOK();
    ASSERT_TRUE(pump_until([&] { return session().meeting_room_dialog() != nullptr; }));
    session().meeting_room_dialog()->OnCancel();

    frame_->commands().trigger(cmd::rest_room);
    CDlgRestRoom* rest = session().rest_room_dialog();
    ASSERT_NE(rest, nullptr);
    ASSERT_TRUE(pump_until([&] { return rest->people_list()->count() == 2; }));
    bob.clear();
    QTest::keyClicks(rest->input_edit(), "hello bob");
    QTest::keyClick(rest->input_edit(), Qt::Key_Return);
    auto line = bob.await_number(MSG_REST_ROOM_CHAT);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->body, "ann: hello bob\r\n");
    bob.send(PeerChannel::main, MSG_REST_ROOM_CHAT_SEND, 0, "hi ann\r\n");
    EXPECT_TRUE(pump_until([&] { return rest->history_edit()->toPlainText().contains("bob: hi ann"); }));
}

TEST_F(MeetingPath, DisconnectAndReconnectComeBackToTheSameRoomWithoutDialogs)
{
    store_server_in_list();
    HeadlessPeer& bob = peer("bob");
    ASSERT_GE(bob.join_room("Lobby"), 0);
    start();
    walk_into_the_lobby("ann");
    ASSERT_TRUE(pump_until([&] { return member_names().size() == 2; }));

    frame_->commands().trigger(cmd::disconnect_server);
    EXPECT_TRUE(pump_until([&] { return frame_->windowTitle() == "Tamblo"; }));
    EXPECT_EQ(g_room_number, -1);
    EXPECT_TRUE(pump_until([&] { return member_names().empty(); }));
    EXPECT_TRUE(bob.await([](const ArrivedMessage& m) { return m.head.number == MSG_MEMBER_LEFT && m.body == "ann"; }));

    boxes_.clear();
    frame_->commands().trigger(cmd::reconnect_server);
    ASSERT_TRUE(pump_until([] { return g_logged_in == 1 && g_room_number >= 0; }));
    EXPECT_EQ(g_current_room_name.get(), "Lobby");
    EXPECT_TRUE(pump_until([&] { return member_names().size() == 2; }));
    pump_until([] { return false; }, 200);
    EXPECT_EQ(session().login_dialog(), nullptr);
    EXPECT_EQ(session().meeting_room_dialog(), nullptr);
    EXPECT_FALSE(contains(boxes_.texts(), "Login success."));
}

TEST_F(MeetingPath, AServerStoppedMidMeetingIsReportedAndReconnectBringsTheMeetingBack)
{
    store_server_in_list();
    const uint16_t port = server_->port();
    start();
    walk_into_the_lobby("ann");

    ASSERT_TRUE(pump_until([&] { return member_names().size() == 1; }));
    server_->stop();
    EXPECT_TRUE(pump_until([&] { return g_status_text.get() == "Connection to server lost, please reconnect."; }));
    EXPECT_TRUE(pump_until([&] { return frame_->windowTitle() == "Tamblo"; }));
    EXPECT_EQ(g_logged_in, 0);
    // The room's members went with the connection.
    EXPECT_TRUE(pump_until([&] { return member_names().empty(); }));

    server_ = std::make_unique<ServerProcess>(
        std::vector<std::string> { "--config", config_path_, "--listen", format_text("127.0.0.1:%d", port) });
    frame_->commands().trigger(cmd::reconnect_server);
    ASSERT_TRUE(pump_until([] { return g_logged_in == 1 && g_room_number >= 0; }));
    EXPECT_TRUE(server_->wait_for_log("ann (1000) entered room"));
    // The loss is no longer news.
    EXPECT_EQ(g_status_text.get(), "");
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann" }; }));
}

TEST_F(MeetingPath, TheAutomaticConnectionAtStartUsesTheStoredServer)
{
    reg_write_int("general", "auto_connect", 1);
    reg_write("general", "auto_connect_server", "127.0.0.1");
    reg_write_int("general", "auto_connect_port", server_->port());
    reg_write("general", "auto_connect_server_show_name", "Stored");
    start();
    ASSERT_TRUE(pump_until([&] { return session().login_dialog() != nullptr; }));
    EXPECT_EQ(session().connect_dialog(), nullptr);
    EXPECT_EQ(frame_->windowTitle(), "Connected: Stored");
    EXPECT_TRUE(server_->wait_for_log("client 1000: main connection"));
}

TEST_F(MeetingPath, ALauncherArgumentConnectsLogsInAndJoinsWithoutDialogs)
{
    start(format_text("127.0.0.1:Launched:%d:Lobby:xxcodeyyy:ann:", server_->port()));
    ASSERT_TRUE(pump_until([] { return g_logged_in == 1 && g_room_number >= 0; }));
    EXPECT_EQ(g_current_room_name.get(), "Lobby");
    pump_until([] { return false; }, 300);
    EXPECT_EQ(session().connect_dialog(), nullptr);
    EXPECT_EQ(session().login_dialog(), nullptr);
    EXPECT_EQ(session().meeting_room_dialog(), nullptr);
    // The login and the entry are quiet: the greeting is the one box, and,
    // the first in the room being its chairman, the chairman notice pops up.
    EXPECT_EQ(boxes_.texts(), (std::vector<std::string> { "Welcome to the Tamblo conference server." }));
    ASSERT_TRUE(pump_until([] { return event_history_dialog() != nullptr; }));
    EXPECT_TRUE(event_history_dialog()->edit()->toPlainText().contains("Chairman request approved."));
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann" }; }));
}

struct BadArgument {
    const char* argument;
    std::vector<std::string> boxes;
};

class BadLauncherArgument : public MeetingPath, public ::testing::WithParamInterface<BadArgument> {};

// One program start per case: a copy of the program is one per process.
TEST_P(BadLauncherArgument, IsSaidInItsWordsAndTheConnectDialogOpens)
{
    start(GetParam().argument);
    EXPECT_TRUE(pump_until([&] { return session().connect_dialog() && session().connect_dialog()->isVisible(); }));
    EXPECT_EQ(boxes_.texts(), GetParam().boxes);
    EXPECT_EQ(g_connected_to_server, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadLauncherArgument,
                         ::testing::Values(BadArgument { "127.0.0.1:Bad:81a:Lobby:xxcodeyyy:ann:", { "port num not correct." } },
                                           BadArgument { "127.0.0.1:Bad:9081:Lobby:abc:ann:", { "Invalide c." } },
                                           BadArgument { "127.0.0.1:Bad:9081:Lobby:xxcodeyyy:ann:pw:extra",
                                                         { "Parameter not correct." } },
                                           // Four ':' are ignored without a word.
                                           BadArgument { "127.0.0.1:Bad:9081:Lobby:xxcodeyyy", {} }));

TEST_F(MeetingPath, AnUnresolvableHostIsSaidAndTheWindowStaysUsable)
{
    start("no-such-host.invalid:Nowhere:9081:Lobby:xxcodeyyy:ann:");
    ASSERT_TRUE(pump_until([&] { return contains(boxes_.texts(), "failed to connect."); }, 20000));
    EXPECT_TRUE(contains(boxes_.texts(), "error resolving hostname.."));
    EXPECT_EQ(g_connected_to_server, 0);
    // The window answers: the Connect dialog opens from the menu.
    frame_->commands().trigger(cmd::connect_server);
    EXPECT_TRUE(pump_until([&] { return session().connect_dialog() && session().connect_dialog()->isVisible(); }));
}

TEST_F(MeetingPath, AServerThatNeverAnswersIsToldOnTheStatusLine)
{
    LoopbackListener silent;
    SessionCommands::greeting_wait_ms = 300;
    start(format_text("127.0.0.1:Silent:%d:Lobby:xxcodeyyy:ann:", silent.port()));
    std::vector<int> accepted;
    for (int i = 0; i < 4; ++i)
        if (int fd = silent.accept_one(2000); fd >= 0)
            accepted.push_back(fd);
    EXPECT_TRUE(pump_until([] { return g_status_text.get() == "The server does not answer."; }));
    // The window answers the user: Disconnect ends the waiting connections.
    frame_->commands().trigger(cmd::disconnect_server);
    EXPECT_EQ(g_connected_to_server, 0);
    EXPECT_TRUE(pump_until([] {
        return receive_threads_running(ReceiveConnection::main) + receive_threads_running(ReceiveConnection::voice) == 0;
    }));
    SessionCommands::greeting_wait_ms = 15000;
    for (int fd : accepted)
        ::close(fd);
}

TEST_F(MeetingPath, ThePresentersTabGoesToEveryoneInPushMode)
{
    store_server_in_list();
    start();
    walk_into_the_lobby("ann");
    HeadlessPeer& bob = peer("bob");
    ASSERT_GE(bob.join_room("Lobby"), 0);

    frame_->commands().trigger(cmd::request_presenter);
    ASSERT_TRUE(pump_until([] { return g_is_presenter == 1; }));
    if (g_push_mode == 0)
        frame_->commands().trigger(cmd::push_mode);
    ASSERT_EQ(g_push_mode, 1);
    bob.clear();
    CLeftFormTab* tab = frame_->left_form()->tab();
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->item_rect(left_tab_files).center());
    EXPECT_EQ(tab->shown_index(), left_tab_files);
    auto notice = bob.await_number(MSG_BOARD_NOTICE);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->body, "   1");
    // The tab shown already: nothing more goes.
    bob.clear();
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->item_rect(left_tab_files).center());
    EXPECT_FALSE(bob.await_number(MSG_BOARD_NOTICE, 300));
}

TEST_F(MeetingPath, ASecondProgramBesideItShowsUpAndBothLeaveAndComeBackCleanly)
{
    store_server_in_list();
    start();
    walk_into_the_lobby("ann");
    const int bob_peer_port = unused_tcp_port();
    const std::string bob_home = home_.root() + "/second";
    const std::string bob_argument = format_text("127.0.0.1:Local:%d:Lobby:xxyyy:bob:", server_->port());
    auto bob = std::make_unique<SecondProgram>(TAMBLO_PROGRAM, bob_home, bob_peer_port, bob_argument);
    ASSERT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "bob" }; }, 20000))
        << member_names().size();
    // The server heard where its direct voice links go, so it can tell the others.
    EXPECT_TRUE(server_->wait_for_log(format_text("identity 127.0.0.1:%d", bob_peer_port)));
    EXPECT_TRUE(pump_until([&] { return bob->boxes().find("Welcome to the Tamblo conference server.") != std::string::npos; }))
        << bob->boxes();

    // Ann leaves: bob's program sees her go; she comes back to the same room.
    session().OnDisconnectServer();
    EXPECT_TRUE(pump_until([&] { return member_names().empty(); }));
    EXPECT_TRUE(server_->wait_for_log("ann (1000) left room"));
    session().OnReconnectServer();
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "bob" }; }));

    // Bob's program ends and starts again: gone from the room, then back in it.
    bob->stop();
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann" }; }));
    bob = std::make_unique<SecondProgram>(TAMBLO_PROGRAM, bob_home, bob_peer_port, bob_argument);
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "bob" }; }, 20000));
    EXPECT_EQ(bob->boxes().find("failed"), std::string::npos) << bob->boxes();
    bob->stop();
}

TEST_F(MeetingPath, TheInviteLinkOfTheMembersPageBringsTheInviteeIntoTheSameRoom)
{
    const std::string site = home_.root() + "/site";
    std::filesystem::create_directories(site);
    std::ofstream(config_path_) << "[general]\naccess_code = c0de#1+2%\n[room]\nname = Lobby\n[room]\nname = Secret\n"
                                   "password = p&s=w\n";
    server_ = std::make_unique<ServerProcess>(
        std::vector<std::string> { "--config", config_path_, "--web", "127.0.0.1:0", "--web-root", site });
    ASSERT_NE(server_->web_port(), 0);
    reg_write_int("general", "web_port", server_->web_port());
    store_server_in_list();
    start();

    // Ann comes in with the server's code and enters the room with its password.
    ASSERT_TRUE(pump_until([&] { return session().connect_dialog() && session().connect_dialog()->isVisible(); }, 20000));
    session().connect_dialog()->server_list()->setCurrentRow(0);
    session().connect_dialog()->OnOK();
    ASSERT_TRUE(pump_until([&] { return session().login_dialog() && session().login_dialog()->isVisible(); }, 20000));
    session().login_dialog()->name_edit()->setText("ann");
    session().login_dialog()->code_edit()->setText("c0de#1+2%");
    session().login_dialog()->OnOK();
    ASSERT_TRUE(pump_until([&] { return session().meeting_room_dialog() && session().meeting_room_dialog()->isVisible(); },
                           20000));
    CDlgMeetingRoom* rooms = session().meeting_room_dialog();
    ASSERT_TRUE(pump_until([&] { return !rooms->room_list()->findItems("Secret", Qt::MatchExactly).isEmpty(); }, 20000));
    rooms->room_list()->setCurrentItem(rooms->room_list()->findItems("Secret", Qt::MatchExactly)[0]);
    answer_next_password_dialog("p&s=w");
    rooms->OnJoin();
    ASSERT_TRUE(pump_until([] { return g_current_room_name.get() == "Secret"; }, 20000));
    ASSERT_TRUE(pump_until([&] { return !session().meeting_room_dialog(); }, 20000));

    // "Invite": the dialog knows the meeting; Generate puts the link on the clipboard.
    CMyButton* invite = members()->button(CLeftFormMembers::id_invite);
    ASSERT_NE(invite, nullptr);
    ASSERT_TRUE(invite->isEnabled());
    QApplication::clipboard()->clear();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CDlgInviteURL*>(w) && w->isVisible())
                modal = w;
        if (auto* dlg = qobject_cast<CDlgInviteURL*>(modal)) {
            shown = true;
            EXPECT_EQ(dlg->server_combo()->currentText(), "Test server");
            EXPECT_EQ(dlg->room_combo()->currentText(), "Secret");
            EXPECT_EQ(dlg->code_edit()->text(), "c0de#1+2%");
            EXPECT_EQ(dlg->password_edit()->text(), "p&s=w");
            dlg->generate_button()->click();
        }
        if (modal)
            modal->close();
    });
    invite->click();
    ASSERT_TRUE(shown);
    const std::string link = QApplication::clipboard()->text().toStdString();
    const std::string base = format_text("http://127.0.0.1:%d", server_->web_port());
    ASSERT_EQ(link.rfind(base + "/cgi-bin/brenmo/customer/cu_start_from_link_enc.pl?", 0), 0u) << link;

    // Bob opens it: the page's "Join Meeting" starts his program, which comes into Ann's room.
    HttpReply page = parse_http_reply(
        http_exchange(server_->web_port(), "GET " + link.substr(base.size()) + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"));
    ASSERT_EQ(page.status, 200) << page.body;
    CquilletCtrl ctrl;
    std::string refused;
    ASSERT_EQ(apply_launch_link(html_attribute_after(page.body, "id=\"join\" href=\""), ctrl, refused), 0) << refused;
    EXPECT_EQ(ctrl.mp(), "p&s=w");
    ctrl.set_user_name("bob");
    SecondProgram bob(TAMBLO_PROGRAM, home_.root() + "/second", unused_tcp_port(), ctrl.launch_argument());
    EXPECT_TRUE(pump_until([&] { return member_names() == std::vector<std::string> { "ann", "bob" }; }, 20000))
        << bob.boxes();
    bob.stop();
}

// The update as the program offers it: the server announces a newer version,
// Yes opens the download, and Install hands the checked package to the
// desktop's installer (a recording handler), once. A package signed by
// another key, fetched from the menu's command, is never offered.
TEST_F(MeetingPath, TheAnnouncedUpdateIsCheckedAndHandedToTheDesktopsInstallerOnce)
{
    XvfbServer xvfb;
    ASSERT_TRUE(xvfb.running());
    PrivateDesktop desktop(home_.root());
    const std::string installer_log = home_.root() + "/installer.log";
    ASSERT_TRUE(desktop.install_recording_handler("test-installer", "application/vnd.debian.binary-package", installer_log));
    const std::string made = home_.root() + "/made";
    std::filesystem::create_directories(made);
    const std::string package = build_test_package(made, "tamblo.deb", "tamblo", machine_architecture(), 4000);
    ASSERT_FALSE(package.empty());
    TestSigningKey key(made + "/key");
    TestSigningKey stranger(made + "/stranger");
    ASSERT_TRUE(key.ready() && stranger.ready());
    const std::string release = home_.root() + "/site/home/release";
    std::filesystem::create_directories(release);
    std::filesystem::copy_file(package, release + "/tamblo_install.deb");
    ASSERT_TRUE(key.sign(package, release + "/tamblo_install.deb.sig"));
    struct KeyringChoice {
        explicit KeyringChoice(const std::string& path) { ::setenv("TAMBLO_UPDATE_KEYRING", path.c_str(), 1); }
        ~KeyringChoice() { ::unsetenv("TAMBLO_UPDATE_KEYRING"); }
    } keyring(key.keyring());

    std::ofstream(config_path_) << "[general]\nnewest_version = 1.9.5\n[room]\nname = Lobby\n";
    server_ = std::make_unique<ServerProcess>(
        std::vector<std::string> { "--config", config_path_, "--web", "127.0.0.1:0", "--web-root", home_.root() + "/site" });
    ASSERT_NE(server_->web_port(), 0);
    reg_write_int("general", "web_port", server_->web_port());
    store_server_in_list();
    // The greeting and the offer, in whichever order they come.
    boxes_.answer_with(MessageBoxButton::yes);
    boxes_.answer_with(MessageBoxButton::yes);
    const std::string final_path = home_.user_folder() + "install/tamblo_install.deb";
    {
        DownloadDriver driver;
        start();
        ASSERT_TRUE(pump_until([&] { return session().connect_dialog() && session().connect_dialog()->isVisible(); }, 20000));
        session().connect_dialog()->server_list()->setCurrentRow(0);
        session().connect_dialog()->OnOK();
        ASSERT_TRUE(pump_until([&] { return file_exists(installer_log) && !read_file(installer_log).empty(); }, 20000))
            << ::testing::PrintToString(boxes_.texts());
        EXPECT_TRUE(driver.installed);
    }
    EXPECT_TRUE(contains(boxes_.texts(), format_text("Tamblo 1.9.5 available, your current version is:%d.%d.%d, would you "
                                                     "like to do update?",
                                                     TAMBLO_VERSION_MAJOR, TAMBLO_VERSION_MINOR, TAMBLO_VERSION_BUILD)))
        << ::testing::PrintToString(boxes_.texts());
    EXPECT_EQ(read_file(installer_log), final_path + "\n");
    EXPECT_EQ(read_file(final_path), read_file(package));
    EXPECT_FALSE(file_exists(final_path + ".part"));

    // The command of the menu, and a package the update key did not sign.
    ASSERT_TRUE(stranger.sign(package, release + "/tamblo_install.deb.sig"));
    boxes_.clear();
    DownloadDriver driver;
    frame_->commands().trigger(cmd::internet_update);
    EXPECT_TRUE(driver.started);
    EXPECT_FALSE(driver.installed);
    EXPECT_TRUE(driver.cancelled);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "The update package is not signed with the update key." });
    EXPECT_EQ(read_file(installer_log), final_path + "\n");
}
