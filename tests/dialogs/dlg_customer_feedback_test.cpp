// The "Customer Feed Back" dialog as a user submits it: into the spool of
// tamblo-server's web host (what was typed arrives whole), the exact request
// through a recording web server, and the failures that keep the dialog
// open: a refusal, silence, no server. Its pictures in both languages.

#include "core/http_util.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "dialogs/ui/dlg_customer_feedback.h"
#include "dialogs/web_form.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "tests/core/loopback.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/support/child_process.h"
#include "tests/dialogs/web_host_spool.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

const std::string success = "Your comment and suggestions is submitted successfully!";

// Types the fields and presses Submit in the running dialog; its result.
int submit(const std::string& name, const std::string& email, const QString& comment)
{
    CDlgCustomerFeedBack dlg;
    dlg.name_edit()->setText(QString::fromStdString(name));
    dlg.email_edit()->setText(QString::fromStdString(email));
    dlg.comment_edit()->setPlainText(comment);
    QTimer::singleShot(0, &dlg, [&] {
        dlg.findChild<CMyButton*>("ctl_1")->click();
        // A failure leaves the dialog open with what was typed.
        if (dlg.isVisible()) {
            EXPECT_EQ(dlg.name_edit()->text().toStdString(), name);
            EXPECT_EQ(dlg.comment_edit()->toPlainText(), comment);
            dlg.reject();
        }
    });
    return dlg.exec();
}

std::map<std::string, std::string> fields_of(const std::string& body)
{
    std::vector<std::pair<std::string, std::string>> fields;
    EXPECT_TRUE(parse_query_fields(body, fields)) << body;
    return { fields.begin(), fields.end() };
}

TEST(CustomerFeedBackDialog, WhatIsTypedLandsInTheSpool)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    WebHostSpool host(home.root());
    ASSERT_NE(host.web.web_port(), 0);

    // 10229 characters are sent and the one beyond them is not.
    QString long_comment = QString::fromUtf8("\xe6\x84\x8f a&b=c+d%\n").repeated(1023).left(feedback_comment_limit);
    struct Case {
        const char* what;
        std::string name, email;
        QString comment;
        std::string want_comment;
    } cases[] = {
        { "empty", "", "", "", "" },
        { "marks and Chinese", "\xe5\xbc\xa0 & =", "a+b@x.cn", QString::fromUtf8("Line 1\n\xe5\xa5\xbd #1?"),
          "Line 1\n\xe5\xa5\xbd #1?" },
        { "longest comment", "Ann", "ann@x", long_comment + "X", long_comment.toStdString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        std::vector<fs::path> before = host.files();
        EXPECT_EQ(submit(c.name, c.email, c.comment), IDOK);
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { success });
        std::vector<fs::path> after = host.files();
        ASSERT_EQ(after.size(), before.size() + 1);
        fs::path kept;
        for (const fs::path& p : after)
            if (std::find(before.begin(), before.end(), p) == before.end())
                kept = p;
        std::map<std::string, std::string> stored = fields_of(read_file(kept.string()));
        EXPECT_EQ(stored, (std::map<std::string, std::string> {
                              { "name", c.name }, { "email", c.email }, { "content", c.want_comment } }));
    }
}

TEST(CustomerFeedBackDialog, TheRequestIsExactAndFailuresKeepTheDialogOpen)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    fs::path replies = fs::path(home.root()) / "replies";
    fs::create_directories(replies);
    std::string log = home.root() + "/requests.txt";
    uint16_t port = unused_loopback_port();
    ChildProcess odd({ "python3", std::string(TAMBLO_TEST_SOURCE_DIR) + "/tests/support/odd_http_server.py",
                       std::to_string(port), log, replies.string() });
    ASSERT_TRUE(odd.started());
    ASSERT_TRUE(wait_for_loopback_port(port, 20000));
    reg_write("general", "web_host", "127.0.0.1");
    reg_write_int("general", "web_port", port);
    const std::string authority = "127.0.0.1:" + std::to_string(port);

    struct Case {
        const char* what;
        std::string reply;  // the web host's answer; none: silence
        int result;
        std::string want;
    } cases[] = {
        { "accepted", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", IDOK, success },
        { "accepted, bare line feed", "HTTP/1.0 204 No Content\n\n", IDOK, success },
        { "server error", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", IDCANCEL,
          "The web host refused the form (500)." },
        { "not HTTP", "hello\r\n\r\n", IDCANCEL, "The web host did not answer; the form was not sent." },
        { "silence", "", IDCANCEL, "The web host did not answer; the form was not sent." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(replies / "feed_back2.pl", std::ios::binary | std::ios::trunc) << c.reply;
        fs::remove(replies / "feed_back2.pl.stall");
        if (c.reply.empty())
            std::ofstream(replies / "feed_back2.pl.stall");
        fs::remove(log);
        boxes.clear();
        EXPECT_EQ(submit("A&B", "a@x", "Hi"), c.result);
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { c.want });
        const std::string body = "name=A%26B&email=a%40x&content=Hi";
        const std::string head =
                  "POST /cgi-bin/brenmo/customer/feed_back2.pl HTTP/1.1\r\n"
                  "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-powerpoint, "
                  "application/vnd.ms-excel, application/msword, application/x-shockwave-flash, */*\r\n"
                  "Referer: http://" + authority + "/cgi-bin/brenmo/customer/feed_back1.pl\r\n"
                  "Accept-Language: en-us\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n"
                  "Accept-Encoding: gzip, deflate\r\n"
                  "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)\r\n"
                  "Host: " + authority + "\r\n"
                  "Content-Length: " + std::to_string(body.size()) + "\r\n"
                  "Connection: Keep-Alive\r\n"
                  "Cache-Control: no-cache\r\n"
                  "Cookie: serial_id=1; company_id=1\r\n"
                  "\r\n";
        // The recording server keeps the head and what of the body came with it.
        const std::string logged = read_file(log);
        EXPECT_EQ(logged.substr(0, head.size()), head);
        EXPECT_EQ(body.rfind(logged.substr(std::min(head.size(), logged.size())), 0), 0u);
    }

    // Nobody listening.
    reg_write_int("general", "web_port", unused_loopback_port());
    boxes.clear();
    EXPECT_EQ(submit("A", "a@x", "Hi"), IDCANCEL);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Failed to connect to server." });
}

TEST(CustomerFeedBackDialog, Screenshots)
{
    const QString dir = screenshot_dir();
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CDlgCustomerFeedBack dlg;
        dlg.name_edit()->setText(QString::fromUtf8("Ann \xe5\xbc\xa0"));
        dlg.email_edit()->setText("ann@example.com");
        dlg.comment_edit()->setPlainText("The whiteboard could keep its zoom.\nThanks!");
        dlg.show();
        QApplication::processEvents();
        EXPECT_TRUE(render(dlg).save(QString("%1/customer_feedback_dlg_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
    }));
}

} // namespace
