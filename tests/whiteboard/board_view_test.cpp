// The whiteboard view offscreen, off line: QTest gestures become actions,
// the back buffer follows the model incrementally, text entry, the
// right-click menus, and screenshots of every tool's output.

#include "core/message_box.h"
#include "core/messages.h"
#include "core/window_messages.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/edit_text_tool.h"
#include "skin/ui/my_static.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_shared_state.h"
#include "whiteboard/board_gestures.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_tool_values.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/board_view.h"
#include "whiteboard/ui/print_scale_dlg.h"
#include "whiteboard/ui/tool_width_dlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>

#include <cstring>

namespace {

class BoardView : public ::testing::Test {
public:
    void SetUp() override
    {
        board_model_setup();
        g_offline_board = 1;
        g_board_pen_moves = 0;
        g_board_eraser_moves = 0;
        view = std::make_unique<CFormRightUpper1>();
        view->resize(900, 640);
        view->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        view.reset();
        g_offline_board = 0;
        g_current_board = 0;
        board_model_free();
    }
    QWidget* canvas() { return reinterpret_cast<QWidget*>(view->canvas()); }
    board_record& page() { return g_board[0]; }
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    // A drag with the current tool, through the canvas.
    void drag(QPoint from, QPoint to, int moves = 8)
    {
        QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= moves; ++i) {
            QPoint p = from + (to - from) * i / moves;
            QMouseEvent move(QEvent::MouseMove, p, canvas()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(canvas(), &move);
        }
        QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, to);
        settle();
    }
    void use(int tool) { page().tool = tool; }
    ScriptedMessageBoxes boxes;
    std::unique_ptr<CFormRightUpper1> view;
};

// Every tool once, as a user would: the page every test below reads.
void draw_with_every_tool(BoardView& t)
{
    t.use(tool_pen);
    g_board[0].pen_width = 3;
    g_board[0].pen_red = 200;
    t.drag({ 40, 60 }, { 300, 120 }, 40);
    t.use(tool_eraser);
    g_board[0].eraser_width = 12;
    t.drag({ 100, 40 }, { 140, 160 }, 8);
    g_board[0].pen_red = 0;
    g_board[0].pen_blue = 180;
    g_board[0].pen_width = 2;
    int x = 40;
    int y = 200;
    for (int tool : { tool_line, tool_rect, tool_filled_rect, tool_ellipse, tool_filled_ellipse, tool_round_rect,
                      tool_filled_round_rect, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 40, 41, 42, 43, 44, 45,
                      46, 47, 50, 60, 61, 62, 63, 70, 71, 72, 73, 74, 80, 81 }) {
        t.use(tool);
        t.drag({ x, y }, { x + 70, y + 50 }, 4);
        x += 90;
        if (x > 760) {
            x = 40;
            y += 80;
        }
    }
}

TEST_F(BoardView, EveryToolDrawsOffLineAndTheBufferMatchesAFullRepaint)
{
    draw_with_every_tool(*this);
    // The pen's 40 moves sent 10 segments after its point, the eraser's 8 two.
    EXPECT_EQ(page().visible_count, 1 + 10 + 2 + 39);
    EXPECT_EQ(view->back_buffer(), board_page_image(0));
    // The canvas shows the buffer.
    QImage shown = canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(300, 300), view->back_buffer().pixel(300, 300));
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(BoardView, ActionsArrivingArePaintedOntoTheBufferAndUndoRepaints)
{
    send_board_line(0, 255, 0, 0, 10, 10, 200, 10, 3, 1);
    settle();
    EXPECT_EQ(view->back_buffer(), board_page_image(0));
    send_board_filled_rect(0, 0, 255, 0, 50, 50, 150, 150, 1, 1);
    settle();
    EXPECT_EQ(view->back_buffer().pixel(100, 100), 0xff00ff00u);
    send_board_undo(0);
    settle();
    EXPECT_EQ(view->back_buffer().pixel(100, 100), 0xffffffffu);
    send_board_redo(0);
    settle();
    EXPECT_EQ(view->back_buffer(), board_page_image(0));
}

TEST_F(BoardView, ZoomedPageShowsEachPagePixelTwiceAndSendsHalvedCoordinates)
{
    page().half_size = 1;
    view->set_scroll_size(3200, 2000);
    use(tool_line);
    drag({ 100, 100 }, { 300, 100 });
    ASSERT_EQ(page().visible_count, 1);
    std::lock_guard<std::mutex> guard(board_actions_lock());
    const board_action a = *board_action_at(0, 0);
    EXPECT_EQ(a.data[0], 50);
    EXPECT_EQ(a.data[2], 150);
    EXPECT_EQ(a.data[3], 50);
}

TEST_F(BoardView, MovesOverTheCaptionDoNothing)
{
    EXPECT_EQ(view->caption()->text(), tr_ui("WhiteBoard"));
    use(tool_pen);
    const QPoint inside_caption(20, 10);
    QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, inside_caption);
    for (int i = 0; i < 40; ++i) {
        QPoint p = inside_caption + QPoint(i % 3, 0);
        QMouseEvent move(QEvent::MouseMove, p, canvas()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &move);
    }
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, inside_caption);
    settle();
    EXPECT_EQ(page().visible_count, 1);  // only the point of the click
}

TEST_F(BoardView, TypedTextBecomesOneActionAtTheFirstClick)
{
    use(tool_text);
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    settle();
    ASSERT_TRUE(view->text_box()->isVisible());
    QTest::keyClicks(view->text_box(), "ab");
    QTest::keyClick(view->text_box(), Qt::Key_Return);
    QTest::keyClicks(view->text_box(), "c");
    // Clicking again sends it; clicking once more without typing sends nothing.
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(410, 310));
    settle();
    ASSERT_EQ(page().visible_count, 1);
    board_action a {};
    {
        std::lock_guard<std::mutex> guard(board_actions_lock());
        a = *board_action_at(0, 0);
    }
    EXPECT_EQ(a.kind, ACTION_TEXT);
    EXPECT_EQ(a.data[0], 200);
    EXPECT_EQ(a.data[1], 150);
    EXPECT_EQ(std::string(board_action_text(a)), "ab\rc");

    // Another tool hides the box; a text of 3999 characters is sent, the 4000th refused.
    use(tool_text);
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 400));
    view->text_box()->setPlainText(QString(3999, 'x'));
    QTest::keyClicks(view->text_box(), "y");
    EXPECT_EQ(view->text_box()->toPlainText().size(), 3999);
    use(tool_pen);
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(600, 500));
    settle();
    EXPECT_FALSE(view->text_box()->isVisible());
    EXPECT_EQ(page().visible_count, 3);  // the long text and the pen's point
    EXPECT_TRUE(boxes.texts().empty());

    // A text longer than the pools hold (bytes, as it travels) is refused before it is sent.
    use(tool_text);
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 500));
    view->text_box()->setPlainText(QString(2000, QChar(0x767d)));  // 6000 bytes of UTF-8
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 520));
    settle();
    EXPECT_EQ(page().visible_count, 3);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Do not support text longer than 4000 now." });
}

TEST_F(BoardView, RightClickMenusSelectTheFrontPictureAndChangeItsOrder)
{
    TempHome home;
    QImage red(60, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(red);
    EXPECT_EQ(view->OnRButtonUp({ 100, 100 }, false), 264);
    EXPECT_EQ(view->paste_position(), QPoint(100, 100));
    view->OnPasteClipboardBitmap();
    view->OnRButtonUp({ 130, 130 }, false);
    view->OnPasteClipboardBitmap();
    settle();
    (void)view->back_buffer();  // painting gives the slots their sizes
    // Both at z-order 0: slot 1 lies in front where they overlap.
    EXPECT_EQ(view->OnRButtonUp({ 140, 140 }, false), 160);
    EXPECT_EQ(view->selected_bmp(), 1);
    QStringList items;
    for (QAction* a : view->context_menu()->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList { tr_ui("Put to back"), tr_ui("Put to front"), tr_ui("Delete") }));
    view->OnPutToBack();
    EXPECT_EQ(page().bitmaps[1].z_order, 1);
    view->OnRButtonUp({ 140, 140 }, false);
    EXPECT_EQ(view->selected_bmp(), 0);
    view->OnPutToFront();
    EXPECT_EQ(page().bitmaps[0].z_order, -1);
    boxes.answer_with(MessageBoxButton::yes);
    view->OnDeleteBmp();
    EXPECT_EQ(page().bitmaps[0].used, 0u);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Are you sure to delete this bitmap? This action can not be undo." });
    view->OnRButtonUp({ 500, 500 }, false);
    boxes.clear();
    view->OnDeleteBmp();
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Please right click a bitmap." });
}

TEST_F(BoardView, ScrollingKeepsThePagePositionAndFollowsTheServers)
{
    view->horizontalScrollBar()->setValue(120);
    view->verticalScrollBar()->setValue(80);
    EXPECT_EQ(page().scroll_x, 120);
    EXPECT_EQ(page().scroll_y, 80);
    // The presenter's position arrives (411): the view follows.
    board_dispatch_message(WireHead { 0, 0, MSG_BOARD_SELECT, 9 }, " 300: 200", 9);
    settle();
    EXPECT_EQ(view->scroll_position(), QPoint(300, 200));
}

// Not compared: the view with every tool's output and the tool dialogs, in
// two schemes and both languages, for people to look at.
TEST_F(BoardView, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    draw_with_every_tool(*this);
    send_board_text(0, 330, 520, 0, "Text on the board\rsecond line", 0, 0, 0);
    send_board_text(0, 520, 540, 0, "白板上的文字", 160, 0, 0);
    page().show_pointer = 1;
    page().pointer_x = 860;
    page().pointer_y = 120;
    QImage red(80, 50, QImage::Format_RGB32);
    red.fill(QColor(250, 200, 60));
    TempHome home;
    QGuiApplication::clipboard()->setImage(red);
    view->OnRButtonUp({ 700, 40 }, false);
    view->OnPasteClipboardBitmap();
    settle();
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    for (const char* language : { "en", "zh" }) {
        if (QString(language) == "zh")
            QCoreApplication::installTranslator(&chinese);
        for (int scheme : { 0, 3 }) {
            skin_table().select_skin(scheme);
            CFormRightUpper1 shown;
            shown.resize(960, 680);
            shown.show();
            settle();
            EXPECT_TRUE(shown.grab().save(QString("%1/board_view_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
            CDlgPenWidth pen;
            pen.show();
            EXPECT_TRUE(pen.grab().save(QString("%1/pen_width_dlg_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
            CDlgEraserWidth eraser;
            eraser.show();
            EXPECT_TRUE(
                eraser.grab().save(QString("%1/eraser_width_dlg_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
            CDlgPrintScale scale;
            scale.show();
            EXPECT_TRUE(
                scale.grab().save(QString("%1/print_scale_dlg_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
            shown.OnRButtonUp({ 300, 500 }, false);
            shown.context_menu()->popup(QPoint(0, 0));
            settle();
            EXPECT_TRUE(shown.context_menu()->grab().save(
                QString("%1/board_menu_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
            shown.context_menu()->hide();
        }
        QCoreApplication::removeTranslator(&chinese);
    }
    skin_table().select_skin(0);
}

} // namespace
