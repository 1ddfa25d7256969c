#include "media/ui/capture_window.h"
#include "media/ui/dlg_show_me.h"

#include "core/global_state.h"
#include "core/settings.h"
#include "skin/ui/my_combo_box.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class RecordingSender : public VideoFrameSender {
public:
    void start_video_frame_sender() override
    {
        platform::TimedLockWait wait(g_video_send_lock, 3000);
        kinds.push_back(video_send_buffers().frame_kind);
        video_send_buffers().frame_sent = true;
    }
    std::vector<int> kinds;
};

class ShowMe : public ::testing::Test {
protected:
    void use_camera(const char* choice) { setenv("TAMBLO_CAMERA", choice, 1); }
    void SetUp() override
    {
        reg_write_int("video", "video_size", 1);
        reg_write_int("video", "video_speed", 10);
        reg_write_int("video", "video_quality", 60);
        read_video_settings();
        {
            platform::TimedLockWait wait(g_video_send_lock, 3000);
            video_send_buffers() = VideoSendBuffers {};
        }
        set_video_frame_sender(&sender);
    }
    void TearDown() override
    {
        set_video_frame_sender(nullptr);
        unsetenv("TAMBLO_CAMERA");
    }
    // Lets the preview timer run until the window shows a frame.
    static bool wait_for_preview(CDlgShowMe& dlg)
    {
        QElapsedTimer clock;
        clock.start();
        while (!dlg.capture_window()->has_frame() && clock.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return dlg.capture_window()->has_frame();
    }
    static std::vector<int> items(QComboBox* combo)
    {
        std::vector<int> out;
        for (int i = 0; i < combo->count(); ++i)
            out.push_back(combo->itemText(i).toInt());
        return out;
    }

    TempHome home;
    RecordingSender sender;
};

TEST_F(ShowMe, OpensTopMostWithListsPreviewAndFrameTimer)
{
    use_camera("synthetic");
    CDlgShowMe dlg;
    EXPECT_EQ(g_dlg_show_me, &dlg);
    dlg.show();
    EXPECT_TRUE(dlg.is_shown());
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dlg.isModal());
    EXPECT_EQ(dlg.windowTitle(), "Me");

    EXPECT_EQ(items(dlg.quality_combo()), (std::vector<int>{ 50, 60, 70, 80, 90, 100 }));
    EXPECT_EQ(dlg.quality_combo()->currentText(), "60");
    EXPECT_EQ(dlg.size_combo()->currentText(), "320*240");
    EXPECT_EQ(items(dlg.speed_combo()), (std::vector<int>{ 1, 2, 3, 4, 5, 7, 10, 12, 15, 20, 25, 30, 35, 40, 50 }));
    EXPECT_EQ(dlg.speed_combo()->currentText(), "10");
    EXPECT_EQ(dlg.findChild<CMyComboBox*>("ctl_1106"), dlg.quality_combo());
    EXPECT_EQ(dlg.findChild<CMyComboBox*>("ctl_1179"), dlg.size_combo());
    EXPECT_EQ(dlg.findChild<CMyComboBox*>("ctl_1183"), dlg.speed_combo());
    // Every entry shows whole beside the drop-down button.
    for (CMyComboBox* combo : { dlg.quality_combo(), dlg.size_combo(), dlg.speed_combo() })
        EXPECT_GE(combo->width(), combo->width_for_entries()) << combo->objectName().toStdString();

    EXPECT_EQ(dlg.capture_window()->size(), QSize(320, 240));
    EXPECT_EQ(dlg.capture_window()->pos() - dlg.contentsRect().topLeft(), QPoint(1, 1));
    EXPECT_EQ(dlg.contentsRect().size(), QSize(328, 330));
    EXPECT_TRUE(dlg.frame_timer_running());
    EXPECT_EQ(dlg.frame_timer_period_ms(), 100);
    ASSERT_TRUE(wait_for_preview(dlg));
    // The preview shows the picture the right way up: the synthetic backdrop is blue at the top left.
    EXPECT_EQ(dlg.capture_window()->image().pixelColor(0, 0), QColor(0, 0, 255));

    dlg.do_dct_video();
    dlg.do_dct_video();
    EXPECT_EQ(sender.kinds, (std::vector<int>{ video_frame_kind_key, video_frame_kind_delta }));
}

TEST_F(ShowMe, SpeedSettingDrivesTheTimerAndClamps)
{
    use_camera("synthetic");
    CDlgShowMe dlg;
    dlg.show();
    struct Case {
        int speed;
        int period_ms;
    };
    for (Case c : { Case { 1, 1000 }, Case { 3, 333 }, Case { 50, 20 }, Case { 0, 200 }, Case { 80, 20 } }) {
        g_video_speed = c.speed;
        show_me_set_frame_timer();
        EXPECT_EQ(dlg.frame_timer_period_ms(), c.period_ms) << c.speed;
    }
    // Choosing a speed stores it and restarts the timer.
    dlg.speed_combo()->setCurrentIndex(8); // 15
    int stored = 0;
    reg_read_int("video", "video_speed", stored);
    EXPECT_EQ(stored, 15);
    EXPECT_EQ(g_video_speed, 15);
    EXPECT_EQ(dlg.frame_timer_period_ms(), 66);
    dlg.quality_combo()->setCurrentIndex(5);
    reg_read_int("video", "video_quality", stored);
    EXPECT_EQ(stored, 100);
}

TEST_F(ShowMe, LargestSizeLimitsSpeedAndQuality)
{
    use_camera("synthetic");
    CDlgShowMe dlg;
    dlg.show();
    dlg.size_combo()->setCurrentIndex(2);
    int value = 0;
    reg_read_int("video", "video_size", value);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(g_video_width, 640);
    reg_read_int("video", "video_speed", value);
    EXPECT_EQ(value, 1);
    reg_read_int("video", "video_quality", value);
    EXPECT_EQ(value, 70);
    EXPECT_EQ(dlg.frame_timer_period_ms(), 1000);
    EXPECT_EQ(dlg.capture_window()->size(), QSize(640, 480));
    ASSERT_TRUE(dlg.camera());
    EXPECT_EQ(dlg.camera()->width(), 640);

    dlg.speed_combo()->setCurrentIndex(9); // 20 frames per second: back to 3
    EXPECT_EQ(dlg.speed_combo()->currentText(), "3");
    reg_read_int("video", "video_speed", value);
    EXPECT_EQ(value, 3);
    dlg.quality_combo()->setCurrentIndex(5); // 100: back to 80
    EXPECT_EQ(dlg.quality_combo()->currentText(), "80");
    reg_read_int("video", "video_quality", value);
    EXPECT_EQ(value, 80);

    dlg.do_dct_video();
    ASSERT_EQ(sender.kinds.size(), 1u);
    platform::TimedLockWait wait(g_video_send_lock, 3000);
    EXPECT_EQ(video_send_buffers().size_index, 2);
    EXPECT_EQ(video_send_buffers().quality, 80);
}

TEST_F(ShowMe, WithoutACameraTheDialogStaysOpenAndSendsNothing)
{
    LogCapture log;
    use_camera("v4l2:/nonexistent/video0");
    CDlgShowMe dlg;
    dlg.show();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.camera_missing());
    EXPECT_TRUE(dlg.capture_window()->camera_missing());
    EXPECT_FALSE(dlg.camera());
    dlg.do_dct_video();
    EXPECT_TRUE(sender.kinds.empty());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(log.contains(
        "open_video_camera: v4l2:/nonexistent/video0: cannot open /nonexistent/video0: No such file or directory\n"));
    QImage shot(dlg.capture_window()->size(), QImage::Format_RGB32);
    dlg.capture_window()->render(&shot);
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::black));
}

TEST_F(ShowMe, CancelStopsTicksAndBringToTopRaises)
{
    use_camera("synthetic");
    CDlgShowMe dlg;
    dlg.show();
    show_me_bring_to_top();
    EXPECT_TRUE(dlg.isVisible());
    show_me_cancel();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.is_shown());
    EXPECT_FALSE(dlg.frame_timer_running());
    EXPECT_FALSE(dlg.camera());
    dlg.do_dct_video();
    EXPECT_TRUE(sender.kinds.empty());
    // Shown again: preview and timer come back.
    dlg.show();
    EXPECT_TRUE(dlg.is_shown());
    EXPECT_TRUE(dlg.frame_timer_running());
    EXPECT_TRUE(wait_for_preview(dlg));
}

TEST_F(ShowMe, FreeFunctionsDoNothingWithoutTheDialog)
{
    ASSERT_EQ(g_dlg_show_me, nullptr);
    show_me_set_frame_timer();
    show_me_bring_to_top();
    show_me_cancel();
}

} // namespace

// Not compared: the dialog with its skinned lists in every scheme and both languages.
TEST_F(ShowMe, Screenshots)
{
    use_camera("synthetic");
    const QString dir = screenshot_dir();
    EXPECT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CDlgShowMe dlg;
        dlg.show();
        wait_for_preview(dlg);
        QImage image(dlg.size(), QImage::Format_ARGB32);
        dlg.render(&image);
        EXPECT_TRUE(image.save(QString("%1/show_me_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
        dlg.OnCancel();
    }));
}
