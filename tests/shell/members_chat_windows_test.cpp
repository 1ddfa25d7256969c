// The members page, the chat view and the chat dialogs offscreen: what they
// show from the window messages, what their buttons refuse and send, the
// private-chat slots, the colour swatch, and their screenshots.

#include "core/chat_receive.h"
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/ui_text.h"
#include "core/window_messages.h"
#include "media/ui/dlg_video_zoom.h"
#include "media/ui/video_view.h"
#include "media/video_windows.h"
#include "media/voice_state.h"
#include "shell/members_roster.h"
#include "shell/ui/chat_rich_text.h"
#include "shell/ui/chat_view.h"
#include "shell/ui/choose_save_format_dlg.h"
#include "shell/ui/dlg_chat.h"
#include "shell/ui/dlg_private_chat.h"
#include "shell/ui/members_page.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_ctrl_owner_draw.h"
#include "skin/ui/my_static.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace {

QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

std::string record(const std::string& name, int id)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%4d", id);
    return name + '\0' + digits + std::string(4, '\0');
}

std::string styled(const std::string& text, ChatStyle s)
{
    std::string body = text;
    body.push_back('\0');
    for (uint8_t b : { s.red, s.green, s.blue, s.size, s.effects })
        body.push_back(static_cast<char>(b));
    return body;
}

void pump(int ms = 20)
{
    QTest::qWait(ms);
    QApplication::processEvents();
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        init_global_state();
        g_main_sock.host.set("127.0.0.1");
        g_main_sock.port = listener_.port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        peer_ = listener_.accept_one();
        ASSERT_GE(peer_, 0);
        g_logged_in = 1;
        g_room_number = 1;
        g_current_room_name.set("Lobby");
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        ::close(peer_);
        set_message_box_presenter(nullptr);
        set_chat_colour_answer({});
        set_chat_save_answers({}, {});
    }
    // The next message the client sent: head text and body; empty when none.
    std::pair<std::string, std::string> sent(int wait_ms = 1000)
    {
        pollfd p { peer_, POLLIN, 0 };
        if (::poll(&p, 1, wait_ms) != 1)
            return {};
        return next_wire_message(peer_);
    }
    void add(const std::string& name, int id, int flags, bool first = false)
    {
        std::string r = record(name, id);
        send_window_message(WindowSlot::members_page, first ? WM_MY_MSG_MEMBER_LIST_FIRST : WM_MY_MSG_MEMBER_LIST_ADD,
                            reinterpret_cast<uintptr_t>(r.data()), flags);
    }
    std::vector<std::string> box_texts() const { return boxes.texts(); }

    TempHome home;
    ScriptedMessageBoxes boxes;
    LoopbackListener listener_;
    int peer_ = -1;
};

TEST_F(Windows, MembersPageListsRecordsNewestFirstAndFollowsTheirStates)
{
    CLeftFormMembers page;
    page.resize(520, 640);
    page.show();
    add("ann", 1001, member_flag_bit_chairman, true);
    add("bob", 1002, member_flag_bit_presenter | member_flag_bit_hand);
    add(std::string(70, 'x'), 1003, 0);
    CMyListCtrlOwnerDraw* list = page.member_list();
    ASSERT_EQ(list->item_count(), 3);
    EXPECT_EQ(list->item_text(0, 0).size(), 70);
    EXPECT_EQ(list->item_text(1, 0), "bob");
    EXPECT_EQ(list->item_text(1, 1), "Hand Raised");
    EXPECT_EQ(list->item_text(2, 4), "Show");
    EXPECT_EQ(list->item_data(2), 1001);
    EXPECT_EQ(std::string(customer_info[2].name.data()), std::string(63, 'x'));

    // A state message rewrites the row; one for a stranger changes nothing.
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, 1001, member_flag_bit_chairman | member_flag_bit_talking);
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, 4444, 15);
    pump();
    EXPECT_EQ(list->item_text(2, 3), "Talking");
    EXPECT_EQ(customer_info[0].flags, member_flag_bit_chairman | member_flag_bit_talking);

    // A first record starts the list again.
    add("cid", 1004, 0, true);
    EXPECT_EQ(list->item_count(), 1);
    EXPECT_EQ(customer_info[1].in_use, 0);

    // The room label tells the meeting's state at each paint.
    g_meeting_started = 1;
    render(page);
    EXPECT_EQ(page.room_label()->text(), "Lobby (Started)");
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEETING_STOPPED);
    pump();
    render(page);
    EXPECT_EQ(page.room_label()->text(), "Lobby (Stopped)");
    EXPECT_TRUE(page.button(CLeftFormMembers::id_start_meeting)->isEnabled());
    EXPECT_FALSE(page.button(CLeftFormMembers::id_stop_meeting)->isEnabled());
    post_window_message(WindowSlot::members_page, WM_MY_MSG_MEETING_STARTED);
    pump();
    EXPECT_FALSE(page.button(CLeftFormMembers::id_start_meeting)->isEnabled());
    EXPECT_TRUE(page.button(CLeftFormMembers::id_stop_meeting)->isEnabled());
}

// Entered without the meeting-room dialog (the launcher's argument, Reconnect),
// the page learns of the room from its first member record: the label names it.
TEST_F(Windows, RoomLabelNamesTheRoomOnceItsFirstMemberRecordArrives)
{
    g_current_room_name.clear();
    g_meeting_started = 0;
    CLeftFormMembers page;
    page.resize(520, 640);
    page.show();
    pump();
    EXPECT_EQ(page.room_label()->text().toStdString(), " (Stopped)");
    g_current_room_name.set("Lobby");
    add("ann", 1001, member_flag_bit_chairman, true);
    pump();
    EXPECT_EQ(page.room_label()->text().toStdString(), "Lobby (Stopped)");
}

TEST_F(Windows, MembersPageButtonsRefuseInThePagesWordsAndSendWhenAllowed)
{
    CLeftFormMembers page;
    page.show();
    add("ann", 1001, member_flag_bit_chairman, true);
    add("bob", 1002, 0);
    page.button(CLeftFormMembers::id_boost)->click();
    page.button(CLeftFormMembers::id_allow_talk)->click();
    page.button(CLeftFormMembers::id_room_options)->click();
    page.run_menu_command(CLeftFormMembers::menu_set_presenter);
    page.button(CLeftFormMembers::id_private_chat)->click();
    EXPECT_EQ(box_texts(), (std::vector<std::string> { "Only Chairman can do this.",
                                                        "Only Chairman can allow members to talk.",
                                                        "Only Chairman can do this.", "Only Chairman can do this.",
                                                        "Please select a member to chat with." }));
    EXPECT_TRUE(sent(100).first.empty());

    boxes.clear();
    g_is_chairman = 1;
    page.button(CLeftFormMembers::id_boost)->click();
    EXPECT_EQ(box_texts(), std::vector<std::string> { "Please select a member to boost." });
    page.member_list()->set_item_selected(0, true);  // bob
    page.button(CLeftFormMembers::id_boost)->click();
    EXPECT_EQ(sent(), (std::pair<std::string, std::string> { "   0:   0: 114:   3:", "bob" }));
    page.button(CLeftFormMembers::id_allow_talk)->click();
    EXPECT_EQ(sent().first, "   0:1002:  38:   0:");
    page.run_menu_command(CLeftFormMembers::menu_set_presenter);
    EXPECT_EQ(sent().first, "   0:1002: 690:   0:");
    page.run_menu_command(CLeftFormMembers::menu_remove_presenter);
    EXPECT_EQ(sent().first, "   0:1002: 691:   0:");

    // Stop Meeting while talking stops the talk first; Raise Hand asks, the text waits for the answer.
    g_talk_active = 1;
    page.button(CLeftFormMembers::id_stop_meeting)->setEnabled(true);
    page.button(CLeftFormMembers::id_stop_meeting)->click();
    EXPECT_EQ(sent().first, "   0:   0:  33:   0:");
    EXPECT_EQ(sent().first, "   0:   0: 121:   0:");
    g_talk_active = 0;
    page.button(CLeftFormMembers::id_raise_hand)->click();
    EXPECT_EQ(sent().first, "   0:   0: 420:   0:");
    EXPECT_EQ(page.button(CLeftFormMembers::id_raise_hand)->text(), "Raise Hand");
    g_hand_raised = 1;
    send_window_message(WindowSlot::members_page, WM_MY_MSG_HAND_BUTTON);
    EXPECT_EQ(page.button(CLeftFormMembers::id_raise_hand)->text(), "Lower Hand");

    // Refresh empties the list and asks again.
    page.button(CLeftFormMembers::id_refresh)->click();
    EXPECT_EQ(page.member_list()->item_count(), 0);
    EXPECT_EQ(sent().first, "   0:   0: 111:   0:");
}

TEST_F(Windows, PrivateVoiceAsksSendsBothRequestsAndEndsWithoutAMessage)
{
    CLeftFormMembers page;
    page.show();
    add("ann", 1001, 0, true);
    add("bob", 1002, 0);
    page.member_list()->set_item_selected(0, true);
    boxes.answer_with(MessageBoxButton::yes);
    page.button(CLeftFormMembers::id_private_voice)->click();
    EXPECT_EQ(sent().first, "   0:1002:  39:   0:");
    EXPECT_EQ(sent().first, "   0:1002:  85:   0:");
    EXPECT_EQ(g_private_voice_partner_id.load(), 1002);
    EXPECT_EQ(page.button(CLeftFormMembers::id_private_voice)->text(), "Stop PVoice Chat");
    EXPECT_EQ(page.member_list()->item_text(0, 2), "Private Voice Chat To");
    QMenu* menu = page.build_context_menu(&page);
    EXPECT_EQ(menu->actions()[4]->text(), "Stop Private Voice Chat");
    delete menu;

    page.member_list()->set_item_selected(0, false);
    boxes.clear();
    page.button(CLeftFormMembers::id_private_voice)->click();
    EXPECT_TRUE(box_texts().empty());
    EXPECT_EQ(g_private_voice_chat.load(), 0);
    EXPECT_EQ(page.member_list()->item_text(0, 2), "");
    EXPECT_TRUE(sent(100).first.empty());

    // A request: 85 goes back before the question; No leaves everything as it was.
    boxes.answer_with(MessageBoxButton::no);
    post_window_message(WindowSlot::members_page, WM_MY_MSG_PRIVATE_VOICE_REQUEST, 1001);
    pump();
    EXPECT_EQ(sent().first, "   0:1001:  85:   0:");
    ASSERT_EQ(box_texts().size(), 1u);
    EXPECT_EQ(box_texts()[0].rfind("ann want a private voice chat with you", 0), 0u);
    EXPECT_EQ(g_private_voice_chat.load(), 0);
    // One from an id with no row is answered with 85 and asks nothing.
    boxes.clear();
    post_window_message(WindowSlot::members_page, WM_MY_MSG_PRIVATE_VOICE_REQUEST, 4444);
    pump();
    EXPECT_EQ(sent().first, "   0:4444:  85:   0:");
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(Windows, ZoomFromThePresenterInPushModeGoesToAllAndATwentyFirstPrivateChatDoesNothing)
{
    CLeftFormMembers page;
    page.show();
    add("ann", 1001, 0, true);
    add("bob", 1002, 0);
    page.run_menu_command(CLeftFormMembers::menu_zoom);
    EXPECT_EQ(box_texts(), std::vector<std::string> { "Please select a member." });
    page.member_list()->set_item_selected(1, true);
    g_is_presenter = 1;
    g_push_mode = 1;
    page.run_menu_command(CLeftFormMembers::menu_zoom);
    EXPECT_EQ(sent(), (std::pair<std::string, std::string> { "   0: 999: 710:   4:", "1001" }));
    EXPECT_EQ(g_zoomed_customer_id.load(), 1001);
    EXPECT_EQ(page.member_list()->item_text(0, 4), "Not Show");
    page.run_menu_command(CLeftFormMembers::menu_restore);
    EXPECT_EQ(sent().first, "   0: 999: 711:   0:");
    g_push_mode = 0;
    page.run_menu_command(CLeftFormMembers::menu_zoom);
    EXPECT_TRUE(sent(100).first.empty());

    // Twenty private chats of other partners: a twenty-first opens nothing.
    std::vector<CDlgPrivateChat*> opened;
    for (int i = 0; i < private_chat_slot_count; ++i)
        opened.push_back(open_private_chat("p" + std::to_string(i)));
    EXPECT_EQ(open_private_chat("p3"), opened[3]);
    EXPECT_EQ(open_private_chat("ann"), nullptr);
    std::string line = styled("late:hello", chat_default_style);
    LogCapture log;
    EXPECT_EQ(private_chat_from_server(line.data(), static_cast<intptr_t>(line.size())), -1);
    EXPECT_TRUE(log.contains("something goes wrong in CMainFrame::OnMyMsgPrivateChatFromServer\n"));
    destroy_private_chats();
    EXPECT_NE(open_private_chat("ann"), nullptr);
    destroy_private_chats();
}

// The list's video commands reach the video view: a shown member gets a
// window (and its paired page window when one is free), a hidden one loses
// every window, Zoom opens the member's zoom dialog and Restore hides it.
TEST_F(Windows, VideoCommandsGiveMembersVideoWindowsAndTakeThemBack)
{
    video_windows_reset();
    CFormRightUpper3 view;
    CLeftFormMembers page;
    page.show();
    add("ann", 1001, 0, true);
    add("bob", 1002, 0);
    add("cid", 1003, 0);   // rows: cid, bob, ann
    auto select = [&](int row) {
        for (int r = 0; r < page.member_list()->item_count(); ++r)
            page.member_list()->set_item_selected(r, r == row);
    };
    struct Step {
        int command;
        int row;                    // selected before the command; -1: none
        std::vector<int> ann, bob, cid;   // the windows showing each afterwards
    } steps[] = {
        { CLeftFormMembers::menu_show_video, 1, {}, { 0, 100 }, {} },
        { CLeftFormMembers::menu_show_video, 1, {}, { 0, 100 }, {} },   // one window is enough
        { CLeftFormMembers::menu_show_all_video, -1, { 2, 102 }, { 0, 100 }, { 1, 101 } },
        { CLeftFormMembers::menu_hide_video, 1, { 2, 102 }, {}, { 1, 101 } },
        { CLeftFormMembers::menu_show_video, 2, { 2, 102 }, {}, { 1, 101 } },
        { CLeftFormMembers::menu_hide_all_video, -1, {}, {}, {} },
        { CLeftFormMembers::menu_hide_video, -1, {}, {}, {} },   // refused: nobody selected
    };
    for (const Step& s : steps) {
        select(s.row);
        page.run_menu_command(s.command);
        EXPECT_EQ(video_windows_showing(1001), s.ann) << s.command << " row " << s.row;
        EXPECT_EQ(video_windows_showing(1002), s.bob) << s.command << " row " << s.row;
        EXPECT_EQ(video_windows_showing(1003), s.cid) << s.command << " row " << s.row;
    }
    EXPECT_EQ(box_texts(), std::vector<std::string> { "Please select a member." });

    // Zoom one person: the member gets a window and its zoom dialog; Restore hides it.
    select(1);
    page.run_menu_command(CLeftFormMembers::menu_zoom);
    ASSERT_EQ(video_windows_showing(1002), (std::vector<int> { 0, 100 }));
    ASSERT_NE(video_zoom_dialog(0), nullptr);
    EXPECT_TRUE(video_zoom_dialog(0)->isVisible());
    page.run_menu_command(CLeftFormMembers::menu_restore);
    EXPECT_FALSE(video_zoom_dialog(0)->isVisible());
    EXPECT_EQ(video_windows_showing(1002), (std::vector<int> { 0, 100 }));
    video_windows_reset();
}

TEST_F(Windows, ChatViewShowsEachLineInItsStyleAndTheReloadStartsItAgain)
{
    CFormRightLower view;
    view.resize(500, 160);
    view.show();
    std::string one = styled("ann: bold red\r\n", ChatStyle { 255, 0, 0, 20, chat_effect_bold | chat_effect_strike_out });
    std::string two = "bob: plain\r\n";  // no style: the default
    receive_chat_text(one.data(), one.size(), 0);
    receive_chat_text(two.data(), two.size(), 0);
    QTextDocument* doc = view.rich_edit()->document();
    EXPECT_EQ(doc->toPlainText(), "ann: bold red\nbob: plain\n");
    std::vector<RtfRun> runs = chat_runs(*doc);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].style, (ChatStyle { 255, 0, 0, 20, chat_effect_bold | chat_effect_strike_out }));
    EXPECT_EQ(runs[1].style, chat_default_style);
    EXPECT_EQ(runs[1].text, "bob: plain\n");

    std::string again = styled("cid: from the server\r\n", ChatStyle { 0, 128, 0, 12, chat_effect_italic });
    send_window_message(WindowSlot::chat_view, WM_MY_MSG_CHAT_RELOAD_FIRST, reinterpret_cast<uintptr_t>(again.data()),
                        static_cast<intptr_t>(again.size()));
    EXPECT_EQ(doc->toPlainText(), "cid: from the server\n");
    std::lock_guard<std::mutex> hold(chat_history_lock());
    EXPECT_EQ(chat_history().text(), "cid: from the server\r\n");
}

TEST_F(Windows, ChatDialogSendsOnReturnWithItsStyleAndTheSwatchChoosesTheColour)
{
    CDlgChat* dlg = show_chat_dialog(nullptr);
    pump();
    EXPECT_EQ(dlg->size_list()->currentText(), "8");
    EXPECT_TRUE(dlg->send_on_return_check()->isChecked());
    QTest::keyClicks(dlg->typing_edit(), "hi");
    EXPECT_TRUE(sent(100).first.empty());
    QTest::keyClick(dlg->typing_edit(), Qt::Key_Return);
    EXPECT_EQ(sent(), (std::pair<std::string, std::string> { "   0:   0:  41:  10:", std::string("hi\r\n\0\x40\x40\xe0\x08\x00", 10) }));
    EXPECT_EQ(dlg->typing_edit()->toPlainText(), "");

    // The swatch at (15, 15) of the client area opens the colour dialog.
    set_chat_colour_answer([] { return ChatColour { 10, 20, 30 }; });
    const QPoint client = dlg->contentsRect().topLeft();
    QTest::mouseClick(dlg, Qt::LeftButton, {}, client + QPoint(34, 20));
    EXPECT_EQ(dlg->style().red, 64);
    QTest::mouseClick(dlg, Qt::LeftButton, {}, client + QPoint(30, 30));
    EXPECT_EQ(dlg->style().red, 10);

    dlg->size_list()->setCurrentIndex(24);  // 30 points
    dlg->effect_button(1)->click();
    dlg->effect_button(3)->click();
    dlg->send_on_return_check()->setChecked(false);
    QTest::keyClicks(dlg->typing_edit(), "two");
    QTest::keyClick(dlg->typing_edit(), Qt::Key_Return);
    EXPECT_TRUE(sent(100).first.empty());
    dlg->send_button()->click();
    EXPECT_EQ(sent().second, std::string("two\r\n\r\n\0\x0a\x14\x1e\x1e\x0a", 13));
    dlg->send_button()->click();  // empty: nothing
    EXPECT_TRUE(sent(100).first.empty());
    dlg->OnCancel();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(show_chat_dialog(nullptr), dlg);
    delete dlg;
}

TEST_F(Windows, PrivateChatDialogIsCaptionedWithItsPartnerAndSendsThroughTheServer)
{
    CDlgPrivateChat* dlg = open_private_chat("bob");
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "Private chat with bob");
    dlg->typing_edit()->setPlainText("psst");
    dlg->OnSend();
    EXPECT_EQ(sent().second, std::string("bob:psst\r\n\0\x40\x40\xe0\x08\x00", 16));
    // The line shows when the partner answers, in the partner's style.
    std::string answer = styled("bob:yes?", ChatStyle { 0, 0, 0, 14, chat_effect_underline });
    EXPECT_EQ(private_chat_from_server(answer.data(), static_cast<intptr_t>(answer.size())), 0);
    EXPECT_EQ(dlg->conversation()->toPlainText(), "yes?");
    std::vector<RtfRun> runs = chat_runs(*dlg->conversation()->document());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].style, (ChatStyle { 0, 0, 0, 14, chat_effect_underline }));
    dlg->OnCancel();
    EXPECT_EQ(find_private_chat("bob"), dlg);
    destroy_private_chats();
    EXPECT_EQ(find_private_chat("bob"), nullptr);
}

// Not compared: the page, the view and the two dialogs for people to look at,
// in the default and the gray scheme, in both languages.
// Each button of "Choose Save Format" closes it with its choice; Cancel with none.
TEST_F(Windows, ChooseSaveFormatClosesWithTheChosenFormat)
{
    struct Case {
        int button;
        int result;
        int choice;
    } cases[] = { { 1189, IDOK, chat_save_rtf }, { 1190, IDOK, chat_save_text }, { 2, IDCANCEL, 0 } };
    for (const Case& c : cases) {
        CDlgChooseSaveFormat dlg;
        auto* button = dlg.findChild<CMyButton*>(control_name(c.button));
        ASSERT_NE(button, nullptr) << c.button;
        QTimer::singleShot(0, button, [button] { button->click(); });
        EXPECT_EQ(dlg.exec(), c.result) << c.button;
        EXPECT_EQ(dlg.choice(), c.choice) << c.button;
    }
}

TEST_F(Windows, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    // Qt-free texts (the room label) in the language shown, as the program has them.
    set_text_translator([](const char* source) { return tr_ui(source).toStdString(); });
    for (int scheme : { 0, 3 }) {
        skin_table().select_skin(scheme);
        for (const char* language : { "en", "zh" }) {
            if (QString(language) == "zh")
                QCoreApplication::installTranslator(&chinese);
            auto save = [&](QWidget& w, const char* name) {
                w.show();
                pump(30);
                EXPECT_TRUE(render(w).save(QString("%1/%2_scheme_%3_%4.png").arg(dir, name).arg(scheme).arg(language)));
            };
            g_is_chairman = 1;
            g_meeting_started = 1;
            g_hand_raised = 0;
            g_connected_to_server = 1;
            {
                CLeftFormMembers page;
                page.resize(520, 470);
                g_private_voice_chat = 1;
                g_private_voice_partner_id = 1003;
                add("ann", 1001, member_flag_bit_chairman, true);
                add("bob", 1002, member_flag_bit_presenter | member_flag_bit_talking);
                add("\xe7\x8e\x8b\xe8\x8a\xb3", 1003, member_flag_bit_hand);
                add("dee", 1004, 0);
                page.member_list()->set_item_selected(1, true);
                send_window_message(WindowSlot::members_page, WM_MY_MSG_REPAINT);
                save(page, "members_page");
                g_private_voice_chat = 0;
                g_private_voice_partner_id = -1;
            }
            {
                CFormRightLower view;
                view.resize(560, 170);
                view.show();
                for (const auto& [text, style] : std::vector<std::pair<std::string, ChatStyle>> {
                         { "ann: Good morning, everyone.\r\n", ChatStyle { 0x40, 0x40, 0xE0, 10, 0 } },
                         { "bob: The slides are on the board.\r\n", ChatStyle { 200, 0, 0, 12, chat_effect_bold } },
                         { "\xe7\x8e\x8b\xe8\x8a\xb3: \xe5\xa5\xbd\xe7\x9a\x84\xef\xbc\x8c\xe6\x88\x91\xe7\x9c\x8b\xe5\x88\xb0\xe4\xba\x86\xe3\x80\x82\r\n",
                           ChatStyle { 0, 128, 0, 11, chat_effect_italic | chat_effect_underline } },
                         { "dee: Sorry, I am late.\r\n", ChatStyle { 90, 90, 90, 9, chat_effect_strike_out } } }) {
                    std::string body = styled(text, style);
                    receive_chat_text(body.data(), body.size(), 1);
                }
                save(view, "chat_view");
            }
            {
                CDlgChat* dlg = show_chat_dialog(nullptr);
                dlg->effect_button(0)->setChecked(true);
                dlg->typing_edit()->setPlainText("See you at ten.");
                save(*dlg, "chat_dlg");
                delete dlg;
            }
            {
                CDlgChooseSaveFormat dlg;
                save(dlg, "choose_save_format_dlg");
            }
            {
                CDlgPrivateChat* dlg = open_private_chat("bob");
                std::string answer = styled("bob:Can you share your screen?", ChatStyle { 0, 0, 160, 10, 0 });
                private_chat_from_server(answer.data(), static_cast<intptr_t>(answer.size()));
                dlg->typing_edit()->setPlainText("Yes, one moment.");
                save(*dlg, "private_chat_dlg");
                destroy_private_chats();
            }
            g_is_chairman = 0;
            g_meeting_started = 0;
        }
        QCoreApplication::removeTranslator(&chinese);
    }
    skin_table().select_skin(0);
    set_text_translator(nullptr);
    g_connected_to_server = 0;
}

} // namespace
