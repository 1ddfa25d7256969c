#include "core/company_logo.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/settings.h"
#include "core/message_box.h"
#include "skin/skin_table.h"
#include "skin/ui/good_dlg.h"
#include "skin/ui/good_dlg_frame.h"
#include "skin/ui/good_dlg_no_upper.h"
#include "skin/ui/my_frame_wnd.h"
#include "skin/ui/picture.h"
#include "skin/ui/skin_bitmaps.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// True when image's (x, y, w, h) shows the bitmap's (sx, 0) onwards unchanged.
bool shows_bitmap(const QImage& image, int x, int y, int w, int h, int word, int sx)
{
    QImage bitmap = skin_word_bitmap(word).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int dy = 0; dy < h; ++dy)
        for (int dx = 0; dx < w; ++dx)
            if (image.pixel(x + dx, y + dy) != bitmap.pixel(sx + dx, y + dy))
                return false;
    return true;
}

void send_mouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButtons held)
{
    Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), QPointF(w.mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(int& count) : count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count_;
        return false;
    }

private:
    int& count_;
};

struct SkinFixture : ::testing::Test {
    TempHome home;
    void SetUp() override { skin_table().select_skin(0); }
    void TearDown() override { skin_table().select_skin(0); }
};

class TestDialog : public Cgood_dlg {
public:
    TestDialog() : Cgood_dlg(100) { resize(200, 120); }
    int cancels = 0;
    void OnCancel() override
    {
        ++cancels;
        Cgood_dlg::OnCancel();
    }
};

} // namespace

using SkinnedWindows = SkinFixture;

TEST_F(SkinnedWindows, DialogCaptionButtonFollowsItsState)
{
    TestDialog dlg;
    dlg.show();
    const int w = dlg.width();
    struct Case {
        HitArea hit;
        bool down;
        int want_state;
        int word;
    };
    for (Case c : { Case { HitArea::nowhere, false, 0, skin_word::dialog_close_normal },
                    Case { HitArea::close, false, 1, skin_word::dialog_close_hover },
                    Case { HitArea::close, true, 2, skin_word::dialog_close_pressed },
                    Case { HitArea::caption, true, 0, skin_word::dialog_close_normal } }) {
        dlg.caption().track(c.hit, c.down);
        EXPECT_EQ(dlg.close_state(), c.want_state);
        QImage image = render(dlg);
        // Away from the rounded corner, the button is the bitmap one to one.
        EXPECT_TRUE(shows_bitmap(image, w - 41, 0, 36, 22, c.word, 0)) << c.want_state;
        EXPECT_TRUE(shows_bitmap(image, w - 59 + 8, 0, 10, 22, skin_word::caption_right, 8));
    }
}

TEST_F(SkinnedWindows, DialogFrameLinesAndRoundedCorners)
{
    for (int scheme : { 0, 3, 6 }) {
        skin_table().select_skin(scheme);
        TestDialog dlg;
        dlg.show();
        const int w = dlg.width();
        const int h = dlg.height();
        QImage image = render(dlg);
        COLORREF outer = skin_word_value(skin_word::panel);
        COLORREF inner = skin_word_value(skin_word::dialog_inner_frame);
        EXPECT_EQ(at(image, 0, 60), outer);
        EXPECT_EQ(at(image, 1, 60), inner);
        EXPECT_EQ(at(image, 2, 60), inner);
        EXPECT_EQ(at(image, w - 1, 60), outer);
        EXPECT_EQ(at(image, w - 2, 60), inner);
        EXPECT_EQ(at(image, w - 3, 60), inner);
        EXPECT_EQ(at(image, 100, h - 1), outer);
        EXPECT_EQ(at(image, 100, h - 2), inner);
        EXPECT_EQ(at(image, 100, h - 3), inner);
        // The left cap and the slice.
        EXPECT_TRUE(shows_bitmap(image, 2, 4, 6, 18, skin_word::caption_left, 2));
        EXPECT_TRUE(shows_bitmap(image, 8, 0, 1, 22, skin_word::caption_slice, 0));
        // With a 19-pixel system caption nothing is filled under the bitmaps.
        EXPECT_NE(at(image, 20, 21), skin_word_value(skin_word::caption_fill));

        QRegion mask = dlg.mask();
        for (QPoint p : { QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(w - 1, 0), QPoint(w - 2, 0), QPoint(w - 1, 1) })
            EXPECT_FALSE(mask.contains(p)) << p.x() << "," << p.y();
        for (QPoint p : { QPoint(4, 0), QPoint(w - 5, 0), QPoint(0, 4), QPoint(w - 1, 4), QPoint(0, h - 1), QPoint(w - 1, h - 1) })
            EXPECT_TRUE(mask.contains(p)) << p.x() << "," << p.y();
    }
}

TEST_F(SkinnedWindows, LongTitleIsCutAndClippedBeforeTheCloseButton)
{
    EXPECT_EQ(caption_title(QString(2000, 'x')).size(), 1023);
    TestDialog dlg;
    dlg.setWindowTitle(QString(2000, 'W'));
    dlg.show();
    QImage image = render(dlg);
    EXPECT_TRUE(shows_bitmap(image, dlg.width() - 41, 0, 36, 22, skin_word::dialog_close_normal, 0));
    // Some title is there: white pixels in the middle of the caption.
    int white = 0;
    for (int x = 10; x < dlg.width() - 60; ++x)
        for (int y = 2; y < 20; ++y)
            white += at(image, x, y) == 0xffffff;
    EXPECT_GT(white, 20);
}

TEST_F(SkinnedWindows, PressLeavingTheCloseButtonClosesNothing)
{
    TestDialog dlg;
    dlg.show();
    const QPoint close_point(dlg.width() - 10, 10);
    const QPoint caption_point(60, 10);
    send_mouse(dlg, QEvent::MouseMove, close_point, Qt::NoButton);
    EXPECT_EQ(dlg.close_state(), 1);
    send_mouse(dlg, QEvent::MouseButtonPress, close_point, Qt::LeftButton);
    EXPECT_EQ(dlg.close_state(), 2);
    send_mouse(dlg, QEvent::MouseMove, caption_point, Qt::LeftButton);
    EXPECT_EQ(dlg.close_state(), 0);
    send_mouse(dlg, QEvent::MouseButtonRelease, caption_point, Qt::NoButton);
    EXPECT_EQ(dlg.cancels, 0);
    EXPECT_TRUE(dlg.isVisible());

    // Pressed again, moved off and back while held: pressed again, and the release closes.
    send_mouse(dlg, QEvent::MouseButtonPress, close_point, Qt::LeftButton);
    send_mouse(dlg, QEvent::MouseMove, caption_point, Qt::LeftButton);
    EXPECT_EQ(dlg.close_state(), 0);
    send_mouse(dlg, QEvent::MouseMove, close_point, Qt::LeftButton);
    EXPECT_EQ(dlg.close_state(), 2);
    send_mouse(dlg, QEvent::MouseButtonRelease, close_point, Qt::NoButton);
    EXPECT_EQ(dlg.cancels, 1);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), IDCANCEL);
}

TEST_F(SkinnedWindows, PressElsewhereThenReleaseOverCloseClosesNothing)
{
    TestDialog dlg;
    dlg.show();
    const QPoint close_point(dlg.width() - 10, 10);
    send_mouse(dlg, QEvent::MouseButtonPress, QPoint(60, 10), Qt::LeftButton);
    send_mouse(dlg, QEvent::MouseMove, close_point, Qt::LeftButton);
    send_mouse(dlg, QEvent::MouseButtonRelease, close_point, Qt::NoButton);
    EXPECT_EQ(dlg.cancels, 0);
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(SkinnedWindows, FrameDialogButtonsAndFixedFrame)
{
    Cgood_dlg_frame dlg(101);
    dlg.resize(300, 160);
    dlg.show();
    const int w = dlg.width();
    const int h = dlg.height();
    QImage image = render(dlg);
    // The maximise button covers the close bitmap's left 20 columns.
    EXPECT_TRUE(shows_bitmap(image, w - 21, 0, 17, 22, skin_word::dialog_close_normal, 20));
    EXPECT_TRUE(shows_bitmap(image, w - 42, 0, 21, 22, skin_word::maximise_normal, 0));
    EXPECT_TRUE(shows_bitmap(image, w - 63, 0, 21, 22, skin_word::minimise_normal, 0));
    EXPECT_EQ(at(image, 0, 80), 0xf4c080u);
    for (int x : { 1, 2, 3, w - 2, w - 3, w - 4 })
        EXPECT_EQ(at(image, x, 80), 0xfffcfau) << x;
    EXPECT_EQ(at(image, w - 1, 80), 0xf4c080u);
    EXPECT_EQ(at(image, 100, h - 1), 0xf4c080u);
    EXPECT_EQ(at(image, 100, h - 2), 0xfffcfau);
    EXPECT_EQ(at(image, 100, 80), 0xffffffu);
    EXPECT_TRUE(dlg.mask().isEmpty());

    dlg.caption().track(HitArea::maximise, true);
    EXPECT_TRUE(shows_bitmap(render(dlg), w - 42, 0, 21, 22, skin_word::maximise_pressed, 0));
    dlg.caption().track(HitArea::minimise, false);
    EXPECT_EQ(dlg.button_states().maximise, 0);
    EXPECT_EQ(dlg.button_states().minimise, 1);
    EXPECT_TRUE(shows_bitmap(render(dlg), w - 63, 0, 21, 22, skin_word::minimise_hover, 0));
    dlg.caption().track(HitArea::close, true);
    EXPECT_EQ(dlg.button_states().minimise, 0);
    EXPECT_TRUE(shows_bitmap(render(dlg), w - 21, 0, 17, 22, skin_word::dialog_close_pressed, 20));
}

TEST_F(SkinnedWindows, FrameDialogMaximiseClickTogglesAndShowsRestore)
{
    Cgood_dlg_frame dlg(101);
    dlg.resize(300, 160);
    dlg.show();
    QPoint max_point(dlg.width() - 30, 10);
    send_mouse(dlg, QEvent::MouseButtonPress, max_point, Qt::LeftButton);
    send_mouse(dlg, QEvent::MouseButtonRelease, max_point, Qt::NoButton);
    EXPECT_TRUE(dlg.isMaximized());
    EXPECT_EQ(dlg.button_states().maximise, 1);
    QImage image = render(dlg);
    EXPECT_TRUE(shows_bitmap(image, dlg.width() - 42, 0, 21, 22, skin_word::restore_hover, 0));
}

TEST_F(SkinnedWindows, MainFrameBaseCaptionLogoAndFrame)
{
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "BMP");
    ASSERT_EQ(g_company_logo.LoadPictureData(reinterpret_cast<const uint8_t*>(bmp.constData()), static_cast<size_t>(bmp.size())), 1);

    CMyFrameWnd frame;
    frame.resize(400, 300);
    frame.show();
    const int w = frame.width();
    const int h = frame.height();
    QImage image = render(frame);
    EXPECT_TRUE(shows_bitmap(image, w - 21, 2, 17, 20, skin_word::frame_close_normal, 0));
    EXPECT_TRUE(shows_bitmap(image, w - 42, 0, 21, 22, skin_word::maximise_normal, 0));
    EXPECT_TRUE(shows_bitmap(image, w - 63, 0, 21, 22, skin_word::minimise_normal, 0));
    EXPECT_EQ(at(image, 20, 10), 0x0000ffu); // the logo in (15, 3)-(31, 19)
    EXPECT_NE(at(image, 32, 10), 0x0000ffu);
    EXPECT_EQ(at(image, 0, 100), 0xf4c080u);
    EXPECT_EQ(at(image, 1, 100), 0xfffcfau);
    EXPECT_EQ(at(image, 2, 100), 0xfffcfau);
    EXPECT_EQ(at(image, w - 1, 100), 0xf4c080u);
    EXPECT_EQ(at(image, w - 2, 100), 0xf4c080u);
    EXPECT_EQ(at(image, w - 3, 100), 0xfffcfau);
    EXPECT_EQ(at(image, 100, h - 1), 0xf4c080u);
    EXPECT_EQ(at(image, 100, h - 2), 0xf4c080u);
    EXPECT_EQ(at(image, 100, h - 3), 0xfffcfau);
    EXPECT_FALSE(frame.mask().contains(QPoint(0, 0)));
    frame.resize(500, 320);
    EXPECT_FALSE(frame.mask().contains(QPoint(499, 0)));
    EXPECT_TRUE(frame.mask().contains(QPoint(499, 319)));

    // Over the close button the other two go back to normal.
    frame.caption().track(HitArea::maximise, false);
    EXPECT_EQ(frame.button_states().maximise, 1);
    frame.caption().track(HitArea::close, false);
    EXPECT_EQ(frame.button_states().maximise, 0);
    EXPECT_EQ(frame.button_states().close, 1);
    EXPECT_TRUE(shows_bitmap(render(frame), 500 - 21, 2, 17, 20, skin_word::frame_close_hover, 0));
    g_company_logo.FreePictureData();
}

TEST_F(SkinnedWindows, MainFrameCloseButtonSetsClosingAndCloses)
{
    g_closing = 0;
    CMyFrameWnd frame;
    frame.resize(400, 300);
    frame.show();
    QPoint close_point(frame.width() - 10, 10);
    send_mouse(frame, QEvent::MouseButtonPress, close_point, Qt::LeftButton);
    send_mouse(frame, QEvent::MouseButtonRelease, close_point, Qt::NoButton);
    EXPECT_EQ(g_closing, 1);
    EXPECT_FALSE(frame.isVisible());
    g_closing = 0;
}

TEST_F(SkinnedWindows, LogoClickOpensALinkOfSixCharactersOrMore)
{
    std::vector<QString> opened;
    auto saved = CMyFrameWnd::open_link;
    CMyFrameWnd::open_link = [&](const QString& link) { opened.push_back(link); };
    CMyFrameWnd frame;
    frame.resize(400, 300);
    frame.move(200, 150);
    frame.show();
    struct Case {
        const char* link;
        QPoint at;
        size_t want_opened;
    };
    for (Case c : { Case { "", { 20, 10 }, 0 }, Case { "12345", { 20, 10 }, 0 }, Case { "http://127.0.0.1/", { 20, 10 }, 1 },
                    Case { "http://127.0.0.1/", { 40, 10 }, 1 }, Case { "http://127.0.0.1/", { 16, 4 }, 2 },
                    Case { "http://127.0.0.1/", { 31, 10 }, 2 } }) {
        g_server_text_792.set(c.link);
        send_mouse(frame, QEvent::MouseButtonPress, c.at, Qt::LeftButton);
        send_mouse(frame, QEvent::MouseButtonRelease, c.at, Qt::NoButton);
        EXPECT_EQ(opened.size(), c.want_opened) << c.link << " " << c.at.x();
    }
    g_server_text_792.clear();
    CMyFrameWnd::open_link = saved;
}

TEST_F(SkinnedWindows, LogoReadyLoadsTheLogoFromTheUserFolder)
{
    std::string folder = home.user_folder() + "bmp/logo/";
    QDir().mkpath(QString::fromStdString(folder));
    QImage blue(12, 12, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(QString::fromStdString(folder + "company_logo.bmp"), "BMP"));
    g_company_logo_file_name.set("company_logo.bmp");
    CMyFrameWnd frame;
    frame.resize(300, 200);
    EXPECT_EQ(send_window_message(WindowSlot::logo_frame, WM_MY_MSG_LOGO_READY), 0);
    EXPECT_EQ(g_company_logo.m_width, 12);
    EXPECT_EQ(at(render(frame), 20, 10), 0xff0000u);
    g_company_logo.FreePictureData();
    g_company_logo_file_name.clear();
}

// The whole road: 791 arrives on the main connection, the logo comes from a
// real web server, and the frame shows it once the posted message reaches it.
TEST_F(SkinnedWindows, LogoNamedByTheServerIsDownloadedAndPaintedInTheFrame)
{
    std::string site = home.root() + "/site";
    QDir().mkpath(QString::fromStdString(site + "/home/company_logo"));
    QImage blue(16, 16, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(QString::fromStdString(site + "/home/company_logo/acme.bmp"), "BMP"));
    // The server's web host serves the logo.
    ServerProcess web({ "--web", "127.0.0.1:0", "--web-root", site });
    ASSERT_NE(web.web_port(), 0);
    reg_write("general", "web_host", "127.0.0.1");
    reg_write_int("general", "web_port", web.web_port());

    CMyFrameWnd frame;
    frame.resize(400, 300);
    frame.show();
    ASSERT_NE(at(render(frame), 20, 10), 0xff0000u);
    int paints = 0;
    PaintCounter counter(paints);
    frame.installEventFilter(&counter);

    install_company_logo_handler();
    ASSERT_TRUE(dispatch_received_message(ReceiveConnection::main, MSG_COMPANY_LOGO, "acme.bmp", 8, 0));
    int paints_before_logo = -1;
    bool shown = QTest::qWaitFor([&] {
        if (paints_before_logo < 0 && !g_company_logo.empty())
            paints_before_logo = paints;
        return paints_before_logo >= 0 && paints > paints_before_logo;
    }, 10000);
    reset_receive_handlers();
    EXPECT_TRUE(shown) << "the logo was not loaded, or the frame was not repainted";
    EXPECT_EQ(at(render(frame), 20, 10), 0xff0000u); // blue, in the logo's (15, 3)-(31, 19)
    g_company_logo.FreePictureData();
    g_company_logo_file_name.clear();
    g_company_logo_path.clear();
}

TEST_F(SkinnedWindows, NoUpperDialogCancelsThroughOnCancelAndKeepsRoundedCorners)
{
    struct Dlg : Cgood_dlg_no_upper {
        Dlg() : Cgood_dlg_no_upper(102) { resize(160, 100); }
        int cancels = 0;
        void OnCancel() override
        {
            ++cancels;
            Cgood_dlg_no_upper::OnCancel();
        }
    } dlg;
    dlg.show();
    EXPECT_FALSE(dlg.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(dlg.mask().contains(QPoint(0, 4)));
    dlg.close();
    EXPECT_EQ(dlg.cancels, 1);
    QImage image = render(dlg);
    // The short background (word 25) fills the client area.
    EXPECT_EQ(image.pixel(50, 50), skin_word_bitmap(skin_word::background_short).toImage().pixel(0, 50));
}

TEST_F(SkinnedWindows, SchemeChangeShowsAtTheNextRepaint)
{
    TestDialog dlg;
    dlg.show();
    COLORREF before = at(render(dlg), 0, 60);
    skin_table().select_skin(1);
    COLORREF after = at(render(dlg), 0, 60);
    EXPECT_NE(before, after);
    EXPECT_EQ(after, skin_word_value(skin_word::panel));
}

// Not compared: what each base looks like in every scheme, for people to look at.
TEST_F(SkinnedWindows, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    for (int s = 0; s < skin_filled_count; ++s) {
        skin_table().select_skin(s);
        TestDialog dlg;
        dlg.setWindowTitle("Message");
        auto* layout = new QVBoxLayout(&dlg);
        layout->addWidget(new QLabel("A skinned dialog"));
        dlg.resize(320, 180);
        dlg.show();
        dlg.caption().track(HitArea::close, false);
        EXPECT_TRUE(render(dlg).save(QString("%1/good_dlg_scheme_%2.png").arg(dir).arg(s)));

        Cgood_dlg_frame frame_dlg(101);
        frame_dlg.setWindowTitle("Frame dialog");
        frame_dlg.resize(360, 200);
        frame_dlg.show();
        frame_dlg.caption().track(HitArea::minimise, true);
        EXPECT_TRUE(render(frame_dlg).save(QString("%1/good_dlg_frame_scheme_%2.png").arg(dir).arg(s)));

        CMyFrameWnd frame;
        frame.set_caption_text("Tamblo - meeting room");
        frame.resize(480, 260);
        frame.show();
        EXPECT_TRUE(render(frame).save(QString("%1/frame_wnd_scheme_%2.png").arg(dir).arg(s)));
    }
}
