// Pictures of the Options sheet and the volume dialog as an X server shows
// them over the real main window, in both languages: a test Xvfb of its
// own, the frame's own commands, every page, and the skin page applying
// each scheme so the frame behind it is repainted in it.

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "dialogs/ui/prop_skin.h"
#include "media/ui/dlg_show_me.h"
#include "media/ui/dlg_volume.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_property_sheet.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb_main.h"

#include <QApplication>
#include <QDir>
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

QString shots_dir()
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    return dir;
}

void grab(const QRect& r, const QString& name)
{
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(shots_dir() + "/" + name)) << name.toStdString();
}

void shoot(const char* language)
{
    ASSERT_TRUE(g_xvfb && g_xvfb->running());
    skin_table().select_skin(0);
    CMainFrame frame;
    frame.setGeometry(0, 0, 1000, 690);
    frame.show();
    pump(200);
    show_me_cancel();

    ASSERT_TRUE(frame.commands().trigger(cmd::options));
    pump(200);
    auto* sheet = frame.findChild<CMyPropertySheet*>();
    ASSERT_NE(sheet, nullptr);
    sheet->move(300, 120);
    for (int i = 0; i < sheet->GetPageCount(); ++i) {
        sheet->SetActivePage(i);
        pump(150);
        grab(sheet->frameGeometry(), QString("options_xvfb_page_%1_%2.png").arg(i).arg(language));
    }
    auto* skin = static_cast<CPropSkin*>(sheet->GetPage(sheet->GetPageCount() - 1));
    for (int scheme = 1; scheme < skin_filled_count; ++scheme) {
        skin->skin_combo()->setCurrentIndex(scheme);
        emit skin->skin_combo()->activated(scheme);
        sheet->m_apply->click();
        pump(250);
        EXPECT_EQ(skin_table().current_index, scheme);
        grab(QRect(0, 0, 1000, 690), QString("options_xvfb_skin_applied_%1_scheme_%2.png").arg(language).arg(scheme));
    }
    skin->skin_combo()->setCurrentIndex(0);
    emit skin->skin_combo()->activated(0);
    sheet->m_ok->click();
    pump(200);

    ASSERT_TRUE(frame.commands().trigger(cmd::volume_control));
    pump(200);
    auto* volume = frame.findChild<CDlgVolume*>();
    ASSERT_NE(volume, nullptr);
    volume->move(300, 200);
    pump(150);
    grab(volume->frameGeometry(), QString("volume_dlg_xvfb_%1.png").arg(language));
    volume->OnCancel();
    pump(50);
    frame.hide();
}

class OptionScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        init_global_state();
        // The volume dialog finds no sound card here: the software line.
        ::setenv("TAMBLO_AUDIO", "null", 1);
    }
    void TearDown() override
    {
        set_message_box_presenter(nullptr);
        skin_table().select_skin(0);
    }
    TempHome home;
    ScriptedMessageBoxes boxes;
};

} // namespace

// Not compared: the pictures are for people to look at.
TEST_F(OptionScreens, English) { shoot("en"); }

TEST_F(OptionScreens, Chinese)
{
    reg_write("general", "language", "zh_CN");
    ASSERT_TRUE(install_translations());
    shoot("zh");
}

int main(int argc, char** argv)
{
    return run_tests_on_own_xvfb(argc, argv);
}
