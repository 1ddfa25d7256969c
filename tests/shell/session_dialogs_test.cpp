// The connect, login, meeting-room, password and rest-room dialogs,
// offscreen: what each shows, refuses and writes, and their screenshots.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/receive_dispatch.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "core/window_messages.h"
#include "shell/connect_flow.h"
#include "shell/room_rules.h"
#include "shell/ui/change_chairman_password_dlg.h"
#include "shell/ui/change_room_password_dlg.h"
#include "shell/ui/connect_server_dlg.h"
#include "shell/ui/meeting_room_dlg.h"
#include "shell/ui/rest_room_dlg.h"
#include "shell/ui/room_password_dlg.h"
#include "shell/ui/user_login_dlg.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_ip_address_ctrl.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/my_edit.h"
#include "tests/support/server_process.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace {

bool events_until(const std::function<bool()>& done, int wait_ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > wait_ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(5);
    }
    return true;
}

QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

std::string setting(const char* name)
{
    std::string value;
    reg_read("general", name, value, 256);
    return value;
}

class SessionDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        reset_receive_handlers();
        install_control_handlers();
        load_default_servers();
        g_room_number = -1;
        g_server_list_refreshing = 0;
    }
    void TearDown() override
    {
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
    }

    TempHome home;
    ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(SessionDialogs, ConnectListsTheLocalServerFirstWithTheNinePortChoices)
{
    CDlgConnectServer dlg;
    dlg.show();
    ASSERT_GE(dlg.server_list()->count(), 4);
    EXPECT_EQ(dlg.server_list()->item(0)->text(), "Local server");
    EXPECT_EQ(dlg.server_list()->currentRow(), 0);
    EXPECT_EQ(dlg.port_combo()->count(), 9);
    EXPECT_EQ(dlg.port_combo()->currentText(), "Default");
    EXPECT_FALSE(dlg.auto_connect_check()->isChecked());
    EXPECT_FALSE(dlg.address_edit()->isEnabled());
    EXPECT_EQ(dlg.server_list()->objectName(), "ctl_1039");
    EXPECT_EQ(dlg.port_combo()->objectName(), "ctl_1106");

    dlg.port_combo()->setCurrentIndex(2); // https(443)
    dlg.OnOK();
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(dlg.choice().host, "127.0.0.1");
    EXPECT_EQ(dlg.choice().port, 443);
    EXPECT_EQ(dlg.choice().display_name, "Local server");
    EXPECT_EQ(setting("auto_connect"), "0");
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(SessionDialogs, ConnectWithoutAServerOrWithALowPortStaysOpen)
{
    for (int i = 0; i < server_count; ++i)
        server_entry[static_cast<size_t>(i)].in_use = 0;
    CDlgConnectServer empty;
    empty.show();
    EXPECT_EQ(empty.server_list()->count(), 0);
    empty.OnOK();
    EXPECT_TRUE(empty.isVisible());
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Please choose a server to connect." });

    boxes.clear();
    load_default_servers();
    CDlgConnectServer dlg;
    dlg.show();
    dlg.manual_check()->setChecked(true);
    EXPECT_TRUE(dlg.address_edit()->isEnabled());
    EXPECT_FALSE(dlg.server_list()->isEnabled());
    dlg.address_edit()->set_address(IpAddressBytes { 127, 0, 0, 9 });
    dlg.port_edit()->setText("49");
    dlg.OnOK();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Please enter a port greater than 50." });
    dlg.port_edit()->setText("50");
    dlg.auto_connect_check()->setChecked(true);
    dlg.OnOK();
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(dlg.choice().host, "127.0.0.9");
    EXPECT_EQ(dlg.choice().port, 50);
    EXPECT_EQ(dlg.choice().display_name, "Customer IP");
    EXPECT_EQ(setting("auto_connect"), "1");
    EXPECT_EQ(setting("auto_connect_server"), "127.0.0.9");
    EXPECT_EQ(setting("auto_connect_port"), "50");
}

TEST_F(SessionDialogs, RefreshListWaitsWithoutHoldingTheWindowAndRefillsTheList)
{
    std::string config = home.root() + "/server.ini";
    std::ofstream(config) << "[servers]\nserver = Far server:127.0.0.1:9095\n";
    ServerProcess server({ "--config", config });
    g_server_host.set("127.0.0.1");
    g_server_port = server.port();
    g_connected_to_server = 0;

    CDlgConnectServer dlg;
    dlg.show();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QTest::mouseClick(dlg.refresh_button(), Qt::LeftButton);
    EXPECT_TRUE(dlg.refreshing());
    EXPECT_FALSE(dlg.ok_button()->isEnabled());
    ASSERT_TRUE(events_until([&] { return !dlg.refreshing(); }, 15000));
    // The window went on painting and ticking while the server was asked.
    EXPECT_GT(ticks, 3);
    EXPECT_EQ(dlg.server_list()->item(0)->text(), "Far server");
    EXPECT_EQ(dlg.server_list()->currentRow(), 0);
    EXPECT_TRUE(dlg.ok_button()->isEnabled());
    EXPECT_EQ(g_main_sock.m_sock, 0);
}

TEST_F(SessionDialogs, LoginRefusesInOrderEmptiesTheFieldAndRemembers)
{
    reg_write_int("general", "remember_login_name", 1);
    reg_write("general", "remembered_login_name", "ann");
    CDlgUserLogin dlg;
    dlg.show();
    EXPECT_EQ(dlg.name_edit()->text(), "ann");
    EXPECT_TRUE(dlg.remember_name_check()->isChecked());
    EXPECT_FALSE(dlg.remember_code_check()->isChecked());
    EXPECT_EQ(dlg.code_edit()->text(), "");

    dlg.name_edit()->setText(QString(32, 'n'));
    dlg.OnOK();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.name_edit()->text(), "");
    dlg.name_edit()->setText("   ");
    dlg.OnOK();
    EXPECT_EQ(dlg.name_edit()->text(), "   "); // all blank: kept
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Login name too long, please less than 31 chars.",
                                                         "Login Name should not be all blank." }));
    dlg.name_edit()->setText("bob");
    dlg.code_edit()->setText("secret");
    dlg.remember_code_check()->setChecked(true);
    dlg.OnOK();
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(setting("remembered_login_name"), "bob");
    EXPECT_EQ(setting("remembered_auth_code"), "secret");
}

TEST_F(SessionDialogs, ChangePasswordEmptiesBothNewFieldsOnAMismatch)
{
    CDlgChangeMeetingRoomChairmanPasswd dlg;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Change Meeting Room Chairman Passwd");
    dlg.old_edit()->setText("old");
    dlg.new_edit()->setText("one");
    dlg.retyped_edit()->setText("two");
    dlg.OnOK();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.new_edit()->text(), "");
    EXPECT_EQ(dlg.retyped_edit()->text(), "");
    EXPECT_EQ(dlg.old_edit()->text(), "old");
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "New passwd not match, please retype." });
    dlg.new_edit()->setText("same");
    dlg.retyped_edit()->setText("same");
    dlg.OnOK();
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(dlg.new_password(), "same");

    CDlgMeetingRoomPasswd room;
    room.edit()->setText(QString(20, 'p'));
    EXPECT_EQ(room.password(), std::string(16, 'p'));
}

TEST_F(SessionDialogs, MeetingRoomFillsItsListFromTheMessagesAndRefusesBadCreates)
{
    g_created_room_count = 0;
    CDlgMeetingRoom dlg;
    dlg.show();
    ASSERT_TRUE(window_exists(WindowSlot::meeting_room));
    const std::string long_name(80, 'L');
    send_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_FIRST, reinterpret_cast<uintptr_t>("Lobby"), 5);
    send_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_ADD, reinterpret_cast<uintptr_t>(long_name.c_str()),
                        static_cast<intptr_t>(long_name.size()));
    send_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_ADD, 0, 7); // no body: dropped
    ASSERT_EQ(dlg.room_list()->count(), 2);
    EXPECT_EQ(dlg.room_list()->item(1)->text().toStdString(), std::string(63, 'L'));
    EXPECT_EQ(dlg.room_list()->currentRow(), 0);
    EXPECT_EQ(room_entry[1].name.data(), std::string(63, 'L'));

    dlg.OnCreate();
    dlg.name_edit()->setText("a:b");
    dlg.OnCreate();
    dlg.room_list()->clearSelection();
    dlg.room_list()->setCurrentItem(nullptr);
    dlg.OnJoin();
    dlg.OnSetPasswd();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Meeting room name should not be blank.",
                                                         "Meeting room name should not contain ':'.",
                                                         "Please select a meeting room.",
                                                         "Please join a meeting room before set meeting room password." }));
    dlg.auto_join_check()->click();
    EXPECT_EQ(setting("auto_join"), "1");

    boxes.clear();
    g_room_number = -1;
    dlg.OnMyMsgRoomCurrent();
    EXPECT_TRUE(dlg.isVisible());
    g_room_number = 3;
    dlg.OnMyMsgRoomCurrent();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Join meeting room failed.", "Join meeting room success." }));
}

TEST_F(SessionDialogs, RestRoomKeepsItsHistoryAndSendsOnReturn)
{
    CDlgRestRoom dlg;
    dlg.open_rest_room();
    EXPECT_TRUE(dlg.send_on_return_check()->isChecked());
    const std::string line = "ann: hello\r\n";
    send_window_message(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_LIST_FIRST, reinterpret_cast<uintptr_t>("ann"), 3);
    send_window_message(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_LIST_ADD, reinterpret_cast<uintptr_t>("bob"), 3);
    send_window_message(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_CHAT, reinterpret_cast<uintptr_t>(line.c_str()),
                        static_cast<intptr_t>(line.size()));
    EXPECT_EQ(dlg.people_list()->count(), 2);
    EXPECT_EQ(dlg.history(), line);
    EXPECT_EQ(dlg.history_edit()->toPlainText(), "ann: hello\n");

    // A Return in the input sends the line and empties the input.
    dlg.input_edit()->setFocus();
    QTest::keyClicks(dlg.input_edit(), "hi");
    EXPECT_EQ(dlg.input_edit()->toPlainText(), "hi");
    QTest::keyClick(dlg.input_edit(), Qt::Key_Return);
    EXPECT_EQ(dlg.input_edit()->toPlainText(), "");
    dlg.send_on_return_check()->setChecked(false);
    QTest::keyClicks(dlg.input_edit(), "two");
    QTest::keyClick(dlg.input_edit(), Qt::Key_Return);
    EXPECT_EQ(dlg.input_edit()->toPlainText(), "two\n");
    dlg.OnClear();
    EXPECT_EQ(dlg.input_edit()->toPlainText(), "");
    dlg.OnCancel();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(window_exists(WindowSlot::rest_room));
}

// Not compared: the session dialogs in every scheme, in both languages, for people to look at.
TEST_F(SessionDialogs, Screenshots)
{
    const QString dir = screenshot_dir();
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        auto save = [&](QWidget& w, const char* name) {
            w.show();
            QApplication::processEvents();
            EXPECT_TRUE(render(w).save(QString("%1/%2_scheme_%3_%4.png").arg(dir, name).arg(scheme).arg(language)));
        };
        {
            CDlgConnectServer dlg;
            save(dlg, "connect_server_dlg");
        }
        {
            CDlgUserLogin dlg;
            dlg.name_edit()->setText("ann");
            save(dlg, "user_login_dlg");
        }
        {
            CDlgMeetingRoom dlg;
            dlg.show();
            for (const char* room : { "Lobby", "Board", "Design review" })
                send_window_message(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_ADD, reinterpret_cast<uintptr_t>(room),
                                    static_cast<intptr_t>(strlen(room)));
            dlg.room_list()->setCurrentRow(0);
            save(dlg, "meeting_room_dlg");
        }
        {
            CDlgMeetingRoomPasswd dlg;
            save(dlg, "room_password_dlg");
        }
        {
            CDlgChangeMeetingRoomPasswd dlg;
            save(dlg, "change_room_password_dlg");
        }
        {
            CDlgRestRoom dlg;
            dlg.open_rest_room();
            for (const char* name : { "ann", "bob" })
                send_window_message(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_LIST_ADD, reinterpret_cast<uintptr_t>(name),
                                    static_cast<intptr_t>(strlen(name)));
            const std::string line = "ann: Shall we start at ten?\r\nbob: Yes, see you in the Lobby.\r\n";
            send_window_message(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_CHAT, reinterpret_cast<uintptr_t>(line.c_str()),
                                static_cast<intptr_t>(line.size()));
            save(dlg, "rest_room_dlg");
        }
    }));
}
