// "Generate Invite URL" as a user works it: the lists and the meeting's
// values it opens with, Generate putting the link into its edit and onto the
// clipboard, and that very link opened on tamblo-server's web host, whose
// join page hands the web launcher the same meeting (a password with '&' and
// '=' too), in English and through the Chinese page. Its pictures.

#include "core/global_state.h"
#include "core/http_util.h"
#include "core/message_box.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "dialogs/ui/dlg_invite_url.h"
#include "launcher/launch_link.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "tests/dialogs/web_host_spool.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/support/http_exchange.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QClipboard>
#include <QTextCursor>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// The session a member is in: two known servers, the room list the server
// gave, the values of the last join; cleared again afterwards.
class MeetingSession {
public:
    MeetingSession()
    {
        for (auto& e : server_entry)
            e = {};
        add_server(0, "Local server", "127.0.0.1", 9081);
        add_server(4, "Test server \xe5\xbc\xa0", "127.0.0.1", 9555);
        for (const char* room : { "Lobby", "Board" })
            room_list_add(room);
        g_server_display_name.set("Test server \xe5\xbc\xa0");
        g_server_host.set("127.0.0.1");
        g_server_port = 9555;
        g_room_name.set("Board");
        g_access_code.set("c0de#1+2%");
        g_room_password.set("p&s=w");
    }
    ~MeetingSession()
    {
        room_list_clear();
        for (auto* text : { &g_server_display_name, &g_server_host })
            text->set("");
        g_server_port = 0;
        g_room_name.set("");
        g_access_code.set("");
        g_room_password.set("");
        load_default_servers();
    }

private:
    static void add_server(size_t index, const char* name, const char* host, int port)
    {
        server_entry[index].in_use = 1;
        copy_to_field(server_entry[index].show_name, name);
        copy_to_field(server_entry[index].host, host);
        server_entry[index].port = port;
    }
};

std::string cell_text(const std::string& page, const std::string& id)
{
    const std::string open = "<td id=\"" + id + "\">";
    size_t at = page.find(open);
    if (at == std::string::npos)
        return {};
    at += open.size();
    return html_unescape(page.substr(at, page.find("</td>", at) - at));
}

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace

TEST(InviteUrlDialog, OpensWithTheMeetingsServerRoomAndValues)
{
    TempHome home;
    MeetingSession session;
    g_server_port = 443;
    CDlgInviteURL dlg;
    dlg.show();
    ASSERT_EQ(dlg.server_combo()->count(), 2);
    EXPECT_EQ(dlg.server_combo()->itemText(0), "Local server");
    EXPECT_EQ(dlg.server_combo()->currentText(), q("Test server \xe5\xbc\xa0"));
    EXPECT_EQ(dlg.room_combo()->count(), 2);
    EXPECT_EQ(dlg.room_combo()->currentText(), "Board");
    EXPECT_EQ(dlg.code_edit()->text(), "c0de#1+2%");
    EXPECT_EQ(dlg.password_edit()->text(), "p&s=w");
    ASSERT_EQ(dlg.port_combo()->count(), port_choice_count);
    EXPECT_EQ(dlg.port_combo()->currentText(), "https(443)");
    EXPECT_TRUE(dlg.link_edit()->toPlainText().isEmpty());
    dlg.OnCancel();

    // A room the list lacks is typed into the field, over the first entry.
    g_room_name.set("Garden");
    g_server_port = 9555;
    CDlgInviteURL again;
    again.show();
    EXPECT_EQ(again.room_combo()->currentIndex(), 0);
    EXPECT_EQ(again.room_combo()->currentText(), "Garden");
    EXPECT_EQ(again.port_combo()->currentIndex(), port_choice_default);
    again.OnCancel();
}

TEST(InviteUrlDialog, TheCopiedLinkOpensAJoinPageForTheSameMeeting)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    MeetingSession session;
    WebHostSpool host(home.root());
    ASSERT_NE(host.web.web_port(), 0);

    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    set_text_translator([](const char* source) { return QCoreApplication::translate("tamblo", source).toStdString(); });
    struct Case {
        const char* language;
        const char* room;      // typed over the list's entry
        const char* password;
        int port_index;
        int port;
        const char* page;
    } cases[] = {
        { "en", "Room 5 \xe5\xbc\xa0 <b>", "p&s=w=x&y", port_choice_default, 9555,
          "/cgi-bin/brenmo/customer/cu_start_from_link_enc.pl?" },
        { "zh", "Board", "a=b&c%20d#e+f", 7, 1863, "/cgi-bin/brenmo/customer/ch/cu_start_from_link_enc.pl?" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        const bool zh = std::string(c.language) == "zh";
        if (zh)
            QCoreApplication::installTranslator(&chinese);
        QApplication::clipboard()->setText("something else");
        CDlgInviteURL dlg;
        dlg.show();
        dlg.room_combo()->setEditText(q(c.room));
        dlg.password_edit()->setText(q(c.password));
        dlg.port_combo()->setCurrentIndex(c.port_index);
        dlg.generate_button()->click();
        EXPECT_TRUE(boxes.texts().empty());

        // The whole link is in the edit, selected, and on the clipboard.
        const QString shown = dlg.link_edit()->toPlainText();
        EXPECT_EQ(dlg.link_edit()->textCursor().selectedText(), shown);
        EXPECT_EQ(QApplication::clipboard()->text(), shown);
        const std::string link = shown.toStdString();
        const std::string base = "http://127.0.0.1:" + std::to_string(host.web.web_port());
        ASSERT_EQ(link.rfind(base + c.page, 0), 0u) << link;

        HttpReply reply = parse_http_reply(http_exchange(
            host.web.web_port(), "GET " + link.substr(base.size()) + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"));
        ASSERT_EQ(reply.status, 200) << reply.body;
        EXPECT_NE(reply.body.find(zh ? "lang=\"zh-CN\"" : "lang=\"en\""), std::string::npos);
        EXPECT_EQ(cell_text(reply.body, "server"), "Test server \xe5\xbc\xa0");
        EXPECT_EQ(cell_text(reply.body, "room"), c.room);

        // What the web launcher makes of the page's "Join Meeting".
        CquilletCtrl ctrl;
        std::string refused;
        ASSERT_EQ(apply_launch_link(html_attribute_after(reply.body, "id=\"join\" href=\""), ctrl, refused), 0) << refused;
        EXPECT_EQ(ctrl.server_addr(), "127.0.0.1");
        EXPECT_EQ(ctrl.server_port(), c.port);
        EXPECT_EQ(ctrl.server_name(), "Test server \xe5\xbc\xa0");
        EXPECT_EQ(ctrl.meeting_room_name(), c.room);
        EXPECT_EQ(ctrl.c(), "xxc0de#1+2%xxx");
        EXPECT_EQ(ctrl.mp(), c.password);
        dlg.OnCancel();
        if (zh)
            QCoreApplication::removeTranslator(&chinese);
    }
    set_text_translator(nullptr);
}

TEST(InviteUrlDialog, WithoutAnyServerGenerateSaysSoAndCopiesNothing)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    MeetingSession session;
    for (auto& e : server_entry)
        e = {};
    g_server_host.set("");
    g_server_display_name.set("");
    QApplication::clipboard()->setText("kept");
    CDlgInviteURL dlg;
    dlg.show();
    EXPECT_EQ(dlg.server_combo()->count(), 0);
    dlg.generate_button()->click();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "The invitation link needs a server: please connect to a server first." });
    EXPECT_TRUE(dlg.link_edit()->toPlainText().isEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
    dlg.OnCancel();
}

TEST(InviteUrlDialog, Screenshots)
{
    TempHome home;
    MeetingSession session;
    reg_write("general", "web_host", "127.0.0.1");
    reg_write_int("general", "web_port", 8080);
    const QString dir = screenshot_dir();
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CDlgInviteURL dlg;
        dlg.show();
        dlg.password_edit()->setText("p&s=w");
        dlg.generate_button()->click();
        QApplication::processEvents();
        EXPECT_TRUE(render(dlg).save(QString("%1/invite_url_dlg_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
        dlg.OnCancel();
    }));
}
