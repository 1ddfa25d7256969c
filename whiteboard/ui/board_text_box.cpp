#include "whiteboard/ui/board_text_box.h"

#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/ui/edit_text_tool.h"
#include "whiteboard/board_geometry.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_text.h"
#include "whiteboard/ui/board_font.h"

CEditTextTool* make_board_text_box(QWidget* parent)
{
    auto* box = new CEditTextTool(parent);
    set_control_id(box, edit_text_tool_id);
    box->setGeometry(100, 100, 300, 300);
    box->hide();
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box] {
        // The box takes at most 3999 characters, as the page's buffer.
        if (box->toPlainText().size() > edit_text_tool_limit)
            box->textCursor().deletePreviousChar();
    });
    return box;
}

void board_text_box_open(CEditTextTool* box, int board, QPoint at)
{
    if (!board_index_valid(board))
        return;
    const board_record& r = g_board[static_cast<size_t>(board)];
    QFont font = board_font_for_index(r.font_index);
    if (r.half_size == 1 && font.pixelSize() > 0)
        font.setPixelSize(font.pixelSize() * 2);
    box->setFont(font);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, colorref_color(board_action_colour(r.text_red, r.text_green, r.text_blue)));
    box->setPalette(palette);
    box->setGeometry(at.x(), at.y(), 50, 50);
    box->show();
    box->raise();
    box->setFocus();
}

int send_board_text_checked(int board, const std::string& text)
{
    if (text.empty() || !board_index_valid(board))
        return 0;
    // The pools hold 3999 bytes: a longer text is refused before it travels.
    if (text.size() >= static_cast<size_t>(board_long_str_size)) {
        message_box_printf("Do not support text longer than %d now.", board_long_str_size);
        return -1;
    }
    const board_record& r = g_board[static_cast<size_t>(board)];
    send_board_text(board, r.text_x, r.text_y, r.font_index, text, r.text_red, r.text_green, r.text_blue);
    return 1;
}

int board_text_box_send(CEditTextTool* box, int board)
{
    const int sent = send_board_text_checked(board, board_text_from_box(box->toPlainText().toStdString()));
    if (sent > 0)
        box->clear();
    return sent;
}
