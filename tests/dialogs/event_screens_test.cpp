// Pictures of five stacked notices and the event history as an X server
// shows them, in both languages, for people to look at.

#include "core/settings.h"
#include "dialogs/event_notice.h"
#include "dialogs/ui/dlg_event.h"
#include "dialogs/ui/dlg_event_history.h"
#include "dialogs/ui/event_notices.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "skin/skin_table.h"
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

void shoot_scheme(const char* language, int scheme)
{
    ASSERT_TRUE(g_xvfb && g_xvfb->running());
    skin_table().select_skin(scheme);
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    g_skin_not_show_animation = 1;
    install_event_notices();
    show_event_printf("%s joined conference.", "Ann Baker");
    show_event_printf("%s raised hand.", "Bob");
    show_event_printf("Chairman request approved.");
    show_event_printf("Changed to Free Lance Mode, please click \"Take over microphone\" button to talk.");
    show_event_printf("%s becomes the talking person.", "Chen Wei");
    show_event_history();
    CDlgEventHistory* history = event_history_dialog();
    ASSERT_NE(history, nullptr);
    history->move(40, 40);
    pump(400);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, screen.width(), screen.height());
    ASSERT_FALSE(shot.isNull());
    QString file = QString("%1/event_notices_%2_scheme_%3.png").arg(dir, language).arg(scheme);
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
    remove_event_notices();
    pump(50);
    g_skin_not_show_animation = 0;
    skin_table().select_skin(0);
}

// The default scheme and the grey one: the notices take the scheme's colours.
void shoot(const char* language)
{
    for (int scheme : { 0, 3 })
        shoot_scheme(language, scheme);
}

class EventScreens : public ::testing::Test {
protected:
    TempHome home;
};

} // namespace

// Not compared: the pictures are for people to look at.
TEST_F(EventScreens, English) { shoot("en"); }

TEST_F(EventScreens, Chinese)
{
    reg_write("general", "language", "zh_CN");
    ASSERT_TRUE(install_translations());
    shoot("zh");
}

int main(int argc, char** argv)
{
    return run_tests_on_own_xvfb(argc, argv);
}
