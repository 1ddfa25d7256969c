// The playback view offscreen: its caption, its scroll area, the picture
// slots, the pictures laid out three to a row over the views' background,
// and screenshots in two schemes and both languages.

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/window_messages.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_form_view.h"
#include "skin/ui/my_static.h"
#include "tests/support/temp_home.h"
#include "whiteboard/playback_pictures.h"
#include "whiteboard/ui/playback_view.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

class PlaybackView : public ::testing::Test {
protected:
    void SetUp() override
    {
        create_work_folders();
        playback_pictures().clear();
        view = std::make_unique<CFormRightUpper4>();
        view->resize(900, 600);
        view->show();
        settle();
    }
    void TearDown() override
    {
        view.reset();
        playback_pictures().clear();
    }
    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    // A picture as the playback thread leaves it: "<user>play_back/<name>.jpg".
    void picture(const std::string& name, QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QPainter p(&image);
        p.setPen(Qt::black);
        p.drawText(image.rect(), Qt::AlignCenter, QString::fromStdString(name));
        p.end();
        ASSERT_TRUE(image.save(QString::fromStdString(home.user_folder() + "play_back/" + name + ".jpg"), "JPG", 95));
        view->add_picture(name);
    }
    static bool near(QColor a, QColor b) { return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 40; }
    // The views' background at a point of the 1600 x 1000 area (it changes from row to row).
    static QColor background(QPoint at)
    {
        QImage area(1600, 1000, QImage::Format_RGB32);
        QPainter p(&area);
        paint_view_background(p, area.rect());
        p.end();
        return area.pixelColor(at);
    }

    TempHome home;
    std::unique_ptr<CFormRightUpper4> view;
};

TEST_F(PlaybackView, CaptionAndScrollAreaOfItsForm)
{
    EXPECT_EQ(view->template_id(), 235);
    ASSERT_NE(view->caption(), nullptr);
    EXPECT_EQ(view->caption()->text(), "PlayBack");
    EXPECT_EQ(view->caption()->geometry(), QRect(2, 2, 128, 20));
    EXPECT_EQ(view->caption()->objectName(), "ctl_1");
    EXPECT_EQ(view->widget()->size(), QSize(1600, 1000));
    EXPECT_EQ(window_in_slot(WindowSlot::playback_view), view.get());
    view.reset();
    EXPECT_EQ(window_in_slot(WindowSlot::playback_view), nullptr);
}

TEST_F(PlaybackView, SlotsTakeANameOnceUpTo100)
{
    EXPECT_EQ(view->add_picture("ann"), 0);
    EXPECT_EQ(view->add_picture("bob"), 1);
    EXPECT_EQ(view->add_picture("ann"), 0);
    EXPECT_EQ(view->find_picture("bob"), 1);
    EXPECT_EQ(view->find_picture("carol"), -1);
    // Names compare up to 63 characters.
    EXPECT_EQ(view->add_picture(std::string(63, 'x') + "1"), 2);
    EXPECT_EQ(view->find_picture(std::string(63, 'x') + "2"), 2);
    for (int i = 3; i < playback_picture_count; ++i)
        EXPECT_EQ(view->add_picture("member" + std::to_string(i)), i);
    EXPECT_EQ(view->picture_count(), 100);
    EXPECT_EQ(view->add_picture("one too many"), -1);
    EXPECT_EQ(view->add_picture("bob"), 1);
    view->clear_pictures();
    EXPECT_EQ(view->picture_count(), 0);
    EXPECT_EQ(view->add_picture("bob"), 0);
}

TEST_F(PlaybackView, PicturesLieThreeToARowAtTheirOwnSizes)
{
    picture("red", QSize(100, 80), QColor(220, 30, 30));
    picture("green", QSize(60, 120), QColor(30, 200, 30));
    picture("blue", QSize(80, 40), QColor(30, 30, 220));
    picture("yellow", QSize(50, 50), QColor(230, 220, 40));
    view->add_picture("not on disk");
    QImage shown = view->paint_buffer();
    ASSERT_EQ(shown.size(), QSize(1600, 1000));
    EXPECT_TRUE(near(shown.pixelColor(12, 12), QColor(220, 30, 30)));
    EXPECT_TRUE(near(shown.pixelColor(107, 87), QColor(220, 30, 30)));
    EXPECT_TRUE(near(shown.pixelColor(122, 12), QColor(30, 200, 30)));     // 10 after the first
    EXPECT_TRUE(near(shown.pixelColor(122, 127), QColor(30, 200, 30)));
    EXPECT_TRUE(near(shown.pixelColor(192, 12), QColor(30, 30, 220)));
    // The next row starts 10 below the tallest of the row before.
    EXPECT_TRUE(near(shown.pixelColor(12, 142), QColor(230, 220, 40)));
    for (QPoint at : { QPoint(5, 5), QPoint(12, 135), QPoint(1500, 900) })
        EXPECT_TRUE(near(shown.pixelColor(at), background(at))) << at.x() << "," << at.y();
}

TEST_F(PlaybackView, APictureWhoseLockIsHeldIsPaintedAfterTheWaitWithALogLine)
{
    LogCapture log;
    picture("held", QSize(40, 40), QColor(30, 200, 30));
    platform::TimedMutex& lock = playback_pictures().picture_lock(0);
    lock.lock();
    QImage shown = view->paint_buffer();
    lock.unlock();
    EXPECT_TRUE(log.contains("wait failed in RightUpper4 OnPaint:0\n"));
    EXPECT_TRUE(near(shown.pixelColor(20, 20), QColor(30, 200, 30)));
}

TEST_F(PlaybackView, RepaintMessageReachesTheView)
{
    picture("late", QSize(30, 30), QColor(30, 30, 220));
    EXPECT_TRUE(post_window_message(WindowSlot::playback_view, WM_MY_MSG_REPAINT));
    settle();
    QImage grabbed = view->widget()->grab().toImage();
    EXPECT_TRUE(near(grabbed.pixelColor(20, 20), QColor(30, 30, 220)));
}

// Not compared: the view with the pictures of a recording, for people to look at.
TEST_F(PlaybackView, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    picture("ann", QSize(160, 120), QColor(250, 200, 60));
    picture("bob", QSize(120, 160), QColor(90, 160, 230));
    picture("carol", QSize(160, 120), QColor(140, 210, 120));
    picture("dan", QSize(160, 120), QColor(230, 130, 160));
    picture("王芳", QSize(100, 100), QColor(200, 200, 200));
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    for (const char* language : { "en", "zh" }) {
        if (QString(language) == "zh")
            QCoreApplication::installTranslator(&chinese);
        for (int scheme : { 0, 3 }) {
            skin_table().select_skin(scheme);
            CFormRightUpper4 shown;
            shown.resize(700, 460);
            shown.show();
            settle();
            EXPECT_TRUE(shown.grab().save(QString("%1/playback_view_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
        }
        QCoreApplication::removeTranslator(&chinese);
    }
    skin_table().select_skin(0);
}

} // namespace
