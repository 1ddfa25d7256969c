// The "Tell Friend" dialog as a user fills it: each empty field refused in
// the form's order, then the message in the spool of tamblo-server's web
// host, through the English or the Chinese form as the user's language
// says. Its pictures in both languages.

#include "core/http_util.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/ui_text.h"
#include "dialogs/ui/dlg_tell_friend.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/dialogs/web_host_spool.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, std::string> filled {
    { "friend_name", "Bo \xe5\x8d\x9a" }, { "friend_email", "bo@x.cn" }, { "name", "Ann & Co" },
    { "email", "ann+1@x" }, { "subject", "Try Tamblo = 100%" }, { "content", "Line 1\nLine 2 \xe4\xbd\xa0\xe5\xa5\xbd" },
};

// Fills the dialog with fields and presses Submit; the dialog's result.
int submit(const std::map<std::string, std::string>& fields)
{
    CDlgTellFriend dlg;
    auto q = [&](const char* name) { return QString::fromStdString(fields.at(name)); };
    dlg.friend_name_edit()->setText(q("friend_name"));
    dlg.friend_email_edit()->setText(q("friend_email"));
    dlg.name_edit()->setText(q("name"));
    dlg.email_edit()->setText(q("email"));
    dlg.subject_edit()->setText(q("subject"));
    dlg.content_edit()->setPlainText(q("content"));
    QTimer::singleShot(0, &dlg, [&] {
        dlg.findChild<CMyButton*>("ctl_1")->click();
        if (dlg.isVisible()) {
            EXPECT_EQ(dlg.subject_edit()->text(), q("subject"));
            dlg.reject();
        }
    });
    return dlg.exec();
}

TEST(TellFriendDialog, EmptyFieldsAreRefusedInOrderThenTheMessageLandsInTheSpool)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    WebHostSpool host(home.root());
    ASSERT_NE(host.web.web_port(), 0);
    const fs::path& spool = host.spool;

    // Emptied one after another from the last: each time the first empty one is named.
    const std::pair<const char*, const char*> order[] = {
        { "content", "Please enter mail content." },       { "subject", "Please enter mail subject." },
        { "email", "Please enter your email." },           { "name", "Please enter your name." },
        { "friend_email", "Friend's email should not be empty." }, { "friend_name", "Friend's name should not be empty" },
    };
    std::map<std::string, std::string> fields = filled;
    for (const auto& [name, refusal] : order) {
        SCOPED_TRACE(name);
        fields[name].clear();
        boxes.clear();
        EXPECT_EQ(submit(fields), IDCANCEL);
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { refusal });
    }
    EXPECT_TRUE(fs::is_empty(spool));

    // The language chooses the form: the server keeps them apart.
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    set_text_translator([](const char* source) { return QCoreApplication::translate("tamblo", source).toStdString(); });
    for (const char* kind : { "tell_friend", "tell_friend_ch" }) {
        SCOPED_TRACE(kind);
        const bool zh = std::string(kind) == "tell_friend_ch";
        if (zh)
            QCoreApplication::installTranslator(&chinese);
        boxes.clear();
        EXPECT_EQ(submit(filled), IDOK);
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { zh ? "您的消息已发送给您的朋友，谢谢！"
                                                                : "Your message is sent to your friend, thank you!" });
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(spool))
            if (entry.path().filename().string().rfind(std::string(kind) + "-", 0) == 0)
                kept.push_back(entry.path());
        ASSERT_EQ(kept.size(), 1u);
        std::vector<std::pair<std::string, std::string>> stored;
        ASSERT_TRUE(parse_query_fields(read_file(kept[0].string()), stored));
        const std::map<std::string, std::string> arrived(stored.begin(), stored.end());
        EXPECT_EQ(arrived, filled);
        if (zh)
            QCoreApplication::removeTranslator(&chinese);
    }
    set_text_translator(nullptr);
}

TEST(TellFriendDialog, Screenshots)
{
    const QString dir = screenshot_dir();
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CDlgTellFriend dlg;
        dlg.friend_name_edit()->setText("Bo");
        dlg.friend_email_edit()->setText("bo@example.com");
        dlg.name_edit()->setText(QString::fromUtf8("Ann \xe5\xbc\xa0"));
        dlg.email_edit()->setText("ann@example.com");
        dlg.subject_edit()->setText("Meet me in Tamblo");
        dlg.content_edit()->setPlainText("Join our Friday meeting with Tamblo.");
        dlg.show();
        QApplication::processEvents();
        EXPECT_TRUE(render(dlg).save(QString("%1/tell_friend_dlg_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
    }));
}

} // namespace
