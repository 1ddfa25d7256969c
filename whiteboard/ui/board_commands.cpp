#include "whiteboard/ui/board_commands.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "platform/ui/translations.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_font.h"
#include "whiteboard/ui/board_pictures.h"
#include "whiteboard/ui/board_view.h"
#include "whiteboard/ui/tool_width_dlg.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

namespace {

board_record* current_page()
{
    const int board = g_current_board.load();
    return board_index_valid(board) ? &g_board[static_cast<size_t>(board)] : nullptr;
}

void choose_pen_colour(QWidget* parent)
{
    board_record* r = current_page();
    if (!r)
        return;
    const QColor chosen = QColorDialog::getColor(QColor(r->pen_red & 0xff, r->pen_green & 0xff, r->pen_blue & 0xff),
                                                 parent, tr_ui("Set Pen Color"));
    if (!chosen.isValid())
        return;
    // Typed text takes the pen's colour too: nothing else sets it.
    r->pen_red = r->text_red = chosen.red();
    r->pen_green = r->text_green = chosen.green();
    r->pen_blue = r->text_blue = chosen.blue();
}

void choose_font(QWidget* parent)
{
    board_record* r = current_page();
    if (!r)
        return;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, board_font_for_index(r->font_index), parent, tr_ui("Choose font"));
    if (!ok)
        return;
    // The others get it too; the relayed font becomes every member's current one.
    send_board_font(board_qfont_to_logfont(chosen));
}

CBoardWindowPicker*& picker()
{
    static CBoardWindowPicker* p = nullptr;
    return p;
}

} // namespace

BoardCommandHandlers board_view_command_handlers(std::function<CFormRightUpper1*()> view, QWidget* parent)
{
    return {
        { board_cmd::pen_colour, [parent] { choose_pen_colour(parent); } },
        { board_cmd::pen_width, [parent] { CDlgPenWidth(parent).exec(); } },
        { board_cmd::eraser_width, [parent] { CDlgEraserWidth(parent).exec(); } },
        { board_cmd::font, [parent] { choose_font(parent); } },
        { board_cmd::paste_area, [parent] { board_start_window_paste(false, parent); } },
        { board_cmd::paste_window, [parent] { board_start_window_paste(true, parent); } },
        { board_cmd::print, [view] {
              if (CFormRightUpper1* v = view())
                  v->print(BoardPrintMode::dialog);
          } },
        { board_cmd::print_direct, [view] {
              if (CFormRightUpper1* v = view())
                  v->print(BoardPrintMode::direct);
          } },
        { board_cmd::print_preview, [view] {
              if (CFormRightUpper1* v = view())
                  v->print(BoardPrintMode::preview);
          } },
    };
}

bool board_start_window_paste(bool desktop_window, QWidget* parent)
{
    if (board_picture_upload_in_progress()) {
        message_box_printf("a window image is still in the process of upload, \nplease wait a moment and try again.");
        return false;
    }
    const int answer = desktop_window
        ? message_box_printf_yes_no("The next desktop window you clicked will be pasted into your current white "
                                    "board.\r\nDo you want to continue?")
        : message_box_printf_yes_no(
              "The next window you clicked will be pasted into your current white board.\nDo you want to continue?");
    if (answer != IDYES)
        return false;
    if (!picker())
        picker() = new CBoardWindowPicker(parent ? parent->window() : nullptr);
    picker()->start();
    return true;
}

CBoardWindowPicker::CBoardWindowPicker(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setObjectName("board_window_picker");
    resize(1, 1);
}

void CBoardWindowPicker::start()
{
    show();
    grabMouse(Qt::CrossCursor);
    // The X server gives the pointer only to a window it shows, and a window
    // manager maps this one a moment after show(): until it does, the grab
    // holds for this program's own windows only, and a click on another
    // program's window would go to that program. Asked again once it shows.
    grab_tries_ = 0;
    grab_pointer();
}

void CBoardWindowPicker::grab_pointer()
{
    if (!isVisible())
        return;
    QWindow* w = windowHandle();
    if (w && w->isExposed() && w->setMouseGrabEnabled(true))
        return;
    if (++grab_tries_ < 100)
        QTimer::singleShot(10, this, &CBoardWindowPicker::grab_pointer);
}

int CBoardWindowPicker::pick_at(QPoint screen_point)
{
    releaseMouse();
    hide();
    const platform::XWindowId window = board_window_at(screen_point.x(), screen_point.y());
    if (!window)
        return -1;
    return board_next_bmp(g_current_board.load(), window, g_board_paste_x, g_board_paste_y);
}

void CBoardWindowPicker::mousePressEvent(QMouseEvent* event) { pick_at(event->globalPosition().toPoint()); }
