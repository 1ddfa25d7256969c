// Pasting a window under the test's own X server: a window of known pixels
// becomes a picture of the page with those pixels, and the window under a
// screen point is found as a click would find it.

#include "core/bitmap_file.h"
#include "core/message_box.h"
#include "core/ui/dib_image.h"
#include "platform/ui/window_bridge.h"
#include "platform/x11/screen_capture.h"
#include "platform/x11/x11_input.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb_main.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_commands.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/board_pictures.h"
#include "whiteboard/ui/board_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include <X11/Xlib.h>


namespace {


void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

QRgb pattern_at(int x, int y) { return qRgb((x * 7) % 256, (y * 5) % 256, (x * y) % 256); }

// A top-level window painting a pattern the test knows pixel by pixel.
class PatternWindow : public QWidget {
public:
    PatternWindow() { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QImage image(width(), height(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                image.setPixel(x, y, pattern_at(x, y));
        QPainter(this).drawImage(0, 0, image);
    }
};

TEST(BoardWindowPaste, AWindowOfKnownPixelsBecomesABoardPicture)
{
    ASSERT_TRUE(g_xvfb && g_xvfb->running());
    TempHome home;
    ScriptedMessageBoxes boxes;
    board_model_setup();
    g_offline_board = 1;
    PatternWindow window;
    window.setGeometry(200, 150, 120, 80);
    window.show();
    pump(400);
    const platform::XWindowId id = static_cast<platform::XWindowId>(window.winId());

    // The click's window: the top-level one under the point.
    EXPECT_EQ(board_window_at(250, 180), id);
    EXPECT_NE(board_window_at(10, 10), id);

    ASSERT_EQ(board_next_bmp(0, id, 40, 30), 0) << (boxes.texts().empty() ? "" : boxes.texts()[0]);
    const bmp_slot& slot = g_board[0].bitmaps[0];
    ASSERT_EQ(slot.used, 1u);
    EXPECT_EQ(slot.x, 40);
    EXPECT_EQ(slot.y, 30);
    auto dib = dib_read_bmp_file(std::string(slot.path.data()));
    ASSERT_TRUE(dib);
    QImage picture = dib_to_qimage(*dib).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(120, 80));
    for (QPoint p : { QPoint(0, 0), QPoint(119, 79), QPoint(37, 51), QPoint(100, 10) })
        EXPECT_EQ(picture.pixel(p), pattern_at(p.x(), p.y())) << p.x() << "," << p.y();
    // On the page where it was put.
    QImage page = board_page_image(0);
    EXPECT_EQ(page.pixel(40 + 37, 30 + 51), pattern_at(37, 51));

    // The picker the frame's commands use pastes the window under its click.
    boxes.answer_with(MessageBoxButton::yes);
    g_board_paste_x = 300;
    g_board_paste_y = 400;
    ASSERT_TRUE(board_start_window_paste(true, nullptr));
    CBoardWindowPicker* picker = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "board_window_picker")
            picker = static_cast<CBoardWindowPicker*>(w);
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->pick_at(QPoint(260, 190)), 0);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(g_board[0].bitmaps[1].used, 1u);
    EXPECT_EQ(g_board[0].bitmaps[1].x, 300);
    EXPECT_EQ(boxes.texts().back(),
              "The next desktop window you clicked will be pasted into your current white board.\r\nDo you want to continue?");
    g_offline_board = 0;
    board_model_free();
}

// Another program's window: a plain X window of a client of its own, picked
// with a click that comes as soon as a user could make it; without a window
// manager and under openbox, which maps the picker a moment after it is shown.
bool wm_took_screen(Display* display)
{
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    for (int i = 0; i < 200; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data);
        if (data)
            XFree(data);
        if (count == 1)
            return true;
        pump(20);
    }
    return false;
}

void paste_by_click(Display* other, unsigned long colour)
{
    Window foreign = XCreateSimpleWindow(other, DefaultRootWindow(other), 500, 300, 150, 90, 0, 0, colour);
    XMapRaised(other, foreign);
    XSync(other, False);
    pump(500);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(other, foreign, DefaultRootWindow(other), 75, 45, &x, &y, &child);

    g_board[0].bitmaps[0] = bmp_slot {};
    ASSERT_TRUE(board_start_window_paste(true, nullptr));
    pump(200);
    ASSERT_TRUE(platform::x11_move_pointer(x, y));
    ASSERT_TRUE(platform::x11_button(1, true));
    ASSERT_TRUE(platform::x11_button(1, false));
    QElapsedTimer t;
    t.start();
    while (g_board[0].bitmaps[0].used != 1 && t.elapsed() < 3000)
        pump(20);
    XDestroyWindow(other, foreign);
    XSync(other, False);
    ASSERT_EQ(g_board[0].bitmaps[0].used, 1u) << "the click at " << x << "," << y << " went to the other program";
    auto dib = dib_read_bmp_file(std::string(g_board[0].bitmaps[0].path.data()));
    ASSERT_TRUE(dib);
    QImage picture = dib_to_qimage(*dib).convertToFormat(QImage::Format_RGB32);
    EXPECT_GE(picture.width(), 150);
    EXPECT_GE(picture.height(), 90);
    EXPECT_EQ(picture.pixel(picture.width() / 2, picture.height() / 2), 0xff000000u | colour);
}

TEST(BoardWindowPaste, TheClickOnAnotherProgramsWindowPastesThatWindow)
{
    ASSERT_TRUE(g_xvfb && g_xvfb->running());
    ASSERT_TRUE(platform::x11_input_available());
    TempHome home;
    ScriptedMessageBoxes boxes;
    boxes.answer_with(MessageBoxButton::yes);
    boxes.answer_with(MessageBoxButton::yes);
    board_model_setup();
    g_offline_board = 1;
    Display* other = XOpenDisplay(qgetenv("DISPLAY").constData());
    ASSERT_NE(other, nullptr);
    {
        SCOPED_TRACE("without a window manager");
        paste_by_click(other, 0x3366cc);
    }
    {
        SCOPED_TRACE("under openbox");
        ChildProcess openbox({ "openbox", "--sm-disable" });
        if (openbox.started() && wm_took_screen(other))
            paste_by_click(other, 0xcc6633);
        else
            ADD_FAILURE() << "openbox did not take the screen";
    }
    XCloseDisplay(other);
    g_offline_board = 0;
    board_model_free();
}

} // namespace

int main(int argc, char** argv)
{
    return run_tests_on_own_xvfb(argc, argv, {}, [] { platform::x11_close_display(); });
}
