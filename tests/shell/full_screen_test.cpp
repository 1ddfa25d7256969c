// The full-screen window offscreen, through the real frame: the command and
// its check mark, the scroll ranges of each view and what Close hands back,
// drawing on the page at scrolled coordinates with the window's own
// counters, the text box, every tool-bar button, the attendees' pictures in
// rows of three, the interface events in a recording; and its pictures.

#include "core/folders.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "media/ui/dlg_show_me.h"
#include "sharing/share_state.h"
#include "sharing/share_viewer.h"
#include "sharing/whole_picture.h"
#include "shell/full_screen_rules.h"
#include "shell/ui/brenmo_view.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/left_form.h"
#include "shell/ui/left_form_tab.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/members_page.h"
#include "shell/ui/wnd_full_screen.h"
#include "shell/ui/wnd_full_screen_toolbar.h"
#include "skin/ui/edit_text_tool.h"
#include "tests/skin/screenshots.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_gestures.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_view.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>

namespace {

void pump(int ms = 30)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// A drag from a to b in steps, pressed and released.
void drag(QWidget* w, QPoint a, QPoint b, int steps = 8)
{
    mouse(w, QEvent::MouseButtonPress, a);
    for (int i = 1; i <= steps; ++i)
        mouse(w, QEvent::MouseMove, a + (b - a) * i / steps);
    mouse(w, QEvent::MouseButtonRelease, b);
}

// A button of the bar pressed and released at its middle.
void press_button(CWndFullScreenToolbar* bar, int index)
{
    const QPoint at = bar->button_rect(index).center();
    mouse(bar, QEvent::MouseButtonPress, at);
    mouse(bar, QEvent::MouseButtonRelease, at);
    pump();
}

int button_of(int command)
{
    const auto& buttons = full_screen_tool_buttons();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].command == command)
            return static_cast<int>(i);
    return -1;
}

// A member record as the members page receives it: the name, its zero, the id in four characters.
std::string member_record(const std::string& name, int id)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%4d", id);
    return name + std::string(1, '\0') + digits;
}

class FullScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes);
        init_global_state();
        create_work_folders();
        board_model_setup();
        g_offline_board = 1;  // the builders apply what they make, as the relay would
        frame = std::make_unique<CMainFrame>();
        frame->resize(900, 600);
        frame->show();
        pump();
    }
    void TearDown() override
    {
        frame.reset();
        g_offline_board = 0;
        g_current_view = upper_view_video;
        g_zoomed_customer_id = -1;
        set_message_box_presenter(nullptr);
        recorder().stop();
        board_model_free();
    }
    CWndFullScreen* open()
    {
        EXPECT_TRUE(frame->commands().trigger(cmd::full_screen));
        pump();
        return g_full_screen;
    }
    CLeftFormMembers* members() { return g_left_form->tab()->members_page(); }
    // Members m0, m1 ... in the list's order, each with "bmp/<name>.jpg" of its size.
    void add_members_with_pictures(const std::vector<QSize>& sizes)
    {
        std::string folder;
        ASSERT_EQ(get_user_folder(folder), 0);
        for (size_t i = 0; i < sizes.size(); ++i) {
            QImage picture(sizes[i], QImage::Format_RGB32);
            picture.fill(colour_of(static_cast<int>(i)));
            ASSERT_TRUE(picture.save(QString::fromStdString(folder + "bmp/m" + std::to_string(i) + ".jpg"), "JPG", 95));
        }
        // The list puts a newcomer first: the last one comes first.
        for (size_t i = sizes.size(); i-- > 0;) {
            const std::string record = member_record("m" + std::to_string(i), 10 + static_cast<int>(i));
            members()->OnMyMsgMemberListAdd(record.c_str(), 0);
        }
    }
    static QColor colour_of(int i) { return QColor::fromHsv(i * 50 % 360, 200, 220); }

    TempHome home;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(FullScreenTest, TheCommandOpensAFramelessWindowOverTheScreenAndLeavesAgain)
{
    QAction* command = frame->commands().action(cmd::full_screen);
    EXPECT_TRUE(command->isEnabled());
    EXPECT_FALSE(command->isChecked());
    EXPECT_EQ(command->shortcut(), QKeySequence(Qt::Key_F11));
    const std::string path = home.root() + "/events.mrd";
    ASSERT_EQ(recorder().start(path), 0);

    CWndFullScreen* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->geometry(), frame->screen()->geometry());
    EXPECT_EQ(w->windowTitle(), "Full Screen View");
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(command->isChecked());
    EXPECT_FALSE(w->scroll_bars_shown());
    EXPECT_FALSE(w->horizontal_bar()->isVisible());
    EXPECT_EQ(w->toolbar()->geometry(), QRect(2, 2, 445, 18));
    EXPECT_EQ(w->text_box()->objectName(), "ctl_9998");
    EXPECT_FALSE(w->text_box()->isVisible());

    // The same command leaves; the window is kept and shown again.
    EXPECT_TRUE(frame->commands().trigger(cmd::full_screen));
    pump();
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(command->isChecked());
    EXPECT_EQ(open(), w);
    // Close on the bar leaves too; so does the presenter's 415 as the frame gets it.
    press_button(w->toolbar(), button_of(full_screen_close_command));
    pump();
    EXPECT_FALSE(w->isVisible());
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_FULL_SCREEN);
    pump();
    EXPECT_TRUE(w->isVisible());
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_EXIT_FULL_SCREEN);
    pump();
    EXPECT_FALSE(w->isVisible());

    recorder().stop();
    std::vector<int> events;
    for (const ReadRecord& r : read_records(path))
        if (r.head.type == record_type_ui_event) {
            int32_t event = 0;
            std::memcpy(&event, r.body.data(), sizeof event);
            events.push_back(event);
        }
    EXPECT_EQ(events, (std::vector<int> { 5, 6, 5, 6, 5, 6 }));
}

TEST_F(FullScreenTest, ScrollRangesFollowTheViewAndCloseHandsThePositionBackToThePage)
{
    CFormRightUpper1* board_view = frame->brenmo_view()->board_view();
    frame->switch_to_board_view();
    pump();
    board_view->horizontalScrollBar()->setValue(120);
    board_view->verticalScrollBar()->setValue(30);
    CWndFullScreen* w = open();
    const QSize client = w->size();
    const QPoint at = board_view->scroll_position();
    EXPECT_EQ(w->scroll(), full_screen_board_scroll(false, client.width(), client.height(), at.x(), at.y()));
    EXPECT_EQ(w->horizontal_bar()->maximum(), w->scroll().max_x);

    // Show Scroll shows both bars; moving one scrolls the picture.
    press_button(w->toolbar(), button_of(full_screen_show_scroll_command));
    EXPECT_TRUE(w->scroll_bars_shown());
    EXPECT_TRUE(w->horizontal_bar()->isVisible());
    EXPECT_TRUE(w->vertical_bar()->isVisible());
    EXPECT_EQ(w->horizontal_bar()->y() + w->horizontal_bar()->height(), w->height());
    w->horizontal_bar()->setValue(w->scroll().max_x);
    w->vertical_bar()->setValue(7);
    EXPECT_EQ(w->scroll_position(), QPoint(w->scroll().max_x, 7));

    // Close: the page and the view take the position; the page keeps its size.
    press_button(w->toolbar(), button_of(full_screen_close_command));
    const board_record& page = g_board[0];
    EXPECT_EQ(page.scroll_x, w->scroll().max_x);
    EXPECT_EQ(page.scroll_y, 7);
    EXPECT_EQ(page.scroll_width, 1600);
    EXPECT_EQ(page.scroll_height, 1000);
    EXPECT_EQ(board_view->scroll_size(), QSize(1600, 1000));

    // A page zoomed while the window is shown scrolls over 3200 x 2000.
    open();
    EXPECT_TRUE(frame->commands().trigger(cmd::board_zoom));
    pump();
    EXPECT_EQ(w->scroll().max_x, 3200 - client.width());
    EXPECT_EQ(w->scroll().max_y, 2000 - client.height());
    // Another view brought forward meanwhile: 1600 x 1000 from the top-left with its fixed steps.
    frame->switch_to_video_view();
    pump();
    EXPECT_EQ(w->scroll(), full_screen_other_scroll());
    EXPECT_EQ(w->horizontal_bar()->singleStep(), 80);
    EXPECT_EQ(w->vertical_bar()->pageStep(), 333);
}

TEST_F(FullScreenTest, DrawingLandsAtScrolledCoordinatesAndCountsItsOwnMoves)
{
    frame->switch_to_board_view();
    board_record& page = g_board[0];
    page.scroll_x = 0;
    CWndFullScreen* w = open();
    press_button(w->toolbar(), button_of(full_screen_show_scroll_command));
    w->horizontal_bar()->setValue(100);
    w->vertical_bar()->setValue(std::min(50, w->scroll().max_y));
    const QPoint scroll = w->scroll_position();

    // A line from the bar's tool: sent once, at window point plus scroll.
    press_button(w->toolbar(), button_of(cmd::tool_line));
    EXPECT_EQ(page.tool, tool_line);
    EXPECT_TRUE(w->toolbar()->model().pressed(button_of(cmd::tool_line)));
    drag(w, { 100, 200 }, { 300, 260 });
    ASSERT_EQ(page.visible_count, 1);
    board_action line = *board_action_at(0, 0);
    EXPECT_EQ(line.kind, ACTION_LINE);
    EXPECT_EQ(line.data[0], 100 + scroll.x());
    EXPECT_EQ(line.data[1], 200 + scroll.y());
    EXPECT_EQ(line.data[2], 300 + scroll.x());
    EXPECT_EQ(line.data[3], 260 + scroll.y());
    EXPECT_EQ(w->cursor().shape(), Qt::CrossCursor);

    // The pen counts moves of its own: the view's counter stays where it is.
    const int view_moves = g_board_pen_moves;
    press_button(w->toolbar(), button_of(cmd::tool_pen));
    drag(w, { 100, 300 }, { 140, 300 }, 8);
    EXPECT_EQ(g_board_pen_moves, view_moves);
    EXPECT_EQ(page.visible_count, 1 + 1 + 2);  // the dot and every fourth move

    // The select tool does nothing on the page here, not even on the pointer mark.
    page.show_pointer = 1;
    page.pointer_x = 150 + scroll.x();
    page.pointer_y = 150 + scroll.y();
    press_button(w->toolbar(), button_of(cmd::tool_pointer));
    drag(w, { 140, 140 }, { 400, 400 });
    EXPECT_EQ(page.tool, tool_select);
    EXPECT_EQ(page.pointer_x, 150 + scroll.x());

    // Text: the box opens at the click, 50 x 50; the next click sends what was typed.
    press_button(w->toolbar(), button_of(cmd::tool_text));
    mouse(w, QEvent::MouseButtonPress, { 220, 120 });
    mouse(w, QEvent::MouseButtonRelease, { 220, 120 });
    pump();
    ASSERT_TRUE(w->text_box()->isVisible());
    EXPECT_EQ(w->text_box()->pos(), QPoint(220, 120));
    EXPECT_EQ(w->text_box()->size(), QSize(50, 50));
    w->text_box()->setPlainText("hello");
    const int before = page.visible_count;
    mouse(w, QEvent::MouseButtonPress, { 500, 400 });
    mouse(w, QEvent::MouseButtonRelease, { 500, 400 });
    ASSERT_EQ(page.visible_count, before + 1);
    board_action text = *board_action_at(0, before);
    EXPECT_EQ(text.kind, ACTION_TEXT);
    EXPECT_EQ(text.data[0], 220 + scroll.x());
    EXPECT_EQ(text.data[1], 120 + scroll.y());
    EXPECT_TRUE(w->text_box()->toPlainText().isEmpty());

    // Over the attendees' pictures nothing is drawn.
    frame->switch_to_video_view();
    press_button(w->toolbar(), button_of(cmd::tool_line));
    const int drawn = page.visible_count;
    drag(w, { 100, 200 }, { 300, 260 });
    EXPECT_EQ(page.visible_count, drawn);
}

TEST_F(FullScreenTest, EveryBarButtonRunsItsCommand)
{
    frame->switch_to_board_view();
    CWndFullScreen* w = open();
    board_record& page = g_board[0];
    // Tools and shapes set the page's tool.
    for (auto [command, tool] : { std::pair { cmd::tool_eraser, tool_eraser }, { cmd::tool_pen, tool_pen },
                                  { cmd::tool_text, tool_text }, { cmd::tool_void_rect, tool_rect },
                                  { cmd::tool_solid_circle, tool_filled_ellipse }, { cmd::tool_solid_round_rect, tool_filled_round_rect },
                                  { cmd::tool_pointer, tool_select } }) {
        press_button(w->toolbar(), button_of(command));
        EXPECT_EQ(page.tool, tool) << command;
    }
    // The settings open their dialogs over the window.
    for (int command : { cmd::pen_width, cmd::eraser_width, cmd::pen_colour, cmd::board_font }) {
        bool opened = false;
        QWidget* parent = nullptr;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            opened = true;
            parent = dialog->parentWidget();
            dialog->reject();
        });
        press_button(w->toolbar(), button_of(command));
        pump(200);
        EXPECT_TRUE(opened) << command;
        EXPECT_EQ(parent, w) << command;
    }
    // The page commands run as the frame's.
    page.tool = tool_line;
    drag(w, { 10, 100 }, { 60, 100 });
    drag(w, { 10, 110 }, { 60, 110 });
    ASSERT_EQ(page.visible_count, 2);
    press_button(w->toolbar(), button_of(cmd::board_undo));
    EXPECT_EQ(page.visible_count, 1);
    press_button(w->toolbar(), button_of(cmd::board_redo));
    EXPECT_EQ(page.visible_count, 2);
    boxes.answer_with(MessageBoxButton::yes);
    press_button(w->toolbar(), button_of(cmd::board_clear));
    EXPECT_EQ(page.visible_count, 0);
    EXPECT_EQ(boxes.texts().back(), "Are you sure to clear all the content in the current board? Can not undo after done.");

    // Fold to the stub and out again; the grip drags it.
    CWndFullScreenToolbar* bar = w->toolbar();
    mouse(bar, QEvent::MouseButtonPress, { 12, 9 });
    EXPECT_EQ(bar->size(), QSize(20, 18));
    mouse(bar, QEvent::MouseButtonPress, { 12, 9 });
    EXPECT_EQ(bar->size(), QSize(445, 18));
    mouse(bar, QEvent::MouseButtonPress, { 3, 9 });
    mouse(bar, QEvent::MouseMove, { 53, 49 });
    mouse(bar, QEvent::MouseButtonRelease, { 53, 49 });
    EXPECT_EQ(bar->pos(), QPoint(52, 42));
    // The button under the mouse is highlighted.
    mouse(bar, QEvent::MouseMove, bar->button_rect(4).center());
    EXPECT_EQ(bar->model().highlighted(), 4);
}

TEST_F(FullScreenTest, SevenAttendeesFillRowsOfThreeThreeAndOneAndTheZoomedOneIsMagnified)
{
    const std::vector<QSize> sizes = { { 100, 80 }, { 120, 60 }, { 90, 90 }, { 50, 40 }, { 60, 120 }, { 70, 30 }, { 160, 120 } };
    add_members_with_pictures(sizes);
    frame->switch_to_video_view();
    CWndFullScreen* w = open();
    QImage shot = w->grab().toImage();
    std::vector<PictureSize> want_sizes;
    for (QSize s : sizes)
        want_sizes.push_back({ s.width(), s.height() });
    const std::vector<PicturePlace> want = full_screen_people_places(want_sizes);
    ASSERT_EQ(w->people_places().size(), sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        const QRect place = w->people_places()[i];
        EXPECT_EQ(place, QRect(QPoint(want[i].x, want[i].y), sizes[i])) << i;
        // The video view's canvas is copied from (0, 0) at the start.
        const int apart = std::abs(shot.pixelColor(place.center()).hue() - colour_of(static_cast<int>(i)).hue());
        EXPECT_LT(std::min(apart, 360 - apart), 12) << i;
    }
    EXPECT_EQ(w->people_places()[3].y(), w->people_places()[6].y() - 130);  // rows of 3, 3, 1

    // The zoomed attendee alone, three times its size.
    g_zoomed_customer_id = 10 + 1;
    w->update();
    pump();
    ASSERT_EQ(w->people_places().size(), 1u);
    EXPECT_EQ(w->people_places()[0], QRect(10, 10, 360, 180));
    // A member whose name cannot be a file's shows nothing and takes no place.
    g_zoomed_customer_id = -1;
    const std::string odd = member_record("../m0", 99);
    members()->OnMyMsgMemberListAdd(odd.c_str(), 0);
    w->update();
    pump();
    EXPECT_EQ(w->people_places().size(), sizes.size());
}

TEST_F(FullScreenTest, TheSharedScreenShowsTheWholePictureTheTilesBoardNineAndTheCursor)
{
    frame->switch_to_share_view();
    g_desktop_mode = 1;
    g_view_desk_width = 600;
    g_view_desk_height = 360;
    // The whole screen as it came, then one newer tile (row 1, column 1: 100, 60 - 200, 120).
    forget_whole_picture(ShareGrid::desk);
    QImage screen(320, 200, QImage::Format_RGB32);
    screen.fill(QColor(20, 90, 200));
    ASSERT_TRUE(screen.save(QString::fromStdString(whole_picture_path(ShareGrid::desk)), "JPG", 100));
    QImage tile(100, 60, QImage::Format_RGB32);
    tile.fill(QColor(220, 30, 30));
    ASSERT_TRUE(tile.save(QString::fromStdString(tile_picture_path(ShareGrid::desk, 1, 1)), "JPG", 100));
    tile_of(ShareGrid::desk, 1, 1).fresh = 1;
    g_share_cursor_x = 500;
    g_share_cursor_y = 300;
    g_current_board = 9;
    CWndFullScreen* w = open();
    // Drawn over the picture on board 9, as the share view does.
    g_board[9].tool = tool_line;
    g_board[9].pen_width = 3;
    drag(w, { 20, 150 }, { 300, 150 });
    ASSERT_EQ(g_board[9].visible_count, 1);
    pump();
    const QImage shot = w->grab().toImage();
    EXPECT_NEAR(shot.pixelColor(50, 100).blue(), 200, 10);
    EXPECT_NEAR(shot.pixelColor(150, 90).red(), 220, 10);
    EXPECT_EQ(shot.pixelColor(100, 150), QColor(Qt::black));
    EXPECT_NE(shot.pixelColor(501, 305), shot.pixelColor(530, 305)) << "the sharer's cursor";
    // The share is scrolled as the window is: the picture moves with it.
    press_button(w->toolbar(), button_of(full_screen_show_scroll_command));
    w->horizontal_bar()->setValue(100);
    pump();
    EXPECT_NEAR(w->grab().toImage().pixelColor(50, 90).red(), 220, 10);
    forget_whole_picture(ShareGrid::desk);
    g_desktop_mode = 0;
}

// Pictures of the window for people to look at: the whiteboard with the tool
// bar (a tool pressed, a button lit), the attendees' pictures and the shared
// screen's background, in every scheme and both languages.
TEST_F(FullScreenTest, Screenshots)
{
    add_members_with_pictures({ { 120, 90 }, { 100, 100 }, { 160, 120 }, { 80, 110 } });
    frame->switch_to_board_view();
    CWndFullScreen* w = open();
    board_record& page = g_board[0];
    for (auto [tool, from, to] : { std::tuple { tool_rect, QPoint(120, 120), QPoint(420, 300) },
                                   std::tuple { tool_filled_ellipse, QPoint(500, 150), QPoint(640, 260) },
                                   std::tuple { tool_line, QPoint(100, 400), QPoint(700, 330) } }) {
        page.tool = tool;
        drag(w, from, to);
    }
    page.tool = tool_pen;
    w->toolbar()->show_tool(tool_pen);
    mouse(w->toolbar(), QEvent::MouseMove, w->toolbar()->button_rect(17).center());
    const bool shot = for_each_language_and_scheme([&](const QString& language, int scheme) {
        if (scheme != 0 && scheme != 3 && scheme != 5)
            return;
        for (int view : { upper_view_board, upper_view_video, upper_view_share }) {
            g_current_view = view;
            w->set_scroll_sizes();
            w->update();
            w->toolbar()->update();
            pump(50);
            const char* name = view == upper_view_board ? "board" : view == upper_view_video ? "people" : "share";
            const QString file = QString("%1/full_screen_%2_%3_scheme_%4.png").arg(screenshot_dir(), name, language).arg(scheme);
            EXPECT_TRUE(w->grab().save(file)) << file.toStdString();
        }
        // The bar alone, three times its size, to see each button.
        const QImage bar = w->toolbar()->grab().toImage();
        const QString file = QString("%1/full_screen_toolbar_%2_scheme_%3.png").arg(screenshot_dir(), language).arg(scheme);
        EXPECT_TRUE(bar.scaled(bar.size() * 3).save(file));
    });
    EXPECT_TRUE(shot);
}
