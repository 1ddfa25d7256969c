// The frame's whiteboard-file commands and the speed test as a user meets
// them: the file dialogs with the whiteboard filter, open and save of the
// current page, a ".bod" given at start, the upload's question, the update,
// feedback and tell-a-friend dialogs, and the pictures of the dialogs in both languages.

#include "core/global_state.h"
#include "core/message_box.h"
#include "dialogs/ui/dlg_customer_feedback.h"
#include "dialogs/ui/dlg_internet_update.h"
#include "dialogs/ui/dlg_invite_url.h"
#include "dialogs/ui/dlg_tell_friend.h"
#include "dialogs/ui/dlg_net_speed.h"
#include "dialogs/ui/dlg_notify_attenders.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/translations.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "skin/ui/my_button.h"
#include "tests/skin/modal_watcher.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_file.h"
#include "whiteboard/board_messages.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace {

void pump(int ms = 30)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

long long file_size_of(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long long>(in.tellg()) : -1;
}

class BoardFileCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        init_global_state();
        board_model_setup();
        g_auto_connect_allowed = 0;
        g_launch_params_given = 0;
        g_offline_board = 1;
        frame = std::make_unique<CMainFrame>();
        frame->resize(1024, 700);
        frame->show();
        pump();
    }
    void TearDown() override
    {
        frame.reset();
        set_file_dialog_answer({});
        set_message_box_presenter(nullptr);
        g_offline_board = 0;
        g_start_open_board = 0;
        board_model_free();
    }
    void trigger(int id) { ASSERT_TRUE(frame->commands().trigger(id)) << id; }
    std::string page_path() const { return g_board[0].file_path.data(); }

    TempHome home;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(BoardFileCommands, SaveOpenAndSaveAsWorkOnTheCurrentPageWithTheWhiteboardFilter)
{
    std::vector<std::pair<QString, bool>> asked;
    QString answer = QString::fromStdString(home.root() + "/plan.bod");
    set_file_dialog_answer([&](const QString& filters, bool save) {
        asked.emplace_back(filters, save);
        return answer;
    });
    send_board_line(0, 1, 2, 3, 10, 10, 200, 120, 2, 1);

    // Save without a file name asks for one.
    trigger(cmd::board_save);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, "White Board Files (*.bod);;All Files (*.*)");
    EXPECT_TRUE(asked[0].second);
    EXPECT_EQ(page_path(), home.root() + "/plan.bod");
    EXPECT_EQ(file_size_of(home.root() + "/plan.bod"), 377534 + 44);
    // Then it saves there without asking.
    send_board_line(0, 1, 2, 3, 20, 20, 220, 140, 2, 1);
    trigger(cmd::board_save);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(file_size_of(home.root() + "/plan.bod"), 377534 + 88);
    // Save as asks again and goes on with the new name.
    answer = QString::fromStdString(home.root() + "/copy.bod");
    trigger(cmd::board_save_as);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(page_path(), home.root() + "/copy.bod");

    // Open puts the file's page in place of the current one.
    send_board_clear(0);
    EXPECT_EQ(g_board[0].visible_count, 0);
    answer = QString::fromStdString(home.root() + "/plan.bod");
    trigger(cmd::board_open);
    EXPECT_EQ(asked.back(), std::make_pair(QString("White Board Files (*.bod);;All Files (*.*)"), false));
    EXPECT_EQ(g_board[0].visible_count, 2);
    EXPECT_EQ(page_path(), home.root() + "/plan.bod");
    // A file that is not one changes nothing, its name neither.
    std::ofstream(home.root() + "/notes.bod") << "not a whiteboard";
    answer = QString::fromStdString(home.root() + "/notes.bod");
    trigger(cmd::board_open);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "file format not correct" });
    EXPECT_EQ(page_path(), home.root() + "/plan.bod");
    EXPECT_EQ(g_board[0].visible_count, 2);
    // Cancelled dialogs do nothing.
    answer.clear();
    trigger(cmd::board_open);
    trigger(cmd::board_save_as);
    EXPECT_EQ(page_path(), home.root() + "/plan.bod");
    EXPECT_EQ(boxes.texts().size(), 1u);
}

TEST_F(BoardFileCommands, ABoardFileGivenAtStartOpensInTheCurrentPage)
{
    send_board_line(0, 1, 2, 3, 10, 10, 200, 120, 2, 1);
    std::memcpy(g_board[0].file_path.data(), (home.root() + "/start.bod").c_str(), home.root().size() + 10);
    ASSERT_EQ(board_file_save(0), 0);
    send_board_clear(0);
    g_board[0].file_path.fill('\0');
    g_start_open_board = 1;
    g_start_file_path.set(home.root() + "/start.bod");
    // The Connect dialog that opens first is closed as a user would.
    ModalWatcher close_dialogs([](QWidget* modal) { QTimer::singleShot(0, modal, [modal] { modal->close(); }); });
    frame->run_start_up_actions();
    EXPECT_EQ(g_board[0].visible_count, 1);
    EXPECT_EQ(page_path(), home.root() + "/start.bod");
}

TEST_F(BoardFileCommands, UploadAsksFirstAndIsRefusedOffLineOrWithoutAServer)
{
    boxes.answer_with(MessageBoxButton::no);
    trigger(cmd::board_upload);
    boxes.answer_with(MessageBoxButton::yes);
    trigger(cmd::board_upload);
    // In a meeting whose main connection is gone, the page is not told uploaded.
    g_offline_board = 0;
    g_connected_to_server = 1;
    g_logged_in = 1;
    g_room_number = 1;
    g_meeting_started = 1;
    frame->commands().refresh();
    boxes.answer_with(MessageBoxButton::yes);
    trigger(cmd::board_upload);
    g_connected_to_server = 0;
    g_logged_in = 0;
    g_room_number = -1;
    g_meeting_started = 0;
    const std::string question
        = "Upload the board content to server will clear the \ncurrent board content of other users.\n Are you sure to continue?";
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { question, question,
                                                         "Work off line is on: the board can not be uploaded to the server.",
                                                         question, "Connection to server lost, please reconnect." }));
}

TEST_F(BoardFileCommands, NetSpeedTestOpensItsDialog)
{
    g_connected_to_server = 1;
    frame->commands().refresh();
    ASSERT_TRUE(frame->commands().action(cmd::net_speed_test)->isEnabled());
    bool seen = false;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* dlg = qobject_cast<CDlgNetSpeed*>(modal);
        seen = dlg != nullptr;
        QTimer::singleShot(0, modal, [modal, dlg] {
            // Without its file connection the test cannot run, and says so.
            if (dlg)
                dlg->test_button()->click();
            modal->close();
        });
    });
    trigger(cmd::net_speed_test);
    EXPECT_TRUE(seen);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Must connect to server before testing net speed." });
    g_connected_to_server = 0;
}

TEST_F(BoardFileCommands, FeedbackTellFriendAndInvitationsOpenTheirDialogs)
{
    // A watcher each: a later dialog may stand where an earlier one stood.
    const std::pair<int, std::function<bool(QWidget*)>> commands[] = {
        { cmd::customer_feedback, [](QWidget* w) { return qobject_cast<CDlgCustomerFeedBack*>(w) != nullptr; } },
        { cmd::tell_friend, [](QWidget* w) { return qobject_cast<CDlgTellFriend*>(w) != nullptr; } },
        { cmd::invite_outlook, [](QWidget* w) { return qobject_cast<CDlgNotifyAttenders*>(w) != nullptr; } },
        { cmd::invite_url, [](QWidget* w) { return qobject_cast<CDlgInviteURL*>(w) != nullptr; } },
    };
    std::vector<bool> seen;
    for (const auto& [command, is_its_dialog] : commands) {
        ModalWatcher watcher([&, is_its_dialog = is_its_dialog](QWidget* modal) {
            seen.push_back(is_its_dialog(modal));
            QTimer::singleShot(0, modal, [modal] { modal->close(); });
        });
        trigger(command);
    }
    EXPECT_EQ(seen, (std::vector<bool> { true, true, true, true }));
    EXPECT_TRUE(boxes.texts().empty());
}

// The update dialog opens by its command and by the Yes to the server's new-version offer; No opens nothing.
TEST_F(BoardFileCommands, InternetUpdateOpensByItsCommandAndTheNewVersionOffer)
{
    // A watcher for each opening: a later dialog may stand where an earlier one stood.
    int opened = 0;
    auto watch = [&] {
        return std::make_unique<ModalWatcher>([&](QWidget* modal) {
            if (qobject_cast<CDlgInternetUpdate*>(modal))
                ++opened;
            QTimer::singleShot(0, modal, [modal] { modal->close(); });
        });
    };
    {
        auto watcher = watch();
        trigger(cmd::internet_update);
    }
    EXPECT_EQ(opened, 1);

    const std::string offer = "Tamblo 1.9.5 available, your current version is:1.9.4, would you like to do update?";
    g_newest_version_major = 1;
    g_newest_version_minor = 9;
    g_newest_version_build = 5;
    struct Case {
        MessageBoxButton answer;
        int opened;
    } cases[] = { { MessageBoxButton::no, 1 }, { MessageBoxButton::yes, 2 } };
    for (const Case& c : cases) {
        auto watcher = watch();
        boxes.clear();
        boxes.answer_with(c.answer);
        frame->handle_window_message(WM_MY_MSG_NEW_VERSION, 0, 0);
        QElapsedTimer t;
        t.start();
        while (boxes.texts().empty() && t.elapsed() < 20000)
            pump();
        // A Yes opens the dialog before the box's handler returns.
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { offer });
        EXPECT_EQ(opened, c.opened);
    }
}

TEST_F(BoardFileCommands, ScreenshotsOfTheFileDialogs)
{
    const QString dir = screenshot_dir();
    // The page was saved before: the dialogs open at its file.
    send_board_line(0, 1, 2, 3, 10, 10, 200, 120, 2, 1);
    const std::string meetings = home.root() + "/Meetings";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(meetings)));
    for (const char* name : { "plan.bod", "review.bod" }) {
        std::string path = meetings + "/" + name;
        g_board[0].file_path.fill('\0');
        std::memcpy(g_board[0].file_path.data(), path.data(), path.size());
        ASSERT_EQ(board_file_save(0), 0);
    }
    std::ofstream(meetings + "/agenda.txt") << "agenda";
    QTranslator ours;
    QTranslator qt;
    ASSERT_TRUE(ours.load(":/i18n/tamblo_zh_CN.qm"));
    ASSERT_TRUE(qt.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    for (const char* language : { "en", "zh" }) {
        if (QString(language) == "zh") {
            QCoreApplication::installTranslator(&ours);
            QCoreApplication::installTranslator(&qt);
        }
        for (int command : { cmd::board_save_as, cmd::board_open }) {
            QString shot = QString("%1/board_%2_dialog_%3.png").arg(dir, command == cmd::board_open ? "open" : "save_as", language);
            QString filter_shown;
            ModalWatcher watcher([&](QWidget* modal) {
                QTimer::singleShot(300, modal, [&, modal] {
                    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                        filter_shown = dialog->selectedNameFilter();
                        dialog->resize(760, 460);
                        pump(100);
                        EXPECT_TRUE(dialog->grab().save(shot));
                        dialog->reject();
                    } else {
                        modal->close();
                    }
                });
            });
            trigger(command);
            EXPECT_EQ(filter_shown, qt_name_filters(tr_ui(board_file_filter)).split(";;").first()) << language;
        }
        QCoreApplication::removeTranslator(&qt);
        QCoreApplication::removeTranslator(&ours);
    }
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
