#pragma once
// The text box a drawing surface puts over its picture while the user types
// text onto the current page (the whiteboard view's, the full-screen
// window's): made hidden, opened at the page's text position in the page's
// font and colour, and its text sent as one text action.

#include <QPoint>

#include <string>

class CEditTextTool;
class QWidget;

// A hidden box, control id 9998, at (100, 100)-(400, 400), 3999 characters at most.
CEditTextTool* make_board_text_box(QWidget* parent);
// Shows the box at at (its parent's coordinates), 50 x 50, in the page's
// font (doubled on a zoomed page) and text colour, and gives it the keys.
void board_text_box_open(CEditTextTool* box, int board, QPoint at);
// Sends text as a text action at the page's text position: 1; 0 for an
// empty text; -1 and the box "Do not support text longer than %d now." for
// a text the pools cannot hold.
int send_board_text_checked(int board, const std::string& text);
// The box's text sent that way and the box emptied when it went.
int board_text_box_send(CEditTextTool* box, int board);
