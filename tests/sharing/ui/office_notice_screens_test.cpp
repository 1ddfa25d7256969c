// Pictures of what office sharing shows: the files page's notices that a
// member shares a presentation, a text and a spreadsheet, and the box when
// the office cannot be started, under an X server of their own, in both
// languages.

#include "core/global_state.h"
#include "core/settings.h"
#include "core/ui_text.h"
#include "core/window_messages.h"
#include "dialogs/event_notice.h"
#include "dialogs/ui/dlg_event.h"
#include "dialogs/ui/event_notices.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "sharing/office_share.h"
#include "sharing/ui/files_page.h"
#include "skin/skin_table.h"
#include "skin/ui/dlg_messagebox.h"
#include "skin/ui/my_static.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb_main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>

#include <gtest/gtest.h>

namespace {


void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

std::vector<CDlgEvent*> open_notices()
{
    std::vector<CDlgEvent*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dlg = qobject_cast<CDlgEvent*>(w); dlg && dlg->isVisible())
            out.push_back(dlg);
    return out;
}

void shoot(const char* language)
{
    ASSERT_TRUE(g_xvfb && g_xvfb->running());
    g_ppt_sharer.set("Ann Baker");
    g_word_sharer.set("Chen Wei");
    g_excel_sharer.set("Bob");
    share_ppt().set_local_file_name("1193015_Quarterly review.ppt");
    share_word().set_local_file_name("1193016_Minutes of the board meeting.doc");
    share_excel().set_local_file_name("1193017_figures.xls");
    share_ppt().set_announcement_taken(true);
    share_word().set_announcement_taken(true);
    share_excel().set_announcement_taken(true);
    for (int scheme : { 0, 3 }) {
        skin_table().select_skin(scheme);
        g_skin_not_show_animation = 1;
        install_event_notices();
        CLeftFormFiles page;
        page.resize(280, 420);
        page.move(40, 40);
        page.show();
        for (uint32_t msg : { WM_MY_MSG_PPT_SHARED, WM_MY_MSG_WORD_SHARED, WM_MY_MSG_EXCEL_SHARED })
            page.handle_window_message(msg, 0, 0);
        CDlg_messagebox box;
        box.m_text = tr_text("Couldn't start LibreOffice Impress.");
        box.show();
        box.move(380, 60);
        pump(400);
        EXPECT_LE(box.m_static->sizeHint().width(), box.m_static->width());
        std::vector<CDlgEvent*> notices = open_notices();
        ASSERT_EQ(notices.size(), 3u);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        for (CDlgEvent* notice : notices)
            EXPECT_TRUE(screen.contains(notice->frameGeometry())) << notice->frameGeometry().y();
        QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, screen.width(), screen.height());
        ASSERT_FALSE(shot.isNull());
        QString file = QString("%1/office_share_notices_%2_scheme_%3.png").arg(screenshot_dir(), language).arg(scheme);
        EXPECT_TRUE(shot.save(file)) << file.toStdString();
        remove_event_notices();
        pump(50);
        g_skin_not_show_animation = 0;
    }
    skin_table().select_skin(0);
}

class OfficeNoticeScreens : public ::testing::Test {
protected:
    TempHome home;
};

} // namespace

// Not compared: the pictures are for people to look at.
TEST_F(OfficeNoticeScreens, English) { shoot("en"); }

TEST_F(OfficeNoticeScreens, Chinese)
{
    reg_write("general", "language", "zh_CN");
    ASSERT_TRUE(install_translations());
    shoot("zh");
}

int main(int argc, char** argv)
{
    return run_tests_on_own_xvfb(argc, argv);
}
