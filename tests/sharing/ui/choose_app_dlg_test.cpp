// The choose-application dialog under an Xvfb of the test's own (the dialog
// itself offscreen): the foreign windows listed by title, this program's own
// left out, what Share refuses and sends, the server's answers, and its
// pictures in both languages.

#include "core/connections.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "sharing/share_sharer.h"
#include "sharing/ui/choose_app_dlg.h"
#include "skin/skin_table.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_list_ctrl.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"
#include "tests/support/x_painter.h"
#include "tests/support/xvfb.h"

#include <QApplication>
#include <QDir>
#include <QTranslator>
#include <gtest/gtest.h>

#include <poll.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

class ChooseAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!xvfb_.running())
            GTEST_SKIP() << "Xvfb could not be started";
        platform::x11_close_display();
        ASSERT_EQ(create_work_folders(), 0);
        clear_app_sharing();
        g_main_sock.host.set("127.0.0.1");
        g_main_sock.port = listener_.port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        peer_ = listener_.accept_one();
    }
    void TearDown() override
    {
        if (g_sharing_app)
            share_sharer().stop_app_share();
        g_main_sock.close_socket();
        if (peer_ >= 0)
            ::close(peer_);
        clear_app_sharing();
        platform::x11_close_display();
    }
    std::vector<int> sent_numbers()
    {
        std::vector<int> out;
        for (;;) {
            pollfd p { peer_, POLLIN, 0 };
            if (::poll(&p, 1, 50) <= 0)
                break;
            auto [head, body] = next_wire_message(peer_);
            if (head.empty())
                break;
            out.push_back(std::atoi(head.substr(10, 4).c_str()));
        }
        return out;
    }
    int row_of(CDlgChooseApp& dlg, const QString& title)
    {
        for (int row = 0; row < dlg.app_list()->item_count(); ++row)
            if (dlg.app_list()->item_text(row, 0) == title)
                return row;
        return -1;
    }

    TempHome home_;
    XvfbServer xvfb_;
    LoopbackListener listener_;
    int peer_ = -1;
};

} // namespace

TEST_F(ChooseAppTest, ListsTheForeignWindowsByTitleAndNotItsOwn)
{
    XPainter painter;
    unsigned long editor = painter.window("Text Editor", 10, 10, 300, 200, 0x336699);
    ASSERT_TRUE(painter.icon(editor, 0x3366cc));
    unsigned long terminal = painter.window("Terminal", 350, 10, 300, 200, 0x222222);
    painter.menu(20, 20, 50, 50, 0xffffff);
    Display* display = XOpenDisplay(xvfb_.display().c_str());
    Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 300, 100, 100, 0, 0, 0);
    XStoreName(display, own, "Tamblo itself");
    long pid = ::getpid();
    XChangeProperty(display, own, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(display, own);
    XSync(display, False);

    CDlgChooseApp dlg;
    dlg.show();
    ASSERT_EQ(dlg.app_list()->item_count(), 2);
    int editor_row = row_of(dlg, "Text Editor");
    ASSERT_GE(editor_row, 0);
    EXPECT_EQ(static_cast<unsigned long>(dlg.app_list()->item_data(editor_row)), editor);
    EXPECT_EQ(static_cast<unsigned long>(dlg.app_list()->item_data(row_of(dlg, "Terminal"))), terminal);
    EXPECT_EQ(row_of(dlg, "Tamblo itself"), -1);
    EXPECT_EQ(dlg.app_list()->column_count(), 2);
    XCloseDisplay(display);
}

TEST_F(ChooseAppTest, ShareRefusesNoneOrTwoAndAsksTheServerForOne)
{
    XPainter painter;
    unsigned long editor = painter.window("Editor", 10, 10, 300, 200, 0x336699);
    painter.window("Terminal", 350, 10, 300, 200, 0x222222);
    ScriptedMessageBoxes boxes;
    CDlgChooseApp dlg;
    bool started = false;
    dlg.set_on_share_started([&] { started = true; });
    dlg.show();
    dlg.OnShare();
    dlg.app_list()->set_item_selected(0, true);
    dlg.app_list()->set_item_selected(1, true);
    dlg.OnShare();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Please select an application.", "Please select only one application." }));
    EXPECT_TRUE(sent_numbers().empty());

    dlg.app_list()->set_item_selected(1, false);
    dlg.app_list()->set_item_selected(0, false);
    dlg.app_list()->set_item_selected(row_of(dlg, "Editor"), true);
    dlg.OnShare();
    EXPECT_EQ(sent_numbers(), (std::vector<int> { MSG_SHARE_APP_DENY_CONTROL, MSG_SHARE_APP_START }));
    dlg.allow_control_check()->click();
    EXPECT_EQ(sent_numbers(), std::vector<int> { MSG_SHARE_APP_ALLOW_CONTROL });

    boxes.clear();
    post_window_message(WindowSlot::choose_app, WM_MY_MSG_SHARE_APP_REFUSED);
    QApplication::processEvents();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> {
                                 "Share app denied, an application already in share.\nStop sharing that application before go on." });
    EXPECT_TRUE(dlg.isVisible());

    post_window_message(WindowSlot::choose_app, WM_MY_MSG_202);
    QApplication::processEvents();
    EXPECT_TRUE(started);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(g_sharing_app, 1);
    EXPECT_EQ(share_sharer().shared_window(), editor);
    EXPECT_TRUE(share_sharer().hooks().library_loaded() || !share_sharer().hooks().paint_hooks_installed());
}

// Not compared: the dialog with three windows listed, in both languages, for people to look at.
TEST_F(ChooseAppTest, Screenshots)
{
    XPainter painter;
    painter.icon(painter.window("Quarterly report - Spreadsheet", 10, 10, 300, 200, 0x336699), 0x33aa33);
    painter.icon(painter.window("Terminal", 350, 10, 300, 200, 0x222222), 0x333333);
    painter.window("Design notes.txt - Editor", 50, 250, 300, 200, 0x663399);
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    skin_table().select_skin(0);
    for (const char* language : { "en", "zh" }) {
        if (QString(language) == "zh")
            QCoreApplication::installTranslator(&chinese);
        CDlgChooseApp dlg;
        dlg.show();
        dlg.app_list()->set_item_selected(1, true);
        QApplication::processEvents();
        EXPECT_TRUE(render(dlg).save(QString("%1/choose_app_dlg_%2.png").arg(dir, language)));
    }
    QCoreApplication::removeTranslator(&chinese);
}
