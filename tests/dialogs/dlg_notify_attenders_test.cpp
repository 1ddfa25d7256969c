// Inviting by mail as a user does it: the address book's groups and
// contacts in "Notify attenders", the settings with their lists and
// presets, the refusals, and a group's invitations through the real
// xdg-email and xdg-open of a private desktop, the join link answered by
// tamblo-server's web host. The pictures of both dialogs.

#include "core/global_state.h"
#include "core/http_util.h"
#include "core/message_box.h"
#include "core/server_table.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "dialogs/contacts.h"
#include "dialogs/ui/dlg_notify_attenders.h"
#include "dialogs/ui/dlg_notify_setting.h"
#include "server/web_pages.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_property_page.h"
#include "skin/ui/my_property_sheet.h"
#include "tests/dialogs/mail_desktop.h"
#include "tests/dialogs/web_host_spool.h"
#include "tests/skin/modal_watcher.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/support/http_exchange.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <libical/ical.h>

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

namespace {

void pump() { QApplication::processEvents(QEventLoop::AllEvents, 5); }

// Group 1 "Sales" with Ann and a broken address, group 2 "Board" with Bo, Cy without a group.
const char* const group_file = "1|Sales\n2|Board\n";
const char* const contact_file = "1|ann@example.org|Ann|Lee|first\n"
                                 "2|bo@example.org|Bo|Wu|chair\n"
                                 "-1|cy@example.org|Cy|\xe5\xbc\xa0|\n"
                                 "1|-oProxyCommand=x@example.org|Mal|Lory|skipped\n";

std::vector<std::string> combo_texts(const CMyComboBox* combo)
{
    std::vector<std::string> out;
    for (int i = 0; i < combo->count(); ++i)
        out.push_back(combo->itemText(i).toStdString());
    return out;
}

std::vector<std::string> list_names(const CMyListCtrl* list)
{
    std::vector<std::string> out;
    for (int row = 0; row < list->item_count(); ++row)
        out.push_back(list->item_text(row, 0).toStdString() + " <" + list->item_text(row, 1).toStdString() + ">");
    return out;
}

void select_value(CMyComboBox* combo, int value)
{
    int index = combo->findData(value);
    ASSERT_GE(index, 0) << value;
    combo->setCurrentIndex(index);
}

class NotifyDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        init_global_state();
        std::filesystem::create_directories(home.user_folder());
        std::ofstream(home.user_folder() + "group.txt") << group_file;
        std::ofstream(home.user_folder() + "contact.txt") << contact_file;
        for (auto& e : server_entry)
            e = {};
        add_server(2, "Main server", "10.1.2.3", 1863);
        // Longer than the other values may be: it must still name its entry.
        add_server(7, "Second \xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8 " + std::string(80, 'x'), "10.9.9.9", 443);
        room_list_clear();
        room_list_add("Lobby");
        room_list_add("Board Room");
        g_room_name.set("Board Room");
        g_access_code.set("c0de");
        g_room_password.set("p&w");
    }
    void TearDown() override
    {
        set_message_box_presenter(nullptr);
        g_server_host.set("");
        load_default_servers();
    }
    static void add_server(int slot, const std::string& name, const char* host, int port)
    {
        server_entry_record& e = server_entry[static_cast<size_t>(slot)];
        e.in_use = 1;
        copy_to_field(e.show_name, name);
        copy_to_field(e.host, host);
        e.port = port;
    }

    TempHome home;
    ScriptedMessageBoxes boxes;
};

TEST_F(NotifyDialogs, TheListsShowTheAddressBookByGroup)
{
    CDlgNotifyAttenders dlg;
    dlg.show();
    pump();
    EXPECT_EQ(combo_texts(dlg.group_combo()), (std::vector<std::string> { "All", "Sales", "Board" }));
    struct Case {
        int group;
        std::vector<std::string> rows;
    } cases[] = {
        { all_groups_id,
          { "Ann Lee <ann@example.org>", "Bo Wu <bo@example.org>", "Cy \xe5\xbc\xa0 <cy@example.org>",
            "Mal Lory <-oProxyCommand=x@example.org>" } },
        { 1, { "Ann Lee <ann@example.org>", "Mal Lory <-oProxyCommand=x@example.org>" } },
        { 2, { "Bo Wu <bo@example.org>" } },
    };
    for (const Case& c : cases) {
        select_value(dlg.group_combo(), c.group);
        EXPECT_EQ(list_names(dlg.contact_list()), c.rows) << c.group;
        // "Notify Goup" writes to exactly the people listed.
        std::vector<std::string> addressed;
        for (const Addressee& a : group_addressees(c.group))
            addressed.push_back(a.first_name + " " + a.last_name + " <" + a.email + ">");
        EXPECT_EQ(addressed, c.rows) << c.group;
    }
    // The row's data is the contact's slot; the comment stands in the third column.
    EXPECT_EQ(dlg.contact_list()->item_data(0), 1);
    EXPECT_EQ(dlg.contact_list()->item_text(0, 2), "chair");
    // No Contact page in this program: the button cannot open anything.
    EXPECT_FALSE(dlg.edit_contact_button()->isEnabled());
}

// Edit Contact opens the sheet with the Contact page only; whatever was changed meanwhile shows afterwards.
TEST_F(NotifyDialogs, EditContactRunsTheContactSheetAndReadsTheFilesAgain)
{
    int pages_made = 0;
    CDlgNotifyAttenders dlg([&](QWidget* sheet) {
        ++pages_made;
        return new CMyPropertyPage(107, "Contact", sheet);
    });
    dlg.show();
    pump();
    ASSERT_TRUE(dlg.edit_contact_button()->isEnabled());
    select_value(dlg.group_combo(), 2);
    QString caption;
    int pages = 0;
    ModalWatcher watcher([&](QWidget* modal) {
        if (auto* sheet = qobject_cast<CMyPropertySheet*>(modal)) {
            caption = sheet->windowTitle();
            pages = sheet->GetPageCount();
            // As the Contact page would: a new group and a new contact in it.
            std::ofstream(home.user_folder() + "group.txt") << group_file << "3|Guests\n";
            std::ofstream(home.user_folder() + "contact.txt") << contact_file << "3|dee@example.org|Dee|Ng|\n";
            QTimer::singleShot(0, sheet, [sheet] { sheet->m_ok->click(); });
        }
    });
    dlg.edit_contact_button()->click();
    EXPECT_EQ(pages_made, 1);
    EXPECT_EQ(caption, "Options...");
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(combo_texts(dlg.group_combo()), (std::vector<std::string> { "All", "Sales", "Board", "Guests" }));
    EXPECT_EQ(dlg.group_combo()->currentIndex(), 0);
    EXPECT_EQ(dlg.contact_list()->item_count(), 5);
}

// Nothing to send to: the user is told, and no settings dialog opens; cancelled settings send nothing.
TEST_F(NotifyDialogs, NoOneToNotifyOrCancelledSettingsSendNothing)
{
    std::ofstream(home.user_folder() + "group.txt") << group_file << "4|Empty\n";
    CDlgNotifyAttenders dlg;
    dlg.show();
    pump();
    int opened = 0;
    ModalWatcher watcher([&](QWidget* modal) {
        ++opened;
        QTimer::singleShot(0, modal, [modal] { modal->close(); });
    });
    dlg.notify_one_button()->click();
    select_value(dlg.group_combo(), 4);
    dlg.notify_group_button()->click();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Please select a person to notify.",
                                                         "There is no one in this group to notify." }));
    EXPECT_EQ(opened, 0);

    // A chosen person, but the settings cancelled: nothing is written or handed on.
    boxes.clear();
    select_value(dlg.group_combo(), all_groups_id);
    dlg.contact_list()->set_item_selected(0, true);
    dlg.notify_one_button()->click();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_FALSE(std::filesystem::exists(home.user_folder() + "invite"));
}

TEST_F(NotifyDialogs, SettingsListsAndPresets)
{
    std::tm before {};
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &before);
    CDlgNotifySetting dlg;
    dlg.show();
    pump();
    std::tm after {};
    now = std::time(nullptr);
    localtime_r(&now, &after);

    EXPECT_EQ(combo_texts(dlg.server_combo()), (std::vector<std::string> { "Main server", server_entry[7].show_name.data() }));
    EXPECT_EQ(dlg.server_combo()->currentIndex(), 0);
    EXPECT_EQ(combo_texts(dlg.room_combo()), (std::vector<std::string> { "Lobby", "Board Room" }));
    EXPECT_EQ(dlg.room_combo()->currentText(), "Board Room");
    EXPECT_EQ(dlg.code_edit()->text(), "c0de");
    EXPECT_EQ(dlg.password_edit()->text(), "p&w");

    struct List {
        CMyComboBox* combo;
        int count, first_value, last_value;
        std::vector<int> presets;  // the value selected: as the clock read before or after opening
    } lists[] = {
        { dlg.year_combo(), 16, before.tm_year + 1900, before.tm_year + 1915, { before.tm_year + 1900, after.tm_year + 1900 } },
        { dlg.month_combo(), 12, 1, 12, { before.tm_mon + 1, after.tm_mon + 1 } },
        { dlg.day_combo(), 31, 1, 31, { before.tm_mday, after.tm_mday } },
        { dlg.hour_combo(), 24, 0, 23, { before.tm_hour, after.tm_hour } },
        { dlg.minute_combo(), 60, 0, 59, { before.tm_min, after.tm_min } },
        { dlg.duration_hours_combo(), 24, 0, 23, { 1 } },
        { dlg.duration_minutes_combo(), 60, 0, 59, { 0 } },
    };
    for (const List& l : lists) {
        SCOPED_TRACE(l.combo->objectName().toStdString());
        ASSERT_EQ(l.combo->count(), l.count);
        EXPECT_EQ(l.combo->itemData(0).toInt(), l.first_value);
        EXPECT_EQ(l.combo->itemData(l.count - 1).toInt(), l.last_value);
        int selected = l.combo->currentData().toInt();
        EXPECT_TRUE(std::find(l.presets.begin(), l.presets.end(), selected) != l.presets.end()) << selected;
    }
    const std::pair<int, const char*> hours[] = { { 0, "12 AM" }, { 9, " 9 AM" }, { 12, "12 PM" }, { 23, "11 PM" } };
    for (auto [index, text] : hours)
        EXPECT_EQ(dlg.hour_combo()->itemText(index), text);
    EXPECT_EQ(dlg.minute_combo()->itemText(5), " 5");
}

// OK keeps the dialog open on a date the month lacks and without any server; the server named by the list gives host and port.
TEST_F(NotifyDialogs, SettingsOkRefusesWhatCannotBeSent)
{
    CDlgNotifySetting dlg;
    dlg.show();
    pump();
    select_value(dlg.year_combo(), dlg.year_combo()->itemData(1).toInt());
    const int year = dlg.year_combo()->currentData().toInt();
    const int leap_day = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    select_value(dlg.month_combo(), 2);
    select_value(dlg.day_combo(), leap_day + 1);
    dlg.OnOK();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "The scheduled date does not exist, please choose another day." });

    select_value(dlg.day_combo(), leap_day);
    dlg.server_combo()->setCurrentIndex(1);
    dlg.room_combo()->setEditText("Room 9");
    dlg.title_edit()->setText("Plan");
    dlg.OnOK();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), IDOK);
    const NotifySettings& s = dlg.settings();
    EXPECT_EQ(s.server.display_name, server_entry[7].show_name.data());
    EXPECT_EQ(s.server.host, "10.9.9.9");
    EXPECT_EQ(s.server.port, 443);
    EXPECT_EQ(s.server.room_name, "Room 9");
    EXPECT_EQ(s.server.auth_code, "c0de");
    EXPECT_EQ(s.server.room_password, "p&w");
    EXPECT_EQ(s.month, 2);
    EXPECT_EQ(s.day, leap_day);
    EXPECT_EQ(s.duration_hours, 1);
    EXPECT_EQ(s.title, "Plan");

    // Without any server entry the current server is named; without that either, nothing can be sent.
    for (auto& e : server_entry)
        e = {};
    struct Case {
        const char* current_host;
        bool accepted;
    } cases[] = { { "127.0.0.7", true }, { "", false } };
    for (const Case& c : cases) {
        g_server_host.set(c.current_host);
        g_server_port = 9555;
        boxes.clear();
        CDlgNotifySetting bare;
        bare.show();
        pump();
        EXPECT_EQ(bare.server_combo()->count(), 0);
        bare.OnOK();
        EXPECT_EQ(bare.isVisible(), !c.accepted) << c.current_host;
        if (c.accepted) {
            EXPECT_EQ(bare.settings().server.host, c.current_host);
            EXPECT_EQ(bare.settings().server.port, 9555);
            EXPECT_TRUE(boxes.texts().empty());
        } else {
            EXPECT_EQ(boxes.texts(),
                      std::vector<std::string> { "There is no server to invite to, please connect to a server first." });
        }
    }
}

// The whole path: a group's invitations through the real xdg-email, the
// appointment to the calendar once, the join link answered by the web host.
TEST_F(NotifyDialogs, AGroupIsInvitedThroughTheMailProgramAndTheCalendar)
{
    MailDesktop desktop(home);
    ASSERT_TRUE(desktop.running());
    ASSERT_NO_FATAL_FAILURE(desktop.install_mail_program());
    ASSERT_NO_FATAL_FAILURE(desktop.install_calendar());
    WebHostSpool web(home.root());
    ASSERT_NE(web.web.web_port(), 0);
    add_server(2, "Local meeting", "127.0.0.1", web.web.port());
    LogCapture log;

    CDlgNotifyAttenders dlg;
    dlg.show();
    pump();
    select_value(dlg.group_combo(), 1);
    ModalWatcher watcher([&](QWidget* modal) {
        auto* settings = qobject_cast<CDlgNotifySetting*>(modal);
        if (!settings)
            return;
        settings->room_combo()->setEditText("Sales & Co");
        settings->year_combo()->setCurrentIndex(2);
        select_value(settings->month_combo(), 7);
        select_value(settings->day_combo(), 14);
        select_value(settings->hour_combo(), 0);
        select_value(settings->minute_combo(), 30);
        select_value(settings->duration_hours_combo(), 2);
        select_value(settings->duration_minutes_combo(), 15);
        settings->title_edit()->setText("Quarterly plan \xe5\xbc\xa0");
        settings->content_edit()->setPlainText("Bring the numbers.\nC:\\sales\\q3");
        QTimer::singleShot(0, settings, [settings] { settings->findChild<CMyButton*>("ctl_1")->click(); });
    });
    dlg.notify_group_button()->click();

    const std::string notice = "Notification mails handed to your mail program: 1. Failed: 1.";
    // What the program logged tells why, should the mail program or the calendar not be reached.
    auto logged = [&] {
        std::string all;
        for (const std::string& line : log.lines())
            all += line;
        return all;
    };
    ASSERT_TRUE(wait_until([&] { return !boxes.texts().empty(); }, pump)) << "no end notice\n" << logged();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { notice });
    EXPECT_TRUE(log.contains("invitation to \"-oProxyCommand=x@example.org\" skipped: not a mail address.\n"));

    std::tm local {};
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &local);
    NotifySettings s;
    s.server = { "127.0.0.1", "Local meeting", web.web.port(), "c0de", "Sales & Co", "p&w" };
    s.year = local.tm_year + 1900 + 2;
    s.month = 7;
    s.day = 14;
    s.hour = 0;
    s.minute = 30;
    s.duration_hours = 2;
    s.duration_minutes = 15;
    s.title = "Quarterly plan \xe5\xbc\xa0";
    s.content = "Bring the numbers.\nC:\\sales\\q3";
    const std::string link = notify_join_link(s.server);
    EXPECT_EQ(link.rfind("http://127.0.0.1:" + std::to_string(web.web.web_port()) + "/", 0), 0u) << link;

    std::vector<std::string> mails = desktop.mails();
    ASSERT_EQ(mails.size(), 1u);
    Mailto m = parse_mailto(mails[0]);
    EXPECT_EQ(m.to, "ann@example.org");
    EXPECT_EQ(m.fields["subject"], s.title);
    EXPECT_EQ(m.fields["body"], invitation_mail_text("Ann", "Lee", s, link));
    EXPECT_NE(m.fields["body"].find("Bring the numbers.\r\nC:\\sales\\q3"), std::string::npos);

    ASSERT_TRUE(wait_until([&] { return !desktop.calendar_opens().empty(); }, pump)) << logged();
    const std::string ics_path = desktop.calendar_opens()[0];
    EXPECT_EQ(ics_path.rfind(home.user_folder() + "invite/", 0), 0u) << ics_path;
    EXPECT_EQ(m.fields["attach"], std::filesystem::canonical(ics_path).string());
    icalcomponent* cal = icalparser_parse_string(read_file(ics_path).c_str());
    ASSERT_NE(cal, nullptr);
    icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT);
    ASSERT_NE(ev, nullptr);
    EXPECT_EQ(icaltime_as_timet(icalcomponent_get_dtstart(ev)), schedule_moment(s));
    EXPECT_EQ(icaldurationtype_as_int(icalcomponent_get_duration(ev)), (2 * 60 + 15) * 60);
    EXPECT_EQ(std::string(icalcomponent_get_summary(ev)), s.title);
    EXPECT_EQ(std::string(icalproperty_get_url(icalcomponent_get_first_property(ev, ICAL_URL_PROPERTY))), link);
    icalcomponent_free(cal);

    // The link opens the join page of the meeting the mail names.
    const std::string path = link.substr(link.find('/', std::string("http://").size()));
    HttpReply reply = parse_http_reply(http_exchange(web.web.web_port(), "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"));
    ASSERT_EQ(reply.status, 200) << reply.head;
    MeetingLink meeting { "127.0.0.1", "Local meeting", web.web.port(), "c0de", "Sales & Co", "p&w" };
    EXPECT_EQ(html_attribute_after(reply.body, "<a id=\"join\" href=\""), launch_link(meeting)) << reply.body;
}

TEST_F(NotifyDialogs, Screenshots)
{
    const QString dir = screenshot_dir();
    // The hours' texts come from the Qt-free side, which asks the installed catalogue as the program does.
    set_text_translator([](const char* source) { return QCoreApplication::translate("tamblo", source).toStdString(); });
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CDlgNotifyAttenders attenders([](QWidget* sheet) { return new CMyPropertyPage(107, "Contact", sheet); });
        attenders.show();
        pump();
        attenders.contact_list()->set_item_selected(1, true);
        pump();
        EXPECT_TRUE(render(attenders).save(QString("%1/notify_attenders_dlg_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
        CDlgNotifySetting settings;
        settings.show();
        pump();
        settings.title_edit()->setText(QString::fromUtf8("Quarterly plan \xe5\xbc\xa0"));
        settings.content_edit()->setPlainText("Bring the numbers.");
        pump();
        EXPECT_TRUE(render(settings).save(QString("%1/notify_setting_dlg_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
    }));
    set_text_translator(nullptr);
}

} // namespace
