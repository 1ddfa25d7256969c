// Pictures of the main window as an X server shows it, in every scheme and
// both languages, for people to look at: a test Xvfb of its own, the real
// frame in a meeting, one menu open, the whiteboard, a share another
// attendee runs, the screen read back from the server.

#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "media/ui/dlg_show_me.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "sharing/share_state.h"
#include "sharing/share_viewer.h"
#include "shell/ui/main_frame.h"
#include "skin/skin_table.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb_main.h"
#include "whiteboard/board_model.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

namespace {


void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Another attendee's window as the share view receives it: 25 tiles of a
// 500 x 300 window at (60, 40), a stroke on board 9 over it.
void window_shared_by_another()
{
    ASSERT_EQ(create_work_folders(), 0);
    QImage window(500, 300, QImage::Format_RGB32);
    window.fill(QColor(250, 250, 246));
    QPainter p(&window);
    p.fillRect(0, 0, 500, 24, QColor(40, 90, 160));
    p.setPen(QColor(120, 120, 120));
    for (int y = 50; y < 280; y += 18)
        p.drawLine(20, y, 120 + (y * 37) % 340, y);
    p.fillRect(300, 150, 160, 100, QColor(90, 170, 90));
    p.end();
    store_view_share_rect(60, 40, 500, 300);
    g_desktop_mode = 0;
    for (int r = 0; r < app_grid_size; ++r)
        for (int c = 0; c < app_grid_size; ++c)
            ASSERT_TRUE(window.copy(c * 100, r * 60, 100, 60).save(QString::fromStdString(tile_picture_path(ShareGrid::app, r, c)), "BMP"));
    board_action ring;
    ring.kind = ACTION_ELLIPSE;
    ring.data = { 330, 170, 520, 310, 3, 230, 30, 30, 0 };
    ASSERT_GE(board_append_action(9, ring), 0);
}

void shoot_all(const char* language)
{
    ASSERT_TRUE(g_xvfb && g_xvfb->running());
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    g_connected_to_server = 1;
    g_logged_in = 1;
    g_room_number = 1;
    g_meeting_started = 1;
    g_is_chairman = 1;
    window_shared_by_another();
    for (int scheme = 0; scheme < skin_filled_count; ++scheme) {
        skin_table().select_skin(scheme);
        CMainFrame frame;
        frame.setGeometry(0, 0, 1000, 690);
        frame.set_caption_text(tr_ui("Connected: %s").replace("%s", "Local"));
        frame.show();
        post_window_message(WindowSlot::main_frame, WM_MY_MSG_MEETING_TIME, 754);
        std::string name = "bob";
        send_window_message(WindowSlot::main_frame, WM_MY_MSG_MEMBER_JOINED, reinterpret_cast<uintptr_t>(name.c_str()), 0);
        pump(200);
        // The meeting clock opened "Me"; the pictures are of the frame.
        show_me_cancel();
        // A menu open in two schemes: the longest one and the first.
        QMenu* menu = scheme == 0 ? frame.menu(4) : scheme == 1 ? frame.menu(0) : nullptr;
        if (menu)
            menu->popup(frame.menuBar()->mapToGlobal(frame.menuBar()->actionGeometry(menu->menuAction()).bottomLeft()));
        pump(300);
        QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1000, 690);
        EXPECT_FALSE(shot.isNull());
        QString file = QString("%1/main_frame_%2_scheme_%3.png").arg(dir, language).arg(scheme);
        EXPECT_TRUE(shot.save(file)) << file.toStdString();
        if (menu)
            menu->hide();
        // The board view with its switch bar, the caption right of it.
        frame.switch_to_board_view();
        pump(200);
        QPixmap board = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1000, 690);
        QString board_file = QString("%1/main_frame_board_%2_scheme_%3.png").arg(dir, language).arg(scheme);
        EXPECT_TRUE(board.save(board_file)) << board_file.toStdString();
        // A share another attendee started, come forward.
        for (int r = 0; r < app_grid_size; ++r)
            for (int c = 0; c < app_grid_size; ++c)
                tile_of(ShareGrid::app, r, c).fresh = 1;
        post_window_message(WindowSlot::main_frame, WM_MY_MSG_UPPER_VIEW, upper_view_share);
        pump(200);
        QPixmap share = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1000, 690);
        QString share_file = QString("%1/main_frame_share_%2_scheme_%3.png").arg(dir, language).arg(scheme);
        EXPECT_TRUE(share.save(share_file)) << share_file.toStdString();
        frame.switch_to_video_view();
        frame.hide();
        pump(50);
    }
}

class MainFrameScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        init_global_state();
        board_model_setup();
    }
    void TearDown() override { set_message_box_presenter(nullptr); }
    TempHome home;
    ScriptedMessageBoxes boxes;
};

} // namespace

// Not compared: the pictures are for people to look at.
TEST_F(MainFrameScreens, EnglishInEveryScheme) { shoot_all("en"); }

TEST_F(MainFrameScreens, ChineseInEveryScheme)
{
    reg_write("general", "language", "zh_CN");
    ASSERT_TRUE(install_translations());
    shoot_all("zh");
}

int main(int argc, char** argv)
{
    return run_tests_on_own_xvfb(argc, argv);
}
