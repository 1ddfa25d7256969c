// The "Network Speed Test" dialog against a real tamblo-server through the
// client core's file connection, the server stopped, and its pictures in
// every scheme and both languages.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/ui_text.h"
#include "dialogs/ui/dlg_net_speed.h"
#include "platform/sys/clock.h"
#include "sharing/sharing_messages.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_progress_ctrl.h"
#include "skin/ui/my_static.h"
#include "tests/core/loopback.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

namespace {

bool pump_until(const std::function<bool()>& done, int wait_ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

TEST(NetSpeedDialog, MeasuresTheLocalServerAndTellsWhenThereIsNone)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    ServerProcess server;
    reset_receive_handlers();
    install_sharing_handlers();
    set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
    g_server_host.set("127.0.0.1");
    g_server_port = server.port();
    g_my_customer_id = -1;
    g_main_connection_lost = 0;
    g_connected_to_server = 1;
    std::thread main_reader([] { g_recv_thread(); });
    std::thread file_reader([] { g_file_thread(); });
    ASSERT_TRUE(server.wait_for_log("file connection from"));

    {
        CDlgNetSpeed dlg;
        dlg.show();
        EXPECT_EQ(dlg.result_label()->text().toStdString(), "Result:");
        EXPECT_EQ(dlg.test_button()->objectName(), "ctl_1153");
        EXPECT_EQ(dlg.sending_bar()->objectName(), "ctl_1154");
        EXPECT_EQ(dlg.receiving_bar()->objectName(), "ctl_1156");
        EXPECT_EQ(dlg.result_label()->objectName(), "ctl_1155");
        dlg.test_button()->click();
        EXPECT_FALSE(dlg.test_button()->isEnabled());
        ASSERT_TRUE(pump_until([&] { return dlg.result_label()->text() != "Result:"; })) << server.log_text();
        EXPECT_EQ(dlg.sending_bar()->GetPos(), 10);
        EXPECT_EQ(dlg.receiving_bar()->GetPos(), 10);
        EXPECT_EQ(dlg.test().answers(), 10);
        const QString text = dlg.result_label()->text();
        QRegularExpression figure("^Result: success send:10, failed send:0, total time used:(\\d+) millisecond\\.\n"
                                  " Network speed is:(\\d+) byte/s$");
        QRegularExpressionMatch m = figure.match(text);
        if (text != "Your network speed is extremely fast!") {
            ASSERT_TRUE(m.hasMatch()) << text.toStdString();
            EXPECT_EQ(m.captured(2).toLongLong(), 20000000LL / m.captured(1).toLongLong());
        }
        EXPECT_FALSE(dlg.test_button()->isEnabled()) << "once per opening";
    }

    // The server stopped: its connections go, and the test says it cannot run.
    EXPECT_EQ(server.stop(), 0);
    ASSERT_TRUE(pump_until([] { return g_file_sock.m_sock == 0; }));
    {
        CDlgNetSpeed dlg;
        dlg.show();
        dlg.test_button()->click();
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Must connect to server before testing net speed." });
        EXPECT_EQ(dlg.sending_bar()->GetPos(), 0);
        EXPECT_EQ(dlg.result_label()->text().toStdString(), "Result:");
    }
    g_main_sock.close_socket();
    g_file_sock.close_socket();
    main_reader.join();
    file_reader.join();
    reset_receive_handlers();
    g_connected_to_server = 0;
    g_my_customer_id = -1;
}

TEST(NetSpeedDialog, Screenshots)
{
    TempHome home;
    // The ten messages go to a listener that only takes them.
    LoopbackListener listener;
    g_file_sock.host.set("127.0.0.1");
    g_file_sock.port = listener.port();
    ASSERT_EQ(g_file_sock.connect_server(), 0);
    int taker = listener.accept_one();
    g_connected_to_server = 1;
    platform::ManualClock clock(1000);
    platform::set_clock(&clock);
    // The result is formatted below the windows, in the language shown, as in the program.
    set_text_translator([](const char* source) { return QCoreApplication::translate("tamblo", source).toStdString(); });
    const QString dir = screenshot_dir();
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CDlgNetSpeed dlg;
        dlg.show();
        QApplication::processEvents();
        if (scheme == 0)
            EXPECT_TRUE(render(dlg).save(QString("%1/net_speed_dlg_%2.png").arg(dir, language)));
        dlg.test_button()->click();
        read_bytes(taker, 10 * 1020, 2000);
        // Half way, then the whole answer after 250 ms.
        dlg.handle_window_message(WM_MY_MSG_NET_SPEED_673, 0, 0);
        for (int i = 0; i < 4; ++i)
            dlg.handle_window_message(WM_MY_MSG_NET_SPEED_674, 0, 0);
        if (scheme == 0)
            EXPECT_TRUE(render(dlg).save(QString("%1/net_speed_dlg_half_%2.png").arg(dir, language)));
        for (int i = 0; i < 4; ++i)
            dlg.handle_window_message(WM_MY_MSG_NET_SPEED_674, 0, 0);
        clock.advance(250);
        dlg.handle_window_message(WM_MY_MSG_NET_SPEED_RESULT, 0, 0);
        QApplication::processEvents();
        EXPECT_EQ(dlg.sending_bar()->GetPos(), 10);
        // The label's text fits: no line of it is wider than the label.
        const QFontMetrics fm = dlg.result_label()->fontMetrics();
        for (const QString& line : dlg.result_label()->text().split('\n'))
            EXPECT_LE(fm.horizontalAdvance(line), dlg.result_label()->width()) << line.toStdString();
        clock.advance(1000);
        EXPECT_TRUE(render(dlg).save(QString("%1/net_speed_dlg_result_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
    }));
    platform::set_clock(nullptr);
    set_text_translator(nullptr);
    ::close(taker);
    g_file_sock.close_socket();
    g_connected_to_server = 0;
}

} // namespace
