// The video windows on screen, offscreen: what a window paints, its three
// buttons, the pairing with the member-pictures page, the zoom dialog, the
// snapshot dialog with the synthetic camera, and the pictures of all of it.
#include "core/bitmap_file.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "media/ui/capture_window.h"
#include "media/ui/dlg_show_me.h"
#include "media/ui/dlg_video_snap.h"
#include "media/ui/dlg_video_zoom.h"
#include "media/ui/video_view.h"
#include "media/ui/video_wnd.h"
#include "media/video_windows.h"
#include "platform/camera/capture_source.h"
#include "platform/ui/file_dialog.h"
#include "shell/ui/brenmo_view.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/member_pictures_page.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_view.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

bool pump_until(const std::function<bool()>& done, int wait_ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A picture of the synthetic camera, as a decoded frame holds it.
std::shared_ptr<VideoPicture> camera_picture(int width, int height, int scene)
{
    platform::SyntheticCaptureSource camera;
    camera.start(width, height);
    for (int s = 0; s < scene; ++s)
        camera.cut_scene();
    for (int f = 0; f < 5 * scene; ++f) {
        std::vector<uint8_t> skip(static_cast<size_t>(width) * height * 3);
        camera.grab(skip); // the box at another place in each
    }
    auto picture = std::make_shared<VideoPicture>();
    picture->width = width;
    picture->height = height;
    picture->rgb.resize(static_cast<size_t>(width) * height * 3);
    camera.grab(picture->rgb);
    return picture;
}

void click(QWidget* w, QPoint at) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at); }

class VideoWindowsUi : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        video_windows_reset();
        customer_info = {};
        customer_view = {};
        g_zoomed_customer_id = -1;
    }
    void TearDown() override
    {
        for (int i = 0; i < video_view_window_count; ++i)
            if (CDlgVideoZoom* z = video_zoom_dialog(i))
                z->hide();
        video_windows_reset();
        set_message_box_presenter(nullptr);
        set_file_dialog_answer(nullptr);
        unsetenv("TAMBLO_CAMERA");
    }
    void add_member(int index, int id, const char* name)
    {
        customer_info[static_cast<size_t>(index)].customer_id = id;
        copy_to_field(customer_info[static_cast<size_t>(index)].name, name);
        customer_info[static_cast<size_t>(index)].in_use = 1;
    }
    // Still pictures of members, as their downloads leave them.
    void write_member_picture(const char* name, int scene)
    {
        std::string folder;
        ASSERT_EQ(get_user_folder(folder), 0);
        create_folder_path(folder + "bmp");
        auto p = camera_picture(96, 72, scene);
        ASSERT_TRUE(video_picture_image(*p).save(QString::fromStdString(folder + "bmp/" + name + ".jpg"), "JPG"));
    }
    static QImage painted(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB888); }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
};

TEST_F(VideoWindowsUi, WindowPaintsTheTopLeftOfItsPictureAndTheZoomDialogAllOfIt)
{
    CFormRightUpper3 view;
    view.resize(900, 700);
    view.show();
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(view.window(i)->pos(), QPoint(5 + 180 * (i % 3), 30 + 180 * (i / 3))) << i;
        EXPECT_EQ(view.window(i)->size(), QSize(165, 170));
    }
    ASSERT_EQ(view.canvas()->size(), QSize(1600, 1000));
    CVideoWnd* w = view.window(4);
    QImage empty = painted(w).copy(2, 5, 160, 120);
    video_wnd_set_user(4, 1001);
    auto picture = camera_picture(320, 240, 1);
    video_frame_store(1001, 1, 1, picture, nullptr);
    QImage whole = video_picture_image(*picture).convertToFormat(QImage::Format_RGB888);
    QImage shown = painted(w).copy(2, 5, 160, 120);
    EXPECT_NE(shown, empty);
    EXPECT_EQ(shown, whole.copy(0, 0, 160, 120));

    // The zoom button opens the dialog of window 4 in its place, the picture stretched into it.
    click(w, QPoint(126, 157));
    CDlgVideoZoom* zoom = video_zoom_dialog(4);
    ASSERT_NE(zoom, nullptr);
    EXPECT_TRUE(zoom->isVisible());
    EXPECT_EQ(zoom->owner(), 4);
    EXPECT_EQ(zoom->pos() - QGuiApplication::primaryScreen()->availableGeometry().topLeft(), QPoint(325, 250));
    EXPECT_EQ(zoom->picture_rect().size(), QSize(320, 240));
    EXPECT_EQ(painted(zoom).copy(zoom->picture_rect()), whole);
    // The corner square makes it large, and again small.
    QSize small = zoom->size();
    click(zoom, zoom->corner_rect().center());
    EXPECT_TRUE(zoom->large());
    EXPECT_EQ(zoom->picture_rect().size(), QSize(640, 480));
    EXPECT_GT(zoom->width(), small.width() + 300);
    click(zoom, QPoint(zoom->width() - 1, zoom->height() - 1)); // the edge is outside the square
    EXPECT_TRUE(zoom->large());
    click(zoom, zoom->corner_rect().center());
    EXPECT_EQ(zoom->size(), small);

    // Hiding the user's zoom window; zoom one person opens it again and assigns first.
    view.video_zoom_window_hide(1001);
    EXPECT_FALSE(zoom->isVisible());
    view.video_window_zoom_user(1002);
    EXPECT_EQ(video_windows_showing(1002), (std::vector<int> { 0, 100 }));
    ASSERT_NE(video_zoom_dialog(0), nullptr);
    EXPECT_TRUE(video_zoom_dialog(0)->isVisible());
    video_zoom_dialog(0)->hide();
}

TEST_F(VideoWindowsUi, PauseAndCloseButtonsActOnEveryWindowOfTheUser)
{
    CFormRightUpper3 view;
    CLeftFormChild4 page;
    view.show();
    add_member(0, 1001, "ann");
    add_member(1, 1002, "bob");
    video_windows_set_member_choices({ { "ann", 1001 }, { "bob", 1002 } });

    // Choosing in view window 2 sets page window 102 too.
    CVideoWnd* w2 = view.window(2);
    w2->user_list()->setCurrentIndex(2);
    EXPECT_EQ(video_wnd_user(102), 1002);
    EXPECT_EQ(page.window(2)->user_list()->currentText(), "bob");
    view.video_window_assign(1002); // shown already: no second window
    view.window(7)->video_wnd_select_user(1002);
    EXPECT_EQ(video_windows_showing(1002), (std::vector<int> { 2, 7, 102 }));

    // Pause: every window of the user; the button turns to play.
    QImage playing = painted(w2).copy(135, 150, 13, 13);
    click(page.window(2), QPoint(141, 157));
    for (int index : { 2, 7, 102 })
        EXPECT_TRUE(video_window_state(index).paused) << index;
    EXPECT_NE(painted(w2).copy(135, 150, 13, 13), playing);
    click(w2, QPoint(141, 157));
    EXPECT_FALSE(video_window_state(7).paused);
    // Without a user the pause button does nothing.
    click(view.window(5), QPoint(141, 157));
    EXPECT_FALSE(video_window_state(5).paused);

    // Close: the others of the user first, then this one; each list back at "None".
    click(view.window(7), QPoint(157, 157));
    EXPECT_TRUE(video_windows_showing(1002).empty());
    for (CVideoWnd* w : { w2, view.window(7), page.window(2) })
        EXPECT_EQ(w->user_list()->currentIndex(), 0);
    // A user given out elsewhere (a recording's player) shows in the lists at the next refresh.
    make_sure_customer_id_exist(1001);
    video_windows_refresh_all();
    EXPECT_EQ(view.window(0)->user_list()->currentText(), "ann");
    EXPECT_EQ(page.window(0)->user_list()->currentText(), "ann");
    view.video_windows_clear_all();
    for (int index : video_window_indexes())
        EXPECT_EQ(video_wnd_user(index), -1);
}

TEST_F(VideoWindowsUi, PicturesPageKeepsItsClockScrollsAndShowsOnlyShownMembersPictures)
{
    CLeftFormChild4 page;
    page.resize(190, 500);
    EXPECT_TRUE(page.timer_running()); // also while hidden behind another tab
    EXPECT_EQ(page.timer().interval(), 50);
    page.restart_timer();
    EXPECT_TRUE(page.timer_running());
    page.show();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(page.window(i)->index(), 100 + i);
        EXPECT_EQ(page.window(i)->pos(), QPoint(5, 20 + 180 * i));
    }
    QScrollBar* v = page.scroll_area()->verticalScrollBar();
    EXPECT_EQ(v->singleStep(), 30);
    EXPECT_EQ(page.scroll_area()->horizontalScrollBar()->singleStep(), 30);
    // All six windows can be scrolled to; the pictures come below them.
    EXPECT_EQ(v->maximum() + v->pageStep(), 20 + 180 * 6);

    // Member pictures below the windows, only for members whose video is shown.
    add_member(0, 1001, "ann");
    add_member(1, 1002, "bob");
    write_member_picture("ann", 1);
    write_member_picture("bob", 3);
    page.canvas()->update();
    QImage both = painted(page.canvas()).copy(10, 1100, 96, 72);
    // The page grew to hold both pictures, and all of it can be scrolled to.
    ASSERT_TRUE(pump_until([&] { return page.canvas()->height() > 1100 + 2 * 72; }));
    EXPECT_EQ(v->maximum() + v->pageStep(), page.canvas()->height());
    customer_view[0].in_use = 1;
    copy_to_field(customer_view[0].name, "ann");
    customer_view[0].show_video = 0;
    page.canvas()->update();
    QImage after = painted(page.canvas()).copy(10, 1100, 96, 72);
    // Ann's picture is gone and Bob's moved up into its place.
    EXPECT_NE(both, after);
    EXPECT_EQ(after, QImage(QString::fromStdString(home_.user_folder() + "bmp/bob.jpg")).convertToFormat(QImage::Format_RGB888));
}

TEST_F(VideoWindowsUi, SnapshotIsSavedAndReadsBackWithTheSamePixels)
{
    setenv("TAMBLO_CAMERA", "synthetic", 1);
    CDlgShowMe me;
    me.show();
    ASSERT_TRUE(me.camera() != nullptr);
    CDlgVideoSnap* snap = video_snap_open(nullptr);
    // The camera has one user: the Me dialog let go of it.
    EXPECT_FALSE(me.isVisible());
    EXPECT_EQ(me.camera(), nullptr);
    EXPECT_EQ(snap->size_list()->currentText(), "640*480");
    EXPECT_EQ(snap->size_list()->count(), 5);
    ASSERT_TRUE(pump_until([&] { return !snap->frame().empty(); }));
    EXPECT_EQ(snap->frame_width(), 640);

    // Pause holds the picture; the button says Start.
    snap->OnPauseStart();
    EXPECT_EQ(snap->pause_button()->text(), "Start");
    std::vector<uint8_t> held = snap->frame();
    QTest::qWait(150);
    EXPECT_EQ(snap->frame(), held);

    const std::string path = home_.root() + "/still.BMP";
    set_file_dialog_answer([&](const QString&, bool save) { return save ? QString::fromStdString(path) : QString(); });
    snap->OnSaveAsFile();
    std::unique_ptr<PackedDib> dib = dib_read_bmp_file(path);
    ASSERT_NE(dib, nullptr);
    ASSERT_EQ(dib->width(), 640);
    ASSERT_EQ(dib->height(), 480);
    ASSERT_EQ(dib->bit_count(), 24);
    // Bottom-up rows of B, G, R: the camera's rows of R, G, B in the same order.
    for (int y = 0; y < 480; ++y) {
        const uint8_t* row = dib->bits() + dib->row_bytes() * static_cast<size_t>(y);
        const uint8_t* want = held.data() + static_cast<size_t>(y) * 640 * 3;
        for (int x = 0; x < 640; ++x)
            ASSERT_TRUE(row[x * 3] == want[x * 3 + 2] && row[x * 3 + 1] == want[x * 3 + 1] && row[x * 3 + 2] == want[x * 3])
                << x << "," << y;
    }
    set_file_dialog_answer([&](const QString&, bool) { return QString::fromStdString(home_.root() + "/still.png"); });
    snap->OnSaveAsFile();
    EXPECT_EQ(boxes_.texts().back(), "wrong file type");

    // Pasting: without a whiteboard it says so; with one, the whiteboard gets the picture.
    snap->OnPaste();
    EXPECT_EQ(boxes_.texts().back(), "No white board");
    std::string pasted;
    video_snap_paste_target() = [&](const std::string& p) {
        pasted = p;
        return 0;
    };
    snap->OnPaste();
    ASSERT_FALSE(pasted.empty());
    EXPECT_EQ(read_file(pasted), read_file(path));
    video_snap_paste_target() = nullptr;

    // Another size reconnects the camera at it.
    snap->size_list()->setCurrentIndex(1);
    ASSERT_TRUE(pump_until([&] { return snap->frame_width() == 176; }));
    EXPECT_EQ(snap->frame_height(), 144);
    snap->size_list()->setCurrentIndex(4);

    // Closing gives the camera back to the Me dialog.
    snap->OnCancel();
    EXPECT_TRUE(me.isVisible());
    EXPECT_NE(me.camera(), nullptr);
    me.OnCancel();
}

TEST_F(VideoWindowsUi, WhiteboardsPasteVideoOpensTheSnapshotWhichPastesIntoThePage)
{
    setenv("TAMBLO_CAMERA", "synthetic", 1);
    init_global_state();
    g_offline_board = 1; // the page keeps the picture; nothing to upload
    {
        CMainFrame frame;
        frame.resize(1024, 700);
        frame.show();
        CFormRightUpper1* board = frame.brenmo_view()->board_view();
        ASSERT_NE(board, nullptr);
        EXPECT_EQ(board->OnRButtonUp({ 200, 150 }, false), 264);
        QAction* paste_video = nullptr;
        for (QAction* a : board->context_menu()->actions())
            if (a->data().toInt() == board_menu::paste_video)
                paste_video = a;
        ASSERT_NE(paste_video, nullptr);
        EXPECT_TRUE(paste_video->isEnabled());
        board->OnCommand(board_menu::paste_video);
        CDlgVideoSnap* snap = video_snap_dialog();
        ASSERT_NE(snap, nullptr);
        EXPECT_TRUE(snap->isVisible());
        ASSERT_TRUE(pump_until([&] { return !snap->frame().empty(); }));
        snap->OnPauseStart(); // the picture held while it is pasted
        snap->OnPaste();
        const bmp_slot& slot = g_board[static_cast<size_t>(g_current_board.load())].bitmaps[0];
        ASSERT_EQ(slot.used, 1u);
        EXPECT_EQ(QPoint(slot.x, slot.y), QPoint(200, 150));
        QImage pasted(QString::fromUtf8(slot.path.data()));
        EXPECT_EQ(pasted.size(), QSize(640, 480));
        snap->OnCancel();
    }
    // Without the frame the board has no way to a snapshot.
    EXPECT_FALSE(board_paste_video_opener());
    g_offline_board = 0;
}

TEST_F(VideoWindowsUi, SnapshotWithoutACameraSaysSoForEachButton)
{
    setenv("TAMBLO_CAMERA", "none", 1);
    CDlgVideoSnap snap;
    snap.show();
    EXPECT_EQ(boxes_.texts(), (std::vector<std::string> { "Video device not available." }));
    snap.OnPauseStart();
    snap.OnPaste();
    snap.OnSaveAsFile();
    EXPECT_EQ(boxes_.texts().size(), 4u);
    for (const std::string& t : boxes_.texts())
        EXPECT_EQ(t, "Video device not available.");
    snap.OnCancel();
}

TEST_F(VideoWindowsUi, Screenshots)
{
    setenv("TAMBLO_CAMERA", "synthetic", 1);
    const QString dir = screenshot_dir();
    add_member(0, 1001, "ann");
    add_member(1, 1002, "bob");
    add_member(2, 1003, "carol");
    add_member(3, 1004, "李雷");
    for (int i = 0; i < 4; ++i)
        write_member_picture(customer_info[static_cast<size_t>(i)].name.data(), i + 1);
    g_zoomed_customer_id = 1002;
    EXPECT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CFormRightUpper3 view;
        CLeftFormChild4 page;
        view.resize(1000, 620);
        page.resize(200, 560);
        video_windows_set_member_choices({ { "ann", 1001 }, { "bob", 1002 }, { "carol", 1003 }, { "李雷", 1004 } });
        for (int i = 0; i < 4; ++i) {
            view.window(i)->video_wnd_select_user(1001 + i);
            video_frame_store(1001 + i, 1, 1, camera_picture(160, 120, i + 1), nullptr);
        }
        video_wnd_set_paused(3, true);
        video_windows_refresh_all();
        view.show();
        page.show();
        QApplication::processEvents();
        EXPECT_TRUE(view.grab().save(QString("%1/video_view_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
        EXPECT_TRUE(page.grab().save(QString("%1/pictures_page_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
        // Scrolled to its end: the members' pictures below the windows.
        page.scroll_area()->verticalScrollBar()->setValue(page.scroll_area()->verticalScrollBar()->maximum());
        QApplication::processEvents();
        page.scroll_area()->verticalScrollBar()->setValue(page.scroll_area()->verticalScrollBar()->maximum());
        EXPECT_TRUE(page.grab().save(QString("%1/pictures_page_end_%2_scheme_%3.png").arg(dir, language).arg(scheme)));

        // Dialogs of their own: the program's are made once, in one language.
        CDlgVideoZoom zoom(1);
        zoom.set_owner(1);
        video_frame_store(1002, 1, 2, camera_picture(320, 240, 2), nullptr);
        zoom.show();
        QApplication::processEvents();
        EXPECT_TRUE(zoom.grab().save(QString("%1/video_zoom_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
        zoom.hide();

        CDlgVideoSnap snap;
        snap.show();
        pump_until([&] { return snap.capture_window()->has_frame(); });
        EXPECT_TRUE(snap.grab().save(QString("%1/video_snap_%2_scheme_%3.png").arg(dir, language).arg(scheme)));
        snap.OnCancel();
        video_windows_reset();
    }));
}

} // namespace
